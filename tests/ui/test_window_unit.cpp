// What the window knows of the unit, through the real window against the
// simulated unit over TCP: Verify After Export, Compare with Unit, Back Up
// Before Export, the unit's status field and the title.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "command/command_writer.h"
#include "sim/sim_config.h"
#include "sim/unit_sim.h"
#include "support/window_fixture.h"
#include "support/zemctl_runner.h"
#include "transfer/file_io.h"
#include "transfer/unit_backups.h"
#include "ui/naming/naming_view.h"

using namespace zem;

namespace {

enum UnitEvent { OtherClient, Restarted, IgnoresOne, RefusesOne, ReadBackFails, TakesAll };
enum CompareCase { Equal, Different, Cancelled, Failed, Incomplete };
// Where a name with letters beyond ASCII meets what the unit returns.
enum AsciiPath { CompareUnit, ChangesAfterVerify, LiveAfterPaste, PushVerify, DiffUnit, DiffFiles };

// A unit serving 4 sources and 8 zones, zones `first` to `last` renamed.
SimOptions Served(int first = 1, int last = 0) {
  SimOptions options;
  options.configLines = GenerateConfiguration(4, 8);
  for (std::string& line : options.configLines)
    for (int z = first; z <= last; ++z)
      if (line.rfind("[NO" + std::to_string(z) + "\"", 0) == 0)
        line = "[NO" + std::to_string(z) + "\"Other " + std::to_string(z) + "\"]";
  return options;
}

}  // namespace

class TestWindowUnit : public QObject, private test::WindowFixture {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(dataHome_.isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome_.path()));
  }
  void init() { OpenWindow(true); }
  void cleanup() {
    CloseWindow();
    sim.reset();
  }

  void exportChangesKnowsWhatTheUnitHolds_data() {
    QTest::addColumn<int>("event");
    QTest::addColumn<QString>("ending");
    QTest::addColumn<QString>("field");
    const auto row = [](const char* name, UnitEvent event, const char* ending, const char* field) {
      QTest::newRow(name) << int(event) << QString(" Telnet Export Complete: ") + ending << field;
    };
    row("another client renamed two zones", OtherClient, "the unit differs in 2 values",
        "Unit: 2 changes not sent");
    row("unit restarted with another configuration", Restarted, "the unit differs in 3 values",
        "Unit: 3 changes not sent");
    row("unit ignored one command", IgnoresOne, "the unit differs in 1 value", "Unit: 1 change not sent");
    row("unit refused one command", RefusesOne, "1 of 2 commands refused, the unit differs in 1 value",
        "Unit: 1 change not sent");
    row("read-back never ends", ReadBackFails, "not verified (the read-back failed)", "Unit: not known");
    row("unit takes everything", TakesAll, "verified", "Unit: in step");
  }
  void exportChangesKnowsWhatTheUnitHolds() {
    QFETCH(int, event);
    QFETCH(QString, ending);
    QFETCH(QString, field);
    QVERIFY(ImportedAndRenamed());

    if (event == OtherClient) {
      QTcpSocket other;
      other.connectToHost(QHostAddress::LocalHost, sim->TcpPort());
      QVERIFY(other.waitForConnected(5000));
      const int before = sim->CommandsReceived();
      other.write("[][NO3\"Other 3\"]\n\r[NO4\"Other 4\"]\n\r");
      QTRY_COMPARE(sim->CommandsReceived(), before + 2);
    } else if (event == Restarted) {
      const quint16 port = sim->TcpPort();
      sim.reset();
      sim = std::make_unique<UnitSim>(Served(5, 7));
      std::string error;
      QVERIFY2(sim->ListenTcp(port, QHostAddress::LocalHost, &error), error.c_str());
    } else if (event == IgnoresOne) {
      sim->Options().ignoreCommands = {sim->CommandsReceived() + 1};
    } else if (event == RefusesOne) {
      sim->Options().refuseCommands = {sim->CommandsReceived() + 1};
    } else if (event == ReadBackFails) {
      connect(sim.get(), &UnitSim::CommandRecorded, this, [this] { sim->Options().noEndMarker = true; });
      window->Controller().SetWaitLimitMs(500);
    }
    Trigger("ExportChanges1");
    QCOMPARE(Status(), ending);
    QCOMPARE(UnitField(), field);
    QCOMPARE(window->isWindowModified(), event != TakesAll);

    // One more Export Changes (a full export when the unit is not known)
    // sends what the unit lacks, and the unit then holds the edit, as an
    // import of it shows.
    disconnect(sim.get(), &UnitSim::CommandRecorded, this, nullptr);
    sim->Options().noEndMarker = false;
    event == ReadBackFails ? window->ExportConfiguration() : window->ExportChanges();
    QCOMPARE(Status(),
             QString(event == TakesAll ? " No changes to export" : " Telnet Export Complete: verified"));
    QCOMPARE(UnitField(), QString("Unit: in step"));
    QVERIFY(!window->isWindowModified());
    const UnitConfiguration edited = editor->model.unit;
    Trigger("Import1");
    QVERIFY(WritesSameExport(editor->model.unit, edited) && editor->model.unit.ZoneNames[1] == "Kitchen");
  }

  void compareWithUnit_data() {
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("field");
    const auto row = [](const char* name, CompareCase which, const char* status, const char* field) {
      QTest::newRow(name) << int(which) << QString(status) << field;
    };
    const char* notRead = " Compare with Unit: the unit could not be read in full, nothing was compared";
    row("equal", Equal, " Compared with the unit: no differences", "Unit: in step");
    row("different", Different, " Compared with the unit: 3 differences", "Unit: 3 changes not sent");
    row("cancelled", Cancelled, " Compare with Unit cancelled: nothing was compared",
        "Unit: 1 change not sent");
    row("failed", Failed, notRead, "Unit: 1 change not sent");
    row("incomplete", Incomplete, notRead, "Unit: 1 change not sent");
  }
  void compareWithUnit() {
    QFETCH(int, which);
    QFETCH(QString, status);
    QFETCH(QString, field);
    QVERIFY(ImportedAndRenamed(which != Equal));
    const ConfigModel model = editor->model;
    const std::string received = editor->receivedText.Text();
    const std::size_t steps = editor->history.Done();

    SimOptions& unit = sim->Options();
    if (which == Different) unit.configLines = Served(5, 6).configLines;
    unit.noEndMarker = which == Incomplete;
    unit.silent = which == Cancelled;
    if (which == Failed) sim.reset();  // nothing listens there now
    window->Controller().SetWaitLimitMs(500);
    QTimer cancel;
    connect(&cancel, &QTimer::timeout, this, [&] {
      if (window->Controller().Busy() && sim->Queries() >= 2) window->Controller().Cancel();
    });
    if (which == Cancelled) cancel.start(10);
    Trigger("CompareWithUnit1");

    QCOMPARE(Status(), status);
    QCOMPARE(UnitField(), field);
    // The window's configuration, received text, steps and mark are its own.
    QVERIFY(editor->model.unit == model.unit);
    QCOMPARE(editor->receivedText.Text(), received);
    QCOMPARE(editor->history.Done(), steps);
    QCOMPARE(window->isWindowModified(), which != Equal);
    const QString log = QString::fromLatin1(editor->messageLog.Text().c_str());
    QVERIFY(log.contains(which <= Different
                             ? "Compared with the unit " + host + " (this configuration -> the unit):"
                             : QString("Nothing was compared.")));
    QCOMPARE(log.contains("zone 1 name: \"Kitchen\" -> \"Room") && log.contains("zone 6 name: "),
             which == Different);
  }

  // "Küche" goes to the unit whole and reads back as "Kche": no difference,
  // and a later "Küché" is still sent. Files compare byte for byte.
  void namesBeyondAscii_data() {
    QTest::addColumn<int>("path");
    QTest::addColumn<QByteArray>("said");  // in the message log, or on zemctl's standard error
    const QByteArray one("1 name holds letters a unit cannot return; it was compared without them");
    QTest::newRow("compare with unit") << int(CompareUnit) << one;
    QTest::newRow("export changes after verify") << int(ChangesAfterVerify) << one;
    QTest::newRow("live after a paste") << int(LiveAfterPaste) << one;
    QTest::newRow("zemctl push --verify") << int(PushVerify) << "zemctl: " + one + "\n";
    QTest::newRow("zemctl diff with a unit") << int(DiffUnit) << "zemctl: " + one + "\n";
    QTest::newRow("zemctl diff of two files") << int(DiffFiles) << QByteArray("zone 2 name: ");
  }
  void namesBeyondAscii() {
    QFETCH(int, path);
    QFETCH(QByteArray, said);
    const std::string kuche = "K\374che";
    QVERIFY(ImportedAndRenamed(false));
    if (path >= PushVerify) {
      QTemporaryDir files;
      const std::string a = files.filePath("a.zem").toStdString(), b = files.filePath("b.zem").toStdString();
      for (const auto& [file, name] : {std::pair{b, "Kche"}, {a, "K\u00fcche"}}) {
        Rename(1, name);
        QVERIFY(WriteFileAtomically(file, ZemFileText(editor->PrepareExport()), nullptr));
      }
      const QStringList unit{"--telnet", host};
      if (path == DiffUnit) QCOMPARE(test::Zemctl(QStringList{"push", a.c_str()} + unit).status, 0);
      const test::Run run =
          test::Zemctl(path == DiffFiles  ? QStringList{"diff", a.c_str(), b.c_str()}
                       : path == DiffUnit ? QStringList{"diff", a.c_str()} + unit
                                          : QStringList{"push", a.c_str(), "--verify"} + unit);
      QCOMPARE(run.status, path == DiffFiles ? 1 : 0);
      QVERIFY2((path == DiffFiles ? run.out : run.err).contains(said), run.err.constData());
      return;
    }
    auto* grid = window->findChild<QTableView*>("StringGrid2");
    grid->setCurrentIndex(grid->model()->index(1, 1));
    qobject_cast<NamingPageView*>(grid->parentWidget())->PasteNames(grid, QString::fromLatin1(kuche.c_str()));
    QTRY_COMPARE(Status(), QString(" 1 name holds letters a unit cannot return (zone 2): a read of the unit "
                                   "gives it without them"));
    editor->status.Set(" typed on");
    Rename(1, "K\u00fcche!");  // said once, not at each key
    Rename(1, "K\u00fcche");
    QCoreApplication::processEvents();
    QCOMPARE(Status(), QString(" typed on"));
    Trigger(path == LiveAfterPaste ? "Live1" : "ExportChanges1");
    if (path == CompareUnit) {
      editor->messageLog.Clear();
      Trigger("CompareWithUnit1");
      QCOMPARE(Status(), QString(" Compared with the unit: no differences"));
    } else if (path != LiveAfterPaste) {
      QCOMPARE(Status(), QString(" Telnet Export Complete: verified"));
    }
    QVERIFY2(editor->messageLog.Text().find(said.toStdString() + "\r\n") != std::string::npos,
             editor->messageLog.Text().c_str());
    const QString inStep(path == LiveAfterPaste ? "Live: in step" : "Unit: in step");
    QCOMPARE(UnitField(), inStep);
    if (path != ChangesAfterVerify && path != LiveAfterPaste) return;
    // Known to hold the bytes sent, the unit is sent a change of such a letter alone.
    sim->ClearRecord();
    Rename(1, "K\u00fcch\u00e9");
    if (path == ChangesAfterVerify) Trigger("ExportChanges1");
    QCOMPARE(sim->Recorded().empty() ? "" : sim->Recorded().front(), std::string("[NO2\"K\374ch\351\"]"));
    QCOMPARE(UnitField(), inStep);
  }

  void backupsBeforeExport_data() {
    QTest::addColumn<int>("existing");    // backups there before
    QTest::addColumn<bool>("readFails");  // the unit's answer never ends
    QTest::newRow("written and named") << 0 << false;
    QTest::newRow("the 51st removes the oldest") << 50 << false;
    QTest::newRow("a failed backup sends nothing") << 0 << true;
  }
  void backupsBeforeExport() {
    QFETCH(int, existing);
    QFETCH(bool, readFails);
    QVERIFY(ImportedAndRenamed());
    QVERIFY(!Action("BackUpBeforeExport1")->isChecked());
    Trigger("BackUpBeforeExport1");
    QVERIFY(window->Controller().Settings().BackUpBeforeExport());

    const QString folder =
        dataHome_.filePath("zem-config/backups/127.0.0.1_" + QString::number(sim->TcpPort()));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(WriteFileAtomically((folder + "/notes.txt").toStdString(), "", nullptr));  // not a backup
    for (int i = 0; i < existing; ++i)
      QVERIFY(WriteFileAtomically(
          (folder + QString("/2020-01-01-0000%1.zem").arg(i, 2, 10, QChar('0'))).toStdString(), "", nullptr));
    sim->Options().noEndMarker = readFails;
    window->Controller().SetWaitLimitMs(500);
    sim->ClearRecord();
    Trigger("Export1");

    const QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name);
    QVERIFY(names.contains("notes.txt"));
    if (readFails) {
      QCOMPARE(Status(), QString(" Backup failed: nothing was sent"));
      QVERIFY(sim->Recorded().empty());
      QCOMPARE(names.size(), 1);
      QVERIFY(window->isWindowModified());
      return;
    }
    QCOMPARE(names.size(), std::min(existing + 1, 50) + 1);
    QCOMPARE(names.contains("2020-01-01-000000.zem"), false);
    QCOMPARE(names.contains("2020-01-01-000001.zem"), existing > 1);
    const QString newest = names[names.size() - 2];  // before notes.txt
    QVERIFY2(newest.startsWith(QDateTime::currentDateTime().toString("yyyy-MM-dd-")), qPrintable(newest));
    // The file holds the unit as it was, and Memo3 names it.
    QFile backup(folder + "/" + newest);
    QVERIFY(backup.open(QIODevice::ReadOnly));
    QVERIFY(backup.readAll().contains("[NO1\"") && !sim->Recorded().empty());
    QVERIFY(QString::fromLatin1(editor->messageLog.Text().c_str())
                .contains("The unit's configuration was backed up to " + folder + "/" + newest));
    QCOMPARE(Status(), QString(" Telnet Export Complete: verified"));
  }

  void backupNames() {
    const std::pair<const char*, const char*> folders[] = {{"192.168.1.50:23", "192.168.1.50_23"},
                                                           {"/dev/ttyUSB0", "_dev_ttyUSB0"},
                                                           {"..", "_.."},
                                                           {"caf\xE9 1", "caf__1"}};
    for (const auto& [unit, folder] : folders) QCOMPARE(unit_backups::FolderName(unit), std::string(folder));
    // A second one in the same second gets "-2", then "-3".
    QTemporaryDir root;
    const QDateTime when(QDate(2026, 3, 4), QTime(5, 6, 7));
    QStringList written;
    for (int i = 0; i < 3; ++i) {
      std::string error;
      const auto path =
          unit_backups::Write(root.path().toStdString(), "h:23", "[NI1\"S\"]\r\n", when, &error);
      QVERIFY2(path, error.c_str());
      written << QFileInfo(QString::fromStdString(*path)).fileName();
    }
    QCOMPARE(written,
             (QStringList{"2026-03-04-050607.zem", "2026-03-04-050607-2.zem", "2026-03-04-050607-3.zem"}));
    QVERIFY(!unit_backups::IsBackupName("2026-03-04-050607-1.zem"));
  }

  // A backup is a new file, never written through a link or over a name;
  // beyond 50, the least recently modified go, never the new one.
  void backupsAreNewAndPrunedByAge_data() {
    QTest::addColumn<int>("existing");  // the first modified `age` s ago, each next 10 s before
    QTest::addColumn<QString>("stamp");
    QTest::addColumn<int>("age");
    QTest::addColumn<QString>("taken");  // what holds the new backup's name, then its "-2"
    QTest::addColumn<int>("left");
    QTest::newRow("50 named in the future") << 50 << "2099-12-31" << 60 << "" << 50;
    QTest::newRow("50 modified in the future") << 50 << "2020-01-01" << -3600 << "" << 51;
    QTest::newRow("beyond 50, by age") << 55 << "2020-01-01" << 60 << "" << 50;
    QTest::newRow("a dangling link") << 0 << "" << 0 << "link" << 1;
    QTest::newRow("a dangling link, then a file") << 0 << "" << 0 << "link file" << 2;
  }
  void backupsAreNewAndPrunedByAge() {
    QFETCH(int, existing);
    QFETCH(QString, stamp);
    QFETCH(int, age);
    QFETCH(QString, taken);
    QFETCH(int, left);
    QTemporaryDir root;
    const QString folder = root.filePath("h_23"), at = folder + "/2026-03-04-050607";
    QStringList olds;
    for (int i = 0; i < existing && QDir().mkpath(folder); ++i) {
      QFile old(olds.emplace_back(QString("%1/%2-0000%3.zem").arg(folder, stamp).arg(i, 2, 10, QChar('0'))));
      QVERIFY(old.open(QIODevice::WriteOnly) &&
              old.setFileTime(QDateTime::currentDateTime().addSecs(-age - 10 * i),
                              QFileDevice::FileModificationTime));
    }
    if (!taken.isEmpty()) QVERIFY(QDir().mkpath(folder) && QFile::link(root.filePath("out"), at + ".zem"));
    if (taken.contains("file")) QVERIFY(WriteFileAtomically((at + "-2.zem").toStdString(), "", nullptr));
    std::string error;
    const auto path = unit_backups::Write(root.path().toStdString(), "h:23", "[NI1\"S\"]",
                                          QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)), &error);
    // After the names taken, the next "-N".
    const QString suffix = taken.isEmpty() ? "" : QString("-%1").arg(taken.split(' ').size() + 1);
    QCOMPARE(QString::fromStdString(path.value_or(error)), at + suffix + ".zem");
    QVERIFY(ReadWholeFile(*path, nullptr) == "[NI1\"S\"]" && !QFile::exists(root.filePath("out")));
    const QStringList backups = QDir(folder).entryList({"*.zem"}, QDir::Files);  // no dangling link
    QCOMPARE(backups.size(), left);
    for (int i = 0; i < existing; ++i)
      QCOMPARE(backups.contains(QFileInfo(olds[i]).fileName()), i < left - 1);
  }

  void verifyIsChosenForEachMode() {
    QVERIFY(!Action("VerifyAfterExport1")->isEnabled());  // File Mode
    QVERIFY(UseSerial(Served()));
    QVERIFY(!Action("VerifyAfterExport1")->isChecked());  // a read-back takes as long as an import
    Trigger("VerifyAfterExport1");
    QVERIFY(UseTelnet(Served()));
    QVERIFY(Action("VerifyAfterExport1")->isChecked());
    Trigger("VerifyAfterExport1");
    QVERIFY(UseSerial(Served()));
    QVERIFY(Action("VerifyAfterExport1")->isChecked());

    // Over the serial link too: read back, and in step.
    Trigger("Import1");
    Rename(0, "Kitchen");
    Trigger("ExportChanges1");
    QCOMPARE(Status(), QString(" Serial Export Complete: verified"));
    QCOMPARE(UnitField(), QString("Unit: in step"));
    QVERIFY(!window->isWindowModified());
  }

  void titleAndFieldSayWhatIsOpen() {
    const auto title = [this] { return window->windowTitle(); };
    QCOMPARE(title(), QString("ZEM Configuration[*]"));
    QCOMPARE(UnitField(), QString());
    auto* memo2 = window->findChild<QPlainTextEdit*>("Memo2");
    QVERIFY(memo2->placeholderText().contains("File > Import"));
    window->SetExamplesFolder("/x/examples");
    QVERIFY(window->findChild<QPlainTextEdit*>("Memo3")->placeholderText().contains("are in /x/examples."));

    QTemporaryDir dir;
    const QString file = dir.filePath("hall.zem");
    QVERIFY(WriteFileAtomically(file.toStdString(), ZemFileText(Served().configLines), nullptr));
    prompts->openAnswers.push_back(file.toStdString());
    Trigger("Import1");
    QCOMPARE(title(), QString("hall.zem - ZEM Configuration[*]"));
    QCOMPARE(UnitField(), QString());  // File Mode
    QVERIFY(memo2->placeholderText().isEmpty());

    // The unit has zone 2 renamed: known once compared, though nothing is unsaved.
    QVERIFY(UseTelnet(Served(2, 2)));
    QCOMPARE(UnitField(), QString("Unit: not known"));
    Trigger("CompareWithUnit1");
    QCOMPARE(UnitField(), QString("Unit: 1 change not sent"));
    // Over a link the title names the unit on it.
    QCOMPARE(title(), host + " - ZEM Configuration[*]");
    QVERIFY(!window->isWindowModified());
    prompts->confirmAnswers.push_back(false);
    window->close();
    QVERIFY(window->isVisible());
    QCOMPARE(prompts->confirmTexts.back(), std::string("The unit has not received 1 change. Discard them?"));

    Rename(0, "Kitchen");
    QCOMPARE(UnitField(), QString("Unit: 2 changes not sent"));
    prompts->confirmAnswers.push_back(true);
    Trigger("Import1");
    QCOMPARE(prompts->confirmTexts.back(),
             std::string("The configuration has changes that were not exported. "
                         "The unit has not received 2 changes. Discard them?"));
    QCOMPARE(title(), host + " - ZEM Configuration[*]");
    QCOMPARE(UnitField(), QString("Unit: in step"));

    // Choosing the mode again: the unit may have been replaced.
    QVERIFY(UseTelnet(Served(2, 2)));
    QCOMPARE(UnitField(), QString("Unit: not known"));
    Action("File2")->trigger();
    QCOMPARE(UnitField(), QString());
    Rename(0, "Kitchen");
    prompts->saveAnswers.push_back(dir.filePath("saved.zem").toStdString());
    Trigger("Export1");
    QVERIFY(!window->isWindowModified());
    QCOMPARE(title(), QString("saved.zem - ZEM Configuration[*]"));
  }

 private:
  QAction* Action(const char* name) { return window->findChild<QAction*>(name); }
  void Trigger(const char* name) {
    QAction* action = Action(name);
    QVERIFY2(action && action->isEnabled(), name);
    action->trigger();
  }
  QString Status() { return window->findChild<QLabel*>("StatusText")->text(); }
  QString UnitField() { return window->findChild<QLabel*>("UnitState1")->text(); }
  void Rename(int row, const char* name) {
    auto* zoneNames = window->findChild<QTableView*>("StringGrid2");
    QVERIFY(zoneNames->model()->setData(zoneNames->model()->index(row, 1), name));
  }
  // A unit served, imported over Telnet, and (`rename`) zone 1 renamed.
  bool ImportedAndRenamed(bool rename = true) {
    if (!UseTelnet(Served()) || Action("CompareWithUnit1")->isEnabled()) return false;  // nothing loaded yet
    Action("Import1")->trigger();
    if (rename) Rename(0, "Kitchen");
    return UnitField() == (rename ? "Unit: 1 change not sent" : "Unit: in step");
  }
  bool UseSerial(const SimOptions& options) {
    sim = std::make_unique<UnitSim>(options);
    if (!sim->OpenPty(nullptr)) return false;
    prompts->portAnswers.push_back(sim->PtyPath());
    Action("Serial1")->trigger();
    window->Controller().SetSerialInactivityMs(300);
    return window->Controller().Serial().IsPortOpen();
  }
  bool UseTelnet(const SimOptions& options) {
    sim = std::make_unique<UnitSim>(options);
    if (!sim->ListenTcp(0, QHostAddress::LocalHost, nullptr)) return false;
    host = "127.0.0.1:" + QString::number(sim->TcpPort());
    prompts->hostAnswers.push_back(host.toStdString());
    Action("Telnet1")->trigger();
    return Action("Telnet1")->isChecked();
  }

  QTemporaryDir dataHome_;
  std::unique_ptr<UnitSim> sim;
  QString host;
};

QTEST_MAIN(TestWindowUnit)
#include "test_window_unit.moc"
