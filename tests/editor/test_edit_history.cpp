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

using Change = std::function<void(Editor&)>;
using Edit = std::function<void(Editor&, StepId)>;

// One kind of step as its page makes it: `prepare` goes to the item (no
// step), `edit` makes the step.
struct StepCase {
  const char* name;
  StepId id;
  Page page;
  Change prepare;
  Edit edit;
};

// A one-off edit.
Edit Once(Change change) {
  return [change](Editor& e, StepId id) { e.Step(id, [&] { change(e); }); };
}

// A restriction, with what it does to the favorites.
Edit Restricting(Change change) {
  return Once([change](Editor& e) {
    change(e);
    e.favorites.ApplyRestrictionOverlay();
  });
}

// Several changes of one control, as its keys make them: one step in all.
Edit Keys(std::function<void(Editor&, int)> set, std::vector<int> positions) {
  return [set, positions](Editor& e, StepId id) {
    for (const int p : positions) {
      e.BeginStep(id);
      set(e, p);
    }
    e.EndStep();
  };
}

Change Zone(int zone) {
  return [zone](Editor& e) { e.zoneAudio.ZoneChosen(zone - 1); };
}
Change Preset(int preset) {
  return [preset](Editor& e) { e.presets.PresetChosen(preset - 1); };
}

std::vector<StepCase> MakeCases() {
  std::vector<StepCase> cases;
  const auto add = [&](const char* name, StepId id, Page page, Change prepare, Edit edit) {
    cases.push_back(StepCase{name, id, page, std::move(prepare), std::move(edit)});
  };
  add("Rename Zone 6", {StepKind::RenameZone, 6}, Page::SourceZoneNaming, nullptr, Once([](Editor& e) {
        e.model.unit.ZoneNames[6] = "Patio";
        e.revision.Bump();
      }));
  add("Rename Group 4", {StepKind::RenameGroup, 4}, Page::FavoriteGroupNaming, nullptr,
      Once([](Editor& e) { e.model.unit.GroupNames[4] = "Upstairs"; }));
  add(
      "Route Zone 12 in Favorite 2", {StepKind::FavoriteCell, 2, 12}, Page::Favorites,
      [](Editor& e) { e.favorites.FavoriteChosen(1); },
      Once([](Editor& e) { e.favorites.CellDoubleClicked(5, 12); }));
  add("Groups of Zone 12", {StepKind::GroupCell, 12}, Page::Groups, nullptr,
      Once([](Editor& e) { e.matrix.GroupCellDoubleClicked(4, 12); }));
  // Favorite 3 routes source 16 to zone 12: the restriction takes it.
  add("Restrictions of Zone 12", {StepKind::RestrictionCell, 12}, Page::Restrictions, nullptr,
      Restricting([](Editor& e) { e.matrix.RestrictionCellDoubleClicked(16, 12); }));
  add("Restrict All", {StepKind::RestrictAll}, Page::Restrictions, nullptr,
      Restricting([](Editor& e) { e.matrix.RestrictAll(); }));
  add(
      "Clear All", {StepKind::ClearAll}, Page::Restrictions,
      [](Editor& e) {  // something to clear
        e.matrix.RestrictAll();
        e.favorites.ApplyRestrictionOverlay();
      },
      Restricting([](Editor& e) { e.matrix.ClearAllRestrictions(); }));
  add("Volume of Zone 12", {StepKind::Volume, 12}, Page::ZoneAudioControls, Zone(12),
      Keys([](Editor& e, int p) { e.zoneAudio.SetVolumePosition(p); }, {-41, -42, -43}));
  add("Band 3 of Zone 7", {StepKind::Band, 7, 3}, Page::ZoneAudioControls, Zone(7),
      Keys([](Editor& e, int p) { e.zoneAudio.SetBandPosition(3, p); }, {9, 8}));
  add("DSP Mode of Zone 5", {StepKind::DspMode, 5}, Page::ZoneAudioControls, Zone(5),
      Once([](Editor& e) { e.zoneAudio.DSPModeChosen(4); }));
  add("System EQ of Zone 5", {StepKind::SystemEQ, 5}, Page::ZoneAudioControls, Zone(5),
      Once([](Editor& e) { e.SystemEQPresetChosen(7); }));
  add("Quick EQ of Zone 9", {StepKind::ZoneQuickEQ, 9}, Page::ZoneAudioControls, Zone(9), Once([](Editor& e) {
        e.quickEQZoneList.Select(0);
        e.ZoneQuickEQChosen();
      }));
  add("Band 3 of Preset 2", {StepKind::PresetBand, 2, 3}, Page::EQPresets, Preset(2),
      Keys([](Editor& e, int p) { e.presets.SetBandPosition(3, p); }, {6, 7}));
  add("Rename Preset 2", {StepKind::PresetName, 2}, Page::EQPresets, Preset(2),
      Once([](Editor& e) { e.presets.SetNameText("Jazz"); }));
  add("Quick EQ of Preset 4", {StepKind::PresetQuickEQ, 4}, Page::EQPresets, Preset(4), Once([](Editor& e) {
        e.quickEQPresetList.Select(0);
        e.PresetQuickEQChosen();
      }));
  add("IP Address", {StepKind::IPAddress}, Page::Options, nullptr,
      Keys([](Editor& e, int n) { e.model.unit.Options.IPAddress += std::to_string(n); }, {1, 0}));
  add("Display Brightness", {StepKind::DisplayLevel}, Page::Options, nullptr,
      Keys([](Editor& e, int p) { DisplayLevelChanged(e.model, p); }, {2, 3}));
  return cases;
}

const std::vector<StepCase>& Cases() {
  static const std::vector<StepCase> cases = MakeCases();
  return cases;
}

// Key presses on the volume slider of the zone shown.
void Volume(Editor& e, int zone, std::vector<int> positions) {
  Keys([](Editor& x, int p) { x.zoneAudio.SetVolumePosition(p); }, std::move(positions))(
      e, {StepKind::Volume, zone});
}

void RestrictCell(Editor& e, int source, int zone) {
  Restricting([=](Editor& x) { x.matrix.RestrictionCellDoubleClicked(source, zone); })(
      e, {StepKind::RestrictionCell, zone});
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
    if (c.prepare) c.prepare(*e);
    QCOMPARE(e->history.Size(), std::size_t{0});
    const UnitConfiguration before = Pending(*e);
    c.edit(*e, c.id);
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
    RestrictCell(*e, 16, 12);
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
            Volume(*e, zone, {-static_cast<int>(random() % 80)});
            break;
          case 1:
            RestrictCell(*e, source, zone);
            break;
          case 2:
            e->favorites.FavoriteChosen(static_cast<int>(random() % 10));
            e->Step({StepKind::FavoriteCell, e->model.screen.CurrentFavorite, zone},
                    [&] { e->favorites.CellDoubleClicked(source, zone); });
            break;
          default:
            e->Step({StepKind::GroupCell, zone},
                    [&] { e->matrix.GroupCellDoubleClicked(source % 10 + 1, zone); });
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
      Volume(*e, 1, {-(n % 2) - 1});
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
    Volume(*e, 3, {-60});
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
