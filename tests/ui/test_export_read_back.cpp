// Values whose export would not read back as itself are refused, whichever
// way they came in: the window's name grids and option fields (exported to
// a file, over Telnet or over serial to the simulated unit) and zemctl build.
#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "cli/zemctl_process.h"
#include "command/command_writer.h"
#include "sim/sim_config.h"
#include "sim/unit_sim.h"
#include "ui/window_fixture.h"

using zem::test::Zemctl;

namespace {

// Where a value comes in.
enum class Entry { NameGrid, OptionField, Import, Build, RawJson, Convert, Push };
enum class Mode { File, Telnet, Serial };

std::string Configuration() {
  std::string text;
  for (const std::string& line : zem::GenerateConfiguration(8, 24)) text += line + "\r\n";
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
    QTest::addColumn<QString>("where");  // grid and row, field, or JSON path
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("named");  // what the refusal says

    QTest::newRow("zone name, file") << Entry::NameGrid << Mode::File << "StringGrid2:5"
                                     << QByteArray("[VO1R0]")
                                     << "zone 6 name \"[VO1R0]\" would read back as a volume command";
    QTest::newRow("favorite name, Telnet")
        << Entry::NameGrid << Mode::Telnet << "StringGrid5:2" << QByteArray("x[VO1R0]")
        << "favorite 3 name \"x[VO1R0]\" would read back as a volume command";
    QTest::newRow("source name, serial")
        << Entry::NameGrid << Mode::Serial << "StringGrid3:1" << QByteArray("[NO1\"a\"]")
        << "source 2 name \"[NO1\"a\"]\" would read back as a zone name command";
    QTest::newRow("group name") << Entry::NameGrid << Mode::File << "StringGrid6:0"
                                << QByteArray("q[TO1B1T1]")
                                << "group 1 name \"q[TO1B1T1]\" would read back as a bass and treble command";
    QTest::newRow("empty IP address") << Entry::OptionField << Mode::File << "IPAddress" << QByteArray()
                                      << "IP address is empty, and an empty text is not read back";
    QTest::newRow("empty gateway") << Entry::OptionField << Mode::Telnet << "Gateway" << QByteArray()
                                   << "gateway is empty, and an empty text is not read back";
    // A mode the zone page cannot show leaves the zone without one.
    QTest::newRow("zone without a mode")
        << Entry::Import << Mode::File << "" << QByteArray("[EO1M9]")
        << "zone 1 volume would be lost on reading back: no DSP mode is chosen";
    QTest::newRow("convert") << Entry::Convert << Mode::File << "" << QByteArray("[EO1M9]")
                             << "zone 1 volume would be lost on reading back: no DSP mode is chosen";
    QTest::newRow("push") << Entry::Push << Mode::Telnet << "" << QByteArray("[EO1M9]")
                          << "zone 1 volume would be lost on reading back: no DSP mode is chosen";
    QTest::newRow("build: zone name") << Entry::Build << Mode::File << "zones.0.name" << QByteArray("[VO1R0]")
                                      << "zones[0].name: \"[VO1R0]\" would read back as a volume command";
    QTest::newRow("build: favorite name")
        << Entry::Build << Mode::File << "favorites.2.name" << QByteArray("x[VO1R0]")
        << "favorites[2].name: \"x[VO1R0]\" would read back as a volume command";
    QTest::newRow("build: bracket in the address")
        << Entry::Build << Mode::File << "options.ipAddress" << QByteArray("10.0.0]1")
        << "options.ipAddress: holds \"]\"";
    QTest::newRow("build: NUL in the address") << Entry::Build << Mode::File << "options.ipAddress"
                                               << QByteArray("10.0", 4) + QByteArray(1, '\0') + "1"
                                               << "options.ipAddress: holds the control byte U+0000";
    QTest::newRow("build: control byte in a name")
        << Entry::Build << Mode::File << "sources.1.name" << QByteArray("a\x01z")
        << "sources[1].name: holds the control byte U+0001";
    QTest::newRow("build: raw NUL in a string")
        << Entry::RawJson << Mode::File << "" << QByteArray("ab", 2) + QByteArray(1, '\0') + "c"
        << "not valid JSON at byte";
  }

  void valuesThatWouldNotReadBackAreRefused() {
    QFETCH(Entry, entry);
    QFETCH(Mode, mode);
    QFETCH(QString, where);
    QFETCH(QByteArray, value);
    QFETCH(QString, named);
    QTemporaryDir dir;
    const QString out = dir.filePath("out.zem");

    if (entry == Entry::Convert || entry == Entry::Push) {
      const QString in = dir.filePath("in.zem");
      zem::test::Write(in, QByteArray::fromStdString(Configuration()) + value + "\r\n");
      zem::test::Run run;
      if (entry == Entry::Convert) {
        run = Zemctl({"convert", in, "-o", out});
      } else {
        sim = std::make_unique<zem::UnitSim>(zem::SimOptions{});
        std::string error;
        QVERIFY2(sim->ListenTcp(0, QHostAddress::LocalHost, &error), error.c_str());
        run = Zemctl(
            {"push", in, "--telnet", "127.0.0.1:" + QString::number(sim->TcpPort()), "--timeout", "5"});
        QCOMPARE(sim->Connections(), 0);
      }
      QCOMPARE(run.status, 2);
      QVERIFY2(run.err.contains(named.toLatin1()), run.err.constData());
      QVERIFY(!QFile::exists(out));
      return;
    }
    if (entry == Entry::Build || entry == Entry::RawJson) {
      const QString in = dir.filePath("in.zem"), json = dir.filePath("in.json");
      zem::test::Write(in, QByteArray::fromStdString(Configuration()));
      QCOMPARE(Zemctl({"dump", in, "--json", "-o", json}).status, 0);
      QJsonObject root = QJsonDocument::fromJson(zem::test::Read(json)).object();
      QByteArray text;
      if (entry == Entry::Build) {
        SetAt(root, where.split('.'), QString::fromLatin1(value));
        text = QJsonDocument(root).toJson();
      } else {
        // The raw bytes where an escaped name stood.
        SetAt(root, {"zones", "0", "name"}, "PLACEHOLDER");
        text = QJsonDocument(root).toJson().replace("PLACEHOLDER", value);
      }
      zem::test::Write(json, text);
      const zem::test::Run run = Zemctl({"build", json, "-o", out, "--keep-out-of-range"});
      QCOMPARE(run.status, 1);
      QVERIFY2(run.err.contains(named.toLatin1()), run.err.constData());
      QVERIFY(!QFile::exists(out));
      return;
    }

    std::string text = Configuration();
    if (entry == Entry::Import) text += value.toStdString() + "\r\n";
    editor->ImportFileText(text, "unit.zem");
    if (entry == Entry::NameGrid) {
      auto* grid = window->findChild<QTableView*>(where.section(':', 0, 0));
      QVERIFY(grid);
      const QModelIndex cell = grid->model()->index(where.section(':', 1).toInt(), 1);
      QVERIFY(grid->model()->setData(cell, QString::fromLatin1(value)));  // as the in-place editor commits
    } else if (entry == Entry::OptionField) {
      auto* field = window->findChild<QLineEdit*>(where);
      QVERIFY(field);
      field->selectAll();
      QTest::keyClick(field, Qt::Key_Delete);
    }

    switch (mode) {
      case Mode::File:
        prompts->saveAnswers.push_back(out.toStdString());
        break;
      case Mode::Telnet: {
        sim = std::make_unique<zem::UnitSim>(zem::SimOptions{});
        std::string error;
        QVERIFY2(sim->ListenTcp(0, QHostAddress::LocalHost, &error), error.c_str());
        prompts->hostAnswers.push_back("127.0.0.1:" + std::to_string(sim->TcpPort()));
        window->findChild<QAction*>("Telnet1")->trigger();
        break;
      }
      case Mode::Serial: {
        sim = std::make_unique<zem::UnitSim>(zem::SimOptions{});
        std::string error;
        QVERIFY2(sim->OpenPty(&error), error.c_str());
        prompts->portAnswers.push_back(sim->PtyPath());
        window->findChild<QAction*>("Serial1")->trigger();
        break;
      }
    }
    window->findChild<QAction*>("Export1")->trigger();

    QCOMPARE(prompts->errors.size(), std::size_t(1));
    QVERIFY2(QString::fromLatin1(prompts->errors[0].c_str()).contains(named), prompts->errors[0].c_str());
    const std::vector<std::string> log = editor->messageLog.Lines();
    QVERIFY(std::find(log.begin(), log.end(), "  " + named.toStdString()) != log.end());
    QCOMPARE(editor->status.Text(), std::string(" Export failed"));
    // Nothing written, nothing sent, not even asked for.
    QVERIFY(prompts->saveDialogs.empty());
    QVERIFY(!QFile::exists(out));
    if (sim) {
      QTest::qWait(50);
      QCOMPARE(sim->CommandsReceived(), 0);
      QCOMPARE(sim->Syncs(), 0);
    }
    QVERIFY(editor->IsModified() || entry == Entry::Import);
  }

 private:
  // Sets the value at `path` (keys, and positions in arrays) of `root`.
  static void SetAt(QJsonObject& root, QStringList path, const QString& value) {
    const QString key = path.takeFirst();
    if (path.isEmpty()) {
      root[key] = value;
    } else if (bool isIndex = false; path.front().toInt(&isIndex), isIndex) {
      QJsonArray array = root[key].toArray();
      const int index = path.takeFirst().toInt();
      QJsonObject item = array.at(index).toObject();
      SetAt(item, path, value);
      array.replace(index, item);
      root[key] = array;
    } else {
      QJsonObject item = root[key].toObject();
      SetAt(item, path, value);
      root[key] = item;
    }
  }

  std::unique_ptr<zem::UnitSim> sim;
};

QTEST_MAIN(TestExportReadBack)
#include "test_export_read_back.moc"
