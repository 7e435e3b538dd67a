// The simulated unit seen from a bare client: what it sends and records.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QProcess>
#include <QTcpSocket>
#include <QTest>

#include "command/command_writer.h"
#include "editor/editor.h"
#include "sim/line_pace.h"
#include "sim/sim_config.h"
#include "sim/unit_memory.h"
#include "sim/unit_sim.h"

using namespace zem;

namespace {

// A raw client of the simulated unit's TCP port.
struct TcpClient {
  QTcpSocket socket;
  std::string received;
  explicit TcpClient(quint16 port) {
    socket.connectToHost(QHostAddress::LocalHost, port);
    QObject::connect(&socket, &QTcpSocket::readyRead, [this] { received += socket.readAll().toStdString(); });
  }
  bool Connected() {
    return QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::ConnectedState; });
  }
  void Send(const std::string& bytes) {
    socket.write(bytes.data(), static_cast<qint64>(bytes.size()));
    socket.flush();
  }
  bool WaitFor(const std::string& tail) {
    return QTest::qWaitFor([&] { return received.find(tail) != std::string::npos; }, 5000);
  }
};

// A raw client of the simulated unit's pseudo-terminal.
struct PtyClient {
  int fd = -1;
  std::string received;
  explicit PtyClient(const std::string& path) {
    fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    if (fd >= 0 && tcgetattr(fd, &tio) == 0) {
      cfmakeraw(&tio);
      tcsetattr(fd, TCSANOW, &tio);
    }
  }
  ~PtyClient() {
    if (fd >= 0) ::close(fd);
  }
  void Send(const std::string& bytes) {
    QVERIFY(::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size()));
  }
  bool WaitFor(const std::string& tail) {
    return QTest::qWaitFor(
        [&] {
          char buffer[4096];
          ssize_t n;
          while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
            received.append(buffer, static_cast<std::size_t>(n));
          return received.find(tail) != std::string::npos;
        },
        5000);
  }
};

// What an export of `editor`'s configuration writes, as the unit serves it.
std::string Served(Editor& editor, const char* eol = "\r") {
  std::string text;
  for (const std::string& line : editor.PrepareExport())
    if (!line.empty()) text += line + eol;
  return text;
}

std::vector<std::string> ServedLinesOf(const std::string& text) { return ConfigurationLines(text); }

void AddPacedRows() {
  QTest::addColumn<bool>("paced");
  QTest::newRow("as fast as it comes") << false;
  QTest::newRow("paced") << true;
}

}  // namespace

class TestUnitSim : public QObject {
  Q_OBJECT

 private slots:
  void generatedConfigurationIsComplete() {
    const std::vector<std::string> full = GenerateConfiguration(16, 192);
    QVERIFY(full.size() > 3000);
    QCOMPARE(full.front(), std::string("[SD2]"));
    QCOMPARE(full.back(), std::string("[EC]"));
    for (const auto& line : full) QVERIFY(!line.empty() && line.front() == '[' && line.back() == ']');
    QVERIFY(std::find(full.begin(), full.end(), "[NO192\"Room 192\"]") != full.end());
    QVERIFY(std::find(full.begin(), full.end(), "[NI16\"Source 16\"]") != full.end());
    QCOMPARE(ConfigurationLines("a\r\n\r\nb\rc\n"), (std::vector<std::string>{"a", "b", "c"}));
  }

  // Paced, the unit takes what comes a byte a millisecond and says the same.
  void telnetDialogue_data() { AddPacedRows(); }
  void telnetDialogue() {
    QFETCH(bool, paced);
    SimOptions o;
    o.pace = paced;
    o.configLines = {"[NI1\"A\"]", "[NO1\"B\"]"};
    UnitSim sim(o);
    std::string error;
    QVERIFY(sim.ListenTcp(0, QHostAddress::LocalHost, &error));
    TcpClient client(sim.TcpPort());
    QVERIFY(client.Connected());
    client.Send("[]");
    client.Send("[QXSB]");
    QVERIFY(client.WaitFor("[QXSB]"));
    QCOMPARE(client.received, std::string("(ERROR)\r\n[NI1\"A\"]\r[NO1\"B\"]\r[QXSB]"));
    client.received.clear();
    // Lines end with LF CR; one ended the other way round is not taken.
    client.Send("[VO1R-20]\n\r[G1AO2]\n");
    client.Send("\r[X]\r\n");
    QVERIFY(client.WaitFor("(OK)\r\n(OK)\r\n"));
    QVERIFY(QTest::qWaitFor([&] { return sim.BadTerminators() == 1; }));
    QCOMPARE(sim.Recorded(), (std::vector<std::string>{"[VO1R-20]", "[G1AO2]"}));
    QCOMPARE(sim.Syncs(), 1);
    QCOMPARE(sim.Queries(), 1);
  }

  void serialDialogue_data() { AddPacedRows(); }
  void serialDialogue() {
    QFETCH(bool, paced);
    SimOptions o;
    o.pace = paced;
    o.configLines = {"[NI1\"A\"]"};
    o.crlf = true;
    o.reply = SimOptions::Reply::Echo;
    UnitSim sim(o);
    std::string error;
    QVERIFY(sim.OpenPty(&error));
    PtyClient client(sim.PtyPath());
    QVERIFY(client.fd >= 0);
    client.Send("[QXSB]");
    QVERIFY(client.WaitFor("(QX)"));
    QCOMPARE(client.received, std::string("[NI1\"A\"]\r\n(QX)"));
    client.received.clear();
    // Bare commands, each closed by its "]", even one inside a quoted name.
    client.Send("[NO3\"a]b\"][VO1");
    client.Send("R-3]");
    QVERIFY(client.WaitFor("[VO1R-3]\r\n"));
    QCOMPARE(sim.Recorded(), (std::vector<std::string>{"[NO3\"a]b\"]", "[VO1R-3]"}));

    // A name may hold any bytes: quotes that do not pair up, a command that
    // arrives in pieces. Each command the program sends is answered once.
    client.received.clear();
    sim.ClearRecord();
    client.Send("[NO5\"a\"b\"]");
    QVERIFY(client.WaitFor("[NO5\"a\"b\"]\r\n"));
    client.Send("[NO6\"x");
    QTest::qWait(20);
    client.Send("y\"]");
    QVERIFY(client.WaitFor("[NO6\"xy\"]\r\n"));
    QCOMPARE(sim.Recorded(), (std::vector<std::string>{"[NO5\"a\"b\"]", "[NO6\"xy\"]"}));
  }

  // The line's pace on a clock of our own: however late the reader wakes, it
  // never takes more than the line carried nor waits past a due byte, and a
  // pause is not made up for.
  void linePaceKeepsTheLineRate() {
    LinePace pace;
    pace.Restart(0);
    std::int64_t now = 0, taken = 0;
    for (int wait = 0;; now += wait + taken % 7) {  // woken up to 6 ms late
      const std::int64_t take = std::min<std::int64_t>(pace.Budget(now), 500 - taken);
      QVERIFY(take >= 1);  // woken only when a byte is due
      pace.Pass(take);
      QVERIFY((taken += take) * 100 <= now * 96 + 100);  // never ahead of the line
      if (taken == 500) break;
      wait = pace.WaitMs(now);
      QVERIFY(wait >= 1 && pace.Budget(now + wait - 1) == 0);  // not due a moment sooner
    }
    QVERIFY(now >= 519 && now <= 527);  // 500 bytes at 0.96 a millisecond, the last woken late
    pace.Resume(now + 5000);
    QCOMPARE(pace.Budget(now + 5000), std::int64_t{1});
    pace.Pass(1);
    pace.Resume(now + 5000);  // nor does resuming right after a byte give one early
    QCOMPARE(pace.Budget(now + 5000), std::int64_t{0});
  }

  void faultModes() {
    SimOptions o;
    o.configLines = {"[NI1\"A\"]", "[NI2\"B\"]", "[NI3\"C\"]", "[NI4\"D\"]"};
    o.junk = true;
    o.trailingBytes = true;
    o.closeAfter = 1;
    o.reply = SimOptions::Reply::Error;
    UnitSim sim(o);
    std::string error;
    QVERIFY(sim.ListenTcp(0, QHostAddress::LocalHost, &error));
    TcpClient client(sim.TcpPort());
    QVERIFY(client.Connected());
    client.Send("[QXSB]");
    QVERIFY(client.WaitFor(std::string("[QXSB]") + kSimTrailingCommand + "\r"));
    QVERIFY(client.received.find("\r\x01\x07") != std::string::npos);
    QVERIFY(client.received.find('\xff') != std::string::npos);
    client.received.clear();
    client.Send("[A]\n\r");
    QVERIFY(client.WaitFor("(ERROR)\r\n"));
    QVERIFY(QTest::qWaitFor([&] { return client.socket.state() == QAbstractSocket::UnconnectedState; }));
    // The unit half-closes and lets go once the client has closed too.
    QTRY_COMPARE(sim.OpenConnections(), 0);

    sim.Options() = SimOptions{};
    sim.Options().configLines = o.configLines;
    sim.Options().closeMidImport = true;
    TcpClient half(sim.TcpPort());
    QVERIFY(half.Connected());
    half.Send("[QXSB]");
    QVERIFY(QTest::qWaitFor([&] { return half.socket.state() == QAbstractSocket::UnconnectedState; }));
    QCOMPARE(half.received, std::string("[NI1\"A\"]\r[NI2\"B\"]\r"));

    sim.Options().closeMidImport = false;
    sim.Options().silent = true;
    TcpClient quiet(sim.TcpPort());
    QVERIFY(quiet.Connected());
    quiet.Send("[][QXSB][Z]\n\r");
    QVERIFY(QTest::qWaitFor([&] { return sim.Recorded().size() == 2; }));
    QTest::qWait(50);
    QVERIFY(quiet.received.empty());
  }

  void endlessFaultsAndHangup() {
    SimOptions o;
    o.configLines = {"[NI1\"A\"]", "[NI2\"B\"]"};
    o.floodReplies = true;
    UnitSim sim(o);
    std::string error;
    QVERIFY(sim.ListenTcp(0, QHostAddress::LocalHost, &error));
    // A flood of replies from the first "[]" on, however little is asked.
    TcpClient flooded(sim.TcpPort());
    QVERIFY(flooded.Connected());
    flooded.Send("[]");
    QVERIFY(QTest::qWaitFor([&] { return flooded.received.size() > 300000; }, 10000));
    std::string replies;
    while (replies.size() < 300000) replies += "(OK)\r\n";
    QCOMPARE(flooded.received.substr(0, replies.size()), replies);
    flooded.socket.abort();

    // The configuration, then nothing but bytes a reader drops, without end.
    sim.Options().floodReplies = false;
    sim.Options().endlessDropped = true;
    TcpClient dropped(sim.TcpPort());
    QVERIFY(dropped.Connected());
    dropped.Send("[QXSB]");
    QVERIFY(QTest::qWaitFor([&] { return dropped.received.size() > 300000; }, 10000));
    const std::string config = "[NI1\"A\"]\r[NI2\"B\"]\r";
    QCOMPARE(dropped.received.substr(0, config.size()), config);
    const std::string rest = dropped.received.substr(config.size());
    QVERIFY(std::none_of(rest.begin(), rest.end(), [](char c) {
      const auto b = static_cast<unsigned char>(c);
      return (b >= 32 && b <= 126) || b == '\r';
    }));
    QVERIFY(rest.find('\n') != std::string::npos && rest.find("\xff\xfb\x01") != std::string::npos);
    dropped.socket.abort();

    // A pseudo-terminal that hangs up by itself: the far side reads its end.
    UnitSim hangingUp([] {
      SimOptions h;
      h.hangupAfterMs = 50;
      return h;
    }());
    QVERIFY(hangingUp.OpenPty(&error));
    PtyClient client(hangingUp.PtyPath());
    QVERIFY(client.fd >= 0);
    bool closed = false;
    QObject::connect(&hangingUp, &UnitSim::Closed, [&] { closed = true; });
    QVERIFY(QTest::qWaitFor([&] { return closed; }, 5000));
    char byte = 0;
    const ssize_t n = ::read(client.fd, &byte, 1);
    QVERIFY(n == 0 || (n < 0 && errno == EIO));
  }

  // A command answered "(OK)" changes what the next query is answered with;
  // until then the configuration goes out exactly as it was given.
  void takesTheCommandsItAnswers() {
    SimOptions o;
    o.configLines = GenerateConfiguration(3, 5);
    o.reply = SimOptions::Reply::Error;
    UnitSim sim(o);
    std::string error;
    QVERIFY(sim.ListenTcp(0, QHostAddress::LocalHost, &error));
    TcpClient client(sim.TcpPort());
    QVERIFY(client.Connected());
    const std::string asGiven = ZemFileText(o.configLines);
    std::string given;
    for (const std::string& line : o.configLines) given += line + "\r";

    client.Send("[NO2\"Refused\"]\n\r[QXSB]");  // "(ERROR)": nothing taken
    QVERIFY(client.WaitFor("\r[QXSB]"));
    QCOMPARE(client.received, "(ERROR)\r\n" + given + "[QXSB]");

    sim.Options().reply = SimOptions::Reply::Ok;
    sim.Options().ignoreCommands = {4};  // the fourth command received
    std::vector<std::string> dropped;
    QObject::connect(&sim, &UnitSim::CommandDropped,
                     [&](const std::string& line) { dropped.push_back(line); });
    client.received.clear();
    client.Send("[NO2\"Deck\"]\n\r[VO3R-30]\n\r");
    QVERIFY(client.WaitFor("(OK)\r\n(OK)\r\n"));
    client.Send("[NI1\"Dropped\"]\n\r[RAR]\n\r[RPO4I2]\n\r[QXSB]");
    QVERIFY(client.WaitFor("\r[QXSB]"));
    QCOMPARE(sim.CommandsReceived(), 6);
    QCOMPARE(dropped, std::vector<std::string>{"[NI1\"Dropped\"]"});

    Editor expected;
    expected.ImportFileText(asGiven, "given.zem");
    QCOMPARE(expected.model.unit.SourceNames[1], std::string("Source 1"));
    expected.model.unit.ZoneNames[2] = "Deck";
    expected.model.unit.ZoneAudio[3].Volume = -30;
    for (int z = 1; z <= 5; ++z)
      for (int s = 1; s <= 3; ++s) expected.model.unit.RestrictionMark(z, s) = z == 4 && s == 2 ? "R" : "";
    QVERIFY(std::count(o.configLines.begin(), o.configLines.end(), "[RPO5I2]") == 1);  // emptied
    QCOMPARE(client.received, "(OK)\r\n(OK)\r\n(OK)\r\n(OK)\r\n(OK)\r\n" + Served(expected) + "[QXSB]");

    // What it serves now reads back to exactly the same lines.
    Editor reread;
    reread.ImportFileText(ZemFileText(sim.ServedLines()), "served.zem");
    QCOMPARE(ServedLinesOf(Served(reread)), sim.ServedLines());
  }

  void takenCommandsOnTheirOwn() {
    // Groups and favorites blocks empty their tables; others keep theirs.
    const std::vector<std::string> config = GenerateConfiguration(4, 6);
    const std::vector<std::string> taken = TakeCommands(config, {"[GAR]", "[G4AO1]", "[FAR]", "[F2AO3VI1]"});
    Editor editor;
    editor.ImportFileText(ZemFileText(taken), "taken.zem");
    const ConfigModel& m = editor.model;
    for (int z = 1; z <= 6; ++z)
      for (int g = 1; g <= kGroups; ++g)
        QCOMPARE(m.unit.GroupMark(z, g), std::string(z == 1 && g == 4 ? "G" : ""));
    for (int f = 1; f <= kFavorites; ++f)
      for (int z = 1; z <= 6; ++z)
        for (int s = 1; s <= 4; ++s)
          QCOMPARE(m.unit.FavoriteStore.Cell(f, s, z) == Route::Combined ||
                       m.unit.FavoriteStore.Cell(f, s, z) == Route::Audio ||
                       m.unit.FavoriteStore.Cell(f, s, z) == Route::Video,
                   f == 2 && z == 3 && s == 1);
    QVERIFY(m.unit.FavoriteStore.Cell(2, 1, 3) == Route::Video);
    QVERIFY(std::count(taken.begin(), taken.end(), "[RPO3I4]") == 1);
    QCOMPARE(std::count_if(taken.begin(), taken.end(),
                           [](const std::string& l) { return l.rfind("[RPO", 0) == 0; }),
             std::count_if(config.begin(), config.end(),
                           [](const std::string& l) { return l.rfind("[RPO", 0) == 0; }));

    // Lines that name no source are kept as they are, the commands after them.
    QCOMPARE(TakeCommands({"[NO1\"A\"]"}, {"[NO2\"B\"]"}),
             (std::vector<std::string>{"[NO1\"A\"]", "[NO2\"B\"]"}));
    QCOMPARE(TakeCommands({"[NO1\"A\"]"}, {}), std::vector<std::string>{"[NO1\"A\"]"});

    // A memory that is full refuses the command rather than losing it.
    UnitMemory memory;
    std::vector<std::string> lines{std::string(UnitMemory::kLineBytes - 8, 'x')};
    QVERIFY(memory.Take(lines, "[NO1\"A\"]") == false);
    QVERIFY(!memory.HasPending());
    lines = {"[NI1\"S\"]"};
    for (int i = 0; i < 20000; ++i)
      QVERIFY(memory.Take(lines, "[NO1\"Zone " + std::to_string(i % 100) + "\"]"));
    memory.Update(lines);
    QVERIFY(std::count(lines.begin(), lines.end(), "[NO1\"Zone 99\"]") == 1);
    QVERIFY(lines.size() < 40);
  }

  // What a client sends never reaches the simulator's terminal as control
  // bytes: an escape sequence is printed as text.
  void programPrintsCommandsEscaped() {
    QProcess sim;
    sim.start(QStringLiteral(ZEM_UNIT_SIM_PATH), {"--port", "0"});
    QVERIFY(sim.waitForReadyRead());
    const QByteArray listening = sim.readLine();
    QVERIFY(listening.startsWith("Listening on 127.0.0.1:"));
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, listening.mid(23).trimmed().toUShort());
    QVERIFY(client.waitForConnected());
    client.write("[NO1\"\x1b]0;owned\x07\xe9\\\"]\n\r");
    QVERIFY(client.waitForBytesWritten());
    QByteArray out;
    while (!out.contains("received") && sim.waitForReadyRead(5000)) out += sim.readAll();
    sim.kill();
    sim.waitForFinished();
    QVERIFY2(out.contains("received: [NO1\"\\x1b]0;owned\\x07\\xe9\\x5c\"]\n"), out.constData());
  }

  void programHelpAndArguments() {
    QProcess help;
    help.start(QStringLiteral(ZEM_UNIT_SIM_PATH), {"--help"});
    QVERIFY(help.waitForFinished());
    QCOMPARE(help.exitCode(), 0);
    const QByteArray text = help.readAllStandardOutput();
    for (const char* option :
         {"--port", "--pty", "--silent", "--close-after", "--close-mid-import", "--junk", "--byte-per-write",
          "--no-end-marker", "--trailing-bytes", "--pace", "--endless", "--endless-dropped",
          "--flood-replies", "--hangup-after", "--ignore-command"})
      QVERIFY2(text.contains(option), option);
  }

  // A usage error ends the program at once with status 2, saying what is
  // wrong and showing the options, before it listens or opens anything.
  void programRefusesBadArguments_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("problem");
    QTest::newRow("both links") << QStringList{"--port", "1", "--pty"} << "give either --port N or --pty";
    QTest::newRow("no link") << QStringList{"--quiet"} << "give either --port N or --pty";
    QTest::newRow("command number 0")
        << QStringList{"--port", "0", "--ignore-command", "0"} << "bad command number '0'";
    QTest::newRow("hang-up without a pty")
        << QStringList{"--port", "0", "--hangup-after", "10"} << "--hangup-after needs --pty";
    QTest::newRow("port too large") << QStringList{"--port", "65536"} << "bad port '65536'";
    QTest::newRow("port not a number") << QStringList{"--port", "-1"} << "bad port '-1'";
    QTest::newRow("size too large") << QStringList{"--pty", "--generate", "17x1"} << "bad size '17x1'";
    QTest::newRow("size without x") << QStringList{"--pty", "--generate", "8"} << "bad size '8'";
    QTest::newRow("unknown reply") << QStringList{"--pty", "--reply", "maybe"} << "bad reply 'maybe'";
    QTest::newRow("unknown trickle") << QStringList{"--pty", "--trickle", "fast"} << "bad trickle 'fast'";
    QTest::newRow("bad count") << QStringList{"--pty", "--close-after", "x"} << "bad count 'x'";
    QTest::newRow("bad listen address")
        << QStringList{"--port", "0", "--listen", "nowhere"} << "bad listen address 'nowhere'";
    QTest::newRow("unknown option") << QStringList{"--pty", "--loud"} << "loud";
    QTest::newRow("value missing") << QStringList{"--pty", "--close-after"} << "close-after";
    QTest::newRow("stray argument") << QStringList{"--pty", "extra"} << "unexpected argument 'extra'";
  }
  void programRefusesBadArguments() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, problem);
    QProcess bad;
    bad.start(QStringLiteral(ZEM_UNIT_SIM_PATH), arguments);
    QVERIFY(bad.waitForFinished());
    QCOMPARE(bad.exitCode(), 2);
    QVERIFY(bad.readAllStandardOutput().isEmpty());
    const QString err = QString::fromLocal8Bit(bad.readAllStandardError());
    QVERIFY2(err.startsWith("zem-unit-sim: ") && err.contains(problem), qPrintable(err));
    QVERIFY2(err.contains("--ignore-command"), qPrintable(err));  // the options follow
  }
};

QTEST_GUILESS_MAIN(TestUnitSim)
#include "test_unit_sim.moc"
