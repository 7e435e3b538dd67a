// Undo and redo without a window: every kind of step taken back and done
// again on the full example, a long random run checked against snapshots,
// the limit on steps, the unsaved mark and what an import does to the history.
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <functional>
#include <random>

#include "editor/editor.h"
#include "editor/options_logic.h"
#include "support/example_file.h"

using namespace zem;

namespace {

std::string FullExample() { return zem::test::ExampleText("full-16x192.zem"); }

UnitConfiguration Pending(const Editor& e) { return e.ConfigurationToExport().unit; }

// Showing a zone brings its values into the controls' ranges, which is no
// edit: the two are compared as the zone audio page shows them.
bool SameAsShown(UnitConfiguration a, UnitConfiguration b) {
  for (UnitConfiguration* unit : {&a, &b})
    for (ZoneAudioRec& zone : unit->ZoneAudio) zone = ZoneAudioLogic::ThroughControls(zone, kPresets);
  return Identical(a, b);
}

// One kind of step as its page makes it: `prepare` goes to the item (no
// step), `edit` is the step.
struct StepCase {
  const char* name;
  StepId id;
  Page page;
  std::function<void(Editor&)> prepare;
  std::function<void(Editor&)> edit;
};

void Slide(Editor& e, StepId id, const std::function<void(int)>& set, std::initializer_list<int> positions) {
  for (const int p : positions) {
    e.BeginStep(id);  // one key press each, one step in all
    set(p);
  }
  e.EndStep();
}

void Rename(Editor& e, StepId id, std::string& name) {
  e.Step(id, [&] {
    name = "Patio";
    e.revision.Bump();
  });
}

void Restrict(Editor& e, StepId id, const std::function<void()>& change) {
  e.Step(id, [&] {
    change();
    e.favorites.ApplyRestrictionOverlay();
  });
}

const std::vector<StepCase>& Cases() {
  static const std::vector<StepCase> cases = {
      {"Rename Zone 6", {StepKind::RenameZone, 6}, Page::SourceZoneNaming, nullptr,
       [](Editor& e) { Rename(e, {StepKind::RenameZone, 6}, e.model.unit.ZoneNames[6]); }},
      {"Rename Group 4", {StepKind::RenameGroup, 4}, Page::FavoriteGroupNaming, nullptr,
       [](Editor& e) { Rename(e, {StepKind::RenameGroup, 4}, e.model.unit.GroupNames[4]); }},
      {"Route Zone 12 in Favorite 2", {StepKind::FavoriteCell, 2, 12}, Page::Favorites,
       [](Editor& e) { e.favorites.FavoriteChosen(1); },
       [](Editor& e) {
         e.Step({StepKind::FavoriteCell, 2, 12}, [&] { e.favorites.CellDoubleClicked(5, 12); });
       }},
      {"Groups of Zone 12", {StepKind::GroupCell, 12}, Page::Groups, nullptr,
       [](Editor& e) { e.Step({StepKind::GroupCell, 12}, [&] { e.matrix.GroupCellDoubleClicked(4, 12); }); }},
      // Favorite 3 routes source 16 to zone 12: the restriction takes it.
      {"Restrictions of Zone 12", {StepKind::RestrictionCell, 12}, Page::Restrictions, nullptr,
       [](Editor& e) {
         Restrict(e, {StepKind::RestrictionCell, 12}, [&] { e.matrix.RestrictionCellDoubleClicked(16, 12); });
       }},
      {"Restrict All", {StepKind::RestrictAll}, Page::Restrictions, nullptr,
       [](Editor& e) { Restrict(e, {StepKind::RestrictAll}, [&] { e.matrix.RestrictAll(); }); }},
      {"Clear All", {StepKind::ClearAll}, Page::Restrictions, nullptr,
       [](Editor& e) { Restrict(e, {StepKind::ClearAll}, [&] { e.matrix.ClearAllRestrictions(); }); }},
      {"Volume of Zone 12", {StepKind::Volume, 12}, Page::ZoneAudioControls,
       [](Editor& e) { e.zoneAudio.ZoneChosen(11); },
       [](Editor& e) {
         Slide(e, {StepKind::Volume, 12}, [&](int p) { e.zoneAudio.SetVolumePosition(p); }, {-41, -42, -43});
       }},
      {"Band 3 of Zone 7", {StepKind::Band, 7, 3}, Page::ZoneAudioControls,
       [](Editor& e) { e.zoneAudio.ZoneChosen(6); },
       [](Editor& e) {
         Slide(e, {StepKind::Band, 7, 3}, [&](int p) { e.zoneAudio.SetBandPosition(3, p); }, {9, 8});
       }},
      {"DSP Mode of Zone 5", {StepKind::DspMode, 5}, Page::ZoneAudioControls,
       [](Editor& e) { e.zoneAudio.ZoneChosen(4); },
       [](Editor& e) { e.Step({StepKind::DspMode, 5}, [&] { e.zoneAudio.DSPModeChosen(4); }); }},
      {"System EQ of Zone 5", {StepKind::SystemEQ, 5}, Page::ZoneAudioControls,
       [](Editor& e) { e.zoneAudio.ZoneChosen(4); },
       [](Editor& e) { e.Step({StepKind::SystemEQ, 5}, [&] { e.SystemEQPresetChosen(7); }); }},
      {"Quick EQ of Zone 9", {StepKind::ZoneQuickEQ, 9}, Page::ZoneAudioControls,
       [](Editor& e) { e.zoneAudio.ZoneChosen(8); },
       [](Editor& e) {
         e.Step({StepKind::ZoneQuickEQ, 9}, [&] {
           e.quickEQZoneList.Select(0);
           e.ZoneQuickEQChosen();
         });
       }},
      {"Band 3 of Preset 2", {StepKind::PresetBand, 2, 3}, Page::EQPresets,
       [](Editor& e) { e.presets.PresetChosen(1); },
       [](Editor& e) {
         Slide(e, {StepKind::PresetBand, 2, 3}, [&](int p) { e.presets.SetBandPosition(3, p); }, {6, 7});
       }},
      {"Rename Preset 2", {StepKind::PresetName, 2}, Page::EQPresets, [](Editor& e) { e.presets.PresetChosen(1); },
       [](Editor& e) { e.Step({StepKind::PresetName, 2}, [&] { e.presets.SetNameText("Jazz"); }); }},
      {"Quick EQ of Preset 4", {StepKind::PresetQuickEQ, 4}, Page::EQPresets,
       [](Editor& e) { e.presets.PresetChosen(3); },
       [](Editor& e) {
         e.Step({StepKind::PresetQuickEQ, 4}, [&] {
           e.quickEQPresetList.Select(0);
           e.PresetQuickEQChosen();
         });
       }},
      {"IP Address", {StepKind::IPAddress}, Page::Options, nullptr,
       [](Editor& e) {
         Slide(e, {StepKind::IPAddress}, [&](int n) { e.model.unit.Options.IPAddress += std::to_string(n); },
               {1, 0});
       }},
      {"Display Brightness", {StepKind::DisplayLevel}, Page::Options, nullptr,
       [](Editor& e) { Slide(e, {StepKind::DisplayLevel}, [&](int p) { DisplayLevelChanged(e.model, p); }, {2, 3}); }},
  };
  return cases;
}

// Whether the editor shows the item the step was made on.
bool ShowsItem(const Editor& e, const StepId& id) {
  switch (ItemOf(id.kind)) {
    case StepItem::Zone:
      return e.model.screen.CurrentZone == id.item && e.model.screen.ZoneList.Selected == id.item - 1;
    case StepItem::Favorite:
      return e.model.screen.CurrentFavorite == id.item && e.model.screen.FavoriteList.Selected == id.item - 1;
    case StepItem::Preset:
      return e.presets.NameText() == e.model.unit.EQPresets[id.item].Name &&
             e.model.screen.PresetList.Selected == id.item - 1;
    case StepItem::None:
      break;
  }
  return true;
}

}  // namespace

class TestEditHistory : public QObject {
  Q_OBJECT

  QTemporaryDir folder_;
  std::string text_ = FullExample();

  std::unique_ptr<Editor> Imported() {
    auto e = std::make_unique<Editor>(folder_.path().toStdString());
    e->ImportFileText(text_, "full-16x192.zem");
    return e;
  }

 private slots:
  void initTestCase() {
    QVERIFY(text_.size() > 10000);
    std::ofstream eq((folder_.path() + "/Loud.eq").toStdString(), std::ios::binary);
    eq << "3\r\n-4\r\n5\r\n-6\r\n7\r\n-8\r\n9\r\n-10\r\n1\r\n2\r\n";
  }

  void eachStepUndoesAndRedoes_data() {
    QTest::addColumn<int>("which");
    for (std::size_t i = 0; i < Cases().size(); ++i) QTest::newRow(Cases()[i].name) << static_cast<int>(i);
  }
  void eachStepUndoesAndRedoes() {
    QFETCH(int, which);
    const StepCase& c = Cases()[static_cast<std::size_t>(which)];
    auto e = Imported();
    if (std::string(c.name) == "Clear All") {  // something to clear
      e->matrix.RestrictAll();
      e->favorites.ApplyRestrictionOverlay();
    }
    if (c.prepare) c.prepare(*e);
    QCOMPARE(e->history.Size(), std::size_t{0});
    const UnitConfiguration before = Pending(*e);
    c.edit(*e);
    const UnitConfiguration after = Pending(*e);
    QVERIFY(!Identical(before, after));
    QCOMPARE(e->history.Size(), std::size_t{1});
    QCOMPARE(StepName(*e->history.UndoStep()), std::string(c.name));

    // Looking elsewhere is no step.
    e->PageChosen(Page::ConfigurationFile);
    e->zoneAudio.ZoneChosen(0);
    e->favorites.FavoriteChosen(0);
    e->presets.PresetChosen(0);
    QCOMPARE(e->history.Size(), std::size_t{1});

    QVERIFY(e->Undo());
    QVERIFY(Identical(Pending(*e), before));
    QCOMPARE(e->ActivePage(), c.page);
    QVERIFY(ShowsItem(*e, c.id));
    QVERIFY(!e->history.CanUndo());
    QCOMPARE(StepName(*e->history.RedoStep()), std::string(c.name));

    e->PageChosen(Page::ConfigurationFile);
    QVERIFY(e->Redo());
    QVERIFY(Identical(Pending(*e), after));
    QCOMPARE(e->ActivePage(), c.page);
    QVERIFY(ShowsItem(*e, c.id));
    QVERIFY(!e->Redo());
  }

  void restrictionUndoGivesTheRoutingBack() {
    auto e = Imported();
    QVERIFY(e->model.unit.FavoriteStore.Cell(3, 16, 12).Is('C'));
    Restrict(*e, {StepKind::RestrictionCell, 12}, [&] { e->matrix.RestrictionCellDoubleClicked(16, 12); });
    QVERIFY(e->model.unit.FavoriteStore.Cell(3, 16, 12).Is('R'));
    QVERIFY(e->Undo());
    QVERIFY(e->model.unit.FavoriteStore.Cell(3, 16, 12).Is('C'));
    // Nor does the next page change take it again.
    e->PageChosen(Page::Favorites);
    e->favorites.FavoriteChosen(2);
    QCOMPARE(e->model.screen.FavoritesGrid.Cell(16, 12), std::string("C"));
  }

  void randomEditsAndUndosMatchSnapshots() {
    auto e = Imported();
    std::mt19937 random(25);
    std::vector<UnitConfiguration> snapshots{Pending(*e)};
    std::size_t done = 0;
    for (int round = 0; round < 300; ++round) {
      const int choice = static_cast<int>(random() % 10);
      if (choice < 2 && done > 0) {
        QVERIFY(e->Undo());
        --done;
      } else if (choice < 4 && done + 1 < snapshots.size()) {
        QVERIFY(e->Redo());
        ++done;
      } else {
        const int zone = static_cast<int>(random() % 192) + 1;
        const int source = static_cast<int>(random() % 16) + 1;
        e->zoneAudio.ZoneChosen(zone - 1);
        switch (random() % 4) {
          case 0:
            Slide(*e, {StepKind::Volume, zone}, [&](int p) { e->zoneAudio.SetVolumePosition(p); },
                  {-static_cast<int>(random() % 80)});
            break;
          case 1:
            Restrict(*e, {StepKind::RestrictionCell, zone},
                     [&] { e->matrix.RestrictionCellDoubleClicked(source, zone); });
            break;
          case 2:
            e->favorites.FavoriteChosen(static_cast<int>(random() % 10));
            e->Step({StepKind::FavoriteCell, e->model.screen.CurrentFavorite, zone},
                    [&] { e->favorites.CellDoubleClicked(source, zone); });
            break;
          default:
            e->Step({StepKind::GroupCell, zone}, [&] { e->matrix.GroupCellDoubleClicked(source % 10 + 1, zone); });
            break;
        }
        // An edit that changed nothing (a restricted favorite cell) is no step.
        if (e->history.Done() == done) continue;
        snapshots.resize(done + 1);
        snapshots.push_back(Pending(*e));
        ++done;
      }
      QCOMPARE(e->history.Done(), done);
      QVERIFY2(SameAsShown(Pending(*e), snapshots[done]), qPrintable(QString("round %1").arg(round)));
    }
  }

  void keepsTheLastStepsOnly() {
    auto e = Imported();
    e->zoneAudio.ZoneChosen(0);
    std::vector<UnitConfiguration> snapshots{Pending(*e)};
    for (int n = 1; n <= 510; ++n) {
      Slide(*e, {StepKind::Volume, 1}, [&](int p) { e->zoneAudio.SetVolumePosition(p); }, {-(n % 2) - 1});
      snapshots.push_back(Pending(*e));
    }
    QCOMPARE(e->history.Size(), EditHistory::kMaxSteps);
    for (std::size_t n = 0; n < EditHistory::kMaxSteps; ++n) QVERIFY(e->Undo());
    QVERIFY(!e->Undo());
    QVERIFY(Identical(Pending(*e), snapshots[10]));
    // A smaller memory budget drops the oldest steps, never the newest.
    e->history.SetLimits(EditHistory::kMaxSteps, 1);
    QCOMPARE(e->history.Size(), std::size_t{1});
    QVERIFY(e->Redo());
    QVERIFY(Identical(Pending(*e), snapshots[11]));
  }

  void unsavedMarkFollowsUndoAndRedo() {
    auto e = Imported();
    e->zoneAudio.ZoneChosen(2);
    Slide(*e, {StepKind::Volume, 3}, [&](int p) { e->zoneAudio.SetVolumePosition(p); }, {-60});
    QVERIFY(e->IsModified());
    QVERIFY(e->Undo());
    QVERIFY(!e->IsModified());
    QVERIFY(e->Redo());
    QVERIFY(e->IsModified());
    e->PrepareExport();
    e->MarkExported();
    QVERIFY(!e->IsModified());
    QCOMPARE(e->history.Size(), std::size_t{1});  // an export keeps the history
    QVERIFY(e->Undo());
    QVERIFY(e->IsModified());
    QVERIFY(e->Redo());
    QVERIFY(!e->IsModified());
    // A preset is the unit's own: its steps never mark anything unsaved.
    e->presets.PresetChosen(4);
    e->Step({StepKind::PresetName, 5}, [&] { e->presets.SetNameText("Hall"); });
    QVERIFY(!e->IsModified());
    QVERIFY(e->Undo());
    QVERIFY(!e->IsModified());
  }

  void importStartsANewHistoryUnlessItReadNothing() {
    auto e = Imported();
    e->Step({StepKind::GroupCell, 2}, [&] { e->matrix.GroupCellDoubleClicked(1, 2); });
    const UnitConfiguration edited = Pending(*e);
    e->KeepForImport();
    e->ResetModel();
    QVERIFY(!e->history.CanUndo());
    e->RestoreKept();
    QCOMPARE(e->history.Size(), std::size_t{1});
    QVERIFY(e->Undo());
    QVERIFY(e->Redo());
    QVERIFY(Identical(Pending(*e), edited));

    e->KeepForImport();
    e->ImportFileText(text_, "again.zem");
    QCOMPARE(e->history.Size(), std::size_t{0});
    QVERIFY(!e->Undo());
  }
};

QTEST_GUILESS_MAIN(TestEditHistory)
#include "test_edit_history.moc"
