// File > Export Changes against the simulated unit over TCP and a
// pseudo-terminal: what the unit is known to hold, and the changes alone
// bringing it to the edited configuration.
#include <QTest>

#include "support/transfer_rig.h"

using namespace zem;
using namespace zem::test;
using Outcome = TransferController::Outcome;

namespace {

SimOptions Serving() {
  SimOptions o;
  o.configLines = GenerateConfiguration(6, 16);
  return o;
}

// An edit on each page, through the page's logic where it has one. In the
// generated configuration sources 2 and 3 of zone 1 are not restricted.
using EditFunction = void (*)(Editor&);
const std::pair<const char*, EditFunction> kEdits[] = {
    {"zone EQ",
     [](Editor& e) {
       e.zoneAudio.ZoneChosen(2);
       e.zoneAudio.DSPModeChosen(static_cast<int>(DspMode::Equalizer));
       for (int b = 1; b <= kBands; ++b)
         e.zoneAudio.SetBandPosition(b, e.zoneAudio.BandPosition(b) == b ? -b : b);
     }},
    {"zone names",
     [](Editor& e) {
       for (int z = 1; z <= 10; ++z) e.model.unit.ZoneNames[z] = "Hall " + std::to_string(z);
       e.revision.Bump();
     }},
    {"favorite cell",
     [](Editor& e) {
       e.favorites.ConnectCell(2, 1, e.model.screen.FavoritesGrid.Cell(2, 1) == "A" ? "V" : "A");
     }},
    {"restriction added", [](Editor& e) { e.matrix.RestrictionCellDoubleClicked(3, 1); }},
    {"restrictions cleared", [](Editor& e) { e.matrix.ClearAllRestrictions(); }},
    {"group mark and name",
     [](Editor& e) {
       e.matrix.GroupCellDoubleClicked(2, 5);
       e.model.unit.GroupNames[2] = "Upstairs";
     }},
};

bool ImportFromUnit(Rig& rig) {
  rig.ctl.ImportConfiguration();
  return rig.ctl.LastOutcome() == Outcome::Completed;
}

const UnitConfiguration* Known(Rig& rig) { return rig.editor.unitBaseline.For(rig.ctl.LinkKey()); }

}  // namespace

class TestExportChanges : public QObject {
  Q_OBJECT

 private slots:
  // What the unit is known to hold after what follows a whole import from it.
  void baselineFollowsWhatTheUnitHolds_data() {
    QTest::addColumn<QString>("action");  // "export" and "changes" after an edit
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("known");
    QTest::newRow("import again") << "import"
                                  << "" << true;
    QTest::newRow("import without end marker") << "import"
                                               << "no end marker" << false;
    QTest::newRow("import reads nothing") << "import"
                                          << "silent" << false;
    QTest::newRow("File Mode and back") << "file mode"
                                        << "" << false;
    QTest::newRow("same host again") << "same host"
                                     << "" << true;
    QTest::newRow("another host") << "other host"
                                  << "" << false;
    QTest::newRow("file imported") << "file import"
                                   << "" << false;
    QTest::newRow("export taken") << "export"
                                  << "" << true;
    QTest::newRow("export with one (ERROR)") << "export"
                                             << "refuse" << false;
    QTest::newRow("export cancelled") << "export"
                                      << "cancel" << false;
    QTest::newRow("export unanswered") << "export"
                                       << "silence after first" << false;
    QTest::newRow("export silent before any command") << "export"
                                                      << "silent" << true;
    QTest::newRow("changes taken") << "changes"
                                   << "" << true;
    QTest::newRow("changes with one (ERROR)") << "changes"
                                              << "refuse" << false;
    QTest::newRow("changes refused by the read-back check") << "changes"
                                                            << "bad name" << true;
  }
  void baselineFollowsWhatTheUnitHolds() {
    QFETCH(QString, action);
    QFETCH(QString, fault);
    QFETCH(bool, known);
    Rig rig(Serving());
    QVERIFY(rig.UseTelnet());
    QVERIFY(ImportFromUnit(rig));
    const UnitConfiguration imported = rig.editor.model.unit;
    const bool edits = action == "export" || action == "changes";
    if (edits) kEdits[1].second(rig.editor);
    const UnitConfiguration edited = rig.editor.ConfigurationToExport().unit;

    SimOptions& unit = rig.sim.Options();
    rig.ctl.SetWaitLimitMs(300);
    unit.noEndMarker = fault == "no end marker";
    unit.silent = fault == "silent";
    if (fault == "refuse") unit.refuseCommands = {rig.sim.CommandsReceived() + 2};
    if (fault == "cancel")
      connect(&rig.sim, &UnitSim::CommandRecorded, &rig.ctl, [&rig] { rig.ctl.Cancel(); });
    if (fault == "silence after first")
      connect(&rig.sim, &UnitSim::CommandRecorded, &rig.sim, [&unit] { unit.silent = true; });
    if (fault == "bad name") {
      rig.editor.model.unit.ZoneNames[2] = "[VO1R0]";
      rig.editor.revision.Bump();
    }
    if (action == "import") rig.ctl.ImportConfiguration();
    if (action == "file mode") rig.ctl.ChooseFileMode();
    if (action == "file mode" || action.endsWith("host")) {
      rig.prompts.hostAnswers.push_back(
          action == "other host" ? "127.0.0.2:1" : "127.0.0.1:" + std::to_string(rig.sim.TcpPort()));
      rig.ctl.ChooseTelnetMode();
    }
    if (action == "file import") rig.editor.ImportFileText(ZemFileText(Serving().configLines), "unit.zem");
    if (action == "export") rig.ctl.ExportConfiguration();
    if (action == "changes") rig.ctl.ExportChanges();

    QCOMPARE(Known(rig) != nullptr, known);
    const bool sentWhole = edits && fault.isEmpty();
    if (known) QVERIFY(*Known(rig) == (sentWhole ? edited : imported));
    // Edits stay unsaved unless the unit took them.
    QCOMPARE(rig.editor.IsModified(), edits && !sentWhole);
  }

  // Whatever answers on the port once it is back may be another unit.
  void lostSerialPortForgetsTheUnit() {
    Rig rig(Serving());
    QVERIFY(rig.UseSerial());
    QVERIFY(ImportFromUnit(rig));
    QVERIFY(Known(rig));
    rig.sim.ClosePty();
    QTRY_VERIFY(!rig.ctl.Serial().IsPortOpen());
    QVERIFY(!Known(rig));
  }

  // Import, edit, Export Changes, import again: the unit holds the edit.
  void changesBringTheUnitToTheEdit_data() {
    QTest::addColumn<bool>("serial");
    QTest::addColumn<int>("edit");
    for (const bool serial : {false, true})
      for (int edit = 0; edit < static_cast<int>(std::size(kEdits)); ++edit)
        QTest::addRow("%s, %s", serial ? "serial" : "telnet", kEdits[edit].first) << serial << edit;
  }
  void changesBringTheUnitToTheEdit() {
    QFETCH(bool, serial);
    QFETCH(int, edit);
    Rig rig(Serving());
    QVERIFY(serial ? rig.UseSerial() : rig.UseTelnet());
    QVERIFY(ImportFromUnit(rig));
    // Nothing changed: it says so, and the unit hears nothing.
    rig.ctl.ExportChanges();
    QCOMPARE(rig.statuses.back(), std::string(" No changes to export"));
    QVERIFY(rig.sim.Recorded().empty());

    const std::size_t fullCommands = NonEmpty(BuildCommandSequence(rig.editor.model)).size();
    kEdits[edit].second(rig.editor);
    QCOMPARE(rig.ctl.ExportChangesState(), ChangesState::Ready);
    const std::string expected = ZemFileText(BuildCommandSequence(rig.editor.ConfigurationToExport().unit));
    rig.ctl.ExportChanges();
    QCOMPARE(rig.statuses.back(),
             std::string(serial ? " Serial Export Complete" : " Telnet Export Complete"));
    const std::vector<std::string>& sent = rig.sim.Recorded();
    QVERIFY(sent.size() < fullCommands);
    QCOMPARE(sent.back(), std::string("[EC]"));
    // Memo3 shows what went, among the link's own messages.
    std::vector<std::string> shown;
    for (const std::string& line : rig.editor.messageLog.Lines())
      if (line.starts_with('[')) shown.push_back(line);
    QCOMPARE(shown, sent);

    QVERIFY(ImportFromUnit(rig));
    QCOMPARE(ZemFileText(BuildCommandSequence(rig.editor.model)), expected);
  }
};

QTEST_MAIN(TestExportChanges)
#include "test_export_changes.moc"
