// The import and export of a configuration without a window: what the
// window's File Mode import leaves in the model, the pages' lists and logs.
#include <QtTest>

#include <algorithm>
#include <functional>
#include <utility>
#include "command/command_writer.h"

#include "editor/editor.h"
#include "editor/options_logic.h"
#include "editor/read_back_check.h"
#include "support/route_letters.h"

using namespace zem;

namespace {

std::string Lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* l : lines) {
    text += l;
    text += "\r\n";
  }
  return text;
}

// Sources 1..s and zones 1..z named.
std::string Named(int sources, int zones) {
  std::string text;
  for (int s = 1; s <= sources; ++s)
    text += "[NI" + std::to_string(s) + "\"Src " + std::to_string(s) + "\"]\r\n";
  for (int z = 1; z <= zones; ++z)
    text += "[NO" + std::to_string(z) + "\"Room " + std::to_string(z) + "\"]\r\n";
  return text;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// An edit as a page makes it, and the edit that puts the value back by hand.
struct HandEdit {
  const char* name;
  bool exported;  // whether an export writes what it changes
  std::function<void(Editor&)> edit;
  std::function<void(Editor&)> undo;
};

// A change that has no page of its own, written through the editor, which
// moves the revision.
std::function<void(Editor&)> Changed(std::function<void(ConfigModel&)> change) {
  return [change = std::move(change)](Editor& e) {
    e.Change([&](ConfigModel& m) {
      change(m);
      return true;
    });
  };
}

const std::vector<HandEdit>& HandEdits() {
  static const std::vector<HandEdit> edits = {
      {"zone volume", true, [](Editor& e) { e.zoneAudio.SetVolumePosition(-40); },
       [](Editor& e) { e.zoneAudio.SetVolumePosition(-20); }},
      {"zone band", true, [](Editor& e) { e.zoneAudio.SetBandPosition(3, 4); },
       [](Editor& e) { e.zoneAudio.SetBandPosition(3, 0); }},
      // Showing zone 3 brings its values into the sliders' ranges: no edit.
      {"volume of a zone shown", true,
       [](Editor& e) {
         e.zoneAudio.ZoneChosen(2);
         e.zoneAudio.SetVolumePosition(-5);
       },
       [](Editor& e) { e.zoneAudio.SetVolumePosition(0); }},
      {"DSP mode", true, [](Editor& e) { e.zoneAudio.DSPModeChosen(3); },
       [](Editor& e) { e.zoneAudio.DSPModeChosen(1); }},
      {"restriction", true, [](Editor& e) { e.matrix.RestrictionCellDoubleClicked(2, 3); },
       [](Editor& e) { e.matrix.RestrictionCellDoubleClicked(2, 3); }},
      {"group member", true, [](Editor& e) { e.matrix.GroupCellDoubleClicked(4, 2); },
       [](Editor& e) { e.matrix.GroupCellDoubleClicked(4, 2); }},
      {"zone name", true, [](Editor& e) { e.SetName(NameTable::Zones, 2, "Den"); },
       [](Editor& e) { e.SetName(NameTable::Zones, 2, "Room 2"); }},
      {"display level", true, [](Editor& e) { e.options.SetDisplayLevel(2); },
       [](Editor& e) { e.options.SetDisplayLevel(0); }},
      {"source name", true, [](Editor& e) { e.SetName(NameTable::Sources, 3, "Tuner"); },
       [](Editor& e) { e.SetName(NameTable::Sources, 3, "Src 3"); }},
      {"front panel lock", true, [](Editor& e) { e.options.SetFlag(&OptionsRec::FrontPanelLock, true); },
       [](Editor& e) { e.options.SetFlag(&OptionsRec::FrontPanelLock, false); }},
      // The screen alone: even with the revision moved on, nothing to save.
      {"zone shown", false, [](Editor& e) { e.zoneAudio.ZoneChosen(3); }, nullptr},
      {"favorite marker", false, [](Editor& e) { e.favorites.CellClicked(2, 2); }, nullptr},
      {"display label", false, Changed([](ConfigModel& m) { m.screen.DisplayLabel = "Level:50%"; }), nullptr},
      {"grid label", false, Changed([](ConfigModel& m) { m.screen.RestrictionLabels.Cell(0, 2) = "Den"; }),
       nullptr},
      // The unit's own data, never exported.
      {"preset sliders", false,
       [](Editor& e) {
         e.presets.SetNameText("Hall");
         e.presets.SetBandPosition(3, -7);
         e.presets.PresetChosen(4);
       },
       nullptr},
      {"preset table", false, Changed([](ConfigModel& m) { m.unit.EQPresets[2].Band[1] = 9; }), nullptr},
      {"volume lock", false, Changed([](ConfigModel& m) { m.unit.VolumeLocks[1] = 1; }), nullptr},
  };
  return edits;
}

}  // namespace

class TestEditorImport : public QObject {
  Q_OBJECT

 private slots:
  void marksSourcesAndZonesTheUnitDoesNotHave() {
    Editor e;
    e.ImportFileText(Named(8, 24), "small.zem");
    const ConfigModel& m = e.model;
    QCOMPARE(m.unit.SourceCount, 8);
    QCOMPARE(m.unit.ZoneCount, 24);
    for (int z = 1; z <= 192; ++z) {
      for (int s = 1; s <= 16; ++s) {
        const bool unused = s > 8 || z > 24;
        QCOMPARE(test::ShownText(e.favorites, s, z) == "X", unused);
        QCOMPARE(m.unit.RestrictionMarks.Cell(s, z) == "X", unused);
      }
      for (int g = 1; g <= 10; ++g) QCOMPARE(m.unit.GroupMarks.Cell(g, z) == "X", z > 24);
    }
    QCOMPARE(m.screen.ZoneNameRows, 24);
    QCOMPARE(m.screen.SourceNameRows, 8);
    // The refresh at the end puts the zone names into the lists and labels.
    QCOMPARE(m.screen.ZoneList.Items.size(), std::size_t(24));
    QCOMPARE(m.screen.ZoneList.Items[2], std::string("Room 3"));
    QCOMPARE(m.screen.ZoneList.Selected, 0);
    QCOMPARE(m.screen.FavoriteLabels.Cell(0, 3), std::string("Room 3"));
    QCOMPARE(m.screen.GroupLabels.Cell(0, 24), std::string("Room 24"));
    QCOMPARE(m.screen.RestrictionLabels.Cell(0, 25), std::string("Zone 25"));
    QCOMPARE(m.screen.FavoriteList.Items, std::vector<std::string>(10));
    QVERIFY(e.PagesEnabled());
    QCOMPARE(e.status.Text(), std::string(" Import Complete"));
    QCOMPARE(e.messageLog.Line(e.messageLog.LineCount() - 1), std::string("Import Complete"));
  }

  void sparesTheHeadersWhenNothingWasNamed() {
    Editor e;
    e.ImportFileText(Lines({"[VO1R-5]", "just words", " [VO2R-5]", ""}), "none.zem");
    const ConfigModel& m = e.model;
    QCOMPARE(m.unit.SourceCount, -1);
    QCOMPARE(m.unit.ZoneCount, -1);
    for (int s = 1; s <= 16; ++s) QCOMPARE(m.screen.FavoriteLabels.Cell(s, 0), std::to_string(s));
    for (int g = 1; g <= 10; ++g) QCOMPARE(m.screen.GroupLabels.Cell(g, 0), std::to_string(g));
    QCOMPARE(m.screen.FavoriteLabels.Cell(0, 1), std::string("Zone 1"));
    QCOMPARE(m.screen.RestrictionLabels.Cell(0, 192), std::string("Zone 192"));
    QCOMPARE(test::ShownText(e.favorites, 1, 1), std::string("X"));
    QCOMPARE(m.screen.ZoneNameRows, 1);
    QVERIFY(m.screen.ZoneList.Items.empty());
    QVERIFY(!e.HasConfiguration());
    QVERIFY(e.PrepareExport().empty());
    // Only the command line reached the reader: the words and the line that
    // starts with a blank were skipped without a message.
    QCOMPARE(e.messageLog.LineCount(), 2u);
    QCOMPARE(e.messageLog.Line(0), std::string("Zone: 1 Volume: -5"));
  }

  void splitsFileTextAtEveryKindOfLineEnd() {
    Editor e;
    e.LoadReceivedText("a\rb\nc\r\n\r\nd");
    QCOMPARE(e.receivedText.LineCount(), 5u);
    QCOMPARE(e.receivedText.Line(2), std::string("c"));
    QCOMPARE(e.receivedText.Line(3), std::string());
    QCOMPARE(e.receivedText.Line(4), std::string("d"));
    e.LoadReceivedText("");
    QCOMPARE(e.receivedText.LineCount(), 0u);
  }

  void storesZoneOneBackWithinTheControlsRanges() {
    Editor e;
    e.ImportFileText(Named(2, 2) + Lines({"[EO1B1L12]", "[EO1B2L-30]", "[EO1M9]", "[VO1R-100]", "[BO1R90]",
                                          "[EO1P12]", "[EO2B1L12]", "[EO2M9]"}),
                     "clamp.zem");
    const ZoneAudioRec& z1 = e.model.unit.ZoneAudio[1];
    QCOMPARE(int(z1.Band[1]), 10);
    QCOMPARE(int(z1.Band[2]), -10);
    QCOMPARE(int(z1.DSPMode), -1);
    QCOMPARE(int(z1.SystemEQ), -1);
    QCOMPARE(int(z1.Volume), -80);
    QCOMPARE(int(z1.Balance), 80);
    QCOMPARE(z1.Lowpass, 40);  // -1 after the reset shows as 40
    QCOMPARE(int(z1.EQUsed), 1);
    // Zones not shown keep what the unit said.
    QCOMPARE(int(e.model.unit.ZoneAudio[2].Band[1]), 12);
    QCOMPARE(int(e.model.unit.ZoneAudio[2].DSPMode), 9);
    QCOMPARE(e.model.screen.SystemEQList.Items.size(), std::size_t(10));
  }

  // Showing a zone that holds values beyond the controls brings them into
  // range in the configuration, which is what an export writes, yet it is
  // nothing to save, undo or send as a change.
  void showingAZoneBeyondTheControlsIsNoEdit() {
    Editor e;
    e.ImportFileText(Named(2, 2) + Lines({"[VO2R-100]", "[BO2R90]", "[EO2M9]"}), "range.zem");
    e.unitBaseline.Remember("telnet unit", e.model.unit);
    const std::uint64_t imported = e.revision.Current();
    e.zoneAudio.ZoneChosen(1);
    const ZoneAudioRec& z2 = e.model.unit.ZoneAudio[2];
    QCOMPARE(int(z2.Volume), -80);
    QCOMPARE(int(z2.Balance), 80);
    QCOMPARE(int(z2.DSPMode), -1);
    QCOMPARE(e.revision.Current(), imported);
    QVERIFY(!e.IsModified());
    QVERIFY(!e.history.CanUndo());
    QVERIFY(e.unitBaseline.StateFor("telnet unit", e.model.unit) == ChangesState::NothingChanged);
    QVERIFY(Contains(e.PrepareExport(), "[VO2R-80]"));
    // An edit of it counts, and undoing it leaves nothing unsaved.
    e.Step({StepKind::Volume, 2}, [&] { e.zoneAudio.SetVolumePosition(-70); });
    QVERIFY(e.IsModified());
    QVERIFY(e.Undo());
    QCOMPARE(int(z2.Volume), -80);
    QVERIFY(!e.IsModified());
  }

  void handEditsMarkOnlyWhatAnExportWrites_data() {
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < HandEdits().size(); ++i)
      QTest::newRow(HandEdits()[i].name) << static_cast<int>(i);
  }
  void handEditsMarkOnlyWhatAnExportWrites() {
    QFETCH(int, row);
    const HandEdit& hand = HandEdits()[static_cast<std::size_t>(row)];
    Editor e;
    e.ImportFileText(Named(4, 4) + Lines({"[VO1R-20]", "[EO1M1]", "[NEP2\"Rock\"]"}), "u.zem");
    QVERIFY(!e.IsModified());
    const std::uint64_t imported = e.revision.Current();

    hand.edit(e);
    QCOMPARE(e.IsModified(), hand.exported);
    if (hand.undo) {
      hand.undo(e);
      QVERIFY(e.revision.Current() > imported + 1);
      QVERIFY(!e.IsModified());
      // Saved, edited and put back again: the mark follows the export.
      hand.edit(e);
      e.PrepareExport();
      e.MarkExported();
      QVERIFY(!e.IsModified());
      hand.undo(e);
      QVERIFY(e.IsModified());
    }
  }

  // What changes nothing through the editor leaves the configuration and
  // its revision as they were, whatever it names.
  void editsOfNothingLeaveTheRevision_data() {
    QTest::addColumn<int>("row");
    QTest::newRow("name 0") << 0;
    QTest::newRow("name past the table") << 1;
    QTest::newRow("the same name") << 2;
    QTest::newRow("a change that changed nothing") << 3;
  }
  void editsOfNothingLeaveTheRevision() {
    QFETCH(int, row);
    const std::function<void(Editor&)> edits[] = {
        [](Editor& e) { e.SetName(NameTable::Groups, 0, "Lobby"); },
        [](Editor& e) { e.SetName(NameTable::Zones, kZones + 1, "Lobby"); },
        [](Editor& e) { e.SetName(NameTable::Zones, 2, "Room 2"); },
        [](Editor& e) { QVERIFY(!e.Change([](ConfigModel&) { return false; })); },
    };
    Editor e;
    e.ImportFileText(Named(4, 4), "u.zem");
    const ConfigModel before = e.model;
    const std::uint64_t revision = e.revision.Current();
    edits[row](e);
    QCOMPARE(e.revision.Current(), revision);
    QVERIFY(e.model == before);
  }

  void unsavedChangesFollowTheConfigurationNotTheView() {
    Editor e;
    QVERIFY(!e.IsModified());
    e.ImportFileText(Named(4, 4) + Lines({"[F1AO2I3]", "[NEP2\"Rock\"]"}), "u.zem");
    QVERIFY(!e.IsModified());
    // Looking around changes nothing: pages, zones, favorites, presets, the marker.
    for (int page = 0; page < kPageCount; ++page) e.PageChosen(static_cast<Page>(page));
    e.zoneAudio.ZoneChosen(2);
    e.favorites.FavoriteChosen(4);
    e.favorites.CellClicked(2, 2);
    e.presets.PresetChosen(1);
    e.RefreshPages();
    QVERIFY(!e.IsModified());

    // Edits still held by a page's controls count at once, each one a new
    // revision; one undone by hand is no change.
    const int volume = e.zoneAudio.VolumePosition();
    const std::uint64_t start = e.revision.Current();
    e.zoneAudio.SetVolumePosition(volume - 5);
    QVERIFY(e.IsModified());
    e.zoneAudio.SetVolumePosition(volume);
    QCOMPARE(e.revision.Current(), start + 2);
    QVERIFY(!e.IsModified());
    e.PrepareExport();
    e.MarkExported();
    QVERIFY(!e.IsModified());
    e.favorites.CellDoubleClicked(3, 3);
    QVERIFY(e.IsModified());
    e.favorites.FavoriteChosen(0);  // stored into favorite 5: no further change
    QCOMPARE(e.revision.Current(), start + 3);

    // Presets are the unit's own data, never exported: their edits are no change.
    e.PrepareExport();
    e.MarkExported();
    e.presets.SetNameText("Hall");
    e.presets.SetBandPosition(3, -7);
    e.presets.PresetChosen(4);
    e.RefreshPages();
    QCOMPARE(e.model.unit.EQPresets[2].Name, std::string("Hall"));
    QVERIFY(!e.IsModified());

    // An export marks what it built: a change made while it ran stays unsaved.
    e.PrepareExport();
    e.matrix.RestrictionCellDoubleClicked(1, 1);  // a restriction
    e.MarkExported();
    QVERIFY(e.IsModified());
    e.PrepareExport();
    e.MarkExported();
    e.matrix.RestrictionCellDoubleClicked(9, 1);  // beyond the unit's sources: nothing changes
    QVERIFY(!e.IsModified());
    e.matrix.RestrictAll();
    e.PrepareExport();
    e.MarkExported();
    e.matrix.RestrictAll();  // already all restricted
    QVERIFY(!e.IsModified());

    // While an import runs nothing counts; what it replaced comes back whole.
    e.zoneAudio.SetVolumePosition(volume - 9);
    const ConfigModel before = e.model;
    e.KeepForImport();
    e.ResetModel();
    e.receivedText.AppendText("[NO1\"partial");
    QVERIFY(!e.IsModified());
    e.RestoreKept();
    QVERIFY(e.model == before);
    QCOMPARE(e.zoneAudio.VolumePosition(), volume - 9);
    QVERIFY(e.PagesEnabled());
    QVERIFY(e.receivedText.Text().find("partial") == std::string::npos);
    QVERIFY(e.IsModified());
    // An import that reads nothing leaves a saved configuration saved.
    e.PrepareExport();
    e.MarkExported();
    e.KeepForImport();
    e.ResetModel();
    e.RestoreKept();
    QVERIFY(!e.IsModified());
  }

  void presetModeSurvivesTheRefreshAndTheExport() {
    Editor e;
    e.ImportFileText(Named(1, 1) + Lines({"[EO1M2]", "[EO1P3]", "[NEP4\"Jazz\"]"}), "preset.zem");
    QCOMPARE(e.model.screen.SystemEQList.Selected, 3);
    QCOMPARE(e.model.screen.SystemEQList.Items[3], std::string("Jazz"));
    QCOMPARE(int(e.model.unit.ZoneAudio[1].SystemEQ), 3);
    QCOMPARE(e.zoneAudio.DSPModeList().Selected, 2);
    QVERIFY(Contains(e.PrepareExport(), "[EO1P3]"));
  }

  void restrictionsReachEveryFavoriteAndLeaveTheExport() {
    Editor e;
    e.ImportFileText(Named(4, 4) + Lines({"[RPO2I3]", "[F1AO2I3]", "[F7AO2AI3]", "[F1AO2I1]"}), "r.zem");
    for (int f = 1; f <= 10; ++f) QVERIFY(e.model.unit.FavoriteStore.Cell(f, 3, 2) == Route::Restricted);
    QCOMPARE(test::ShownText(e.favorites, 3, 2), std::string("R"));
    const std::vector<std::string> lines = e.PrepareExport();
    QVERIFY(Contains(lines, "[RPO2I3]"));
    QVERIFY(Contains(lines, "[F1AO2I1]"));
    QVERIFY(!Contains(lines, "[F1AO2I3]"));
    QVERIFY(!Contains(lines, "[F7AO2AI3]"));
    // Lifting the restriction leaves the pair unconnected everywhere.
    e.model.unit.RestrictionMark(2, 3).clear();
    e.RefreshPages();
    for (int f = 1; f <= 10; ++f) QVERIFY(e.model.unit.FavoriteStore.Cell(f, 3, 2) == Route::None);
    QCOMPARE(test::ShownText(e.favorites, 3, 2), std::string());
  }

  void anImportInheritsNothingFromTheOneBefore() {
    Editor e;
    e.ImportFileText(Named(2, 192) + Lines({"[EO150M4]", "[EO150LP200]", "[VO150R-30]", "[EO150P5]"}),
                     "a.zem");
    QCOMPARE(int(e.model.unit.ZoneAudio[150].DSPMode), 4);
    e.ImportFileText(Named(2, 192), "b.zem");
    ZoneAudioRec fresh;
    fresh.Lowpass = -1;
    QVERIFY(e.model.unit.ZoneAudio[150] == fresh);
    const std::vector<std::string> lines = e.PrepareExport();
    QVERIFY(!Contains(lines, "[VO150R-30]"));
  }

  void importingTheSameTextTwiceGivesTheSameModel() {
    const std::string text = Named(5, 30) + Lines({"[EO3M1]", "[EO3B4L-6]", "[G2AO7]", "[F3AO9VI2]", "[SD2]",
                                                   "[DHCP1]", "[IP10.1.1.1]", "[NEP2\"Rock\"]", "[EP2B3L4]"});
    Editor a;
    a.ImportFileText(text, "x.zem");
    Editor b;
    b.ImportFileText("[NO100\"Other\"]\r\n[EO50M3]\r\n", "y.zem");
    b.ImportFileText(text, "x.zem");
    // Zone names and presets of a previous import are kept until overwritten.
    QCOMPARE(b.model.unit.ZoneNames[100], std::string("Other"));
    b.model.unit.ZoneNames[100].clear();
    QVERIFY(a.model == b.model);
    QCOMPARE(a.messageLog.Lines(), b.messageLog.Lines());
  }

  void anExportReadBackGivesTheSameConfiguration() {
    const std::string text =
        Named(6, 12) + Lines({"[EO1M1]", "[EO1B10L-4]", "[EO2M3]", "[TO2B5T-7]", "[EO3M4]", "[EO3LP150]",
                              "[EO4M2]", "[EO4P6]", "[BO4L12]", "[RPO5I6]", "[G10AO12]", "[F10AO12AI1]",
                              "[F10AO12VI2]", "[NF3\"Party\"]", "[NG1\"Down\"]", "[FPL1]", "[SD3]"});
    Editor first;
    first.ImportFileText(text, "x.zem");
    const std::vector<std::string> exported = first.PrepareExport();
    Editor second;
    second.ImportFileText(ZemFileText(exported), "y.zem");
    QCOMPARE(second.PrepareExport(), exported);
    // The check agrees: nothing is lost or corrupt (the addresses, never
    // reported, are the placeholders, which a file keeps).
    QVERIFY(ProblemsWhere(CheckReadBack(first.model, exported), ExportTarget::File, true, true).empty());
  }

  // What only the model can hold (a window or build never lets it in) is
  // still named when it would not read back, each with its kind.
  void theCheckNamesWhatWouldNotReadBack() {
    Editor e;
    e.ImportFileText(Named(6, 12) + Lines({"[EO2M4]", "[IP10.0.0.1]", "[NI3\"a\tb\"]"}), "x.zem");
    e.model.unit.ZoneNames[6] = "X[EC]\r\n";
    e.model.unit.GroupNames[2] = "a\nb";
    e.model.unit.ZoneAudio[2].Lowpass = -1;  // no cut-off reported
    e.model.unit.Options.Netmask = "255[VO1R0]";
    std::vector<std::pair<std::string, FindingKind>> found;
    for (const ReadBackProblem& problem : CheckReadBack(e.model, e.PrepareExport()))
      found.emplace_back(problem.Text(), problem.kind);
    using enum FindingKind;
    const std::vector<std::pair<std::string, FindingKind>> expected = {
        {"source 3 name holds the control byte 0x09", Corruption},
        {"zone 2 lowpass -1 is negative and would not be read back", Loss},
        {"zone 6 name holds a line break", Corruption},
        {"group 2 name holds a line break", Corruption},
        {"Netmask holds \"[\"", Corruption},
        {"Netmask \"255[VO1R0]\" is not an IPv4 address", UnsoundForUnit},
        {"Gateway \"Gateway\" is not an IPv4 address", UnsoundForUnit}};
    QCOMPARE(found, expected);
  }

  void addressesAreDottedQuads_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("sound");
    for (const char* text : {"192.168.1.50", "0.0.0.0", "255.255.255.255", "010.1.1.1"})
      QTest::newRow(text) << QByteArray(text) << true;
    for (const char* text :
         {"", "IPAddress", "256.1.1.1", "1.2.3", "1.2.3.4.5", "1.2.3.4.", ".1.2.3", "1..2.3", " 1.2.3.4",
          "1.2.3.4 ", "1.2.3.a", "0001.2.3.4", "+1.2.3.4", "1.2.3.-4"})
      QTest::newRow(text[0] ? text : "empty") << QByteArray(text) << false;
  }

  void addressesAreDottedQuads() {
    QFETCH(QByteArray, text);
    QFETCH(bool, sound);
    QCOMPARE(IsDottedQuad(text.toStdString()), sound);
  }

  void aCountOfZeroStillExports() {
    Editor e;
    e.ImportFileText(Lines({"[NI0\"\"]", "[NO0\"\"]"}), "zero.zem");
    QCOMPARE(e.model.unit.SourceCount, 0);
    QCOMPARE(e.model.unit.ZoneCount, 0);
    QVERIFY(e.HasConfiguration());
    const std::vector<std::string> lines = e.PrepareExport();
    QCOMPARE(lines.front(), std::string("[SD0]"));
    QVERIFY(Contains(lines, "[RAR]"));
    QCOMPARE(lines.back(), std::string("[EC]"));
    QCOMPARE(e.messageLog.LineCount(), lines.size());
  }
};

QTEST_APPLESS_MAIN(TestEditorImport)
#include "test_editor_import.moc"
