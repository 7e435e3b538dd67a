// zemctl pull and push, the real binary against an in-process simulated unit.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "support/transfer_rig.h"
#include "support/zemctl_runner.h"

using namespace zem;
using namespace zem::test;

namespace {

// IN of the --changes tests, in `dir`: the small example with zone 1 louder
// and zone 2 named "Caf\xe9"; what a unit of `kind` holds: "small" (the
// example), "held" (IN as a read gives it back, without the e-acute) or
// "full".
QString WriteChangedIn(const QTemporaryDir& dir) {
  const QString in = dir.filePath("in.zem");
  Write(in, Read(Source("examples/small-8x24.zem"))
                .replace("[VO1R-7]", "[VO1R-3]")
                .replace("[NO2\"Kitchen\"]", "[NO2\"Caf\xe9\"]"));
  return in;
}
SimOptions UnitHolding(const QString& kind, const QString& in) {
  const QByteArray text = kind == "held"   ? Read(in).replace("Caf\xe9", "Caf")
                          : kind == "full" ? Read(Source("examples/full-16x192.zem"))
                                           : Read(Source("examples/small-8x24.zem"));
  Editor file;
  file.ImportFileText(text.toStdString(), "unit.zem");
  return Serving(NonEmpty(file.PrepareExport()));
}

}  // namespace

class TestZemctlPullPush : public QObject {
  Q_OBJECT

 private slots:
  void pullWritesWhatAFileExportWould_data() { AddLinkRows(); }
  void pullWritesWhatAFileExportWould() {
    QFETCH(bool, serial);
    QTemporaryDir dir;
    const std::vector<std::string> config = GenerateConfiguration(6, 20);
    UnitSim sim(Serving(config));
    QStringList link;
    QVERIFY(OpenLink(sim, serial, &link));
    const QString out = dir.filePath("out.zem"), raw = dir.filePath("raw.txt"), log = dir.filePath("log.txt");
    const Run run = Zemctl(QStringList{"pull"} << link << "-o" << out << "--raw" << raw << "--log" << log);
    QCOMPARE(run.status, 0);
    QCOMPARE(sim.Queries(), 1);

    FileImport expected(config);
    QCOMPARE(Read(out).toStdString(), ZemFileText(BuildCommandSequence(expected.editor.model)));
    const QByteArray rawText = Read(raw);
    QVERIFY(rawText.contains(ZemFileText(config)));
    QVERIFY(rawText.contains(serial ? "(QX)" : "[QXSB]"));
    const QByteArray logText = Read(log);
    QVERIFY(logText.contains("Zone: 20 Name: Room 20\n"));
    QVERIFY(logText.contains("Import Complete\n"));
  }

  void pullReportsAnAnswerThatEndedEarly() {
    QTemporaryDir dir;
    SimOptions o = Serving(GenerateConfiguration(2, 4));
    o.closeMidImport = true;
    UnitSim sim(o);
    std::string error;
    QVERIFY(sim.ListenTcp(0, QHostAddress::LocalHost, &error));
    const QString out = dir.filePath("out.zem");
    const Run run = Zemctl({"pull", "--telnet", Host(sim), "-o", out});
    QCOMPARE(run.status, 4);
    QVERIFY(run.err.contains("never came; the configuration may be incomplete"));
    QVERIFY(QFile::exists(out));
  }

  void pullOfNothingWritesNothing() {
    QTemporaryDir dir;
    UnitSim sim;  // serves an empty configuration
    std::string error;
    QVERIFY(sim.ListenTcp(0, QHostAddress::LocalHost, &error));
    const Run run = Zemctl({"pull", "--telnet", Host(sim), "-o", dir.filePath("a.zem")});
    QCOMPARE(run.status, 3);
    QVERIFY(run.err.contains("names no source"));
    QVERIFY(!QFile::exists(dir.filePath("a.zem")));
  }

  void pullRefusedAndBadArguments() {
    QTemporaryDir dir;
    quint16 port = 0;
    {
      UnitSim gone;
      std::string error;
      QVERIFY(gone.ListenTcp(0, QHostAddress::LocalHost, &error));
      port = gone.TcpPort();
    }
    const Run refused =
        Zemctl({"pull", "--telnet", QStringLiteral("127.0.0.1:%1").arg(port), "-o", dir.filePath("a.zem")});
    QCOMPARE(refused.status, 1);
    // The message names where the connection was going.
    const std::string failure =
        "Cannot connect to 127.0.0.1:" + std::to_string(port) + ": Connection refused.";
    QVERIFY2(refused.err.contains(failure), refused.err.constData());
    QVERIFY(!QFile::exists(dir.filePath("a.zem")));

    QCOMPARE(Zemctl({"pull", "--telnet", "h", "--serial", "/dev/x", "-o", "a"}).status, 2);
    QCOMPARE(Zemctl({"pull", "--telnet", "h"}).status, 2);
    QCOMPARE(Zemctl({"push", "a.zem"}).status, 2);
    QCOMPARE(Zemctl({"push", "a.zem", "--telnet", "h", "--bogus"}).status, 2);
    // A port outside 1-65535 is a usage error, said before anything is read or called.
    for (const char* host : {"127.0.0.1:99999", "127.0.0.1:0"}) {
      const Run push = Zemctl({"push", "a.zem", "--telnet", host});
      QCOMPARE(push.status, 2);
      QVERIFY2(push.err.contains("is outside 1-65535"), push.err.constData());
      QCOMPARE(Zemctl({"pull", "--telnet", host, "-o", dir.filePath("a.zem")}).status, 2);
    }
    const Run help = Zemctl({"push", "--help"});
    QCOMPARE(help.status, 0);
    QVERIFY(help.out.contains("Usage: zemctl push"));
    QCOMPARE(Zemctl({"pull", "--help"}).status, 0);
  }

  void pushSendsEveryLine_data() { AddLinkRows(); }
  void pushSendsEveryLine() {
    QFETCH(bool, serial);
    const QString in = QStringLiteral(ZEM_SOURCE_DIR "/examples/small-8x24.zem");
    UnitSim sim;
    QStringList link;
    QVERIFY(OpenLink(sim, serial, &link));
    const Run run = Zemctl(QStringList{"push", in} << link);
    QCOMPARE(run.status, 0);
    Editor expected;
    expected.ImportFileText(Read(in).toStdString(), in.toStdString());
    const std::vector<std::string> sent = NonEmpty(expected.PrepareExport());
    QCOMPARE(sim.Recorded(), sent);
    QCOMPARE(sim.BadTerminators(), 0);
    QVERIFY(run.err.contains("Sending line "));
    QVERIFY(run.err.contains("sent " + std::to_string(sent.size()) + " lines"));
  }

  void pushReportsTheLastLineSent() {
    const QString in = QStringLiteral(ZEM_SOURCE_DIR "/examples/small-8x24.zem");
    Editor expected;
    expected.ImportFileText(Read(in).toStdString(), in.toStdString());
    const std::vector<std::string> sent = NonEmpty(expected.PrepareExport());

    SimOptions closing;
    closing.closeAfter = 4;
    UnitSim tcp(closing);
    std::string error;
    QVERIFY(tcp.ListenTcp(0, QHostAddress::LocalHost, &error));
    const Run closed = Zemctl({"push", in, "--telnet", Host(tcp)});
    QCOMPARE(closed.status, 1);
    QVERIFY2(closed.err.contains(
                 "zemctl: Telnet Export Incomplete: the unit closed the connection after command 4 of " +
                 std::to_string(sent.size()) + "\n"),
             closed.err.constData());
    QVERIFY(closed.err.contains("Connection Closed Gracefully."));
    QVERIFY(closed.err.contains(sent[3]) || closed.err.contains(sent[4]));

    SimOptions silent;
    silent.silent = true;
    UnitSim pty(silent);
    QVERIFY(pty.OpenPty(&error));
    const Run unanswered =
        Zemctl({"push", in, "--serial", QString::fromStdString(pty.PtyPath()), "--reply-limit", "1"});
    QCOMPARE(unanswered.status, 1);
    const std::string ending = "Serial Export Incomplete: no response in 1 second after command 1 of " +
                               std::to_string(sent.size()) + ": " + sent[0];
    QVERIFY2(unanswered.err.contains(ending), unanswered.err.constData());
    QCOMPARE(pty.Recorded(), std::vector<std::string>{sent[0]});
  }

  void pushCountsErrorAnswers_data() { AddLinkRows(); }
  void pushCountsErrorAnswers() {
    QFETCH(bool, serial);
    const QString in = QStringLiteral(ZEM_SOURCE_DIR "/examples/small-8x24.zem");
    SimOptions o;
    o.reply = SimOptions::Reply::Error;
    UnitSim sim(o);
    QStringList link;
    QVERIFY(OpenLink(sim, serial, &link));
    const Run run = Zemctl(QStringList{"push", in} << link);
    QCOMPARE(run.status, 4);
    // The "(ERROR)" answering the opening "[]" is no line's answer.
    const std::vector<std::string>& sent = sim.Recorded();
    const std::string n = std::to_string(sent.size());
    const std::string ending = std::string(serial ? "Serial" : "Telnet") + " Export Complete: " + n + " of " +
                               n + " commands refused\nzemctl: Refused by the unit: " + sent[0] + ", " +
                               sent[1] + ", " + sent[2] + ", " + sent[3] + ", " + sent[4] + "\n";
    QVERIFY2(run.err.contains(ending), run.err.constData());
    QVERIFY(Zemctl({"push", "--help"}).out.contains("4 every line was answered, but"));
  }

  void timeoutEndsEveryWait() {
    QTemporaryDir dir;
    SimOptions o = Serving(GenerateConfiguration(2, 4));
    o.silent = true;
    UnitSim sim(o);
    std::string error;
    QVERIFY(sim.ListenTcp(0, QHostAddress::LocalHost, &error));
    const QString out = dir.filePath("out.zem");
    const Run pull = Zemctl({"pull", "--telnet", Host(sim), "-o", out, "--timeout", "1"});
    QCOMPARE(pull.status, 3);
    QVERIFY2(pull.err.contains("No answer from the unit in 1 second. Nothing imported;"),
             pull.err.constData());
    QVERIFY(!QFile::exists(out));

    const QString in = QStringLiteral(ZEM_SOURCE_DIR "/examples/small-8x24.zem");
    const Run push = Zemctl({"push", in, "--telnet", Host(sim), "--timeout", "1"});
    QCOMPARE(push.status, 1);
    QVERIFY2(push.err.contains("Telnet Export Incomplete: no response in 1 second before the first command"),
             push.err.constData());

    // Answers to the "[]" and the first two lines, then silence.
    sim.Options().silent = false;
    sim.Options().closeAfter = -1;
    sim.ClearRecord();
    QObject::connect(&sim, &UnitSim::CommandRecorded, &sim, [&] {
      if (sim.Recorded().size() == 3) sim.Options().silent = true;
    });
    const Run stalled = Zemctl({"push", in, "--telnet", Host(sim), "--timeout", "1"});
    QCOMPARE(stalled.status, 1);
    QVERIFY2(stalled.err.contains("no response in 1 second after command 3 of ") &&
                 stalled.err.contains(": " + sim.Recorded()[2]),
             stalled.err.constData());
    QCOMPARE(sim.Recorded().size(), std::size_t{3});

    QCOMPARE(Zemctl({"pull", "--telnet", Host(sim), "-o", out, "--timeout", "0"}).status, 2);
    QCOMPARE(Zemctl({"push", in, "--telnet", Host(sim), "--timeout", "x"}).status, 2);
  }

  // A unit that sends bytes without end, slowly: every wait of zemctl ends
  // at its bound, whatever trickles in (the bounds here are at most 2 s; the
  // process is given a margin, past which the run counts as never ending).
  // The window has no such bounds, but its waits end at Cancel.
  void tricklingUnitsMeetTheirBounds_data() {
    QTest::addColumn<bool>("serial");
    QTest::addColumn<int>("trickle");
    QTest::addColumn<QStringList>("args");  // the link goes after the first
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    using T = SimOptions::Trickle;
    const auto row = [](const char* name, bool serial, T trickle, const QStringList& args, int exitCode,
                        const QString& message) {
      QTest::newRow(name) << serial << int(trickle) << args << exitCode << message;
    };
    const QString small = QStringLiteral(ZEM_SOURCE_DIR "/examples/small-8x24.zem");
    const QString noLine = "No complete line from the unit in 1 second. The import ended there.";
    const QString deadline = "The transfer reached its deadline of 2 seconds. The import ended there.";
    const QString noReply = "no response in 1 second after command";
    row("pull tcp bare CRs", false, T::BareCr, {"pull", "--timeout", "1"}, 4, noLine);
    row("pull tcp unended line", false, T::Unended, {"pull", "--timeout", "1"}, 4, noLine);
    row("pull tcp lines", false, T::Lines, {"pull", "--timeout", "1", "--deadline", "2"}, 4, deadline);
    row("pull pty bare CRs", true, T::BareCr, {"pull", "--timeout", "1"}, 4, noLine);
    row("pull pty lines", true, T::Lines, {"pull", "--deadline", "2"}, 4, deadline);
    row("diff tcp unended line", false, T::Unended, {"diff", small, "--timeout", "1"}, 2,
        "may have sent only part");
    row("push tcp unended answer", false, T::Unended, {"push", small, "--timeout", "1"}, 1, noReply);
    row("push tcp answers without end", false, T::Lines, {"push", small, "--timeout", "1", "--deadline", "2"},
        1, "the push reached its deadline of 2 s");
    row("push pty bare CRs", true, T::BareCr, {"push", small, "--timeout", "1"}, 1, noReply);
    row("push --backup tcp lines", false, T::Lines, {"push", small, "--backup", "BACKUP", "--deadline", "2"},
        5, deadline);
    for (const bool serial : {false, true})
      for (const char* run : {"import", "export"})
        row(qPrintable(QString("window %1 %2").arg(run, serial ? "pty" : "tcp")), serial, T::BareCr,
            {"window", run}, 0, "");
  }
  void tricklingUnitsMeetTheirBounds() {
    QFETCH(bool, serial);
    QFETCH(int, trickle);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QTemporaryDir dir;
    SimOptions o = Serving(GenerateConfiguration(2, 4));
    o.trickle = SimOptions::Trickle(trickle);
    o.trickleMs = 100;
    if (args[0] == "window") {
      Rig rig(o);
      QVERIFY(serial ? rig.UseSerial() : rig.UseTelnet());
      rig.ctl.SetReplyLimitMs(600000);
      rig.editor.ImportFileText(ZemFileText(GenerateConfiguration(2, 4)), "x.zem");
      QTimer::singleShot(1500, &rig.ctl, [&] { rig.ctl.Cancel(); });
      args[1] == "import" ? rig.ctl.ImportConfiguration() : rig.ctl.ExportConfiguration();
      QCOMPARE(rig.ctl.LastOutcome(), TransferController::Outcome::Cancelled);
      return;
    }
    UnitSim sim(o);
    QStringList link;
    QVERIFY(OpenLink(sim, serial, &link));
    args.replaceInStrings("BACKUP", dir.filePath("backup.zem"));
    if (args[0] == "pull") args << "-o" << dir.filePath("out.zem");
    const Run run = Zemctl(QStringList{args[0]} << link << args.mid(1), {.timeMs = 12000});
    QCOMPARE(run.status, exitCode);
    QVERIFY2(run.err.contains(message.toStdString()), run.err.constData());
    // A pull that ended at a bound keeps what came, as an incomplete one does.
    if (args[0] == "pull") QVERIFY(Read(dir.filePath("out.zem")).contains("[NO4\"Room 4\"]"));
  }

  // An input FIFO is read within --deadline: with no writer the run ends at
  // the bound, before the unit is reached; one fed in time is read whole.
  void fifoInputsMeetTheDeadline_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("fed");
    QTest::addColumn<int>("status");
    const QString small = QStringLiteral(ZEM_SOURCE_DIR "/examples/small-8x24.zem");
    const QStringList pushSince{"push", small, "--telnet", "UNIT", "--since", "FIFO"};
    QTest::newRow("push --since") << pushSince << false << 2;
    QTest::newRow("push IN") << QStringList{"push", "FIFO", "--telnet", "UNIT"} << false << 2;
    QTest::newRow("diff") << QStringList{"diff", "FIFO", small} << false << 2;
    QTest::newRow("push --since fed") << pushSince << true << 0;  // nothing changed
    QTest::newRow("diff fed") << QStringList{"diff", small, "FIFO"} << true << 0;
  }
  void fifoInputsMeetTheDeadline() {
    const QString small = QStringLiteral(ZEM_SOURCE_DIR "/examples/small-8x24.zem");
    QFETCH(QStringList, args);
    QFETCH(bool, fed);
    QFETCH(int, status);
    QTemporaryDir dir;
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo")), 0600), 0);
    UnitSim sim;
    std::string error;
    QVERIFY(sim.ListenTcp(0, QHostAddress::LocalHost, &error));
    args.replaceInStrings("FIFO", dir.filePath("fifo")).replaceInStrings("UNIT", Host(sim));
    QProcess writer;  // its open of the FIFO waits for zemctl's
    if (fed) writer.start("sh", {"-c", "exec cat \"$1\" > \"$0\"", dir.filePath("fifo"), small});
    args.append({"--deadline", "1"});
    const Run run = Zemctl(args, {.timeMs = 10000});
    QCOMPARE(run.status, status);
    QVERIFY2(fed || run.err.contains("fifo: the read reached its deadline of 1 s"), run.err.constData());
    QCOMPARE(sim.Connections(), 0);
  }

  // A serial unit that hangs up: the port is reported lost at once, not
  // after the silence or the reply limit.
  void serialHangupIsReported() {
    QTemporaryDir dir;
    SimOptions o = Serving(GenerateConfiguration(2, 4));
    o.closeMidImport = true;
    UnitSim pulled(o);
    std::string error;
    QVERIFY(pulled.OpenPty(&error));
    const QString pty = QString::fromStdString(pulled.PtyPath());
    const Run pull = Zemctl({"pull", "--serial", pty, "-o", dir.filePath("out.zem")});
    QCOMPARE(pull.status, 4);
    QVERIFY2(
        pull.err.contains("warning: The serial port " + pulled.PtyPath() + " was lost during the import."),
        pull.err.constData());
    QVERIFY(pull.err.contains("warning: The unit's end marker \"(QX)\" never came"));

    SimOptions closing;
    closing.closeAfter = 3;
    UnitSim pushed(closing);
    QVERIFY(pushed.OpenPty(&error));
    const QString in = QStringLiteral(ZEM_SOURCE_DIR "/examples/small-8x24.zem");
    const Run push =
        Zemctl({"push", in, "--serial", QString::fromStdString(pushed.PtyPath()), "--reply-limit", "20"});
    QCOMPARE(push.status, 1);
    QVERIFY2(push.err.contains("The serial port " + pushed.PtyPath() + " was lost."), push.err.constData());
    QCOMPARE(pushed.Recorded().size(), std::size_t{3});
  }

  // A long wait is shown counting on a terminal only; the ending either way.
  void pushShowsALongWaitOnATerminal() {
    SimOptions o;
    o.silent = true;
    UnitSim sim(o);
    std::string error;
    QVERIFY(sim.ListenTcp(0, QHostAddress::LocalHost, &error));
    const QStringList push{"push", Source("examples/small-8x24.zem"), "--telnet", Host(sim), "--timeout",
                           "3"};
    const Run piped = Zemctl(push);
    QCOMPARE(piped.status, 1);
    QVERIFY2(piped.err.contains(
                 "zemctl: Telnet Export Incomplete: no response in 3 seconds before the first command\n") &&
                 !piped.err.contains("Waiting"),
             piped.err.constData());

    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(terminal >= 0 && ::grantpt(terminal) == 0 && ::unlockpt(terminal) == 0);
    const int held = ::open(::ptsname(terminal), O_RDWR | O_NOCTTY);  // the terminal outlives zemctl
    QCOMPARE(Zemctl(push, {.stderrTo = QString::fromLatin1(::ptsname(terminal))}).status, 1);
    QByteArray text(4096, '\0');
    pollfd ready{terminal, POLLIN, 0};
    text.resize(::poll(&ready, 1, 5000) == 1 ? std::max<ssize_t>(::read(terminal, text.data(), 4096), 0) : 0);
    ::close(held);
    ::close(terminal);
    QVERIFY2(text.contains("\rWaiting for the unit's answer to the opening [] (2 s)"), text.constData());
  }

  // --changes reads the unit once (the backup, when there is one) and sends
  // only what it lacks; a name read back without the letters a unit cannot
  // return counts as held. Counts that differ, or a read that fails, send
  // nothing.
  void changesSendsWhatTheUnitLacks_data() {
    QTest::addColumn<bool>("serial");
    QTest::addColumn<QString>("unit");  // what it holds: small, held (IN without its e-acute), full, silent
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("queries");  // -1: not counted
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("printed");  // standard output
    const QByteArray lacking = "[VO1R-3]\n[NO2\"Caf\xe9\"]\n[EC]\n";
    const auto row = [](const char* name, bool serial, const char* unit, const QStringList& extra, int status,
                        int queries, const QByteArray& sent, const char* message,
                        const QByteArray& printed = {}) {
      QTest::newRow(name) << serial << QString(unit) << extra << status << queries << sent << QString(message)
                          << printed;
    };
    row("telnet", false, "small", {}, 0, 1, lacking, "sent 3 lines, every one answered");
    row("serial", true, "small", {}, 0, 1, lacking, "sent 3 lines, every one answered");
    row("held already", false, "held", {}, 0, 1, "", "the unit already holds what IN sets; nothing sent");
    row("the backup is the read", false, "small", {"--backup", "B"}, 0, 1, lacking, "backed up in");
    row("verified", true, "small", {"--verify"}, 0, 2, lacking, "verified: the unit holds what was sent");
    row("counts differ", false, "full", {"--backup", "B"}, 2, 1, "",
        "counts differ: a full export is needed");
    row("read fails", false, "silent", {"--timeout", "1"}, 5, -1, "", "Nothing imported; nothing sent");
    row("with --since", false, "small", {"--since", "IN"}, 2, 0, "", "it goes without --since");
    // --check: the same read, nothing sent, the lines printed.
    row("check", false, "small", {"--check"}, 0, 1, "", "3 lines would be sent; nothing sent", lacking);
    row("check held", true, "held", {"--check"}, 0, 1, "", "nothing would be sent");
    row("check with a backup", false, "small", {"--check", "--backup", "B"}, 0, 1, "", "backed up in",
        lacking);
    row("check counts differ", false, "full", {"--check"}, 2, 1, "",
        "counts differ: a full export is needed");
    row("check and verify", false, "small", {"--check", "--verify"}, 2, 0, "", "nothing to --verify");
  }
  void changesSendsWhatTheUnitLacks() {
    QFETCH(bool, serial);
    QFETCH(QString, unit);
    QFETCH(QStringList, extra);
    QFETCH(int, status);
    QFETCH(int, queries);
    QFETCH(QByteArray, sent);
    QFETCH(QString, message);
    QFETCH(QByteArray, printed);
    QTemporaryDir dir;
    const QString in = WriteChangedIn(dir), backup = dir.filePath("b.zem");
    SimOptions o = UnitHolding(unit, in);
    o.silent = unit == "silent";
    UnitSim sim(o);
    QStringList link;
    QVERIFY(OpenLink(sim, serial, &link));
    extra.replaceInStrings("IN", in).replaceInStrings(QRegularExpression("^B$"), backup);
    const Run run = Zemctl(QStringList{"push", in, "--changes"} << link << extra);
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.contains(message.toStdString()), run.err.constData());
    if (queries >= 0) QCOMPARE(sim.Queries(), queries);
    QByteArray received;
    for (const std::string& line : sim.Recorded()) received += QByteArray::fromStdString(line) + '\n';
    QCOMPARE(received, sent);
    QCOMPARE(run.out, printed);
    // The backup holds what the unit held before.
    if (extra.contains(backup)) QVERIFY(Read(backup).contains("[VO1R-7]") || unit == "full");
  }

  // push --json: one object on standard output, however the push ends.
  void jsonReportsThePush_data() {
    QTest::addColumn<QString>("unit");  // as UnitHolding; "gone": nothing listens
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("expected");  // these fields, as they must be ('' for "")
    QTest::addColumn<QString>("message");
    const QByteArray sent = "'lines':['[VO1R-3]','[NO2\\\"Caf\\u00e9\\\"]','[EC]'],'lines_total':3,";
    QTest::newRow("sent, backed up, verified")
        << "small" << QStringList{"--changes", "--backup", "B", "--verify"} << 0
        << "{'result':'ok','exit':0,'check':false,'changed':true," + sent +
               "'lines_sent':3,'lines_refused':0,'counts_differ':false,'backup':'B','verify':'ok','"
               "differences':[]}"
        << "verified: the unit holds what was sent";
    QTest::newRow("held already") << "held" << QStringList{"--changes", "--verify"} << 0
                                  << QByteArray(
                                         "{'result':'ok','changed':false,'lines':[],'lines_sent':0,"
                                         "'backup':null,'verify':'ok'}")
                                  << "verified";
    QTest::newRow("check") << "small" << QStringList{"--check"} << 0
                           << "{'result':'ok','check':true,'changed':true," + sent +
                                  "'lines_sent':0,'verify':'not-run'}"
                           << "3 lines would be sent; nothing sent";
    QTest::newRow("verify differs")
        << "small ignoring" << QStringList{"--changes", "--verify"} << 1
        << QByteArray(
               "{'result':'differs','changed':true,'lines_sent':3,'verify':'differs',"
               "'differences':['zone 1 volume: -3 dB -> -7 dB']}")
        << "the unit does not hold what was sent: 1 difference";
    QTest::newRow("error answers") << "small refusing" << QStringList{"--changes"} << 4
                                   << QByteArray("{'result':'refused','changed':true,'lines_refused':3}")
                                   << "Refused by the unit: [VO1R-3]";
    QTest::newRow("counts differ") << "full" << QStringList{"--changes"} << 2
                                   << QByteArray("{'result':'counts-differ','counts_differ':true,'lines':[]}")
                                   << "counts differ: a full export is needed";
    QTest::newRow("unreachable") << "gone" << QStringList{} << 1
                                 << QByteArray("{'result':'failed','changed':false,'lines_sent':0}")
                                 << "Connection refused";
    QTest::newRow("bad argument") << "small" << QStringList{"--bogus"} << 2
                                  << QByteArray("{'result':'invalid','exit':2,'lines':[]}")
                                  << "unexpected argument '--bogus'";
  }
  void jsonReportsThePush() {
    QFETCH(QString, unit);
    QFETCH(QStringList, extra);
    QFETCH(int, status);
    QFETCH(QByteArray, expected);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString in = WriteChangedIn(dir), backup = dir.filePath("b.zem");
    SimOptions o = UnitHolding(unit.section(' ', 0, 0), in);
    if (unit.endsWith("ignoring")) o.ignoreCommands = {1};
    if (unit.endsWith("refusing")) o.reply = SimOptions::Reply::Error;
    std::optional<UnitSim> sim(o);
    std::string error;
    QVERIFY(sim->ListenTcp(0, QHostAddress::LocalHost, &error));
    const QString host = Host(*sim);
    if (unit == "gone") sim.reset();
    extra.replaceInStrings(QRegularExpression("^B$"), backup);
    const Run run = Zemctl(QStringList{"push", in, "--telnet", host, "--json"} << extra);
    QCOMPARE(run.status, status);
    // One line, one object, every field there.
    QVERIFY2(run.out.endsWith('\n') && run.out.count('\n') == 1, run.out.constData());
    const QJsonObject report = QJsonDocument::fromJson(run.out).object();
    QCOMPARE(QStringList(report.keys()).join(' '),
             "backup changed check counts_differ differences exit lines lines_refused lines_sent lines_total "
             "message result stopped verify warnings");
    const QJsonObject want =
        QJsonDocument::fromJson(expected.replace("'B'", '"' + backup.toUtf8() + '"').replace('\'', '"'))
            .object();
    QVERIFY(!want.isEmpty());
    for (auto field = want.begin(); field != want.end(); ++field)
      QVERIFY2(report.value(field.key()) == field.value(), qPrintable(field.key() + ": " + run.out));
    QCOMPARE(report.value("exit").toInt(), status);
    QVERIFY2(report.value("message").toString().contains(message), run.out.constData());
  }

  // Ctrl+C: the line in flight is answered and no other sent; a read before
  // sending, or the wait for the opening "[]", ends at once, with nothing sent
  // and no backup written.
  void interruptStopsBetweenLines_data() {
    QTest::addColumn<bool>("serial");
    QTest::addColumn<QString>("when");  // "line 3", or while a silent unit is awaited: "backup", "opening"
    QTest::addColumn<QString>("message");
    QTest::newRow("telnet") << false << "line 3"
                            << "interrupted: stopped after command 3 of N\n";
    QTest::newRow("serial") << true << "line 3"
                            << "interrupted: stopped after command 3 of N\n";
    QTest::newRow("backup") << false << "backup"
                            << "interrupted: stopped before sending; no backup written, nothing sent\n";
    QTest::newRow("opening") << false << "opening"
                             << "interrupted: stopped before the first command\n";
  }
  void interruptStopsBetweenLines() {
    QFETCH(bool, serial);
    QFETCH(QString, when);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString in = Source("examples/small-8x24.zem"), backup = dir.filePath("b.zem");
    Editor file;
    file.ImportFileText(Read(in).toStdString(), "in.zem");
    const std::size_t total = NonEmpty(file.PrepareExport()).size();
    SimOptions o = UnitHolding("small", in);
    o.silent = when != "line 3";
    UnitSim sim(o);
    QStringList link;
    QVERIFY(OpenLink(sim, serial, &link));
    QProcess zemctl;
    bool interrupted = false;
    const auto interrupt = [&] {
      if (!std::exchange(interrupted, true)) ::kill(static_cast<pid_t>(zemctl.processId()), SIGINT);
    };
    // Sent as the unit takes command 3, before it answers it.
    QObject::connect(&sim, &UnitSim::CommandRecorded, &sim, [&] {
      if (sim.Recorded().size() == 3) interrupt();
    });
    QTimer awaited;  // once zemctl waits for the silent unit
    QObject::connect(&awaited, &QTimer::timeout, &sim, [&] {
      if (o.silent && sim.Connections() > 0) interrupt();
    });
    awaited.start(20);
    QEventLoop loop;
    QObject::connect(&zemctl, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    const QStringList backingUp{"--backup", backup};
    zemctl.start(ZEMCTL_PATH, QStringList{"push", in, "--json"}
                                  << link << (when == "opening" ? QStringList() : backingUp));
    loop.exec();
    QCOMPARE(zemctl.state(), QProcess::NotRunning);
    QCOMPARE(zemctl.exitStatus(), QProcess::NormalExit);
    QCOMPARE(zemctl.exitCode(), 130);
    const QByteArray err = zemctl.readAllStandardError();
    message.replace("N", QString::number(total));
    QVERIFY2(err.contains("zemctl: " + message.toUtf8()), err.constData());
    const QJsonObject report = QJsonDocument::fromJson(zemctl.readAllStandardOutput()).object();
    QCOMPARE(report.value("result").toString(), QString("stopped"));
    QVERIFY(report.value("stopped").toBool());
    const int sent = when == "line 3" ? 3 : 0;
    QCOMPARE(report.value("lines_sent").toInt(), sent);
    QCOMPARE(sim.Recorded().size(), std::size_t(sent));
    QCOMPARE(QFile::exists(backup), sent > 0);
  }

  void pushOfTheFullExampleOverAPty() {
    const QString in = QStringLiteral(ZEM_SOURCE_DIR "/examples/full-16x192.zem");
    UnitSim sim;
    std::string error;
    QVERIFY(sim.OpenPty(&error));
    const Run run =
        Zemctl({"push", in, "--serial", QString::fromStdString(sim.PtyPath()), "--reply-limit", "5"});
    QCOMPARE(run.status, 0);
    Editor expected;
    expected.ImportFileText(Read(in).toStdString(), in.toStdString());
    QCOMPARE(sim.Recorded(), NonEmpty(expected.PrepareExport()));
  }
};

QTEST_GUILESS_MAIN(TestZemctlPullPush)
#include "test_zemctl_pull_push.moc"
