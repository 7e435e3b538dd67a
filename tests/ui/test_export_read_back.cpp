// Values whose export would not read back as itself are refused, whichever
// way they came in: the window's name grids and option fields (exported to
// a file, over Telnet or over serial to the simulated unit), and zemctl.
#include <QAction>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "cli/zemctl_process.h"
#include "sim/sim_config.h"
#include "sim/unit_sim.h"
#include "ui/window_fixture.h"

using zem::test::Zemctl;

namespace {

// Where a value comes in: `where` names the grid and row, the field, or the
// text of the JSON dump that the value replaces.
enum class Entry { NameGrid, OptionField, Import, Build, Convert, Push };
enum class Mode { File, Telnet, Serial };

QByteArray Configuration() {
  QByteArray text;
  for (const std::string& line : zem::GenerateConfiguration(8, 24))
    text += QByteArray::fromStdString(line) + "\r\n";
  return text;
}

}  // namespace

class TestExportReadBack : public QObject, private zem::testing::WindowFixture {
  Q_OBJECT

 private slots:
  void init() { OpenWindow(true); }
  void cleanup() {
    CloseWindow();
    sim.reset();
  }

  void valuesThatWouldNotReadBackAreRefused_data() {
    QTest::addColumn<Entry>("entry");
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QString>("where");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("named");  // what the refusal says
    const auto row = [](const char* name, Entry entry, Mode mode, const char* where, const QByteArray& value,
                        const char* named) {
      QTest::newRow(name) << entry << mode << where << value << named;
    };
    const QByteArray nul(1, '\0');
    const char* noMode = "zone 1 volume would be lost on reading back: no DSP mode is chosen";
    row("zone name", Entry::NameGrid, Mode::File, "StringGrid2:5", "[VO1R0]",
        "zone 6 name \"[VO1R0]\" would read back as a volume command");
    row("favorite name", Entry::NameGrid, Mode::Telnet, "StringGrid5:2", "x[VO1R0]",
        "favorite 3 name \"x[VO1R0]\" would read back as a volume command");
    row("source name", Entry::NameGrid, Mode::Serial, "StringGrid3:1", "[NO1\"a\"]",
        "source 2 name \"[NO1\"a\"]\" would read back as a zone name command");
    row("empty IP address", Entry::OptionField, Mode::Telnet, "IPAddress", "",
        "IP address is empty, and an empty text is not read back");
    // A mode the zone page cannot show leaves the zone without one.
    row("zone without a mode", Entry::Import, Mode::File, "", "[EO1M9]", noMode);
    row("convert", Entry::Convert, Mode::File, "", "[EO1M9]", noMode);
    row("push", Entry::Push, Mode::Telnet, "", "[EO1M9]", noMode);
    row("build: name", Entry::Build, Mode::File, "Room 1", "[VO1R0]",
        "zones[0].name: \"[VO1R0]\" would read back as a volume command");
    row("build: bracket", Entry::Build, Mode::File, "192.168.1.50", "10.0]1",
        "options.ipAddress: holds \"]\"");
    row("build: NUL", Entry::Build, Mode::File, "192.168.1.50", "10\\u00001",
        "options.ipAddress: holds the control byte U+0000");
    row("build: raw NUL", Entry::Build, Mode::File, "Room 1", "a" + nul + "b", "not valid JSON at byte");
  }

  void valuesThatWouldNotReadBackAreRefused() {
    QFETCH(Entry, entry);
    QFETCH(Mode, mode);
    QFETCH(QString, where);
    QFETCH(QByteArray, value);
    QFETCH(QString, named);
    QTemporaryDir dir;
    const QString in = dir.filePath("in.zem"), json = dir.filePath("in.json"), out = dir.filePath("out.zem");
    if (mode == Mode::Telnet) {
      sim = std::make_unique<zem::UnitSim>(zem::SimOptions{});
      std::string error;
      QVERIFY2(sim->ListenTcp(0, QHostAddress::LocalHost, &error), error.c_str());
    } else if (mode == Mode::Serial) {
      sim = std::make_unique<zem::UnitSim>(zem::SimOptions{});
      std::string error;
      QVERIFY2(sim->OpenPty(&error), error.c_str());
    }

    if (entry == Entry::Build || entry == Entry::Convert || entry == Entry::Push) {
      zem::test::Write(in, Configuration() + (entry == Entry::Build ? QByteArray() : value + "\r\n"));
      zem::test::Run run;
      if (entry == Entry::Build) {
        QCOMPARE(Zemctl({"dump", in, "--json", "-o", json}).status, 0);
        zem::test::Write(json,
                         zem::test::Read(json).replace('"' + where.toLatin1() + '"', '"' + value + '"'));
        run = Zemctl({"build", json, "-o", out, "--keep-out-of-range"});
      } else if (entry == Entry::Convert) {
        run = Zemctl({"convert", in, "-o", out});
      } else {
        // A push that went ahead would wait for answers the blocked sim never gives.
        run = Zemctl(
            {"push", in, "--telnet", "127.0.0.1:" + QString::number(sim->TcpPort()), "--timeout", "5"});
      }
      QCOMPARE(run.status, entry == Entry::Build ? 1 : 2);
      QVERIFY2(run.err.contains(named.toLatin1()), run.err.constData());
      QVERIFY(!QFile::exists(out));
      return;
    }

    editor->ImportFileText((Configuration() + (entry == Entry::Import ? value + "\r\n" : "")).toStdString(),
                           "u.zem");
    if (entry == Entry::NameGrid) {
      auto* grid = window->findChild<QTableView*>(where.section(':', 0, 0));
      const QModelIndex cell = grid->model()->index(where.section(':', 1).toInt(), 1);
      QVERIFY(grid->model()->setData(cell, QString::fromLatin1(value)));  // as the in-place editor commits
    } else if (entry == Entry::OptionField) {
      window->findChild<QLineEdit*>(where)->selectAll();
      QTest::keyClick(window->findChild<QLineEdit*>(where), Qt::Key_Delete);
    }
    if (mode == Mode::File) prompts->saveAnswers.push_back(out.toStdString());
    if (mode == Mode::Telnet) prompts->hostAnswers.push_back("127.0.0.1:" + std::to_string(sim->TcpPort()));
    if (mode == Mode::Serial) prompts->portAnswers.push_back(sim->PtyPath());
    window->findChild<QAction*>(mode == Mode::File     ? "File2"
                                : mode == Mode::Telnet ? "Telnet1"
                                                       : "Serial1")
        ->trigger();
    window->findChild<QAction*>("Export1")->trigger();

    QCOMPARE(prompts->errors.size(), std::size_t(1));
    QVERIFY2(QString::fromLatin1(prompts->errors[0].c_str()).contains(named), prompts->errors[0].c_str());
    const std::vector<std::string> log = editor->messageLog.Lines();
    QVERIFY(std::find(log.begin(), log.end(), "  " + named.toStdString()) != log.end());
    QCOMPARE(editor->status.Text(), std::string(" Export failed"));
    // Nothing written or sent, not even a file asked for.
    QVERIFY(prompts->saveDialogs.empty());
    QVERIFY(!QFile::exists(out));
    if (sim) {
      QTest::qWait(50);
      QCOMPARE(sim->CommandsReceived() + sim->Syncs(), 0);
    }
    QVERIFY(editor->IsModified() || entry == Entry::Import);
  }

 private:
  std::unique_ptr<zem::UnitSim> sim;
};

QTEST_MAIN(TestExportReadBack)
#include "test_export_read_back.moc"
