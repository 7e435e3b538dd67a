// The File menu's mode items and what Import and Export do around them.
#include <QTest>
#include <QTimer>

#include "support/transfer_rig.h"

using namespace zem;
using namespace zem::test;
using Mode = TransferController::Mode;
using Outcome = TransferController::Outcome;

class TestTransferModes : public QObject {
  Q_OBJECT

 private slots:
  void startsInFileMode() {
    Rig rig;
    QCOMPARE(rig.ctl.CheckedMode(), Mode::File);
    QVERIFY(!rig.ctl.Busy());
    QVERIFY(!rig.ctl.Serial().IsPortOpen());
  }

  void fileModeClearsBothTextsAndClosesThePort() {
    Rig rig;
    QVERIFY(rig.UseSerial());
    int changes = 0;
    QObject::connect(&rig.ctl, &TransferController::ModeChanged, [&] { ++changes; });
    // The log's line for the command refers to the received line.
    rig.editor.ImportFileText("[NS1\"Tuner\"]\r\nx\r\n", "a.zem");
    QVERIFY(rig.editor.messageLog.LineCount() > 0);
    rig.ctl.ChooseFileMode();
    QCOMPARE(changes, 1);
    QCOMPARE(rig.ctl.CheckedMode(), Mode::File);
    QCOMPARE(rig.editor.receivedText.LineCount(), std::size_t{0});
    QCOMPARE(rig.editor.messageLog.LineCount(), std::size_t{0});
    QVERIFY(!rig.ctl.Serial().IsPortOpen());
  }

  void serialModeAsksForThePortEachTime() {
    Rig rig;
    QVERIFY(rig.UseSerial());
    QCOMPARE(rig.editor.messageLog.Lines(),
             std::vector<std::string>{"Please make sure the ZEM is set to 9600 bps."});
    rig.prompts.portAnswers.push_back(rig.sim.PtyPath());
    rig.ctl.ChooseSerialMode();
    QCOMPARE(rig.prompts.portQuestions.size(), std::size_t{2});
    QVERIFY(rig.ctl.Serial().IsPortOpen());
    QCOMPARE(rig.ctl.CheckedMode(), Mode::Serial);
    QVERIFY(rig.prompts.errors.empty());
  }

  void cancelledPortChooserIsAnError() {
    Rig rig;
    rig.ctl.ChooseSerialMode();  // no answer scripted: Cancel
    QCOMPARE(rig.prompts.errors, std::vector<std::string>{"No serial port selected"});
    QCOMPARE(ErrorBoxText(rig.prompts.errors[0]), std::string("No serial port selected."));
    QCOMPARE(rig.ctl.CheckedMode(), Mode::Serial);
    QVERIFY(!rig.ctl.Serial().IsPortOpen());
    QCOMPARE(rig.editor.messageLog.Lines(),
             std::vector<std::string>{"Please make sure the ZEM is set to 9600 bps."});

    // Import asks again; cancelled again it ends with the model reset.
    rig.ctl.ImportConfiguration();
    QCOMPARE(rig.prompts.portQuestions.size(), std::size_t{2});
    QCOMPARE(rig.prompts.errors.size(), std::size_t{2});
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Failed);
    QVERIFY(!rig.editor.PagesEnabled());
    QCOMPARE(rig.editor.model.unit.SourceCount, -1);
    QCOMPARE(rig.editor.receivedText.LineCount(), std::size_t{0});
  }

  // The host and the device are offered again after a restart, and only
  // offered: the program still starts in File Mode.
  void hostAndPortAreRememberedAndOffered() {
    struct : SettingsStore {
      RememberedValues kept{"10.9.8.7:2323", "/dev/ttyREMEMBERED", {}};
      RememberedValues Load() override { return kept; }
      void Save(const RememberedValues& values) override { kept = values; }
    } store;
    Rig rig;
    rig.ctl.UseSettingsStore(&store);
    QCOMPARE(rig.ctl.CheckedMode(), Mode::File);
    QVERIFY(rig.UseTelnet());
    QCOMPARE(rig.prompts.hostQuestions.back().initialText, std::string("10.9.8.7:2323"));
    QCOMPARE(store.kept.telnetHost, "127.0.0.1:" + std::to_string(rig.sim.TcpPort()));
    rig.prompts.portAnswers.push_back("/dev/no-such-port-here");
    rig.ctl.ChooseSerialMode();  // a port that does not open is not remembered
    QVERIFY(rig.UseSerial());
    QCOMPARE(rig.prompts.portOffers, std::vector<std::string>(2, "/dev/ttyREMEMBERED"));
    QCOMPARE(store.kept.serialDevice, rig.sim.PtyPath());
  }

  void portThatCannotOpenIsAnError() {
    Rig rig;
    rig.prompts.portAnswers.push_back("/dev/no-such-port-here");
    rig.ctl.ChooseSerialMode();
    QCOMPARE(rig.prompts.errors.size(), std::size_t{1});
    QVERIFY(rig.prompts.errors[0].rfind("Cannot open serial port /dev/no-such-port-here: ", 0) == 0);
    QVERIFY(!rig.ctl.Serial().IsPortOpen());
    QCOMPARE(rig.ctl.CheckedMode(), Mode::Serial);
  }

  void telnetModeAsksForTheHost() {
    Rig rig;
    QVERIFY(rig.UseSerial());
    rig.prompts.hostAnswers.push_back("10.0.0.7");
    rig.ctl.ChooseTelnetMode();
    QVERIFY(!rig.ctl.Serial().IsPortOpen());
    QCOMPARE(rig.ctl.CheckedMode(), Mode::Telnet);
    QCOMPARE(rig.editor.messageLog.Lines(), std::vector<std::string>{"Using host: 10.0.0.7"});
    QCOMPARE(rig.prompts.hostQuestions.back().caption, std::string("Enter the address for the ZEM4100"));
    QCOMPARE(rig.prompts.hostQuestions.back().prompt, std::string("Hostname or IP Address: "));
    QCOMPARE(rig.prompts.hostQuestions.back().initialText, std::string());
    QCOMPARE(rig.ctl.Telnet().Host, std::string("10.0.0.7"));

    // Reopened, it shows the host chosen before; Cancel or an empty field
    // leave no mode checked and the host as it was.
    rig.ctl.ChooseTelnetMode();
    QCOMPARE(rig.prompts.hostQuestions.back().initialText, std::string("10.0.0.7"));
    QCOMPARE(rig.ctl.CheckedMode(), Mode::None);
    QCOMPARE(rig.editor.messageLog.Lines(), std::vector<std::string>{"No host entered.  Telnet disabled."});
    rig.prompts.hostAnswers.push_back(std::string());
    rig.ctl.ChooseTelnetMode();
    QCOMPARE(rig.ctl.CheckedMode(), Mode::None);
    QCOMPARE(rig.editor.messageLog.Lines(), std::vector<std::string>{"No host entered.  Telnet disabled."});
    QCOMPARE(rig.ctl.Telnet().Host, std::string("10.0.0.7"));
    QVERIFY(rig.prompts.errors.empty());
  }

  void withNoModeImportAndExportDoNothing() {
    Rig rig;
    rig.editor.ImportFileText(ZemFileText(GenerateConfiguration(2, 3)), "x.zem");
    const std::string exportBefore = ZemFileText(BuildCommandSequence(rig.editor.model));
    rig.ctl.ChooseTelnetMode();  // cancelled: no mode
    const std::string chooseMode = " No mode chosen: choose File, Serial or Telnet Mode in the File menu";
    QCOMPARE(rig.editor.status.Text(), chooseMode);
    const std::vector<std::string> log = rig.editor.messageLog.Lines();
    rig.editor.status.Set(" Import Complete");
    rig.ctl.ImportConfiguration();
    QCOMPARE(rig.editor.status.Text(), chooseMode);
    rig.editor.status.Set(" Import Complete");
    rig.ctl.ExportConfiguration();
    QCOMPARE(rig.editor.status.Text(), chooseMode);
    // Nothing was reset, read, shown or asked.
    QVERIFY(rig.prompts.errors.empty());
    QVERIFY(rig.prompts.openDialogs.empty() && rig.prompts.saveDialogs.empty());
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::None);
    QCOMPARE(rig.editor.messageLog.Lines(), log);
    QVERIFY(rig.editor.PagesEnabled());
    QCOMPARE(ZemFileText(BuildCommandSequence(rig.editor.model)), exportBefore);
  }

  void serialExportWithThePortClosedAsksForAPort() {
    Rig rig;
    rig.editor.ImportFileText(ZemFileText(GenerateConfiguration(2, 3)), "x.zem");
    rig.ctl.ChooseSerialMode();  // chooser cancelled: port closed
    rig.prompts.errors.clear();
    rig.editor.status.Set(" Serial Export Complete");  // as an earlier export left it
    // No port chosen, then one that cannot be opened: each fails visibly.
    rig.prompts.portAnswers.push_back(std::nullopt);
    rig.prompts.portAnswers.push_back(std::string("/nonexistent/ttyZEM"));
    for (int attempt = 0; attempt < 2; ++attempt) {
      rig.ctl.ExportConfiguration();
      QCOMPARE(rig.prompts.portQuestions.size(), std::size_t(2 + attempt));
      QCOMPARE(rig.prompts.errors.size(), std::size_t(1 + attempt));
      QCOMPARE(rig.ctl.LastOutcome(), Outcome::Failed);
      QCOMPARE(rig.ctl.LinesSent(), 0);
      QCOMPARE(rig.editor.status.Text(), std::string(" Export failed"));
    }
    QCOMPARE(rig.prompts.errors[0], std::string("No serial port selected"));
    QVERIFY(!rig.ctl.Serial().IsPortOpen());

    // A port lost by a hang-up is opened again by the next export.
    SimOptions o;
    o.configLines = GenerateConfiguration(2, 3);
    UnitSim sim(o);
    std::string error;
    QVERIFY(sim.OpenPty(&error));
    rig.prompts.portAnswers.push_back(sim.PtyPath());
    rig.ctl.ChooseSerialMode();
    QVERIFY(rig.ctl.Serial().IsPortOpen());
    const std::size_t asked = rig.prompts.portQuestions.size();
    rig.ctl.Serial().ClosePort();
    rig.ctl.ExportConfiguration();
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Completed);
    QCOMPARE(sim.Recorded(), NonEmpty(BuildCommandSequence(rig.editor.model)));
    QCOMPARE(rig.prompts.portQuestions.size(), asked);  // the known port, not asked again
  }

  void busyRefusesModeChangesAndCloseCancels() {
    SimOptions o;
    o.configLines = GenerateConfiguration(2, 3);
    o.noEndMarker = true;
    Rig rig(o);
    QVERIFY(rig.UseTelnet());
    std::vector<bool> busy;
    QObject::connect(&rig.ctl, &TransferController::BusyChanged, [&](bool b) { busy.push_back(b); });
    QTimer::singleShot(200, [&] {
      rig.ctl.ChooseSerialMode();
      rig.ctl.ChooseTelnetMode();
      rig.ctl.WindowClosing();
    });
    rig.ctl.ImportConfiguration();
    QCOMPARE(busy, (std::vector<bool>{true, false}));
    QCOMPARE(rig.ctl.CheckedMode(), Mode::Telnet);
    QVERIFY(rig.prompts.portQuestions.empty());
    QCOMPARE(rig.prompts.hostQuestions.size(), std::size_t{1});
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Cancelled);
    QVERIFY(!rig.ctl.Telnet().IsConnected());
    // Cancel with nothing running does nothing.
    rig.ctl.Cancel();
    QVERIFY(!rig.ctl.Busy());
  }
};

QTEST_GUILESS_MAIN(TestTransferModes)
#include "test_transfer_modes.moc"
