// zemctl site against several simulated units at once, over TCP and a
// pseudo-terminal, in this process: each unit's outcome, the exit status
// and the JSON, and that no unit took commands without it being said.
#include <signal.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>
#include <map>
#include <memory>

#include "sim/sim_config.h"
#include "sim/unit_sim.h"
#include "support/zemctl_runner.h"

namespace zem {

using test::Read;
using test::Source;
using test::Write;

namespace {

// The units of the test site, what each serves and how it answers.
enum class Kind { Same, Changed, Counts, Silent, Closed, Refuses };

struct Unit {
  QString name;
  Kind kind;
  bool serial = false;
  std::unique_ptr<UnitSim> sim;
};

std::vector<std::string> Intended() {
  return ConfigurationLines(Read(Source("examples/small-8x24.zem")).toStdString());
}

// What each kind of unit holds before the run.
SimOptions Options(Kind kind) {
  SimOptions o;
  o.configLines = Intended();
  switch (kind) {
    case Kind::Changed:
      for (std::string& line : o.configLines)
        if (line.rfind("[NO3", 0) == 0) line = "[NO3\"Changed\"]";
      break;
    case Kind::Counts:
      o.configLines = GenerateConfiguration(4, 12);
      break;
    case Kind::Silent:
      o.silent = true;
      break;
    case Kind::Refuses:
      for (std::string& line : o.configLines)
        if (line.rfind("[NO3", 0) == 0) line = "[NO3\"Other\"]";
      o.reply = SimOptions::Reply::Error;
      break;
    default:
      break;
  }
  return o;
}

std::size_t NonEmptyLines(const std::vector<std::string>& lines) {
  return static_cast<std::size_t>(
      std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return !l.empty(); }));
}

// Parses zemctl site --json: each unit's object by name, and the summary.
struct Report {
  std::map<QString, QJsonObject> units;
  QJsonObject summary;
  bool Parse(const QByteArray& out) {
    for (const QByteArray& line : out.split('\n')) {
      if (line.isEmpty()) continue;
      const QJsonDocument doc = QJsonDocument::fromJson(line);
      if (!doc.isObject()) return false;  // every line is one object
      if (doc.object().value("summary").toBool()) {
        summary = doc.object();
      } else {
        units[doc.object().value("unit").toString()] = doc.object();
      }
    }
    return !summary.isEmpty();
  }
};

}  // namespace

class TestZemctlSite : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void Commands_data();
  void Commands();
  void BadArguments_data();
  void BadArguments();
  void Interrupted();

 private:
  // Starts the units of `kinds` (the third on a pseudo-terminal) and writes
  // the site file naming them.
  void MakeSite(const std::vector<Kind>& kinds);
  std::unique_ptr<QTemporaryDir> dir_;
  QString site_;
  std::vector<Unit> units_;
};

void TestZemctlSite::init() {
  dir_ = std::make_unique<QTemporaryDir>();
  QVERIFY(dir_->isValid());
  units_.clear();
}

void TestZemctlSite::MakeSite(const std::vector<Kind>& kinds) {
  static const char* const kNames[] = {"same", "changed", "counts", "silent", "closed", "refuses"};
  QFile::copy(Source("examples/small-8x24.zem"), dir_->filePath("unit.zem"));
  QString units;
  for (const Kind kind : kinds) {
    Unit u{kNames[static_cast<int>(kind)], kind, kind == Kind::Changed,
           std::make_unique<UnitSim>(Options(kind))};
    std::string error;
    QString link;
    if (u.serial) {
      QVERIFY2(u.sim->OpenPty(&error), error.c_str());
      link = QString("{\"serial\": \"%1\"}").arg(QString::fromStdString(u.sim->PtyPath()));
    } else {
      QVERIFY2(u.sim->ListenTcp(0, QHostAddress::LocalHost, &error), error.c_str());
      link = QString("{\"telnet\": \"127.0.0.1:%1\"}").arg(u.sim->TcpPort());
      // No one listens there any more: the connection is refused.
      if (kind == Kind::Closed) u.sim.reset();
    }
    units += QString("%1{\"name\": \"%2\", \"link\": %3, \"file\": \"unit.zem\"}")
                 .arg(units.isEmpty() ? "" : ",\n", u.name, link);
    units_.push_back(std::move(u));
  }
  site_ = dir_->filePath("test.zemsite");
  Write(site_, QString("{\"name\": \"Test\", \"units\": [\n%1]}\n").arg(units).toUtf8());
}

void TestZemctlSite::Commands_data() {
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<QStringList>("expected");  // "unit state", every unit's
  QTest::addColumn<int>("status");
  const QStringList all{"same in step",       "changed differs",    "counts counts differ",
                        "silent unreachable", "closed unreachable", "refuses differs"};
  QTest::newRow("status") << QStringList{"status"} << all << 1;
  QTest::newRow("status, the units in step") << QStringList{"status", "--unit", "same", "--unit", "counts"}
                                             << QStringList{"same in step", "counts counts differ"} << 0;
  QTest::newRow("diff of one unit") << QStringList{"diff", "--unit", "changed"}
                                    << QStringList{"changed differs"} << 0;
  QTest::newRow("backup") << QStringList{"backup"}
                          << QStringList{"same backed up",     "changed backed up",  "counts backed up",
                                         "silent unreachable", "closed unreachable", "refuses backed up"}
                          << 1;
  QTest::newRow("push --check") << QStringList{"push", "--check"}
                                << QStringList{"same nothing to send", "changed would send",
                                               "counts counts differ", "silent unreachable",
                                               "closed unreachable",   "refuses would send"}
                                << 1;
  QTest::newRow("push") << QStringList{"push"}
                        << QStringList{"same nothing to send", "changed pushed",     "counts counts differ",
                                       "silent unreachable",   "closed unreachable", "refuses differs"}
                        << 1;
  QTest::newRow("push --check --full, counts differ")
      << QStringList{"push", "--check", "--full", "--unit", "counts"} << QStringList{"counts would send"}
      << 0;
  QTest::newRow("push --full, counts differ")
      << QStringList{"push", "--full", "--unit", "counts"} << QStringList{"counts pushed"} << 0;
}

void TestZemctlSite::Commands() {
  QFETCH(QStringList, args);
  QFETCH(QStringList, expected);
  QFETCH(int, status);
  MakeSite({Kind::Same, Kind::Changed, Kind::Counts, Kind::Silent, Kind::Closed, Kind::Refuses});
  const QString into = dir_->filePath("backups");
  const QString reads = dir_->filePath("reads");
  const QString traces = dir_->filePath("traces");
  QStringList cli{"site", args.front(), site_, "--json", "--timeout", "2", "--trace", traces};
  cli << args.mid(1);
  if (args.front() == "backup" || (args.front() == "push" && !args.contains("--check")))
    cli << "--into" << into;
  if (args.front() == "status" || args.front() == "diff" || args.contains("--check"))
    cli << "--reads" << reads;
  const test::Run run = test::Zemctl(cli);
  QCOMPARE(run.status, status);
  Report report;
  QVERIFY2(report.Parse(run.out), run.out.constData());
  QCOMPARE(report.summary.value("exit").toInt(), status);
  QCOMPARE(report.units.size(), static_cast<std::size_t>(expected.size()));

  for (const QString& row : expected) {
    const QString name = row.section(' ', 0, 0);
    const QString state = row.section(' ', 1);
    const QJsonObject unit = report.units[name];
    QVERIFY2(unit.value("state").toString() == state, qPrintable(name + ": " + QJsonDocument(unit).toJson()));
    const bool pushing = args.front() == "push" && !args.contains("--check");
    const bool ok = state != "unreachable" && state != "failed" &&
                    (args.front() != "push" || state != "counts differ") && !(pushing && state == "differs");
    QCOMPARE(unit.value("ok").toBool(), ok);
    // Why a unit was not reached is the link's own word; status adds the
    // connection check's verdict.
    if (name == "closed")
      QVERIFY2(unit.value("message").toString().contains("Connection refused"), qPrintable(name));
    if (state == "unreachable")
      QCOMPARE(unit.value("verdict").toString(), args.front() != "status" ? QString()
                                                 : name == "closed"       ? "refused"
                                                                          : "no-answer");
    // Each unit's own support file holds what passed on its link; a unit
    // status could not reach has the check's too.
    if (state != "unreachable")
      QVERIFY2(Read(traces + "/" + name + ".txt").contains("[QXSB]"), qPrintable(name));
    QCOMPARE(QFileInfo::exists(traces + "/" + name + "-check.txt"),
             state == "unreachable" && args.front() == "status");
    const auto it = std::find_if(units_.begin(), units_.end(), [&](const Unit& u) { return u.name == name; });
    QVERIFY(it != units_.end());
    UnitSim* sim = it->sim.get();
    // A unit sent anything has it said: pushed and verified, or why not.
    const bool pushed = state == "pushed";
    if (sim && sim->CommandsReceived() > 0)
      QVERIFY2(pushed || !unit.value("message").toString().isEmpty(), qPrintable(name));
    if (!pushed && sim) QCOMPARE(sim->CommandsReceived() > 0, pushing && state == "differs");
    if (pushed) {
      QVERIFY(unit.value("verified").toBool());
      QVERIFY(unit.value("sent").toInt() > 0);
    }
    // A read is kept only whole; a backup is named and holds the unit.
    const QString read = unit.value("read").toString();
    const bool readWhole = state != "unreachable" && state != "failed";
    QCOMPARE(!read.isEmpty(), readWhole && args.front() != "backup" && !pushing);
    if (!read.isEmpty()) QCOMPARE(read, reads + "/" + name + ".zem");
    const QString backup = unit.value("backup").toString();
    QCOMPARE(!backup.isEmpty(), (args.front() == "backup" && ok) || (pushing && state != "unreachable"));
    if (!backup.isEmpty()) {
      QVERIFY2(QFileInfo(backup).dir().path() == into + "/" + name, qPrintable(backup));
      QVERIFY(Read(backup).startsWith('['));
    }
  }
  if (args.contains("diff")) QVERIFY2(run.out.contains("\"field\":\"name\""), run.out.constData());
  // What would be sent, and nothing more: the one name, then the end; the
  // whole file where the counts differ.
  if (report.units.count("counts") && report.units["counts"].value("state") == "would send")
    QCOMPARE(report.units["counts"].value("commands").toArray().size(),
             static_cast<qsizetype>(NonEmptyLines(Intended())));
  if (report.units.count("changed") && args.contains("--check"))
    QCOMPARE(report.units["changed"].value("commands").toArray(),
             QJsonArray({"[NO3\"Dining Room\"]", "[EC]"}));
  // Pushed and verified: the unit now holds its file.
  if (report.units.count("changed") && report.units["changed"].value("state") == "pushed")
    QCOMPARE(units_[1].sim->Recorded(), std::vector<std::string>({"[NO3\"Dining Room\"]", "[EC]"}));
}

void TestZemctlSite::BadArguments_data() {
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<QByteArray>("site");
  QTest::addColumn<QString>("error");
  const QByteArray good =
      R"({"name": "S", "units": [{"name": "a", "link": {"telnet": "127.0.0.1:1"}, "file": "a.zem"}]})";
  QTest::newRow("unknown command") << QStringList{"site", "pull", "SITE"} << good
                                   << "unknown site command 'pull'";
  QTest::newRow("no site file") << QStringList{"site", "status"} << good
                                << "site needs a command and a site file";
  QTest::newRow("bad JSON") << QStringList{"site", "status", "SITE"}
                            << QByteArray("{\n  \"name\": \"S\",\n  units")
                            << "SITE: line 3, column 4: unterminated object";
  QTest::newRow("wrong value")
      << QStringList{"site", "status", "SITE"}
      << QByteArray(R"({"name": "S", "units": [{"name": "a", "link": {"telnet": 7}, "file": "a"}]})")
      << "SITE: units[0].link.telnet: not a string";
  QTest::newRow("unit not in site") << QStringList{"site", "diff", "SITE", "--unit", "b"} << good
                                    << "the site has no unit 'b'";
  QTest::newRow("too many jobs") << QStringList{"site", "status", "SITE", "--jobs", "17"} << good
                                 << "--jobs takes a whole number 1-16";
  QTest::newRow("check with status") << QStringList{"site", "status", "SITE", "--check"} << good
                                     << "--check and --full go with push only";
}

void TestZemctlSite::BadArguments() {
  QFETCH(QStringList, args);
  QFETCH(QByteArray, site);
  QFETCH(QString, error);
  const QString path = dir_->filePath("s.zemsite");
  Write(path, site);
  args.replaceInStrings("SITE", path);
  const test::Run run = test::Zemctl(args);
  QCOMPARE(run.status, 2);
  QVERIFY2(QString::fromLocal8Bit(run.err).contains(error.replace("SITE", path)), run.err.constData());
  QVERIFY(run.out.isEmpty());
}

// Ctrl+C mid-push: the unit being pushed stops after the command in flight,
// and says how far it got; the unit waiting for its turn never starts.
void TestZemctlSite::Interrupted() {
  MakeSite({Kind::Counts, Kind::Same});
  units_[0].sim->Options().pace = true;
  QProcess p;
  p.start(ZEMCTL_PATH, {"site", "push", site_, "--json", "--full", "--jobs", "1", "--timeout", "5", "--into",
                        dir_->filePath("backups")});
  QVERIFY(p.waitForStarted());
  QEventLoop loop;
  QTimer poll;
  bool sent = false;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    // Mid-table: the restrictions' opening line has emptied the unit's table.
    const std::vector<std::string>& got = units_[0].sim->Recorded();
    if (!sent && !got.empty() && got.back() == "[RAR]") {
      sent = true;
      ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    }
  });
  QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
  QTimer::singleShot(60000, &loop, &QEventLoop::quit);
  poll.start(10);
  loop.exec();
  QVERIFY(sent);
  QCOMPARE(p.state(), QProcess::NotRunning);
  QCOMPARE(p.exitCode(), 1);
  Report report;
  const QByteArray out = p.readAllStandardOutput();
  QVERIFY2(report.Parse(out), out.constData());
  const QJsonObject stopped = report.units["counts"];
  QCOMPARE(stopped.value("state").toString(), QString("stopped"));
  // The command in flight was answered; nothing after it went out.
  QCOMPARE(stopped.value("after").toInt(), units_[0].sim->CommandsReceived());
  QVERIFY(stopped.value("after").toInt() < stopped.value("of").toInt());
  QVERIFY(!stopped.value("backup").toString().isEmpty());
  // What the stop left half-written is said.
  const std::vector<std::string>& got = units_[0].sim->Recorded();
  if (std::find(got.begin(), got.end(), "[GAR]") == got.end())
    QVERIFY2(stopped.value("message").toString().contains("restrictions are incomplete"), qPrintable(out));
  QCOMPARE(report.units["same"].value("state").toString(), QString("not started"));
  QCOMPARE(units_[1].sim->Connections(), 0);
  QVERIFY(report.summary.value("interrupted").toBool());
}

}  // namespace zem

QTEST_GUILESS_MAIN(zem::TestZemctlSite)
#include "test_zemctl_site.moc"
