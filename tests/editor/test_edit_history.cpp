// Undo and redo without a window, on the full example: each kind of step,
// a random run against snapshots, the limits, the unsaved mark, imports.
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <fstream>
#include <functional>
#include <random>

#include "editor/editor.h"
#include "editor/options_logic.h"
#include "support/example_file.h"

using namespace zem;

namespace {

UnitConfiguration Pending(const Editor& e) { return e.model.unit; }

// Showing a zone brings its values into the controls' ranges, which is no
// edit: the two are compared as the zone audio page shows them.
bool SameAsShown(UnitConfiguration a, UnitConfiguration b) {
  for (UnitConfiguration* unit : {&a, &b})
    for (ZoneAudioRec& zone : unit->ZoneAudio) zone = ZoneAudioLogic::ThroughControls(zone, kPresets);
  return a == b;
}

// The zone, favorite or preset of a step, shown as the user goes there: no step.
void GoTo(Editor& e, const StepId& id) {
  if (ItemOf(id.kind) == StepItem::Zone) e.zoneAudio.ZoneChosen(id.item - 1);
  if (ItemOf(id.kind) == StepItem::Favorite) e.favorites.FavoriteChosen(id.item - 1);
  if (ItemOf(id.kind) == StepItem::Preset) e.presets.PresetChosen(id.item - 1);
}

// One step as its control makes it: `set` once per value, all the values
// (a slider's keys, a field's characters) one step.
struct StepCase {
  const char* name;
  StepId id;
  Page page;
  std::function<void(Editor&, int)> set;
  std::vector<int> values = {0};
};

const std::vector<StepCase>& Cases() {
  using enum StepKind;
  using enum Page;
  // clang-format off
  static const std::vector<StepCase> cases = {
    {"Rename Zone 6", {RenameZone, 6}, SourceZoneNaming,
     [](Editor& e, int) { e.model.unit.ZoneNames[6] = "Patio"; }},
    {"Rename Group 4", {RenameGroup, 4}, FavoriteGroupNaming,
     [](Editor& e, int) { e.model.unit.GroupNames[4] = "Up"; }},
    {"Route Zone 12 in Favorite 2", {FavoriteCell, 2, 12}, Favorites,
     [](Editor& e, int) { e.favorites.CellDoubleClicked(5, 12); }},
    {"Groups of Zone 12", {GroupCell, 12}, Groups,
     [](Editor& e, int) { e.matrix.GroupCellDoubleClicked(4, 12); }},
    // Favorite 3 routes source 16 to zone 12: undo gives the routing back.
    {"Restrictions of Zone 12", {RestrictionCell, 12}, Restrictions,
     [](Editor& e, int) { e.matrix.RestrictionCellDoubleClicked(16, 12); }},
    {"Restrict All", {RestrictAll}, Restrictions, [](Editor& e, int) { e.matrix.RestrictAll(); }},
    {"Clear All", {ClearAll}, Restrictions, [](Editor& e, int) { e.matrix.ClearAllRestrictions(); }},
    {"Volume of Zone 12", {Volume, 12}, ZoneAudioControls,
     [](Editor& e, int p) { e.zoneAudio.SetVolumePosition(p); }, {-41, -42, -43}},
    {"DSP Mode of Zone 5", {DspMode, 5}, ZoneAudioControls,
     [](Editor& e, int) { e.zoneAudio.DSPModeChosen(4); }},
    {"System EQ of Zone 5", {SystemEQ, 5}, ZoneAudioControls,
     [](Editor& e, int) { e.SystemEQPresetChosen(7); }},
    {"Quick EQ of Zone 9", {ZoneQuickEQ, 9}, ZoneAudioControls,
     [](Editor& e, int) { e.quickEQZoneList.Select(0); e.ZoneQuickEQChosen(); }},
    {"Band 3 of Preset 2", {PresetBand, 2, 3}, EQPresets,
     [](Editor& e, int p) { e.presets.SetBandPosition(3, p); }, {6, 7}},
    {"Rename Preset 2", {PresetName, 2}, EQPresets, [](Editor& e, int) { e.presets.SetNameText("Jazz"); }},
    {"IP Address", {IPAddress}, Options,
     [](Editor& e, int n) { e.model.unit.Options.IPAddress += std::to_string(n); }, {1, 0}},
    {"Display Brightness", {DisplayLevel}, Options,
     [](Editor& e, int p) { DisplayLevelChanged(e.model, p); }, {2, 3}},
  };
  // clang-format on
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
    const ScreenState& s = e->model.screen;
    const auto shown = [&] {
      return std::array{s.CurrentZone, s.ZoneList.Selected, s.CurrentFavorite, s.FavoriteList.Selected,
                        s.PresetList.Selected};
    };
    // Looking at another page, zone, favorite or preset is no step.
    const auto lookElsewhere = [&] {
      e->PageChosen(Page::ConfigurationFile);
      for (const StepKind kind : {StepKind::Volume, StepKind::FavoriteCell, StepKind::PresetName})
        GoTo(*e, {kind, 1});
    };
    lookElsewhere();
    GoTo(*e, c.id);
    const UnitConfiguration before = Pending(*e);
    for (const int value : c.values) {
      e->BeginStep(c.id);
      c.set(*e, value);
    }
    e->EndStep();
    const UnitConfiguration after = Pending(*e);
    const auto shownAtStep = shown();
    QVERIFY(before != after);
    for (const bool redo : {false, true}) {
      lookElsewhere();
      QCOMPARE(e->history.Size(), std::size_t{1});
      QCOMPARE(StepName(*(redo ? e->history.RedoStep() : e->history.UndoStep())), std::string(c.name));
      QVERIFY(redo ? e->Redo() : e->Undo());
      QVERIFY(Pending(*e) == (redo ? after : before));
      // Both show the page and the item of the step.
      QCOMPARE(e->ActivePage(), c.page);
      QVERIFY(shown() == shownAtStep);
    }
  }

  // The kinds of step the cases above do not make: their names, pages and
  // what undo chooses, as docs/controls.md lists them.
  void otherStepsNamePageAndItem_data() {
    QTest::addColumn<StepId>("id");
    QTest::addColumn<Page>("page");
    QTest::addColumn<StepItem>("item");
    using enum StepKind;
    using enum Page;
    const auto row = [](const char* name, StepId id, Page page, StepItem item) {
      QTest::newRow(name) << id << page << item;
    };
    row("Rename Source 2", {RenameSource, 2}, SourceZoneNaming, StepItem::PageOnly);
    row("Rename Favorite 3", {RenameFavorite, 3}, FavoriteGroupNaming, StepItem::PageOnly);
    row("Band 3 of Zone 12", {Band, 12, 3}, ZoneAudioControls, StepItem::Zone);
    row("Bass of Zone 12", {Bass, 12}, ZoneAudioControls, StepItem::Zone);
    row("Treble of Zone 12", {Treble, 12}, ZoneAudioControls, StepItem::Zone);
    row("Balance of Zone 12", {Balance, 12}, ZoneAudioControls, StepItem::Zone);
    row("Lowpass of Zone 12", {Lowpass, 12}, ZoneAudioControls, StepItem::Zone);
    row("Quick EQ of Preset 2", {PresetQuickEQ, 2}, EQPresets, StepItem::Preset);
    row("DHCP", {Dhcp}, Options, StepItem::PageOnly);
    row("Netmask", {Netmask}, Options, StepItem::PageOnly);
    row("Gateway", {Gateway}, Options, StepItem::PageOnly);
    row("Front Panel Lock", {FrontPanelLock}, Options, StepItem::PageOnly);
    row("IR Lockout", {IRLockout}, Options, StepItem::PageOnly);
  }
  void otherStepsNamePageAndItem() {
    QFETCH(StepId, id);
    QFETCH(Page, page);
    QFETCH(StepItem, item);
    QCOMPARE(StepName(id), std::string(QTest::currentDataTag()));
    QCOMPARE(PageOf(id.kind), page);
    QCOMPARE(ItemOf(id.kind), item);
  }

  void randomEditsAndUndosMatchSnapshots() {
    auto e = Imported();
    std::mt19937 random(25);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::vector<UnitConfiguration> snapshots{Pending(*e)};
    std::size_t done = 0;  // the configuration is snapshots[done]
    for (int round = 0; round < 300; ++round) {
      const int choice = pick(10), zone = pick(kZones) + 1, source = pick(kSources) + 1;
      const bool redo = choice >= 2;
      if (choice < 4 && (redo ? done + 1 < snapshots.size() : done > 0)) {
        QVERIFY(redo ? e->Redo() : e->Undo());
        done = redo ? done + 1 : done - 1;
      } else {
        e->zoneAudio.ZoneChosen(zone - 1);
        e->favorites.FavoriteChosen(pick(kFavorites));
        e->Step({StepKind::Volume, round}, [&, edit = pick(4)] {
          if (edit == 0) e->zoneAudio.SetVolumePosition(-pick(80));
          if (edit == 1) e->matrix.RestrictionCellDoubleClicked(source, zone);
          if (edit == 2) e->favorites.CellDoubleClicked(source, zone);
          if (edit == 3) e->matrix.GroupCellDoubleClicked(source % kGroups + 1, zone);
        });
        // An edit that changed nothing (a restricted favorite cell) is no step.
        if (e->history.Done() == done) continue;
        snapshots.resize(++done);
        snapshots.push_back(Pending(*e));
      }
      QCOMPARE(e->history.Done(), done);
      QVERIFY2(SameAsShown(Pending(*e), snapshots[done]), qPrintable(QString("round %1").arg(round)));
    }
  }

  void keepsTheLast500StepsOnly() {
    auto e = Imported();
    std::vector<UnitConfiguration> snapshots{Pending(*e)};
    for (int n = 1; n <= 510; ++n) {
      e->Step({StepKind::Volume, 1}, [&] { e->zoneAudio.SetVolumePosition(-(n % 3) - 1); });
      snapshots.push_back(Pending(*e));
    }
    for (int n = 0; n < 500; ++n) QVERIFY(e->Undo());
    QVERIFY(!e->Undo());
    QVERIFY(Pending(*e) == snapshots[10]);
    // A smaller memory budget drops the steps furthest away, never all.
    e->history.SetLimits(EditHistory::kMaxSteps, 1);
    QCOMPARE(e->history.Size(), std::size_t{1});
    QVERIFY(e->Redo() && Pending(*e) == snapshots[11]);
  }

  void unsavedMarkFollowsUndoAndRedoAnImportStartsAfresh() {
    auto e = Imported();
    e->Step({StepKind::Volume, 1}, [&] { e->zoneAudio.SetVolumePosition(-60); });
    QVERIFY(e->IsModified() && e->Undo() && !e->IsModified() && e->Redo() && e->IsModified());
    e->PrepareExport();
    e->MarkExported();  // keeps the history; the mark now follows the export
    QVERIFY(!e->IsModified() && e->Undo() && e->IsModified() && e->Redo() && !e->IsModified());
    // A preset is the unit's own: its steps never mark anything unsaved.
    e->Step({StepKind::PresetName, 1}, [&] { e->presets.SetNameText("Hall"); });
    QVERIFY(!e->IsModified() && e->history.Size() == 2 && e->Undo() && !e->IsModified());
    e->KeepForImport();
    e->ImportFileText(test::ExampleText("full-16x192.zem"), "again.zem");
    QVERIFY(!e->history.CanUndo() && !e->history.CanRedo());
  }
};

QTEST_GUILESS_MAIN(TestEditHistory)
#include "test_edit_history.moc"
