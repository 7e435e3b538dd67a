// Import and export over TCP against zem-unit-sim run as a program of its
// own; on Windows (under wine) the Linux one, through ZEM_SIM_COMMAND.
#include <QTest>

#include "sim/sim_config.h"
#include "sim/unit_sim.h"
#include "support/sim_process.h"
#include "support/transfer_rig.h"

using namespace zem;
using namespace zem::test;
using Outcome = TransferController::Outcome;

namespace {

// The window's state and a scripted user in Telnet Mode with the unit.
struct Window {
  Editor editor;
  ScriptedPrompts prompts;
  TransferController ctl{editor, prompts};

  bool UseTelnet(const SimProcess& sim) {
    prompts.hostAnswers.push_back(sim.Host());
    ctl.ChooseTelnetMode();
    return ctl.CheckedMode() == TransferController::Mode::Telnet;
  }
};

std::vector<std::string> Printable(const std::vector<std::string>& commands) {
  std::vector<std::string> out;
  for (const std::string& c : commands) out.push_back(PrintableCommand(c));
  return out;
}

}  // namespace

class TestSimProcess : public QObject {
  Q_OBJECT

 private slots:
  void importsWhatTheUnitServes_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("sources");
    QTest::addColumn<int>("zones");
    QTest::addColumn<bool>("whole");
    QTest::newRow("well-behaved") << QStringList() << 4 << 12 << true;
    QTest::newRow("CR LF") << QStringList{"--crlf"} << 4 << 12 << true;
    QTest::newRow("junk between lines") << QStringList{"--junk"} << 4 << 12 << true;
    QTest::newRow("a byte per write") << QStringList{"--byte-per-write"} << 2 << 4 << true;
    QTest::newRow("error replies") << QStringList{"--reply", "error"} << 4 << 12 << true;
    QTest::newRow("bytes after the end") << QStringList{"--trailing-bytes"} << 4 << 12 << true;
    QTest::newRow("the largest unit") << QStringList() << 16 << 192 << true;
    QTest::newRow("closed halfway") << QStringList{"--close-mid-import"} << 4 << 12 << false;
  }
  void importsWhatTheUnitServes() {
    QFETCH(QStringList, options);
    QFETCH(int, sources);
    QFETCH(int, zones);
    QFETCH(bool, whole);
    SimProcess sim;
    QVERIFY(sim.Start(options << "--generate" << QStringLiteral("%1x%2").arg(sources).arg(zones)));
    Window w;
    QVERIFY(w.UseTelnet(sim));
    w.ctl.ImportConfiguration();
    QVERIFY(w.prompts.errors.empty());
    QCOMPARE(w.ctl.LastOutcome(), whole ? Outcome::Completed : Outcome::Incomplete);
    std::vector<std::string> lines = GenerateConfiguration(sources, zones);
    if (!whole) lines.resize(lines.size() / 2);
    FileImport expected(lines);
    QCOMPARE(ModelDifference(w.editor.model, expected.editor.model), std::string());
    QVERIFY(w.editor.PagesEnabled());
  }

  // Every command reaches the unit in order, whatever it answers; a unit
  // that closes the connection ends the export as a failure, said so.
  void exportsEveryCommand_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("taken");  // -1: all of them
    QTest::newRow("answered OK") << QStringList() << -1;
    QTest::newRow("echoed") << QStringList{"--reply", "echo"} << -1;
    QTest::newRow("refused") << QStringList{"--reply", "error"} << -1;
    QTest::newRow("closed after 5") << QStringList{"--close-after", "5"} << 5;
  }
  void exportsEveryCommand() {
    QFETCH(QStringList, options);
    QFETCH(int, taken);
    SimProcess sim;
    QVERIFY(sim.Start(options << "--generate"
                              << "4x12"));
    Window w;
    QVERIFY(w.UseTelnet(sim));
    w.ctl.ImportConfiguration();
    QVERIFY(w.editor.HasConfiguration());
    w.ctl.ExportConfiguration();
    std::vector<std::string> sent = Printable(NonEmpty(BuildCommandSequence(w.editor.model)));
    QVERIFY(sent.size() > 100);
    if (taken >= 0) sent.resize(static_cast<std::size_t>(taken));
    QCOMPARE(sim.Received(sent.size()), sent);
    QCOMPARE(w.ctl.LastOutcome(), taken < 0 ? Outcome::Completed : Outcome::Failed);
    QCOMPARE(w.prompts.errors.size(), std::size_t(taken < 0 ? 0 : 1));
    QVERIFY(!w.ctl.Telnet().IsConnected());
  }
};

QTEST_GUILESS_MAIN(TestSimProcess)
#include "test_sim_process.moc"
