#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <tuple>
#include <utility>

#include "command/command_writer.h"
#include "editor/editor.h"
#include "sim/sim_config.h"
#include "sim/unit_sim.h"
#include "support/transfer_rig.h"
#include "support/window_fixture.h"
#include "support/zemctl_runner.h"
#include "ui/window/main_window.h"
#include "ui/window/text_area_feed.h"

using zem::Editor;
using zem::MainWindow;
using zem::ScriptedPrompts;
using zem::SimOptions;
using zem::TransferController;
using zem::UnitSim;
using zem::test::AddLinkRows;
using zem::test::NonEmpty;

namespace {

QStringList ShownLines(const QPlainTextEdit* textArea) {
  return textArea->toPlainText().split('\n', Qt::SkipEmptyParts);
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const std::string& text) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) &&
         file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
}

// The ways an import can end without reading a configuration.
enum Ending {
  CancelledWhileSilent,
  CancelledWithData,
  ConnectionRefused,
  ClosedAtOnce,
  SerialSilent,
  NoSerialPort,
  FileDialogCancelled,
  EmptyFile,
  NoSourceNamed
};

// How the unit takes an export. It closes (a pty hangs up) or resets after
// answering 3 commands, or all but the last (late); hangs up as the first
// comes; or falls silent at the third, where the user cancels.
enum ExportFault {
  AllTaken,
  AllRefused,
  SomeRefused,
  NoReply,
  Closed,
  ClosedLate,
  Reset,
  LostAtOnce,
  Cancelled
};

// What the read-back check finds, by kind, and where the configuration goes:
// the window's exports or zemctl's writers.
enum class Finding { Corruption, Loss, Unsound };
enum class Dest { File, Telnet, Serial, Changes, Convert, Pull, Push, Backup, Build };

}  // namespace

// The window driving real transfers against the simulated unit.
class TestWindowTransfer : public QObject, private zem::test::WindowFixture {
  Q_OBJECT

 private slots:
  void init() { OpenWindow(true); }
  void cleanup() {
    CloseWindow();
    sim.reset();
  }

  void telnetImportShowsTheRunInTheWindow() {
    SimOptions options;
    options.configLines = zem::GenerateConfiguration(8, 24);
    QVERIFY(UseTelnet(options));
    auto* receivedText = window->findChild<QPlainTextEdit*>("Memo2");
    auto* messageLog = window->findChild<QPlainTextEdit*>("Memo3");
    QTRY_COMPARE(ShownLines(messageLog), QStringList{"Using host: " + host});

    QStringList statuses;
    editor->status.SetOnChange([&](const std::string& text) {
      statuses << QString::fromLatin1(text.c_str());
      window->findChild<QLabel*>("StatusText")->setText(QString::fromLatin1(text.c_str()));
    });
    window->findChild<QAction*>("Import1")->trigger();
    QCOMPARE(window->Controller().LastOutcome(), TransferController::Outcome::Completed);

    QTRY_COMPARE(receivedText->toPlainText(), zem::TextAreaText(editor->receivedText.Text()));
    QTRY_COMPARE(messageLog->toPlainText(), zem::TextAreaText(editor->messageLog.Text()));
    const QStringList log = ShownLines(messageLog);
    QVERIFY(log.indexOf("Connected.") >= 0);
    QVERIFY(log.indexOf("Connected.") < log.indexOf("Disconnected."));
    QCOMPARE(log.back(), QString("Import Complete"));
    QVERIFY2(receivedText->toPlainText().contains("[NO24"), qPrintable(receivedText->toPlainText().left(80)));

    QVERIFY(statuses.contains(" Importing from host: " + host));
    QCOMPARE(statuses.back(), QString(" Import Complete"));
    QCOMPARE(window->findChild<QTableView*>("StringGrid2")->model()->rowCount(), 24);
    QCOMPARE(window->findChild<QTableView*>("StringGrid3")->model()->rowCount(), 8);
    QVERIFY(window->findChild<QTableView*>("StringGrid2")->isEnabled());
    QVERIFY(window->findChild<QAction*>("Import1")->isEnabled());
  }

  void importsThatReadNothingKeepTheConfiguration_data() {
    QTest::addColumn<int>("ending");
    QTest::addColumn<QString>("reason");  // the log line before the last
    QTest::newRow("cancelled, unit silent") << int(CancelledWhileSilent) << "Import cancelled.";
    QTest::newRow("cancelled after data came") << int(CancelledWithData) << "Import cancelled.";
    QTest::newRow("connection refused") << int(ConnectionRefused) << "Cannot connect to 127.0.0.1:";
    QTest::newRow("unit closes at once") << int(ClosedAtOnce) << "Nothing was received from the unit.";
    QTest::newRow("serial unit silent") << int(SerialSilent) << "Nothing was received from the unit.";
    QTest::newRow("no serial port") << int(NoSerialPort) << "No serial port selected.";
    QTest::newRow("open dialog cancelled") << int(FileDialogCancelled) << "No file was chosen.";
    QTest::newRow("empty file") << int(EmptyFile) << "The file ";
    QTest::newRow("file names no source")
        << int(NoSourceNamed) << " names no source, so it holds no configuration.";
  }
  void importsThatReadNothingKeepTheConfiguration() {
    QFETCH(int, ending);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString source = dir.filePath("unit.zem");
    QVERIFY(WriteAll(source, zem::ZemFileText(zem::GenerateConfiguration(8, 24))));
    auto* pages = window->findChild<QTabWidget*>("PageControl1");
    auto* zoneNames = window->findChild<QTableView*>("StringGrid2");
    auto* volume = window->findChild<QSlider*>("TrackBar13");

    // A configuration imported from a file, renamed, exported.
    prompts->openAnswers.push_back(source.toStdString());
    window->findChild<QAction*>("Import1")->trigger();
    QCOMPARE(window->Controller().LastOutcome(), TransferController::Outcome::Completed);
    QVERIFY(zoneNames->model()->setData(zoneNames->model()->index(1, 1), "Kitchen"));
    const QString before = dir.filePath("before.zem");
    prompts->saveAnswers.push_back(before.toStdString());
    window->findChild<QAction*>("Export1")->trigger();
    QVERIFY(!window->isWindowModified());
    // Then the Favorites page, and a volume still held by its slider.
    pages->setCurrentIndex(static_cast<int>(zem::Page::Favorites));
    const int volumeBefore = volume->value();
    volume->setValue(volumeBefore - 7);
    QVERIFY(window->isWindowModified());
    const zem::ConfigModel model = editor->model;
    const bool volumeEnabled = volume->isEnabled();

    // The import that reads nothing, after the user agreed to drop the edit.
    prompts->confirmAnswers.push_back(true);
    SimOptions options;
    options.configLines = zem::GenerateConfiguration(4, 8);
    QTcpServer closer;
    bool sawData = false;
    int shownWhileWaiting = -1;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
      if (!window->Controller().Busy()) return;
      shownWhileWaiting = pages->currentIndex();
      sawData = editor->receivedText.ByteCount() > 0;
      const bool asked = sim && sim->Queries() >= 1;
      if (ending == CancelledWhileSilent && asked) window->Controller().Cancel();
      if (ending == CancelledWithData && sawData) window->Controller().Cancel();
    });
    poll.start(10);
    // The page shown once the run has started talking to the unit.
    connect(&window->Controller().Telnet(), &zem::TelnetLink::LinkStatus, this,
            [&] { shownWhileWaiting = pages->currentIndex(); });
    switch (ending) {
      case CancelledWhileSilent:
        options.silent = true;
        QVERIFY(UseTelnet(options));
        break;
      case CancelledWithData:
        options.noEndMarker = true;
        QVERIFY(UseTelnet(options));
        break;
      case ConnectionRefused: {
        QVERIFY(closer.listen(QHostAddress::LocalHost, 0));
        const quint16 port = closer.serverPort();
        closer.close();  // nothing listens there now
        prompts->hostAnswers.push_back("127.0.0.1:" + std::to_string(port));
        window->findChild<QAction*>("Telnet1")->trigger();
        break;
      }
      case ClosedAtOnce:
        QVERIFY(closer.listen(QHostAddress::LocalHost, 0));
        connect(&closer, &QTcpServer::newConnection, this, [&] { closer.nextPendingConnection()->close(); });
        prompts->hostAnswers.push_back("127.0.0.1:" + std::to_string(closer.serverPort()));
        window->findChild<QAction*>("Telnet1")->trigger();
        break;
      case SerialSilent: {
        options.silent = true;
        sim = std::make_unique<UnitSim>(options);
        std::string error;
        QVERIFY2(sim->OpenPty(&error), error.c_str());
        prompts->portAnswers.push_back(sim->PtyPath());
        window->findChild<QAction*>("Serial1")->trigger();
        window->Controller().SetSerialInactivityMs(300);
        break;
      }
      case NoSerialPort:
        window->findChild<QAction*>("Serial1")->trigger();  // chooser cancelled
        QCOMPARE(prompts->errors.size(), std::size_t(1));
        break;
      case EmptyFile:
        QVERIFY(WriteAll(dir.filePath("empty.zem"), std::string()));
        prompts->openAnswers.push_back(dir.filePath("empty.zem").toStdString());
        break;
      case NoSourceNamed:
        // Text, even a command, but nothing that makes a configuration.
        QVERIFY(WriteAll(dir.filePath("words.zem"), "hello world\r\n[NO3\"Hall\"]\r\n"));
        prompts->openAnswers.push_back(dir.filePath("words.zem").toStdString());
        break;
      default:
        break;
    }
    const std::size_t errorsBefore = prompts->errors.size();
    const std::string collected = editor->receivedText.Text();  // a mode change empties it
    window->findChild<QAction*>("Import1")->trigger();
    poll.stop();
    QCOMPARE(prompts->confirmTexts,
             std::vector<std::string>{"The configuration has changes that were not exported. Discard them?"});
    if (ending == CancelledWithData) QVERIFY(sawData);
    if (ending <= SerialSilent) QCOMPARE(shownWhileWaiting, 0);  // the collected text's page
    const bool failure = ending == ConnectionRefused || ending == NoSerialPort;
    QCOMPARE(prompts->errors.size(), errorsBefore + (failure ? 1 : 0));

    // Everything as it was: the configuration, the pending edit, the page,
    // what is enabled, the collected text and the unsaved mark.
    QVERIFY(editor->model == model);
    QCOMPARE(volume->value(), volumeBefore - 7);
    QCOMPARE(volume->isEnabled(), volumeEnabled);
    QCOMPARE(pages->currentIndex(), static_cast<int>(zem::Page::Favorites));
    QVERIFY(editor->PagesEnabled());
    QVERIFY(zoneNames->isEnabled());
    QCOMPARE(editor->receivedText.Text(), collected);
    QVERIFY(window->isWindowModified());
    const std::vector<std::string> log = editor->messageLog.Lines();
    QVERIFY(log.size() >= 2);
    QCOMPARE(log.back(), std::string("Nothing was imported; the configuration is unchanged."));
    QVERIFY2(QString::fromStdString(log[log.size() - 2]).contains(reason), log[log.size() - 2].c_str());
    QVERIFY(!editor->status.Text().empty());
    QVERIFY(editor->status.Text().find("Complete") == std::string::npos);

    // Without the slider's edit the export is the one from before, byte for
    // byte; moved back by hand, the slider leaves nothing unsaved.
    volume->setValue(volumeBefore);
    QVERIFY(!window->isWindowModified());
    window->findChild<QAction*>("File2")->trigger();
    const QString after = dir.filePath("after.zem");
    prompts->saveAnswers.push_back(after.toStdString());
    window->findChild<QAction*>("Export1")->trigger();
    QVERIFY(!ReadAll(before).isEmpty());
    QCOMPARE(ReadAll(after), ReadAll(before));
  }

  // However an export to the unit ends, the status line, the message log and
  // the unsaved mark say what the unit did, and how far the export got.
  void exportEndingsSayWhatTheUnitDid_data() {
    QTest::addColumn<bool>("serial");
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("ending");      // %1: the number of commands, %2: one less
    QTest::addColumn<QList<int>>("refused");  // of the commands, counted from 1
    QTest::addColumn<QString>("error");       // %p: the serial device
    QTest::addColumn<bool>("saved");
    QTest::newRow("telnet, all taken")
        << false << int(AllTaken) << " Telnet Export Complete" << QList<int>{} << "" << true;
    QTest::newRow("serial, all taken")
        << true << int(AllTaken) << " Serial Export Complete" << QList<int>{} << "" << true;
    QTest::newRow("telnet, all refused")
        << false << int(AllRefused) << " Telnet Export Complete: %1 of %1 commands refused"
        << QList<int>{1, 2, 3, 4, 5} << "" << false;
    QTest::newRow("serial, some refused")
        << true << int(SomeRefused) << " Serial Export Complete: 2 of %1 commands refused" << QList<int>{2, 5}
        << "" << false;
    QTest::newRow("serial, no response")
        << true << int(NoReply) << " Serial Export Incomplete: no response in 1 second after command 1 of %1"
        << QList<int>{} << "" << false;
    const auto broken = [](const char* name, bool serial, ExportFault fault, const char* how,
                           const char* error) {
      QTest::newRow(name) << serial << int(fault)
                          << (serial ? " Serial Export " : " Telnet Export ") + QString(how) << QList<int>{}
                          << error << false;
    };
    const char* closed = "Connection Closed Gracefully.";
    const char* lost = "The serial port %p was lost";
    broken("telnet, closed", false, Closed,
           "Incomplete: the unit closed the connection after command 3 of %1", closed);
    broken("telnet, closed before the last answer", false, ClosedLate,
           "Incomplete: the unit closed the connection after command %2 of %1", closed);
    broken("telnet, reset", false, Reset, "Incomplete: the unit reset the connection after command 3 of %1",
           "Connection reset by the unit.");
    broken("serial, port lost", true, Closed, "Incomplete: the port was lost after command 3 of %1", lost);
    broken("serial, port lost at once", true, LostAtOnce,
           "Incomplete: the port was lost before the first command", lost);
    broken("telnet, cancelled", false, Cancelled, "cancelled after command 2 of %1", "");
    broken("serial, cancelled", true, Cancelled, "cancelled after command 2 of %1", "");
  }
  void exportEndingsSayWhatTheUnitDid() {
    QFETCH(bool, serial);
    QFETCH(int, fault);
    QFETCH(QString, ending);
    QFETCH(QList<int>, refused);
    QFETCH(QString, error);
    QFETCH(bool, saved);
    auto* status = window->findChild<QLabel*>("StatusText");

    SimOptions options;
    options.configLines = zem::GenerateConfiguration(4, 8);
    QVERIFY(serial ? UseSerial(options) : UseTelnet(options));
    // The endings of the export itself, not read back.
    window->Controller().SetVerifyAfterExport(false);
    QStringList shownAtStart;
    connect(&window->Controller(), &TransferController::BusyChanged, this, [&](bool busy) {
      if (busy) shownAtStart << status->text();
    });
    window->findChild<QAction*>("Import1")->trigger();
    QCOMPARE(window->Controller().LastOutcome(), TransferController::Outcome::Completed);
    auto* zoneNames = window->findChild<QTableView*>("StringGrid2");
    QVERIFY(zoneNames->model()->setData(zoneNames->model()->index(0, 1), "Kitchen"));
    QVERIFY(window->isWindowModified());

    SimOptions& unit = sim->Options();
    unit.reply = fault == AllRefused ? SimOptions::Reply::Error : SimOptions::Reply::Ok;
    if (fault == SomeRefused) unit.refuseCommands = {2, 5};
    unit.silent = fault == NoReply;
    const std::vector<std::string> commands = NonEmpty(zem::BuildCommandSequence(editor->model));
    if (fault == Closed || fault == Reset) unit.closeAfter = 3;
    if (fault == ClosedLate) unit.closeAfter = static_cast<int>(commands.size()) - 1;
    unit.resetOnClose = fault == Reset;
    const int third = sim->CommandsReceived() + 3;
    QObject thisRun;  // the faults end with the test
    connect(sim.get(), &UnitSim::CommandRecorded, &thisRun, [&] {
      if (fault == LostAtOnce) sim->ClosePty();
      if (fault != Cancelled || sim->CommandsReceived() != third) return;
      unit.silent = true;
      window->Controller().Cancel();
    });
    window->Controller().SetReplyLimitMs(1000);
    window->findChild<QAction*>("Export1")->trigger();

    // The run in progress is shown from its start, never the last run's end.
    QCOMPARE(shownAtStart, (QStringList{" Importing...", " Exporting..."}));
    QCOMPARE(status->text(), QString(ending)
                                 .replace("%1", QString::number(commands.size()))
                                 .replace("%2", QString::number(commands.size() - 1)));
    error.replace("%p", QString::fromStdString(sim->PtyPath()));
    QCOMPARE(prompts->errors,
             error.isEmpty() ? std::vector<std::string>{} : std::vector<std::string>{error.toStdString()});
    // Broken off by the unit, with a command sent.
    QCOMPARE(
        zem::test::Contains(editor->messageLog.Lines(), "The unit may hold part of the new configuration."),
        ending.contains("Incomplete: the"));
    std::string refusedLine;
    for (const int number : refused)
      refusedLine += (refusedLine.empty() ? "Refused by the unit: " : ", ") + commands[number - 1];
    std::vector<std::string> refusedLogged;
    for (const std::string& line : editor->messageLog.Lines())
      if (line.rfind("Refused by the unit: ", 0) == 0) refusedLogged.push_back(line);
    QCOMPARE(refusedLogged,
             refusedLine.empty() ? std::vector<std::string>{} : std::vector<std::string>{refusedLine});
    // The unsaved mark goes only once the unit took every command.
    QCOMPARE(window->isWindowModified(), !saved);
  }

  // Each kind of finding, through every way out. Corruption is refused
  // everywhere; a loss is written and sent with a warning (refused with
  // --strict, and by build); an address a unit cannot use is refused on the
  // way to a unit only. `where` is the grid and row or the field the value is
  // typed into, the JSON text it replaces (build), or empty: the value is a
  // line of the configuration (of the file, or of the unit for a pull, a
  // backup and Export Changes). `line` is what the file or the unit gets.
  void findingsByKind_data() {
    QTest::addColumn<Finding>("finding");
    QTest::addColumn<Dest>("dest");
    QTest::addColumn<bool>("strict");
    QTest::addColumn<QString>("where");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("named");
    QTest::addColumn<QByteArray>("line");
    const auto row = [](const char* name, Finding finding, Dest dest, bool strict, const char* where,
                        const QByteArray& value, const char* named, const char* line = "") {
      QTest::newRow(name) << finding << dest << strict << where << value << named << QByteArray(line);
    };
    using enum Dest;
    const Finding bad = Finding::Corruption, lost = Finding::Loss, unsound = Finding::Unsound;
    row("corrupt: zone name, file", bad, File, false, "StringGrid2:5", "[VO1R0]",
        "zone 6 name \"[VO1R0]\" would read back as a volume command");
    row("corrupt: favorite name, telnet", bad, Telnet, false, "StringGrid5:2", "x[VO1R0]",
        "favorite 3 name \"x[VO1R0]\" would read back as a volume command");
    row("corrupt: source name, serial", bad, Serial, false, "StringGrid3:1", "[NO1\"a\"]",
        "source 2 name \"[NO1\"a\"]\" would read back as a zone name command");
    const char* bracket = "IP address holds \"]\"";
    // File and Telnet: the named rows above.
    for (const auto& [name, dest] : {std::pair{"corrupt: changes", Changes},
                                     {"corrupt: convert", Convert},
                                     {"corrupt: pull", Pull},
                                     {"corrupt: push", Push},
                                     {"corrupt: backup", Backup}})
      row(name, bad, dest, false, "", "[IP10.0]1]", bracket);
    row("corrupt: build name", bad, Build, false, "Room 1", "[VO1R0]",
        "zones[0].name: \"[VO1R0]\" would read back as a volume command");
    row("corrupt: build bracket", bad, Build, false, "192.168.1.50", "10.0]1",
        "options.ipAddress: holds \"]\"");
    row("corrupt: build NUL", bad, Build, false, "192.168.1.50", "10\\u00001",
        "options.ipAddress: holds the control byte U+0000");
    row("corrupt: build raw NUL", bad, Build, false, "Room 1", "a" + QByteArray(1, '\0') + "b",
        "not valid JSON at byte");

    // A zone in Lowpass mode that reported no lowpass.
    const char* lowpass = "zone 2 lowpass -1 is negative and would not be read back";
    for (const auto& [name, dest, strict] : {std::tuple{"lost: file", File, false},
                                             {"lost: telnet", Telnet, false},
                                             {"lost: changes", Changes, false},
                                             {"lost: convert", Convert, false},
                                             {"lost: convert --strict", Convert, true},
                                             {"lost: pull", Pull, false},
                                             {"lost: push", Push, false},
                                             {"lost: push --strict", Push, true},
                                             {"lost: backup", Backup, false},
                                             {"lost: backup --strict", Backup, true}})
      row(name, lost, dest, strict, "", "[EO2M4]", lowpass, "[EO2LP-1]");

    const char* threeParts = "IP address \"192.168.1\" is not an IPv4 address";
    // File and Telnet: the typed fields below.
    for (const auto& [name, dest, strict] : {std::tuple{"unsound: changes", Changes, false},
                                             {"unsound: convert", Convert, false},
                                             {"unsound: convert --strict", Convert, true},
                                             {"unsound: pull", Pull, false},
                                             {"unsound: push", Push, false},
                                             {"unsound: backup", Backup, false}})
      row(name, unsound, dest, strict, "", "[IP192.168.1]", threeParts, "[IP192.168.1]");
    row("unsound: empty field, telnet", unsound, Telnet, false, "IPAddress", "",
        "IP address \"\" is not an IPv4 address");
    row("unsound: placeholder netmask, serial", unsound, Serial, false, "Netmask", "Netmask",
        "Netmask \"Netmask\" is not an IPv4 address");
    row("unsound: placeholder gateway, file", unsound, File, false, "Gateway", "Gateway",
        "Gateway \"Gateway\" is not an IPv4 address", "[GWGateway]");
  }

  void findingsByKind() {
    QFETCH(Finding, finding);
    QFETCH(Dest, dest);
    QFETCH(bool, strict);
    QFETCH(QString, where);
    QFETCH(QByteArray, value);
    QFETCH(QString, named);
    QFETCH(QByteArray, line);
    using zem::test::Zemctl;
    const bool toUnit =
        dest == Dest::Telnet || dest == Dest::Serial || dest == Dest::Changes || dest == Dest::Push;
    const bool refused = finding == Finding::Corruption ||
                         (finding == Finding::Loss && (strict || dest == Dest::Build)) ||
                         (finding == Finding::Unsound && toUnit);
    QTemporaryDir dir;
    const QString in = dir.filePath("in.zem"), json = dir.filePath("in.json"), out = dir.filePath("out.zem");
    const std::vector<std::string> clean = zem::GenerateConfiguration(8, 24);
    std::vector<std::string> carrying = clean;
    if (where.isEmpty()) carrying.push_back(value.toStdString());
    // The unit holds the value when it is pulled from it.
    SimOptions options;
    options.configLines =
        dest == Dest::Pull || dest == Dest::Backup || dest == Dest::Changes ? carrying : clean;
    if (dest == Dest::Serial) {
      QVERIFY(UseSerial(options));
    } else if (dest != Dest::File && dest != Dest::Convert && dest != Dest::Build) {
      QVERIFY(UseTelnet(options));
    }

    if (dest >= Dest::Convert) {
      zem::test::Write(in,
                       QByteArray::fromStdString(zem::ZemFileText(dest == Dest::Backup ? clean : carrying)));
      const QStringList link{"--telnet", host, "--timeout", "5"};
      QStringList args;
      if (dest == Dest::Convert) args = QStringList{"convert", in, "-o", out};
      if (dest == Dest::Pull) args = QStringList{"pull"} + link + QStringList{"-o", out};
      if (dest == Dest::Push) args = QStringList{"push", in} + link;
      if (dest == Dest::Backup) args = QStringList{"push", in} + link + QStringList{"--backup", out};
      if (dest == Dest::Build) {
        QCOMPARE(Zemctl({"dump", in, "--json", "-o", json}).status, 0);
        zem::test::Write(json,
                         zem::test::Read(json).replace('"' + where.toLatin1() + '"', '"' + value + '"'));
        args = QStringList{"build", json, "-o", out, "--keep-out-of-range"};
      }
      if (strict) args << "--strict";
      // The simulated unit answers while zemctl runs.
      const zem::test::Run run = Zemctl(args);
      const int refusal = dest == Dest::Build ? 1 : dest == Dest::Backup ? 5 : 2;
      QCOMPARE(run.status, refused ? refusal : 0);
      QVERIFY2(run.err.contains(named.toLatin1()), run.err.constData());
      if (dest != Dest::Build)
        QVERIFY2(run.err.contains("zemctl: warning: " + named.toLatin1()) == !refused, run.err.constData());
      if (dest != Dest::Push) QCOMPARE(QFile::exists(out), !refused);
      if (!refused && dest != Dest::Push) QVERIFY(zem::test::Read(out).contains("\r\n" + line + "\r\n"));
      if (sim) {
        QCOMPARE(sim->Recorded().empty(), refused || dest == Dest::Pull);
        if (dest == Dest::Push && !refused) QVERIFY(zem::test::Contains(sim->Recorded(), line.toStdString()));
      }
      return;
    }

    if (dest == Dest::Changes) {
      // What the unit holds becomes known, then one name changes.
      window->findChild<QAction*>("Import1")->trigger();
      QCOMPARE(window->Controller().LastOutcome(), TransferController::Outcome::Completed);
      auto* zones = window->findChild<QTableView*>("StringGrid2");
      QVERIFY(zones->model()->setData(zones->model()->index(2, 1), QString("Changed")));
      line = "[NO3\"Changed\"]";
    } else {
      editor->ImportFileText(zem::ZemFileText(carrying), "u.zem");
    }
    if (where.startsWith("StringGrid")) {
      auto* grid = window->findChild<QTableView*>(where.section(':', 0, 0));
      const QModelIndex cell = grid->model()->index(where.section(':', 1).toInt(), 1);
      QVERIFY(grid->model()->setData(cell, QString::fromLatin1(value)));  // as the in-place editor commits
    } else if (!where.isEmpty()) {
      auto* field = window->findChild<QLineEdit*>(where);
      field->selectAll();
      QTest::keyClick(field, Qt::Key_Delete);
      QTest::keyClicks(field, QString::fromLatin1(value));
    }
    if (dest == Dest::File) {
      prompts->saveAnswers.push_back(out.toStdString());
      window->findChild<QAction*>("File2")->trigger();
    }
    const int heard = sim ? sim->CommandsReceived() + sim->Syncs() : 0;
    window->findChild<QAction*>(dest == Dest::Changes ? "ExportChanges1" : "Export1")->trigger();

    const std::vector<std::string> log = editor->messageLog.Lines();
    if (refused) {
      QCOMPARE(prompts->errors.size(), std::size_t(1));
      QVERIFY2(QString::fromLatin1(prompts->errors[0].c_str()).contains(named), prompts->errors[0].c_str());
      QVERIFY(zem::test::Contains(log, "  " + named.toStdString()));
      QCOMPARE(editor->status.Text(), std::string(" Export failed"));
      // Nothing written or sent, not even a file asked for.
      QVERIFY(prompts->saveDialogs.empty());
      if (sim) {
        QTest::qWait(50);
        QCOMPARE(sim->CommandsReceived() + sim->Syncs(), heard);
      }
      QVERIFY(editor->IsModified() || where.isEmpty());
      return;
    }
    QVERIFY2(prompts->errors.empty(), prompts->errors.empty() ? "" : prompts->errors[0].c_str());
    // The warning comes once the export is over, after what it wrote or sent.
    const auto warning = std::find(log.begin(), log.end(), "Warning: " + named.toStdString());
    QVERIFY(warning != log.end());
    QVERIFY(std::find(log.begin(), warning, "[EC]") != warning || dest == Dest::Changes);
    if (dest == Dest::File) {
      const QByteArray written = zem::test::Read(out);
      QVERIFY(written.contains("\r\n" + line + "\r\n"));
      QVERIFY(!written.contains("Warning"));
      QVERIFY(written.endsWith("[EC]\r\n"));
    } else {
      QVERIFY(zem::test::Contains(sim->Recorded(), line.toStdString()));
      QCOMPARE(window->Controller().LastOutcome(), TransferController::Outcome::Completed);
    }
  }

  void cancelButtonEndsAWaitingImport() {
    SimOptions options;
    options.configLines = zem::GenerateConfiguration(4, 8);
    options.noEndMarker = true;  // the import would wait for ever
    QVERIFY(UseTelnet(options));
    auto* cancel = window->findChild<QPushButton*>("CancelButton");
    bool clicked = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
      // Once the unit has been asked and the window shows the run as busy.
      if (sim->Queries() >= 1 && cancel->isVisible() && !clicked) {
        clicked = true;
        QTest::mouseClick(cancel, Qt::LeftButton);
      }
    });
    poll.start(10);
    window->findChild<QAction*>("Import1")->trigger();
    poll.stop();
    QVERIFY(clicked);
    QCOMPARE(window->Controller().LastOutcome(), TransferController::Outcome::Cancelled);
    QVERIFY(!cancel->isVisible());
    QVERIFY(window->findChild<QAction*>("Import1")->isEnabled());
    QVERIFY(window->findChild<QAction*>("Telnet1")->isChecked());
    QVERIFY(prompts->errors.empty());
  }

  void escapeEndsAWaitingImport() {
    SimOptions options;
    options.configLines = zem::GenerateConfiguration(4, 8);
    options.noEndMarker = true;
    QVERIFY(UseTelnet(options));
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get()))
      QSKIP("the window cannot be made active on this platform");
    bool pressed = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
      if (sim->Queries() >= 1 && window->Controller().Busy() && !pressed) {
        pressed = true;
        QTest::keyClick(window.get(), Qt::Key_Escape);
      }
    });
    poll.start(10);
    window->findChild<QAction*>("Import1")->trigger();
    poll.stop();
    QVERIFY(pressed);
    QCOMPARE(window->Controller().LastOutcome(), TransferController::Outcome::Cancelled);
  }

  void closingTheWindowEndsAWaitingImport() {
    SimOptions options;
    options.configLines = zem::GenerateConfiguration(4, 8);
    options.noEndMarker = true;
    QVERIFY(UseTelnet(options));
    bool closed = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
      if (sim->Queries() >= 1 && window->Controller().Busy() && !closed) {
        closed = true;
        window->findChild<QAction*>("Exit1")->trigger();
      }
    });
    poll.start(10);
    window->findChild<QAction*>("Import1")->trigger();
    poll.stop();
    QVERIFY(closed);
    QVERIFY(!window->isVisible());
    QVERIFY(!window->Controller().Busy());
    QTRY_COMPARE(sim->OpenConnections(), 0);
  }

  // File > Export Changes is greyed, its tooltip saying why, until a known
  // unit has something to receive; then it sends just that, never twice.
  void exportChangesFollowsTheUnit() {
    SimOptions options;
    options.configLines = zem::GenerateConfiguration(4, 12);
    QVERIFY(UseTelnet(options));
    auto* item = window->findChild<QAction*>("ExportChanges1");
    QAbstractItemModel* zoneNames = window->findChild<QTableView*>("StringGrid2")->model();
    const std::pair<std::function<void()>, QString> steps[] = {
        {[&] { window->findChild<QAction*>("Import1")->trigger(); }, "No changes to export"},
        {[&] { zoneNames->setData(zoneNames->index(3, 1), QString("Kitchen")); }, "Sends only what changed"},
        {[&] {
           editor->Change([](zem::ConfigModel& m) {
             --m.unit.ZoneCount;
             return true;
           });
         },
         "The source or zone count changed"},
        {[&] {
           editor->Change([](zem::ConfigModel& m) {
             ++m.unit.ZoneCount;
             return true;
           });
         },
         "Sends only what changed"},
        {[&] { item->trigger(); }, "No changes to export"},
        {[&] { window->findChild<QAction*>("File2")->trigger(); }, "What the unit holds is not known"},
    };
    bool enabledDuringRun = false;
    connect(sim.get(), &UnitSim::CommandRecorded, this, [&] { enabledDuringRun |= item->isEnabled(); });
    for (const auto& [step, tip] : steps) {
      step();
      QCOMPARE(item->toolTip().left(tip.size()), tip);
      QCOMPARE(item->isEnabled(), tip.startsWith("Sends"));
    }
    QVERIFY(!enabledDuringRun);
    QCOMPARE(sim->Recorded().size(), std::size_t(2));  // the zone's name line and "[EC]"
    QVERIFY(!window->isWindowModified());
  }

  // A hung-up pty would make the port report errors on every pass of the
  // event loop: the idle window closes it and shows why.
  void hungUpPortInSerialModeIsClosedAndShown() {
    SimOptions options;
    options.hangupAfterMs = 300;
    sim = std::make_unique<UnitSim>(std::move(options));
    std::string error;
    QVERIFY(sim->OpenPty(&error));
    prompts->portAnswers.push_back(sim->PtyPath());
    window->findChild<QAction*>("Serial1")->trigger();
    QVERIFY(window->Controller().Serial().IsPortOpen());
    QTRY_VERIFY(!window->Controller().Serial().IsPortOpen());
    const QString lost = "The serial port " + QString::fromStdString(sim->PtyPath()) + " was lost.";
    QTRY_COMPARE(ShownLines(window->findChild<QPlainTextEdit*>("Memo3")).back(), lost);
    QTRY_COMPARE(window->findChild<QLabel*>("StatusText")->text(), " " + lost);
    QVERIFY(window->findChild<QAction*>("Serial1")->isChecked());
    QVERIFY(prompts->errors.empty());
  }

 private:
  bool UseSerial(SimOptions options) {
    sim = std::make_unique<UnitSim>(std::move(options));
    std::string error;
    if (!sim->OpenPty(&error)) return false;
    prompts->portAnswers.push_back(sim->PtyPath());
    window->findChild<QAction*>("Serial1")->trigger();
    return window->Controller().Serial().IsPortOpen();
  }

  bool UseTelnet(SimOptions options) {
    sim = std::make_unique<UnitSim>(std::move(options));
    std::string error;
    if (!sim->ListenTcp(0, QHostAddress::LocalHost, &error)) return false;
    host = "127.0.0.1:" + QString::number(sim->TcpPort());
    prompts->hostAnswers.push_back(host.toStdString());
    window->findChild<QAction*>("Telnet1")->trigger();
    return window->findChild<QAction*>("Telnet1")->isChecked();
  }

  std::unique_ptr<UnitSim> sim;
  QString host;
};

QTEST_MAIN(TestWindowTransfer)
#include "test_window_transfer.moc"
