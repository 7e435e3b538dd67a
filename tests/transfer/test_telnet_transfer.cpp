// Import and export over TCP against the simulated unit on 127.0.0.1.
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include "support/transfer_rig.h"

using namespace zem;
using namespace zem::test;
using Mode = TransferController::Mode;
using Outcome = TransferController::Outcome;

namespace {

std::vector<std::string> Config() { return GenerateConfiguration(4, 12); }

// receivedText after a Telnet import: the unit's "(ERROR)" answer to "[]", then
// the configuration lines, then the end marker on a line of its own.
std::vector<std::string> ExpectedReceivedText(const std::vector<std::string>& config, bool marker = true) {
  std::vector<std::string> lines{"(ERROR)"};
  lines.insert(lines.end(), config.begin(), config.end());
  if (marker) lines.push_back("[QXSB]");
  return lines;
}

}  // namespace

class TestTelnetTransfer : public QObject {
  Q_OBJECT

 private slots:
  void importsLikeAFile_data() {
    QTest::addColumn<QString>("fault");
    QTest::newRow("well-behaved") << "";
    QTest::newRow("crlf") << "crlf";
    QTest::newRow("junk") << "junk";
    QTest::newRow("byte-per-write") << "byte";
    QTest::newRow("error-replies") << "error";
    QTest::newRow("trailing-bytes") << "trailing";
  }
  void importsLikeAFile() {
    QFETCH(QString, fault);
    SimOptions o = Serving(Config());
    o.crlf = fault == "crlf";
    o.junk = fault == "junk";
    o.bytePerWrite = fault == "byte";
    o.reply = fault == "error" ? SimOptions::Reply::Error : SimOptions::Reply::Ok;
    o.trailingBytes = fault == "trailing";
    Rig rig(o);
    QVERIFY(rig.UseTelnet());
    const std::string host = "127.0.0.1:" + std::to_string(rig.sim.TcpPort());
    QCOMPARE(rig.editor.messageLog.Lines(), std::vector<std::string>{"Using host: " + host});

    rig.ctl.ImportConfiguration();
    QVERIFY(rig.prompts.errors.empty());
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Completed);
    QCOMPARE(rig.sim.Syncs(), 1);
    QCOMPARE(rig.sim.Queries(), 1);
    // Junk, LFs and anything after the end marker never reach the text.
    QCOMPARE(rig.editor.receivedText.Lines(), ExpectedReceivedText(Config()));

    FileImport expected(rig.editor.receivedText.Lines());
    QCOMPARE(ModelDifference(rig.editor.model, expected.editor.model), std::string());
    QVERIFY(rig.editor.PagesEnabled());

    // messageLog: the link's texts, then the reader's log, then the end.
    std::vector<std::string> messageLog{"Connecting to 127.0.0.1.", "Connected.", "Disconnecting.",
                                        "Disconnected."};
    const std::vector<std::string> log = expected.editor.messageLog.Lines();
    messageLog.insert(messageLog.end(), log.begin(), log.end());
    QCOMPARE(rig.editor.messageLog.Lines(), messageLog);
    QVERIFY(!AnyContains(rig.editor.messageLog.Lines(), "TRAILING"));

    QCOMPARE(rig.statuses.at(0), std::string(" Importing..."));  // from the start
    QCOMPARE(rig.statuses.at(1), " Importing from host: " + host);
    QVERIFY(Contains(rig.statuses, " Importing 0 lines from host: " + host));
    QVERIFY(Contains(rig.statuses, " Import complete from host: " + host));
    QCOMPARE(rig.statuses.back(), std::string(" Import Complete"));
    QVERIFY(!rig.ctl.Telnet().IsConnected());
    QVERIFY(!rig.ctl.Busy());
  }

  void statusCountsHalfTheLines() {
    Rig rig(Serving({"[NI1\"A\"]", "[NI2\"B\"]", "[NI3\"C\"]", "[NI4\"D\"]", "[NI5\"E\"]"}));
    QVERIFY(rig.UseTelnet());
    rig.ctl.ImportConfiguration();
    const std::string host = " lines from host: 127.0.0.1:" + std::to_string(rig.sim.TcpPort());
    // "(ERROR)" then five lines: at each "[" the lines so far, halved.
    std::vector<std::string> counts;
    for (const auto& s : rig.statuses)
      if (s.rfind(" Importing ", 0) == 0 && s.find(host) != std::string::npos)
        counts.push_back(s.substr(0, 12));
    QCOMPARE(counts, (std::vector<std::string>{" Importing 0", " Importing 1", " Importing 1", " Importing 2",
                                               " Importing 2", " Importing 3"}));
  }

  void closedHalfwayImportsWhatCame() {
    SimOptions o = Serving(Config());
    o.closeMidImport = true;
    Rig rig(o);
    QVERIFY(rig.UseTelnet());
    rig.ctl.ImportConfiguration();
    QVERIFY(rig.prompts.errors.empty());
    const std::vector<std::string> all = Config();
    const std::vector<std::string> half(all.begin(), all.begin() + static_cast<long>(all.size() / 2));
    QCOMPARE(rig.editor.receivedText.Lines(), ExpectedReceivedText(half, false));
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Incomplete);
    QVERIFY(rig.editor.PagesEnabled());
    QCOMPARE(
        rig.editor.messageLog.Lines().back(),
        std::string("The unit's end marker \"[QXSB]\" never came; the configuration may be incomplete."));
    // The unit closed first, so the link reports only that.
    QVERIFY(Contains(rig.editor.messageLog.Lines(), "Disconnected."));
    QVERIFY(!Contains(rig.editor.messageLog.Lines(), "Disconnecting."));
    QVERIFY(Contains(rig.editor.messageLog.Lines(), "Import Complete"));
  }

  void cancelledImportLeavesTheModelReset() {
    SimOptions o = Serving(Config());
    o.noEndMarker = true;  // keeps the import waiting
    Rig rig(o);
    QVERIFY(rig.UseTelnet());
    bool busyWhileWaiting = false;
    int importsDuringWait = 0;
    QTimer::singleShot(300, [&] {
      busyWhileWaiting = rig.ctl.Busy();
      // Nested runs and mode changes are refused while a run waits.
      rig.ctl.ImportConfiguration();
      rig.ctl.ExportConfiguration();
      rig.ctl.ChooseFileMode();
      importsDuringWait = rig.sim.Queries();
      rig.ctl.Cancel();
    });
    rig.ctl.ImportConfiguration();
    QVERIFY(busyWhileWaiting);
    QCOMPARE(importsDuringWait, 1);
    QCOMPARE(rig.ctl.CheckedMode(), Mode::Telnet);
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Cancelled);
    QVERIFY(!rig.ctl.Busy());
    QVERIFY(rig.prompts.errors.empty());
    QCOMPARE(rig.editor.model.unit.SourceCount, -1);
    QVERIFY(!rig.editor.PagesEnabled());
    QCOMPARE(rig.editor.messageLog.Lines().back(), std::string(kKept));
    QVERIFY(Contains(rig.editor.messageLog.Lines(), "Import cancelled."));
    QVERIFY(Contains(rig.editor.messageLog.Lines(), "Disconnecting."));
    QVERIFY(!Contains(rig.editor.messageLog.Lines(), "Import Complete"));
    QCOMPARE(rig.editor.status.Text(), std::string(" Import cancelled"));
    QVERIFY(!rig.ctl.Telnet().IsConnected());
    QVERIFY(QTest::qWaitFor([&] { return rig.sim.OpenConnections() == 0; }));
  }

  void endlessStreamStopsAtTheCap() {
    SimOptions o = Serving(Config());
    o.endless = true;
    Rig rig(o);
    QVERIFY(rig.UseTelnet());
    rig.ctl.SetCollectLimitBytes(300000);
    rig.ctl.ImportConfiguration();
    QVERIFY(rig.prompts.errors.empty());
    QVERIFY(rig.editor.receivedText.ByteCount() <= 300000);
    QVERIFY(rig.editor.receivedText.ByteCount() > 290000);
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Incomplete);
    QVERIFY(Contains(rig.editor.messageLog.Lines(),
                     "Received text reached the limit of 300000 bytes; the rest was not kept."));
    QVERIFY(!rig.ctl.Telnet().IsConnected());
  }

  void endlessDroppedBytesStopAtTheCap() {
    SimOptions o = Serving(Config());
    o.endlessDropped = true;
    Rig rig(o);
    QVERIFY(rig.UseTelnet());
    rig.ctl.SetCollectLimitBytes(300000);
    QTimer::singleShot(30000, &rig.ctl, [&] { rig.ctl.Cancel(); });  // a hung import fails, not hangs
    rig.ctl.ImportConfiguration();
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Incomplete);
    QCOMPARE(rig.editor.receivedText.Lines(), ExpectedReceivedText(Config(), false));
    QVERIFY(Contains(rig.editor.messageLog.Lines(),
                     "Received text reached the limit of 300000 bytes; the rest was not kept."));
    QVERIFY(!rig.ctl.Telnet().IsConnected());
  }

  void endlessLineEndsStopAtTheLineCap() {
    SimOptions o = Serving(Config());
    o.endless = true;
    Rig rig(o);
    QVERIFY(rig.UseTelnet());
    rig.ctl.SetCollectLimitLines(500);
    rig.ctl.ImportConfiguration();
    QVERIFY(rig.editor.receivedText.LineCount() <= 500);
    QVERIFY(rig.editor.receivedText.LineCount() >= 499);
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Incomplete);
    QVERIFY(Contains(rig.editor.messageLog.Lines(),
                     "Received text reached the limit of 500 lines; the rest was not kept."));
  }

  void exportSendsEveryCommandLine() {
    Rig rig(Serving(Config()));
    QVERIFY(rig.UseTelnet());
    rig.ctl.ImportConfiguration();
    QVERIFY(rig.editor.HasConfiguration());
    rig.statuses.clear();
    rig.editor.receivedText.Clear();
    rig.sim.ClearRecord();

    rig.ctl.ExportConfiguration();
    QVERIFY(rig.prompts.errors.empty());
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Completed);
    const std::vector<std::string> sequence = BuildCommandSequence(rig.editor.model);
    QVERIFY(sequence.size() > 100);
    // Every non-empty line, in order, ended by LF CR; the sync first.
    QCOMPARE(rig.sim.Recorded(), NonEmpty(sequence));
    QCOMPARE(rig.sim.BadTerminators(), 0);
    QCOMPARE(rig.sim.Syncs(), 1);
    QCOMPARE(rig.ctl.LinesSent(), static_cast<int>(NonEmpty(sequence).size()));

    // messageLog: the sequence, then the link's texts of the connect.
    std::vector<std::string> messageLog = sequence;
    for (const char* s : {"Connecting to 127.0.0.1.", "Connected.", "Disconnecting.", "Disconnected."})
      messageLog.push_back(s);
    QCOMPARE(rig.editor.messageLog.Lines(), messageLog);

    // Command lines are counted, not the empty lines nor the link's texts.
    const std::size_t commands = NonEmpty(sequence).size();
    std::vector<std::string> expectedStatus{" Exporting..."};
    for (std::size_t i = 0; i < commands; ++i)
      expectedStatus.push_back(" Sending line " + std::to_string(i + 1) + " of " + std::to_string(commands));
    expectedStatus.push_back(" Telnet Export Complete");
    QCOMPARE(rig.statuses, expectedStatus);

    std::vector<std::string> sent;
    for (const auto& l : NonEmpty(sequence)) sent.push_back("Sending: " + l + "\n\r");
    QCOMPARE(rig.editor.receivedText.Lines(), sent);
    QVERIFY(!rig.ctl.Telnet().IsConnected());
  }

  void exportedConfigurationImportsTheSame() {
    Rig first(Serving(GenerateConfiguration(16, 192)));
    QVERIFY(first.UseTelnet());
    first.ctl.ImportConfiguration();
    QVERIFY(first.editor.HasConfiguration());
    first.ctl.ExportConfiguration();
    QVERIFY(first.prompts.errors.empty());

    Rig second(Serving(first.sim.Recorded()));
    QVERIFY(second.UseTelnet());
    second.ctl.ImportConfiguration();
    QCOMPARE(ModelDifference(second.editor.model, first.editor.model), std::string());
    QVERIFY(second.editor.model == first.editor.model);
  }

  void exportGoesOnAfterErrorReplies() {
    SimOptions o = Serving(Config());
    o.reply = SimOptions::Reply::Error;
    Rig rig(o);
    QVERIFY(rig.UseTelnet());
    rig.ctl.ImportConfiguration();
    rig.sim.ClearRecord();
    rig.ctl.ExportConfiguration();
    const std::vector<std::string> commands = NonEmpty(BuildCommandSequence(rig.editor.model));
    QCOMPARE(rig.sim.Recorded(), commands);
    const std::string count = std::to_string(commands.size());
    QCOMPARE(rig.editor.status.Text(),
             " Telnet Export Complete: " + count + " of " + count + " commands refused");
  }

  // Nothing one run found is told of the next: refusals, warnings, a
  // deadline passed and the reason nothing was read all start afresh.
  void eachRunStartsAfresh_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("exportNext");
    QTest::newRow("refused export, then export") << "refused" << true;
    QTest::newRow("refused export, then import") << "refused" << false;
    QTest::newRow("import cut short, then import") << "cut" << false;
    QTest::newRow("import cut short, then export") << "cut" << true;
    QTest::newRow("deadline passed, then import") << "deadline" << false;
    QTest::newRow("deadline passed, then export") << "deadline" << true;
  }
  void eachRunStartsAfresh() {
    QFETCH(QString, fault);
    QFETCH(bool, exportNext);
    Rig rig(Serving(Config()));
    QVERIFY(rig.UseTelnet());
    rig.ctl.ImportConfiguration();
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Completed);

    SimOptions& unit = rig.sim.Options();
    if (fault == "refused") {
      unit.reply = SimOptions::Reply::Error;
      rig.ctl.ExportConfiguration();
      QVERIFY(rig.ctl.ErrorReplies() > 0 && !rig.ctl.RefusedText().empty());
    } else if (fault == "cut") {
      unit.closeMidImport = true;
      rig.ctl.ImportConfiguration();
      QCOMPARE(rig.ctl.LastOutcome(), Outcome::Incomplete);
      QVERIFY(!rig.ctl.ImportWarnings().empty());
    } else {
      unit.silent = true;
      rig.ctl.SetDeadlineMs(1000);
      rig.ctl.ImportConfiguration();
      QCOMPARE(rig.ctl.LastOutcome(), Outcome::NothingRead);
      QVERIFY(rig.ctl.DeadlinePassed() && !rig.ctl.NothingReadReason().empty());
    }
    QVERIFY(rig.editor.HasConfiguration());
    unit.reply = SimOptions::Reply::Ok;
    unit.closeMidImport = false;
    unit.silent = false;
    rig.ctl.SetDeadlineMs(-1);

    if (exportNext) {
      rig.ctl.ExportConfiguration();
    } else {
      rig.ctl.ImportConfiguration();
    }
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Completed);
    QCOMPARE(rig.ctl.ErrorReplies(), 0);
    QCOMPARE(rig.ctl.RefusedText(), std::string());
    QCOMPARE(rig.ctl.ImportWarnings(), std::vector<std::string>());
    QCOMPARE(rig.ctl.NothingReadReason(), std::string());
    QVERIFY(!rig.ctl.DeadlinePassed());
    QCOMPARE(rig.ctl.LinesSent(),
             exportNext ? static_cast<int>(NonEmpty(BuildCommandSequence(rig.editor.model)).size()) : 0);
    QVERIFY(rig.prompts.errors.empty());
  }

  // A unit that answers without end: the export goes on, one answer per
  // line, while the bytes held stay bounded (TCP holds the unit back).
  void floodOfRepliesKeepsTheBufferBounded() {
    Rig rig(Serving(Config()));
    QVERIFY(rig.UseTelnet());
    rig.ctl.ImportConfiguration();
    QVERIFY(rig.editor.HasConfiguration());
    rig.sim.Options().floodReplies = true;
    rig.sim.ClearRecord();
    std::size_t most = 0;
    const auto sample = [&] { most = std::max(most, rig.ctl.Telnet().BufferedBytes()); };
    QObject::connect(&rig.sim, &UnitSim::CommandRecorded, &rig.ctl, sample);
    rig.editor.status.SetOnChange([&](const std::string&) { sample(); });
    rig.ctl.ExportConfiguration();
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Completed);
    // Answers came before their lines, so the last lines may still be on
    // their way when the program hangs up; those that arrived are in order.
    const std::vector<std::string> sent = NonEmpty(BuildCommandSequence(rig.editor.model));
    const std::vector<std::string>& recorded = rig.sim.Recorded();
    QCOMPARE(rig.ctl.LinesSent(), static_cast<int>(sent.size()));
    QVERIFY(!recorded.empty() && recorded.size() <= sent.size());
    QVERIFY(std::equal(recorded.begin(), recorded.end(), sent.begin()));
    QVERIFY2(most > 0 && most <= 256 * 1024, std::to_string(most).c_str());
  }

  void connectionClosedDuringExportIsAFailure() {
    SimOptions o = Serving(Config());
    o.closeAfter = 5;
    Rig rig(o);
    QVERIFY(rig.UseTelnet());
    rig.ctl.ImportConfiguration();  // the dump answers no command: the count is still 0
    rig.sim.ClearRecord();
    rig.ctl.ExportConfiguration();
    QCOMPARE(rig.prompts.errors, std::vector<std::string>{"Connection Closed Gracefully."});
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Failed);
    const std::vector<std::string> sent = NonEmpty(BuildCommandSequence(rig.editor.model));
    QCOMPARE(rig.sim.Recorded(), std::vector<std::string>(sent.begin(), sent.begin() + 5));
    QVERIFY(rig.ctl.LinesSent() >= 5 && rig.ctl.LinesSent() <= 6);
    QVERIFY(!Contains(rig.statuses, " Telnet Export Complete"));
    QVERIFY(!rig.ctl.Busy());
  }

  // A unit that closes, having read the opening "[]" (or it would be a
  // reset), got no command: nothing claims it took part of the configuration.
  void closedAtTheOpeningReachedNoCommand() {
    QTcpServer closer;
    QVERIFY(closer.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&closer, &QTcpServer::newConnection, [&] {
      QTcpSocket* unit = closer.nextPendingConnection();
      QObject::connect(unit, &QTcpSocket::readyRead, [unit] {
        unit->readAll();
        unit->close();
      });
    });
    Rig rig;
    rig.editor.ImportFileText(ZemFileText(Config()), "unit.zem");
    rig.prompts.hostAnswers.push_back("127.0.0.1:" + std::to_string(closer.serverPort()));
    rig.ctl.ChooseTelnetMode();
    rig.ctl.ExportConfiguration();
    QCOMPARE(rig.prompts.errors, std::vector<std::string>{"Connection Closed Gracefully."});
    QCOMPARE(
        rig.statuses.back(),
        std::string(" Telnet Export Incomplete: the unit closed the connection before the first command"));
    QVERIFY(!AnyContains(rig.editor.messageLog.Lines(), "The unit may hold part"));
  }

  // An answer that takes long is shown being awaited, counting the seconds,
  // until it comes (sending goes on) or Cancel ends the wait. %1: the number
  // of commands.
  void slowUnitIsShownBeingAwaited_data() {
    QTest::addColumn<bool>("late");             // every answer 2.5 s late, else none at all
    QTest::addColumn<QStringList>("statuses");  // shown one after the other; the user cancels at the last
    QTest::addColumn<QString>("ending");
    const QString waiting = " Waiting for the unit's answer to ";
    QTest::newRow("silent") << false
                            << QStringList{" Exporting...", waiting + "the opening [] (2 s)",
                                           waiting + "the opening [] (3 s)"}
                            << " Telnet Export cancelled before the first command";
    QTest::newRow("late") << true
                          << QStringList{" Sending line 1 of %1", waiting + "command 1 of %1 (2 s)",
                                         " Sending line 2 of %1", waiting + "command 2 of %1 (2 s)"}
                          << " Telnet Export cancelled after command 1 of %1";
  }
  void slowUnitIsShownBeingAwaited() {
    QFETCH(bool, late);
    QFETCH(QStringList, statuses);
    QFETCH(QString, ending);
    Rig rig(Serving(Config()));
    QVERIFY(rig.UseTelnet());
    rig.ctl.ImportConfiguration();
    rig.sim.ClearRecord();
    const QString total = QString::number(NonEmpty(BuildCommandSequence(rig.editor.model)).size());
    statuses.replaceInStrings("%1", total);
    rig.sim.Options().silent = !late;
    rig.sim.Options().trickle = late ? SimOptions::Trickle::Lines : SimOptions::Trickle::None;  // "(OK)"s
    rig.sim.Options().trickleMs = 2500;
    QStringList shown;
    rig.editor.status.SetOnChange([&](const std::string& text) {
      shown << QString::fromStdString(text);
      if (shown.back() == statuses.back()) rig.ctl.Cancel();
    });
    QTimer::singleShot(20000, &rig.ctl, [&] { rig.ctl.Cancel(); });  // a wait never shown still ends
    rig.ctl.ExportConfiguration();
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Cancelled);
    QVERIFY2(shown.join('|').contains(statuses.join('|')), qPrintable(shown.join('|')));
    QCOMPARE(QString::fromStdString(rig.editor.status.Text()), ending.replace("%1", total));
    QVERIFY(rig.prompts.errors.empty());
    QCOMPARE(rig.sim.Syncs(), 1);
    QCOMPARE(rig.sim.Recorded().size(), std::size_t(late ? 2 : 0));
    QCOMPARE(rig.editor.messageLog.Lines().back(), std::string("Export cancelled."));
    QVERIFY(!rig.ctl.Telnet().IsConnected());
    // The model is what the import made; nothing was undone or half-done.
    QVERIFY(rig.editor.HasConfiguration());
  }

  void cancelMidExportStopsSending() {
    Rig rig(Serving(Config()));
    QVERIFY(rig.UseTelnet());
    rig.ctl.ImportConfiguration();
    rig.sim.ClearRecord();
    QObject::connect(&rig.sim, &UnitSim::CommandRecorded, &rig.ctl, [&] {
      if (rig.sim.Recorded().size() == 10) rig.ctl.Cancel();
    });
    rig.ctl.ExportConfiguration();
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Cancelled);
    QVERIFY(rig.sim.Recorded().size() >= 10 && rig.sim.Recorded().size() <= 11);
    QVERIFY(!Contains(rig.statuses, " Telnet Export Complete"));
  }

  void connectRefusedGoesToTheErrorBox() {
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();  // nothing listens there now
    Rig rig;
    rig.prompts.hostAnswers.push_back("127.0.0.1:" + std::to_string(port));
    rig.ctl.ChooseTelnetMode();
    rig.ctl.ImportConfiguration();
    // The failure names where the connection was going, in the box and the log.
    const std::string failure =
        "Cannot connect to 127.0.0.1:" + std::to_string(port) + ": Connection refused";
    QCOMPARE(rig.prompts.errors, std::vector<std::string>{failure});
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Failed);
    QCOMPARE(rig.editor.model.unit.SourceCount, -1);
    QVERIFY(!rig.editor.PagesEnabled());
    QCOMPARE(rig.editor.messageLog.Lines(),
             (std::vector<std::string>{"Connecting to 127.0.0.1.", failure + ".", kKept}));
    QCOMPARE(rig.editor.status.Text(),
             std::string(" Import failed: nothing came back. File > Check Connection... can tell why"));
    QVERIFY(!rig.ctl.Busy());
  }

  void hostNamesAreResolved() {
    Rig rig(Serving(Config()));
    std::string error;
    QVERIFY(rig.sim.ListenTcp(0, QHostAddress::LocalHost, &error));
    rig.prompts.hostAnswers.push_back("localhost:" + std::to_string(rig.sim.TcpPort()));
    rig.ctl.ChooseTelnetMode();
    rig.ctl.ImportConfiguration();
    QVERIFY(rig.prompts.errors.empty());
    const std::vector<std::string> messageLog = rig.editor.messageLog.Lines();
    QVERIFY(messageLog.size() > 3);
    QCOMPARE(std::vector<std::string>(messageLog.begin(), messageLog.begin() + 3),
             (std::vector<std::string>{"Resolving hostname localhost.", "Connecting to 127.0.0.1.",
                                       "Connected."}));
  }
};

QTEST_GUILESS_MAIN(TestTelnetTransfer)
#include "test_telnet_transfer.moc"
