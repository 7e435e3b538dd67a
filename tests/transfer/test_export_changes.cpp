// File > Export Changes against the simulated unit over TCP and a pty: what
// the unit is known to hold, and the changes alone bringing it to the edit.
#include <QTest>

#include "support/example_file.h"
#include "support/transfer_rig.h"

using namespace zem;
using namespace zem::test;

namespace {

// An edit on each page, through the page's logic where it has one. In the
// generated configuration sources 2 and 3 of zone 1 are not restricted.
const std::pair<const char*, void (*)(Editor&)> kEdits[] = {
    {"zone EQ",
     [](Editor& e) {
       e.zoneAudio.ZoneChosen(2);
       e.zoneAudio.DSPModeChosen(static_cast<int>(DspMode::Equalizer));
       for (int b = 1; b <= kBands; ++b)
         e.zoneAudio.SetBandPosition(b, e.zoneAudio.BandPosition(b) == b ? -b : b);
     }},
    {"zone names",
     [](Editor& e) {
       for (int z = 1; z <= 10; ++z) e.SetName(NameTable::Zones, z, "Hall " + std::to_string(z));
     }},
    {"favorite cell",
     [](Editor& e) {
       const Route held = e.model.unit.FavoriteStore.Cell(e.model.screen.CurrentFavorite, 2, 1);
       e.favorites.ConnectCell(2, 1, held == Route::Audio ? Route::Video : Route::Audio);
     }},
    {"restriction added", [](Editor& e) { e.matrix.RestrictionCellDoubleClicked(3, 1); }},
    {"restrictions cleared", [](Editor& e) { e.matrix.ClearAllRestrictions(); }},
    {"group mark and name",
     [](Editor& e) {
       e.matrix.GroupCellDoubleClicked(2, 5);
       e.model.unit.GroupNames[2] = "Upstairs";
     }},
};

const UnitConfiguration* Known(Rig& rig) { return rig.editor.unitBaseline.For(rig.ctl.LinkKey()); }

// A whole import from the unit is what tells what it holds.
bool Import(Rig& rig) {
  rig.ctl.ImportConfiguration();
  return Known(rig) != nullptr;
}

}  // namespace

class TestExportChanges : public QObject {
  Q_OBJECT

 private slots:
  // What the unit is known to hold after what follows a whole import from it
  // ("export" and "changes" after an edit). Export Changes taken: importing
  // again gives the same export as the edited configuration.
  void unitFollowsTheExports_data() {
    QTest::addColumn<bool>("serial");
    QTest::addColumn<int>("edit");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("known");
    for (const bool serial : {false, true})
      for (int edit = 0; edit < static_cast<int>(std::size(kEdits)); ++edit)
        QTest::addRow("%s, %s", serial ? "serial" : "telnet", kEdits[edit].first)
            << serial << edit << QString("changes") << QString() << true;
    const auto row = [](const char* name, const char* action, const char* fault, bool known) {
      QTest::newRow(name) << (action == std::string("port lost")) << 1 << QString(action) << QString(fault)
                          << known;
    };
    row("import without end marker", "import", "no end marker", false);
    row("serial port lost", "port lost", "", false);
    row("File Mode and back", "file mode", "", false);
    // A unit restarted or replaced answers at the same address.
    row("same host again", "same host", "", false);
    row("another host", "other host", "", false);
    row("file imported", "file import", "", false);
    row("export taken", "export", "", true);
    row("export with one (ERROR)", "export", "refuse", false);
    row("export cancelled", "export", "cancel", false);
    row("export unanswered", "export", "hang", false);
    row("export silent before any command", "export", "silent", true);
    row("changes with one (ERROR)", "changes", "refuse", false);
    row("changes refused by the read-back check", "changes", "bad name", true);
  }
  void unitFollowsTheExports() {
    QFETCH(bool, serial);
    QFETCH(int, edit);
    QFETCH(QString, action);
    QFETCH(QString, fault);
    QFETCH(bool, known);
    if (serial && !kSimHasPty) QSKIP(kNoPty);
    SimOptions served;
    served.configLines = GenerateConfiguration(6, 16);
    Rig rig(served);
    QVERIFY(serial ? rig.UseSerial() : rig.UseTelnet());
    QVERIFY(Import(rig));
    const UnitConfiguration imported = rig.editor.model.unit;
    // Nothing changed: it says so, and the unit hears nothing.
    rig.ctl.ExportChanges();
    QCOMPARE(rig.statuses.back(), std::string(" No changes to export"));
    QVERIFY(rig.sim.Recorded().empty());
    const bool edits = action == "export" || action == "changes";
    if (edits) kEdits[edit].second(rig.editor);
    const UnitConfiguration edited = rig.editor.model.unit;

    SimOptions& unit = rig.sim.Options();
    rig.ctl.SetWaitLimitMs(300);
    unit.noEndMarker = fault == "no end marker";
    unit.silent = fault == "silent";
    if (fault == "refuse") unit.refuseCommands = {rig.sim.CommandsReceived() + 2};
    connect(&rig.sim, &UnitSim::CommandRecorded, &rig.ctl, [&] {
      if (fault == "cancel") rig.ctl.Cancel();
      unit.silent |= fault == "hang";
    });
    if (fault == "bad name") rig.editor.model.unit.ZoneNames[2] = "[VO1R0]";
    if (action == "import") rig.ctl.ImportConfiguration();
    // Whatever answers on the port once it is back may be another unit.
    if (action == "port lost") rig.sim.ClosePty();
    QTRY_VERIFY(action != "port lost" || !rig.ctl.Serial().IsPortOpen());
    if (action == "file mode") rig.ctl.ChooseFileMode();
    if (action == "file mode" || action.endsWith("host")) {
      rig.prompts.hostAnswers.push_back(action == "other host" ? "127.0.0.2:1" : Host(rig.sim).toStdString());
      rig.ctl.ChooseTelnetMode();
    }
    if (action == "file import") rig.editor.ImportFileText(ZemFileText(served.configLines), "unit.zem");
    if (action == "export") rig.ctl.ExportConfiguration();
    if (action == "changes") rig.ctl.ExportChanges();

    QCOMPARE(Known(rig) != nullptr, known);
    const bool sentWhole = edits && fault.isEmpty();
    if (known) QVERIFY(WritesSameExport(*Known(rig), sentWhole ? edited : imported));
    // Edits stay unsaved unless the unit took them.
    QCOMPARE(rig.editor.IsModified(), edits && !sentWhole);
    if (action != "changes" || !fault.isEmpty()) return;

    QCOMPARE(rig.statuses.back(), (serial ? " Serial" : " Telnet") + std::string(" Export Complete"));
    const std::vector<std::string> sent = rig.sim.Recorded();
    QVERIFY(sent.size() < NonEmpty(BuildCommandSequence(edited)).size());
    QCOMPARE(sent.back(), std::string("[EC]"));
    // Memo3 shows what went, among the link's own messages.
    std::vector<std::string> shown = rig.editor.messageLog.Lines();
    std::erase_if(shown, [](const std::string& line) { return !line.starts_with('['); });
    QCOMPARE(shown, sent);
    QVERIFY(Import(rig));
    QCOMPARE(ZemFileText(BuildCommandSequence(rig.editor.model)), ZemFileText(BuildCommandSequence(edited)));
  }

  // A value no export writes (a band of a zone in another DSP mode) is no
  // change: the item is not offered for a run that would send nothing.
  void unwrittenValuesAreNoChange() {
    Editor e;
    e.ImportFileText(ExampleText("full-16x192.zem"), "full-16x192.zem");
    UnitBaseline known;
    known.Remember("telnet unit:23", e.model.unit);
    UnitConfiguration next = e.model.unit;
    int zone = 1;
    while (zone < next.ZoneCount && next.ZoneAudio[zone].DSPMode == static_cast<int>(DspMode::Equalizer))
      ++zone;
    QVERIFY(next.ZoneAudio[zone].DSPMode != static_cast<int>(DspMode::Equalizer));
    next.ZoneAudio[zone].Band[1] += 1;
    QCOMPARE(known.StateFor("telnet unit:23", next), ChangesState::NothingChanged);
    next.ZoneNames[zone] = "Hall";
    QCOMPARE(known.StateFor("telnet unit:23", next), ChangesState::Ready);
  }
};

QTEST_MAIN(TestExportChanges)
#include "test_export_changes.moc"
