// The connection check: its judgement of the first bytes, and the check
// itself against the simulated unit in each fault, over a pseudo-terminal
// and over TCP; the traffic record the support file shows.
#include <sys/stat.h>
#include <unistd.h>

#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include "support/transfer_rig.h"
#include "transfer/link_check.h"
#include "transfer/traffic_record.h"

using namespace zem;
using namespace zem::test;

namespace {

// Each fault the simulated unit plays, and how the check is pointed at it.
enum class Setup {
  Unit,
  PacedUnit,
  Silent,
  Loopback,
  WrongBaud,
  HeldPort,
  NoSuchPort,
  NoPermission,
  Refused,
  FullBacklog,
  NoHost
};

}  // namespace

Q_DECLARE_METATYPE(Setup)

class TestLinkCheck : public QObject {
  Q_OBJECT

 private slots:
  void judgesTheFirstBytes_data() {
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<int>("kind");
    const QStringList serial{"[QXSB]"}, telnet{"[]", "[QXSB]"};
    const auto row = [](const char* name, QStringList sent, QByteArray received, AnswerKind kind) {
      QTest::newRow(name) << sent << received << static_cast<int>(kind);
    };
    row("nothing", serial, "", AnswerKind::Nothing);
    row("a unit's line", serial, "[SD2]\r[FPL1]", AnswerKind::UnitLine);
    row("a reply with CR LF", telnet, "(ERROR)\r\n", AnswerKind::UnitLine);
    row("an LF before the line", serial, "\n[SD2]\r", AnswerKind::UnitLine);
    row("a line after noise", serial, "\x80\x81\r[SD2]\r", AnswerKind::UnitLine);
    row("a line not yet ended", serial, "[SD2", AnswerKind::Garbled);
    row("loopback", serial, "[QXSB]", AnswerKind::Echo);
    row("loopback over Telnet", telnet, "[][QXSB]", AnswerKind::Echo);
    row("a part echoed", serial, "[QX", AnswerKind::Garbled);
    row("echoed line with CR is no unit", serial, "[QXSB]\r", AnswerKind::Garbled);
    row("echoed sync line is no unit", telnet, "[]\r\n", AnswerKind::Garbled);
    row("bytes outside text in the line", serial, "[NO1\"\x80\"]\r", AnswerKind::Garbled);
    row("high bytes", serial, "\xb2\x8a\xdf\xc5", AnswerKind::Garbled);
    row("a text line of no command", serial, "Welcome\r", AnswerKind::Garbled);
    row("an empty line", serial, "\r\r", AnswerKind::Garbled);
  }
  void judgesTheFirstBytes() {
    QFETCH(QStringList, sent);
    QFETCH(QByteArray, received);
    QFETCH(int, kind);
    std::vector<std::string> commands;
    for (const QString& s : sent) commands.push_back(s.toStdString());
    QCOMPARE(static_cast<int>(JudgeAnswer(commands, std::string_view(received.constData(), received.size()))),
             kind);
  }

  void adviceSaysWhatWasMeasured_data() {
    QTest::addColumn<int>("verdict");
    QTest::addColumn<qint64>("firstByteMs");
    QTest::addColumn<int>("sources");
    QTest::addColumn<QString>("part");
    QTest::addColumn<bool>("present");
    const auto unit = static_cast<int>(LinkVerdict::Unit);
    QTest::newRow("fast") << unit << qint64{40} << -1 << "slow link" << false;
    QTest::newRow("at the bound") << unit << qint64{2000} << -1 << "slow link" << false;
    QTest::newRow("slow") << unit << qint64{2400} << -1 << "slow link: 2.4 s" << true;
    QTest::newRow("counts") << unit << qint64{40} << 16 << "16 sources, 24 zones" << true;
    QTest::newRow("garbled names the speed")
        << static_cast<int>(LinkVerdict::Garbled) << qint64{5} << -1 << "9600 bps" << true;
    QTest::newRow("permission names the group")
        << static_cast<int>(LinkVerdict::NoPermission) << qint64{-1} << -1 << "dialout" << true;
  }
  void adviceSaysWhatWasMeasured() {
    QFETCH(int, verdict);
    QFETCH(qint64, firstByteMs);
    QFETCH(int, sources);
    QFETCH(QString, part);
    QFETCH(bool, present);
    LinkCheckResult r;
    r.verdict = static_cast<LinkVerdict>(verdict);
    r.serial = true;
    r.firstByteMs = firstByteMs;
    r.sources = sources;
    r.zones = 24;
    QCOMPARE(QString::fromStdString(r.Advice()).contains(part), present);
  }

  // One row per verdict and link: the verdict's code; nothing taken into
  // the unit's configuration; and where a unit answers, an import right
  // after the check reads it whole.
  void checksEachFault_data() {
    QTest::addColumn<bool>("serial");
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<bool>("full");
    QTest::addColumn<QString>("code");
    QTest::newRow("serial unit") << true << Setup::Unit << false << "unit";
    QTest::newRow("serial unit, full") << true << Setup::Unit << true << "unit";
    // At 9600 bps the answer is still coming at the verdict: the drain waits for its end.
    QTest::newRow("serial unit at 9600 bps") << true << Setup::PacedUnit << false << "unit";
    QTest::newRow("serial silent") << true << Setup::Silent << false << "silent";
    QTest::newRow("serial loopback") << true << Setup::Loopback << false << "echo";
    QTest::newRow("serial wrong speed") << true << Setup::WrongBaud << false << "garbled";
    QTest::newRow("serial port held") << true << Setup::HeldPort << false << "port-in-use";
    QTest::newRow("serial no such port") << true << Setup::NoSuchPort << false << "no-such-port";
    QTest::newRow("serial no permission") << true << Setup::NoPermission << false << "no-permission";
    QTest::newRow("telnet unit") << false << Setup::Unit << false << "unit";
    QTest::newRow("telnet unit, full") << false << Setup::Unit << true << "unit";
    QTest::newRow("telnet no answer") << false << Setup::Silent << false << "no-answer";
    QTest::newRow("telnet loopback") << false << Setup::Loopback << false << "echo";
    QTest::newRow("telnet not a unit") << false << Setup::WrongBaud << false << "garbled";
    QTest::newRow("telnet refused") << false << Setup::Refused << false << "refused";
    QTest::newRow("telnet connect timeout") << false << Setup::FullBacklog << false << "connect-timeout";
    QTest::newRow("telnet no host") << false << Setup::NoHost << false << "no-host";
  }
  void checksEachFault() {
    QFETCH(bool, serial);
    QFETCH(Setup, setup);
    QFETCH(bool, full);
    QFETCH(QString, code);
    if (setup == Setup::NoPermission && ::geteuid() == 0)
      QSKIP("Running as root: the system refuses root no port, so a permission refusal cannot be made here");
    const std::vector<std::string> config = GenerateConfiguration(4, 12);
    SimOptions o = Serving(config);
    o.silent = setup == Setup::Silent;
    o.pace = setup == Setup::PacedUnit;
    o.loopback = setup == Setup::Loopback;
    o.wrongBaud = setup == Setup::WrongBaud;
    o.holdPort = setup == Setup::HeldPort;
    Rig rig(o);
    std::string error;
    if (serial) {
      std::string device = "/dev/zem-no-such-port";
      if (setup != Setup::NoSuchPort) {
        QVERIFY2(rig.sim.OpenPty(&error), error.c_str());
        device = rig.sim.PtyPath();
      }
      if (setup == Setup::NoPermission) QCOMPARE(::chmod(device.c_str(), 0), 0);
      rig.prompts.portAnswers.push_back(device);
      rig.ctl.ChooseSerialMode();
      QCOMPARE(rig.ctl.Serial().IsPortOpen(),
               setup != Setup::HeldPort && setup != Setup::NoSuchPort && setup != Setup::NoPermission);
    } else {
      std::string host;
      if (setup == Setup::Refused) {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        host = "127.0.0.1:" + std::to_string(probe.serverPort());
      } else if (setup == Setup::NoHost) {
        host = "zem-unit.invalid";
      } else if (setup == Setup::FullBacklog) {
        if (!rig.sim.ListenFullBacklog(0, &error)) QSKIP(error.c_str());
        host = "127.0.0.1:" + std::to_string(rig.sim.TcpPort());
        LinkCheck::Limits limits;
        limits.connectMs = 500;
        rig.ctl.Check().SetLimits(limits);
      } else {
        QVERIFY2(rig.sim.ListenTcp(0, QHostAddress::LocalHost, &error), error.c_str());
        host = "127.0.0.1:" + std::to_string(rig.sim.TcpPort());
      }
      rig.prompts.hostAnswers.push_back(host);
      rig.ctl.ChooseTelnetMode();
    }
    const std::vector<std::string> served = rig.sim.ServedLines();
    std::vector<LinkCheckStep> heard;
    const LinkCheckResult result =
        rig.ctl.CheckConnection(full, [&](const LinkCheckStep& s) { heard.push_back(s); });
    QCOMPARE(QString::fromLatin1(VerdictInfo(result.verdict).code), code);
    QVERIFY(!rig.ctl.Busy());
    // Each step was told as it ran, and the message log has them.
    QCOMPARE(heard.size(), result.steps.size());
    QVERIFY(AnyContains(rig.editor.messageLog.Lines(), "Verdict: " + code.toStdString()));
    // Only the query (and "[]"), never a command: the configuration is as it was.
    QVERIFY(rig.sim.Recorded().empty());
    QCOMPARE(rig.sim.ServedLines(), served);
    QCOMPARE(QString::fromStdString(rig.editor.status.Text()).section('.', 0, 0),
             " Check Connection: " + code);
    if (code != "unit") return;
    QCOMPARE(rig.sim.Queries(), 1);
    QVERIFY(result.endMarkerSeen);
    QCOMPARE(result.sources, full ? 4 : -1);
    QCOMPARE(result.zones, full ? 12 : -1);
    // The drain left nothing behind: the import after it reads the unit whole.
    rig.ctl.ImportConfiguration();
    QCOMPARE(rig.ctl.LastOutcome(), TransferController::Outcome::Completed);
    // Over Telnet the unit's answer to "[]" comes first.
    std::vector<std::string> expected =
        serial ? std::vector<std::string>{} : std::vector<std::string>{"(ERROR)"};
    expected.insert(expected.end(), config.begin(), config.end());
    expected.push_back(serial ? "(QX)" : "[QXSB]");
    QCOMPARE(NonEmpty(rig.editor.receivedText.Lines()), expected);
    QCOMPARE(rig.sim.Queries(), 2);
  }

  // Cancel ends a check that waits: no verdict of the link, nothing left busy.
  void cancelEndsTheCheck_data() { AddLinkRows(); }
  void cancelEndsTheCheck() {
    QFETCH(bool, serial);
    SimOptions o = Serving(GenerateConfiguration(2, 4));
    o.silent = true;
    Rig rig(o);
    QVERIFY(serial ? rig.UseSerial() : rig.UseTelnet());
    QTimer::singleShot(200, &rig.ctl, [&rig] { rig.ctl.Cancel(); });
    const LinkCheckResult result = rig.ctl.CheckConnection(false);
    QCOMPARE(QString::fromLatin1(VerdictInfo(result.verdict).code), QStringLiteral("cancelled"));
    QVERIFY(!rig.ctl.Busy());
    QVERIFY(!rig.ctl.Telnet().IsConnected());
    // The check's own connect limit is not left on the link.
    QCOMPARE(rig.ctl.Telnet().ConnectLimitMs(), 120000);
  }

  // While a transfer runs, with Live on, or in File Mode, the check refuses.
  void refusesInFileMode() {
    Rig rig;
    const LinkCheckResult result = rig.ctl.CheckConnection(false);
    QVERIFY(result.steps.empty());
    QCOMPARE(rig.editor.status.Text(), " " + rig.ctl.CheckRefusal());
    QVERIFY(!rig.ctl.CheckRefusal().empty());
  }

  // After an import that heard nothing, the status line points to the check.
  void aSilentImportPointsToTheCheck_data() { AddLinkRows(); }
  void aSilentImportPointsToTheCheck() {
    QFETCH(bool, serial);
    SimOptions o = Serving(GenerateConfiguration(2, 4));
    o.silent = true;
    Rig rig(o);
    QVERIFY(serial ? rig.UseSerial() : rig.UseTelnet());
    rig.ctl.SetSerialInactivityMs(300);
    rig.ctl.SetWaitLimitMs(300);
    rig.ctl.ImportConfiguration();
    QCOMPARE(rig.editor.status.Text(),
             std::string(" Import failed: nothing came back. File > Check Connection... can tell why"));
    QVERIFY(rig.ctl.LinkTrouble());
  }

  // The traffic both ways lands in the record, and so in the support file.
  void supportFileHoldsTheTraffic() {
    const std::vector<std::string> config = GenerateConfiguration(2, 4);
    Rig rig(Serving(config));
    QVERIFY(rig.UseTelnet());
    rig.ctl.ImportConfiguration();
    rig.ctl.CheckConnection(false);
    const std::string text = rig.ctl.SupportFileText("zem-config test");
    QVERIFY(text.find("Program: zem-config test") != std::string::npos);
    QVERIFY(text.find("Telnet Mode, host 127.0.0.1:") != std::string::npos);
    QVERIFY(text.find("Last connection check (127.0.0.1:") != std::string::npos);
    QVERIFY(text.find(" > [QXSB]\n") != std::string::npos);
    QVERIFY(text.find(" < " + config.front() + "\\x0d\n") != std::string::npos);
  }

  void recordKeepsItsBound_data() {
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("pieces");
    QTest::addColumn<int>("size");
    QTest::newRow("well within") << 4096 << 3 << 10;
    QTest::newRow("many small pieces") << 1024 << 500 << 3;
    QTest::newRow("one piece beyond the bound") << 1000 << 1 << 5000;
    QTest::newRow("a megabyte of traffic") << (1 << 20) << 300 << 20000;
  }
  void recordKeepsItsBound() {
    QFETCH(int, limit);
    QFETCH(int, pieces);
    QFETCH(int, size);
    TrafficRecord record(static_cast<std::size_t>(limit));
    QDateTime at = QDateTime::currentDateTime();
    std::string last;
    for (int i = 0; i < pieces; ++i) {
      // Pieces far apart in time and alternating in direction never join.
      last = std::string(static_cast<std::size_t>(size), static_cast<char>('a' + i % 26));
      record.Add(i % 2 ? TrafficRecord::Direction::Received : TrafficRecord::Direction::Sent, last, at);
      at = at.addSecs(1);
    }
    QVERIFY(record.HeldBytes() <= static_cast<std::size_t>(limit));
    const std::size_t total = static_cast<std::size_t>(pieces) * static_cast<std::size_t>(size);
    // What is left out is counted, and said.
    const std::string text = record.Text();
    QCOMPARE(record.DroppedBytes() > 0, text.find("earlier bytes left out") != std::string::npos);
    QVERIFY(record.DroppedBytes() <= total);
    // The newest bytes are always there.
    const std::string tail = last.substr(last.size() - std::min<std::size_t>(last.size(), 16));
    QVERIFY(text.find(tail) != std::string::npos);
  }

  void recordShowsBytesOutsideText_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain") << QByteArray("[SD2]") << "[SD2]";
    QTest::newRow("control bytes") << QByteArray("a\x01\x1b", 3) << "a\\x01\\x1b";
    QTest::newRow("nul") << QByteArray("\0x", 2) << "\\x00x";
    QTest::newRow("delete and high bytes") << QByteArray("\x7f\x80\xff") << "\\x7f\\x80\\xff";
    QTest::newRow("backslash") << QByteArray("a\\b") << "a\\x5cb";
    QTest::newRow("tab and LF") << QByteArray("\t\n") << "\\x09\\x0a";
  }
  void recordShowsBytesOutsideText() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    TrafficRecord record;
    record.Add(TrafficRecord::Direction::Sent, std::string_view(bytes.constData(), bytes.size()));
    const std::string text = record.Text();
    QCOMPARE(QString::fromLatin1(text.substr(text.find(" > ") + 3).c_str()), shown + "\n");
  }
};

QTEST_MAIN(TestLinkCheck)
#include "test_link_check.moc"
