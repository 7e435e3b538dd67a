// Import and export over a pseudo-terminal against the simulated unit.
#include <QSerialPort>
#include <QTest>
#include <QTimer>

#include "support/transfer_rig.h"

using namespace zem;
using namespace zem::test;
using Outcome = TransferController::Outcome;

namespace {

std::vector<std::string> Config() { return GenerateConfiguration(4, 12); }

std::vector<std::string> WithMarker(std::vector<std::string> lines) {
  lines.push_back("(QX)");
  return lines;
}

const char kNoMarker[] = "The unit's end marker \"(QX)\" never came; the configuration may be incomplete.";

}  // namespace

class TestSerialTransfer : public QObject {
  Q_OBJECT

 private slots:
  void importsLikeAFile_data() {
    QTest::addColumn<QString>("fault");
    QTest::newRow("well-behaved") << "";
    QTest::newRow("crlf") << "crlf";
    QTest::newRow("junk") << "junk";
    QTest::newRow("byte-per-write") << "byte";
    QTest::newRow("trailing-bytes") << "trailing";
  }
  void importsLikeAFile() {
    QFETCH(QString, fault);
    SimOptions o = Serving(Config());
    o.crlf = fault == "crlf";
    o.junk = fault == "junk";
    o.bytePerWrite = fault == "byte";
    o.trailingBytes = fault == "trailing";
    Rig rig(o);
    QVERIFY(rig.UseSerial());
    QCOMPARE(rig.editor.messageLog.Lines(),
             std::vector<std::string>{"Please make sure the ZEM is set to 9600 bps."});
    QCOMPARE(rig.prompts.portQuestions.size(), std::size_t{1});

    std::vector<std::string> receivedTextAtParse;
    rig.editor.status.SetOnChange([&](const std::string& text) {
      rig.statuses.push_back(text);
      if (text == " Parsing...") receivedTextAtParse = rig.editor.receivedText.Lines();
    });
    rig.ctl.ImportConfiguration();
    QVERIFY(rig.prompts.errors.empty());
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Completed);
    QCOMPARE(rig.sim.Queries(), 1);
    QCOMPARE(receivedTextAtParse, WithMarker(Config()));

    FileImport expected(receivedTextAtParse);
    QCOMPARE(ModelDifference(rig.editor.model, expected.editor.model), std::string());
    QCOMPARE(rig.editor.messageLog.Lines(), expected.editor.messageLog.Lines());
    QVERIFY(Contains(rig.statuses, " Importing 0 lines from serial port: " + rig.sim.PtyPath()));
    QCOMPARE(rig.statuses.back(), std::string(" Import Complete"));
    QVERIFY(rig.ctl.Serial().IsPortOpen());

    if (fault == "trailing") {
      // What came after "(QX)" was held back from the import and shows up
      // in receivedText afterwards.
      std::vector<std::string> after = WithMarker(Config());
      after.back() += kSimTrailingCommand;
      QVERIFY(QTest::qWaitFor([&] { return rig.editor.receivedText.Lines() == after; }, 5000));
      QVERIFY(!AnyContains(rig.editor.messageLog.Lines(), "TRAILING"));
    }
  }

  void pacedImportLosesNothing() {
    SimOptions o = Serving(GenerateConfiguration(2, 2));
    o.pace = true;
    o.junk = true;
    Rig rig(o);
    QVERIFY(rig.UseSerial());
    rig.ctl.ImportConfiguration();
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Completed);
    QCOMPARE(rig.editor.receivedText.Lines(), WithMarker(GenerateConfiguration(2, 2)));
  }

  void silenceEndsTheImportWithAWarning_data() {
    QTest::addColumn<bool>("silent");
    QTest::newRow("no end marker") << false;
    QTest::newRow("silent unit") << true;
  }
  void silenceEndsTheImportWithAWarning() {
    QFETCH(bool, silent);
    SimOptions o = Serving(Config());
    o.noEndMarker = true;
    o.silent = silent;
    Rig rig(o);
    QVERIFY(rig.UseSerial());
    rig.ctl.SetSerialInactivityMs(300);
    rig.ctl.ImportConfiguration();
    QVERIFY(rig.prompts.errors.empty());
    if (silent) {
      // Nothing came at all: nothing is imported and the editor stays as it was.
      QCOMPARE(rig.ctl.LastOutcome(), Outcome::NothingRead);
      QCOMPARE(rig.editor.messageLog.Lines(),
               (std::vector<std::string>{"Nothing was received from the unit.", kKept}));
      QVERIFY(!rig.editor.PagesEnabled());
      QCOMPARE(rig.editor.status.Text(),
               std::string(" Import failed: nothing came back. File > Check Connection... can tell why"));
      QCOMPARE(rig.editor.model.unit.SourceCount, -1);
      return;
    }
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Incomplete);
    QCOMPARE(rig.editor.receivedText.Lines(), Config());
    QCOMPARE(rig.editor.messageLog.Lines().back(), std::string(kNoMarker));
    QVERIFY(Contains(rig.editor.messageLog.Lines(), "Import Complete"));
    QVERIFY(rig.editor.PagesEnabled());
    QCOMPARE(rig.editor.model.unit.SourceCount, 4);
  }

  void endlessStreamStopsAtTheCap() {
    SimOptions o = Serving(Config());
    o.endless = true;
    Rig rig(o);
    QVERIFY(rig.UseSerial());
    rig.ctl.SetCollectLimitBytes(20000);
    rig.ctl.ImportConfiguration();
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Incomplete);
    QVERIFY(rig.editor.receivedText.ByteCount() <= 20000);
    QVERIFY(rig.editor.receivedText.ByteCount() > 19000);
    QVERIFY(Contains(rig.editor.messageLog.Lines(),
                     "Received text reached the limit of 20000 bytes; the rest was not kept."));
    // The unit keeps streaming: the text stays capped and the log says so once.
    QTest::qWait(200);
    QVERIFY(rig.editor.receivedText.ByteCount() <= 20000);
    rig.ctl.ChooseFileMode();
  }

  // Bytes the text filter drops keep the line busy, so the silence rule
  // never ends the import; they count toward the cap all the same.
  void endlessDroppedBytesStopAtTheCap() {
    SimOptions o = Serving(Config());
    o.endlessDropped = true;
    Rig rig(o);
    QVERIFY(rig.UseSerial());
    rig.ctl.SetCollectLimitBytes(100000);
    QTimer::singleShot(30000, &rig.ctl, [&] { rig.ctl.Cancel(); });  // a hung import fails, not hangs
    rig.ctl.ImportConfiguration();
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Incomplete);
    QCOMPARE(rig.editor.receivedText.Lines(), Config());
    QVERIFY(Contains(rig.editor.messageLog.Lines(),
                     "Received text reached the limit of 100000 bytes; the rest was not kept."));
    QCOMPARE(rig.editor.model.unit.SourceCount, 4);
    rig.ctl.ChooseFileMode();
  }

  void hangupBeforeAnyByteImportsNothing() {
    SimOptions o = Serving(Config());
    o.silent = true;
    Rig rig(o);
    QVERIFY(rig.UseSerial());
    QTimer::singleShot(200, [&] { rig.sim.ClosePty(); });
    rig.ctl.ImportConfiguration();
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::NothingRead);
    QCOMPARE(rig.editor.messageLog.Lines(),
             (std::vector<std::string>{
                 "The serial port " + rig.sim.PtyPath() + " was lost before anything was received.", kKept}));
    QVERIFY(!rig.editor.PagesEnabled());
  }

  void hangupHalfwayImportsWhatCame() {
    SimOptions o = Serving(Config());
    o.closeMidImport = true;
    Rig rig(o);
    QVERIFY(rig.UseSerial());
    rig.ctl.ImportConfiguration();
    QVERIFY(rig.prompts.errors.empty());
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Incomplete);
    const std::vector<std::string> all = Config();
    QCOMPARE(rig.editor.receivedText.Lines(),
             std::vector<std::string>(all.begin(), all.begin() + static_cast<long>(all.size() / 2)));
    QVERIFY(Contains(rig.editor.messageLog.Lines(),
                     "The serial port " + rig.sim.PtyPath() + " was lost during the import."));
    QCOMPARE(rig.editor.messageLog.Lines().back(), std::string(kNoMarker));
    QVERIFY(!rig.ctl.Serial().IsPortOpen());
  }

  void cancelledImportLeavesTheModelReset() {
    SimOptions o = Serving(Config());
    o.silent = true;
    Rig rig(o);
    QVERIFY(rig.UseSerial());
    QTimer::singleShot(300, [&] { rig.ctl.Cancel(); });
    rig.ctl.ImportConfiguration();
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Cancelled);
    QCOMPARE(rig.editor.messageLog.Lines(), (std::vector<std::string>{"Import cancelled.", kKept}));
    QCOMPARE(rig.editor.model.unit.SourceCount, -1);
    QVERIFY(!rig.editor.PagesEnabled());
    QVERIFY(rig.ctl.Serial().IsPortOpen());
    QVERIFY(!rig.ctl.Busy());
  }

  void exportSendsEveryCommandLine_data() {
    QTest::addColumn<int>("reply");
    QTest::newRow("ok") << static_cast<int>(SimOptions::Reply::Ok);
    QTest::newRow("error") << static_cast<int>(SimOptions::Reply::Error);
    QTest::newRow("echo") << static_cast<int>(SimOptions::Reply::Echo);
  }
  void exportSendsEveryCommandLine() {
    QFETCH(int, reply);
    SimOptions o = Serving(Config());
    o.reply = static_cast<SimOptions::Reply>(reply);
    Rig rig(o);
    QVERIFY(rig.UseSerial());
    rig.ctl.ImportConfiguration();
    QVERIFY(rig.editor.HasConfiguration());
    rig.statuses.clear();
    rig.editor.receivedText.Clear();
    rig.ctl.ExportConfiguration();
    QVERIFY(rig.prompts.errors.empty());
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Completed);
    const std::vector<std::string> sequence = BuildCommandSequence(rig.editor.model);
    const std::vector<std::string> commands = NonEmpty(sequence);
    const bool refused = o.reply == SimOptions::Reply::Error;
    std::vector<std::string> messageLog = sequence;
    if (refused)
      messageLog.push_back("Refused by the unit: " + commands[0] + ", " + commands[1] + ", " + commands[2] +
                           ", " + commands[3] + ", " + commands[4]);
    QCOMPARE(rig.editor.messageLog.Lines(), messageLog);
    QCOMPARE(rig.sim.Recorded(), commands);

    // Command lines are counted, not the empty lines between the blocks.
    std::vector<std::string> expectedStatus{" Exporting..."};
    for (std::size_t i = 0; i < commands.size(); ++i)
      expectedStatus.push_back(" Sending line " + std::to_string(i + 1) + " of " +
                               std::to_string(commands.size()));
    // A "[" in an echoed reply is taken for an import's progress; that is
    // the receive handler's rule, whatever is running.
    std::vector<std::string> sending;
    for (const auto& s : rig.statuses)
      if (s.rfind(" Importing ", 0) != 0) sending.push_back(s);
    const std::string count = std::to_string(commands.size());
    expectedStatus.push_back(refused
                                 ? " Serial Export Complete: " + count + " of " + count + " commands refused"
                                 : " Serial Export Complete");
    QCOMPARE(sending, expectedStatus);

    // receivedText: each line sent, then the unit's answer on a line of its own.
    std::vector<std::string> receivedText;
    for (const auto& l : NonEmpty(sequence)) {
      receivedText.push_back("Sending: " + l);
      receivedText.push_back(o.reply == SimOptions::Reply::Ok      ? "(OK)"
                             : o.reply == SimOptions::Reply::Error ? "(ERROR)"
                                                                   : l);
    }
    QCOMPARE(rig.editor.receivedText.Lines(), receivedText);
    QVERIFY(rig.ctl.Serial().IsPortOpen());
  }

  void exportedConfigurationImportsTheSame() {
    Rig first(Serving(GenerateConfiguration(16, 192)));
    QVERIFY(first.UseSerial());
    first.ctl.ImportConfiguration();
    QVERIFY(first.editor.HasConfiguration());
    first.ctl.ExportConfiguration();
    QCOMPARE(first.ctl.LastOutcome(), Outcome::Completed);

    Rig second(Serving(first.sim.Recorded()));
    QVERIFY(second.UseSerial());
    second.ctl.ImportConfiguration();
    QCOMPARE(ModelDifference(second.editor.model, first.editor.model), std::string());
    QVERIFY(second.editor.model == first.editor.model);
  }

  // Names may hold quotes that do not pair up, even a "]": every line is
  // answered once and arrives whole.
  void namesWithUnpairedQuotesGoThrough() {
    Rig rig;
    QVERIFY(rig.UseSerial());
    // DHCP on: a unit is sent no address, and this file names none.
    rig.editor.ImportFileText("[SD2]\r\n[DHCP1]\r\n[NI1\"S\"1\"]\r\n[NO1\"a\"b\"]\r\n[NO2\"x]y\"z\"]\r\n",
                              "quotes.zem");
    QVERIFY(rig.editor.HasConfiguration());
    rig.ctl.SetReplyLimitMs(5000);
    rig.ctl.ExportConfiguration();
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Completed);
    QCOMPARE(rig.sim.Recorded(), NonEmpty(BuildCommandSequence(rig.editor.model)));
    QVERIFY(Contains(rig.sim.Recorded(), "[NO2\"x]y\"z\"]"));
    QVERIFY(Contains(rig.sim.Recorded(), "[NI1\"S\"1\"]"));
  }

  void unansweredLineBreaksTheExport() {
    Rig rig(Serving(Config()));
    QVERIFY(rig.UseSerial());
    rig.ctl.ImportConfiguration();
    rig.sim.Options().silent = true;
    rig.ctl.SetReplyLimitMs(300);
    rig.ctl.ExportConfiguration();
    QVERIFY(rig.prompts.errors.empty());
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::NoReply);
    QCOMPARE(rig.sim.Recorded().size(), std::size_t{1});
    QCOMPARE(rig.ctl.LastLineSent(), rig.sim.Recorded()[0]);
    QCOMPARE(rig.editor.receivedText.Lines().back(), std::string("Breaking; no response in 1 second"));
    QCOMPARE(rig.editor.status.Text(),
             " Serial Export Incomplete: no response in 1 second after command 1 of " +
                 std::to_string(NonEmpty(BuildCommandSequence(rig.editor.model)).size()));
  }

  void cancelledExportKeepsThePortOpen() {
    Rig rig(Serving(Config()));
    QVERIFY(rig.UseSerial());
    rig.ctl.ImportConfiguration();
    rig.sim.Options().silent = true;
    QTimer::singleShot(400, [&] { rig.ctl.Cancel(); });
    rig.ctl.ExportConfiguration();
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Cancelled);
    QCOMPARE(rig.sim.Recorded().size(), std::size_t{1});
    QCOMPARE(rig.editor.messageLog.Lines().back(), std::string("Export cancelled."));
    QVERIFY(!AnyContains(rig.editor.receivedText.Lines(), "Breaking; no response"));
    QVERIFY(rig.ctl.Serial().IsPortOpen());
  }

  void hangupDuringExportIsAFailure() {
    SimOptions o = Serving(Config());
    o.closeAfter = 3;
    Rig rig(o);
    QVERIFY(rig.UseSerial());
    rig.ctl.ImportConfiguration();
    rig.ctl.ExportConfiguration();
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Failed);
    QCOMPARE(rig.prompts.errors,
             std::vector<std::string>{"The serial port " + rig.sim.PtyPath() + " was lost"});
    QCOMPARE(rig.sim.Recorded().size(), std::size_t{3});
    QVERIFY(!Contains(rig.statuses, " Serial Export Complete"));
    QVERIFY(!rig.ctl.Serial().IsPortOpen());
  }

  // A hung-up pty makes the port report a read error on every pass of the
  // event loop; it is taken as a lost port: closed at once, and said so.
  void hangupInSerialModeClosesThePort() {
    SimOptions o = Serving(Config());
    o.hangupAfterMs = 200;
    Rig rig(o);
    QVERIFY(rig.UseSerial());
    auto* port = rig.ctl.Serial().findChild<QSerialPort*>();
    QVERIFY(port);
    int errors = 0;
    QObject::connect(port, &QSerialPort::errorOccurred, [&](QSerialPort::SerialPortError e) {
      if (e != QSerialPort::NoError) ++errors;
    });
    QVERIFY(QTest::qWaitFor([&] { return !rig.ctl.Serial().IsPortOpen(); }, 5000));
    QTest::qWait(100);
    QVERIFY2(errors >= 1 && errors <= 2, std::to_string(errors).c_str());
    const std::string lost = "The serial port " + rig.sim.PtyPath() + " was lost.";
    QCOMPARE(rig.editor.messageLog.Lines().back(), lost);
    QCOMPARE(rig.editor.status.Text(), " " + lost);
    QCOMPARE(rig.ctl.CheckedMode(), TransferController::Mode::Serial);
    QVERIFY(rig.prompts.errors.empty());
  }

  void bytesOutsideATransferReachTheReceivedText() {
    Rig rig;
    QVERIFY(rig.UseSerial());
    for (int i = 0; i < 7; ++i) rig.editor.receivedText.AppendLine("line");
    // CR makes a line, LF and TAB are dropped, "((QX)" is no end marker.
    rig.sim.SendRaw("A\tB\r\nC[x]((QX)");
    QVERIFY(QTest::qWaitFor([&] { return rig.editor.receivedText.Lines().size() == 9; }, 5000));
    QCOMPARE(rig.editor.receivedText.Line(7), std::string("AB"));
    QCOMPARE(rig.editor.receivedText.Line(8), std::string("C[x]((QX)"));
    QVERIFY(Contains(rig.statuses, " Importing 4 lines from serial port: " + rig.sim.PtyPath()));
    QVERIFY(rig.ctl.Monitor().replyEndSeen);
    QVERIFY(!rig.ctl.Monitor().dumpEndSeen);
    rig.sim.SendRaw("x(QX)tail");
    QVERIFY(QTest::qWaitFor([&] { return rig.editor.receivedText.Line(8).size() > 14; }, 5000));
    QVERIFY(rig.ctl.Monitor().dumpEndSeen);
    // The bytes after the marker follow in a receive event of their own.
    QVERIFY(QTest::qWaitFor([&] { return rig.editor.receivedText.Line(8) == "C[x]((QX)x(QX)tail"; }, 5000));
  }
};

QTEST_GUILESS_MAIN(TestSerialTransfer)
#include "test_serial_transfer.moc"
