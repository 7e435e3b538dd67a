// Undo and redo without a window, on the full example: each kind of step,
// a random run against snapshots, the limits, the unsaved mark, imports.
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

UnitConfiguration Pending(const Editor& e) { return e.ConfigurationToExport().unit; }

// Showing a zone brings its values into the controls' ranges, which is no
// edit: the two are compared as the zone audio page shows them.
bool SameAsShown(UnitConfiguration a, UnitConfiguration b) {
  for (UnitConfiguration* unit : {&a, &b})
    for (ZoneAudioRec& zone : unit->ZoneAudio) zone = ZoneAudioLogic::ThroughControls(zone, kPresets);
  return Identical(a, b);
}

using Edit = std::function<void(Editor&, StepId)>;

// A one-off edit.
Edit Once(std::function<void(Editor&)> change) {
  return [=](Editor& e, StepId id) { e.Step(id, [&] { change(e); }); };
}

// Changes of one control as its keys make them: one step in all.
Edit Keys(std::function<void(Editor&, int)> set, std::vector<int> positions) {
  return [=](Editor& e, StepId id) {
    for (const int p : positions) {
      e.BeginStep(id);
      set(e, p);
    }
    e.EndStep();
  };
}

void Volume(Editor& e, int zone, int position) {
  Keys([](Editor& x, int p) { x.zoneAudio.SetVolumePosition(p); }, {position})(e, {StepKind::Volume, zone});
}

// The zone, favorite or preset of a step, shown as the user goes there: no step.
void GoTo(Editor& e, const StepId& id) {
  if (ItemOf(id.kind) == StepItem::Zone) e.zoneAudio.ZoneChosen(id.item - 1);
  if (ItemOf(id.kind) == StepItem::Favorite) e.favorites.FavoriteChosen(id.item - 1);
  if (ItemOf(id.kind) == StepItem::Preset) e.presets.PresetChosen(id.item - 1);
}

// The number of the zone, favorite or preset shown, as a step names it.
int Shown(const Editor& e, StepItem item) {
  const ScreenState& s = e.model.screen;
  if (item == StepItem::Zone) return s.ZoneList.Selected + 1 == s.CurrentZone ? s.CurrentZone : -1;
  if (item == StepItem::Favorite)
    return s.FavoriteList.Selected + 1 == s.CurrentFavorite ? s.CurrentFavorite : -1;
  return item == StepItem::Preset ? s.PresetList.Selected + 1 : 0;
}

struct StepCase {
  const char* name;
  StepId id;
  Page page;
  Edit edit;
};

const std::vector<StepCase>& Cases() {
  static std::vector<StepCase> cases;
  if (!cases.empty()) return cases;
  const auto add = [](const char* name, StepId id, Page page, Edit edit) {
    cases.push_back({name, id, page, edit});
  };
  add("Rename Zone 6", {StepKind::RenameZone, 6}, Page::SourceZoneNaming,
      Once([](Editor& e) { e.model.unit.ZoneNames[6] = "Patio"; }));
  add("Rename Group 4", {StepKind::RenameGroup, 4}, Page::FavoriteGroupNaming,
      Once([](Editor& e) { e.model.unit.GroupNames[4] = "Upstairs"; }));
  add("Route Zone 12 in Favorite 2", {StepKind::FavoriteCell, 2, 12}, Page::Favorites,
      Once([](Editor& e) { e.favorites.CellDoubleClicked(5, 12); }));
  add("Groups of Zone 12", {StepKind::GroupCell, 12}, Page::Groups,
      Once([](Editor& e) { e.matrix.GroupCellDoubleClicked(4, 12); }));
  // Favorite 3 routes source 16 to zone 12; the configuration to export
  // applies the restriction to the favorites, and undo gives the routing back.
  add("Restrictions of Zone 12", {StepKind::RestrictionCell, 12}, Page::Restrictions,
      Once([](Editor& e) { e.matrix.RestrictionCellDoubleClicked(16, 12); }));
  add("Restrict All", {StepKind::RestrictAll}, Page::Restrictions,
      Once([](Editor& e) { e.matrix.RestrictAll(); }));
  add("Clear All", {StepKind::ClearAll}, Page::Restrictions,
      Once([](Editor& e) { e.matrix.ClearAllRestrictions(); }));
  add("Volume of Zone 12", {StepKind::Volume, 12}, Page::ZoneAudioControls,
      Keys([](Editor& e, int p) { e.zoneAudio.SetVolumePosition(p); }, {-41, -42, -43}));
  add("Lowpass of Zone 7", {StepKind::Lowpass, 7}, Page::ZoneAudioControls,
      Keys([](Editor& e, int p) { e.zoneAudio.SetLowpassPosition(p); }, {45, 50}));
  add("DSP Mode of Zone 5", {StepKind::DspMode, 5}, Page::ZoneAudioControls,
      Once([](Editor& e) { e.zoneAudio.DSPModeChosen(4); }));
  add("System EQ of Zone 5", {StepKind::SystemEQ, 5}, Page::ZoneAudioControls,
      Once([](Editor& e) { e.SystemEQPresetChosen(7); }));
  add("Quick EQ of Zone 9", {StepKind::ZoneQuickEQ, 9}, Page::ZoneAudioControls, Once([](Editor& e) {
        e.quickEQZoneList.Select(0);
        e.ZoneQuickEQChosen();
      }));
  add("Band 3 of Preset 2", {StepKind::PresetBand, 2, 3}, Page::EQPresets,
      Keys([](Editor& e, int p) { e.presets.SetBandPosition(3, p); }, {6, 7}));
  add("Rename Preset 2", {StepKind::PresetName, 2}, Page::EQPresets,
      Once([](Editor& e) { e.presets.SetNameText("Jazz"); }));
  add("IP Address", {StepKind::IPAddress}, Page::Options,
      Keys([](Editor& e, int n) { e.model.unit.Options.IPAddress += std::to_string(n); }, {1, 0}));
  add("Display Brightness", {StepKind::DisplayLevel}, Page::Options,
      Keys([](Editor& e, int p) { DisplayLevelChanged(e.model, p); }, {2, 3}));
  return cases;
}

}  // namespace

class TestEditHistory : public QObject {
  Q_OBJECT

  QTemporaryDir folder_;

  std::unique_ptr<Editor> Imported() {
    auto e = std::make_unique<Editor>(folder_.path().toStdString());
    e->ImportFileText(test::ExampleText("full-16x192.zem"), "full-16x192.zem");
    return e;
  }

 private slots:
  void initTestCase() {
    std::ofstream((folder_.path() + "/Loud.eq").toStdString()) << "3\n-4\n5\n-6\n7\n-8\n9\n-10\n1\n2\n";
  }

  void eachStepUndoesAndRedoes_data() {
    QTest::addColumn<int>("which");
    for (std::size_t i = 0; i < Cases().size(); ++i) QTest::newRow(Cases()[i].name) << static_cast<int>(i);
  }
  void eachStepUndoesAndRedoes() {
    QFETCH(int, which);
    const StepCase& c = Cases()[static_cast<std::size_t>(which)];
    auto e = Imported();
    GoTo(*e, c.id);
    const UnitConfiguration before = Pending(*e);
    c.edit(*e, c.id);
    const UnitConfiguration after = Pending(*e);
    QVERIFY(!Identical(before, after));
    QCOMPARE(StepName(*e->history.UndoStep()), std::string(c.name));
    // Looking elsewhere is no step.
    e->PageChosen(Page::ConfigurationFile);
    GoTo(*e, {StepKind::Volume, 1});
    GoTo(*e, {StepKind::FavoriteCell, 1});
    GoTo(*e, {StepKind::PresetName, 1});
    QCOMPARE(e->history.Size(), std::size_t{1});

    for (const bool redo : {false, true}) {
      e->PageChosen(Page::ConfigurationFile);
      QVERIFY(redo ? e->Redo() : e->Undo());
      QVERIFY(Identical(Pending(*e), redo ? after : before));
      QCOMPARE(e->ActivePage(), c.page);
      QCOMPARE(Shown(*e, ItemOf(c.id.kind)), ItemOf(c.id.kind) == StepItem::None ? 0 : c.id.item);
      QCOMPARE(StepName(*(redo ? e->history.UndoStep() : e->history.RedoStep())), std::string(c.name));
    }
    QVERIFY(!e->Redo());
  }

  void randomEditsAndUndosMatchSnapshots() {
    auto e = Imported();
    std::mt19937 random(25);
    std::vector<UnitConfiguration> snapshots{Pending(*e)};
    std::size_t done = 0;
    for (int round = 0; round < 300; ++round) {
      const unsigned choice = random() % 10;
      if (choice < 2 && done > 0) {
        QVERIFY(e->Undo());
        --done;
      } else if (choice < 4 && done + 1 < snapshots.size()) {
        QVERIFY(e->Redo());
        ++done;
      } else {
        const int zone = static_cast<int>(random() % kZones) + 1;
        const int source = static_cast<int>(random() % kSources) + 1;
        e->zoneAudio.ZoneChosen(zone - 1);
        e->favorites.FavoriteChosen(static_cast<int>(random() % kFavorites));
        const Edit edits[] = {
            Once([&](Editor& x) { x.zoneAudio.SetVolumePosition(-static_cast<int>(random() % 80)); }),
            Once([&](Editor& x) { x.matrix.RestrictionCellDoubleClicked(source, zone); }),
            Once([&](Editor& x) { x.favorites.CellDoubleClicked(source, zone); }),
            Once([&](Editor& x) { x.matrix.GroupCellDoubleClicked(source % kGroups + 1, zone); })};
        edits[random() % 4](*e, StepId{StepKind::Volume, round});
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
    std::vector<UnitConfiguration> snapshots{Pending(*e)};
    for (int n = 1; n <= 510; ++n) {
      Volume(*e, 1, -(n % 2) - 1);
      snapshots.push_back(Pending(*e));
    }
    QCOMPARE(e->history.Size(), EditHistory::kMaxSteps);
    for (std::size_t n = 0; n < EditHistory::kMaxSteps; ++n) QVERIFY(e->Undo());
    QVERIFY(!e->Undo());
    QVERIFY(Identical(Pending(*e), snapshots[10]));
    // A smaller memory budget drops the steps furthest away, never all.
    e->history.SetLimits(EditHistory::kMaxSteps, 1);
    QCOMPARE(e->history.Size(), std::size_t{1});
    QVERIFY(e->Redo());
    QVERIFY(Identical(Pending(*e), snapshots[11]));
  }

  void unsavedMarkFollowsUndoAndRedo() {
    auto e = Imported();
    Volume(*e, 1, -60);
    QVERIFY(e->IsModified() && e->Undo() && !e->IsModified() && e->Redo() && e->IsModified());
    e->PrepareExport();
    e->MarkExported();  // keeps the history; the mark now follows the export
    QVERIFY(!e->IsModified() && e->Undo() && e->IsModified() && e->Redo() && !e->IsModified());
    // A preset is the unit's own: its steps never mark anything unsaved.
    e->Step({StepKind::PresetName, 1}, [&] { e->presets.SetNameText("Hall"); });
    QVERIFY(!e->IsModified() && e->history.Size() == 2 && e->Undo() && !e->IsModified());
  }

  void importStartsANewHistoryUnlessItReadNothing() {
    auto e = Imported();
    Volume(*e, 1, -60);
    e->KeepForImport();
    e->ResetModel();
    QVERIFY(!e->history.CanUndo());
    e->RestoreKept();
    QVERIFY(e->Undo() && e->Redo());
    e->KeepForImport();
    e->ImportFileText(test::ExampleText("full-16x192.zem"), "again.zem");
    QVERIFY(!e->history.CanUndo() && !e->history.CanRedo());
  }
};

QTEST_GUILESS_MAIN(TestEditHistory)
#include "test_edit_history.moc"
