#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
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

#include "command/command_writer.h"
#include "editor/editor.h"
#include "sim/sim_config.h"
#include "sim/unit_sim.h"
#include "support/transfer_rig.h"
#include "support/window_fixture.h"
#include "support/zemctl_runner.h"
#include "ui/window/main_window.h"
#include "ui/window/text_log_view.h"

using zem::Editor;
using zem::MainWindow;
using zem::ScriptedPrompts;
using zem::SimOptions;
using zem::TransferController;
using zem::UnitSim;
using zem::test::AddLinkRows;
using zem::test::NonEmpty;

namespace {

QStringList ShownLines(const zem::TextLogView* textArea) {
  return textArea->ShownText().split('\n', Qt::SkipEmptyParts);
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

// Where a value that would not read back comes in, and where it goes.
enum class Entry { NameGrid, OptionField, Import, Build, Convert, Push };
enum class Mode { File, Telnet, Serial };

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
    auto* receivedText = window->findChild<zem::TextLogView*>("Memo2");
    auto* messageLog = window->findChild<zem::TextLogView*>("Memo3");
    QTRY_COMPARE(ShownLines(messageLog), QStringList{"Using host: " + host});

    QStringList statuses;
    editor->status.SetOnChange([&](const std::string& text) {
      statuses << QString::fromLatin1(text.c_str());
      window->findChild<QLabel*>("StatusText")->setText(QString::fromLatin1(text.c_str()));
    });
    window->findChild<QAction*>("Import1")->trigger();
    QCOMPARE(window->Controller().LastOutcome(), TransferController::Outcome::Completed);

    QTRY_COMPARE(receivedText->ShownText(), zem::TextLogDisplayText(editor->receivedText.Text()));
    QTRY_COMPARE(messageLog->ShownText(), zem::TextLogDisplayText(editor->messageLog.Text()));
    const QStringList log = ShownLines(messageLog);
    QVERIFY(log.indexOf("Connected.") >= 0);
    QVERIFY(log.indexOf("Connected.") < log.indexOf("Disconnected."));
    QCOMPARE(log.back(), QString("Import Complete"));
    QVERIFY2(receivedText->ShownText().contains("[NO24"), qPrintable(receivedText->ShownText().left(80)));

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

  // Values whose export would not read back as itself are refused, whichever
  // way they came in: the name grids and option fields (exported to a file,
  // over Telnet or over serial), and zemctl. `where` names the grid and row,
  // the field, or the text of the JSON dump that the value replaces.
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
    using zem::test::Zemctl;
    QTemporaryDir dir;
    const QString in = dir.filePath("in.zem"), json = dir.filePath("in.json"), out = dir.filePath("out.zem");
    QVERIFY(mode == Mode::File || (mode == Mode::Telnet ? UseTelnet({}) : UseSerial({})));
    const QByteArray configuration =
        QByteArray::fromStdString(zem::ZemFileText(zem::GenerateConfiguration(8, 24)));

    if (entry == Entry::Build || entry == Entry::Convert || entry == Entry::Push) {
      zem::test::Write(in, configuration + (entry == Entry::Build ? QByteArray() : value + "\r\n"));
      zem::test::Run run;
      if (entry == Entry::Build) {
        QCOMPARE(Zemctl({"dump", in, "--json", "-o", json}).status, 0);
        zem::test::Write(json,
                         zem::test::Read(json).replace('"' + where.toLatin1() + '"', '"' + value + '"'));
        run = Zemctl({"build", json, "-o", out, "--keep-out-of-range"});
      } else if (entry == Entry::Convert) {
        run = Zemctl({"convert", in, "-o", out});
      } else {
        // The simulated unit answers while zemctl runs: a push that went ahead would not end in 2.
        run = Zemctl({"push", in, "--telnet", host, "--timeout", "5"});
      }
      QCOMPARE(run.status, entry == Entry::Build ? 1 : 2);
      QVERIFY2(run.err.contains(named.toLatin1()), run.err.constData());
      QVERIFY(!QFile::exists(out));
      return;
    }

    editor->ImportFileText((configuration + (entry == Entry::Import ? value + "\r\n" : "")).toStdString(),
                           "u.zem");
    if (entry == Entry::NameGrid) {
      auto* grid = window->findChild<QTableView*>(where.section(':', 0, 0));
      const QModelIndex cell = grid->model()->index(where.section(':', 1).toInt(), 1);
      QVERIFY(grid->model()->setData(cell, QString::fromLatin1(value)));  // as the in-place editor commits
    } else if (entry == Entry::OptionField) {
      window->findChild<QLineEdit*>(where)->selectAll();
      QTest::keyClick(window->findChild<QLineEdit*>(where), Qt::Key_Delete);
    }
    if (mode == Mode::File) {
      prompts->saveAnswers.push_back(out.toStdString());
      window->findChild<QAction*>("File2")->trigger();
    }
    window->findChild<QAction*>("Export1")->trigger();

    QCOMPARE(prompts->errors.size(), std::size_t(1));
    QVERIFY2(QString::fromLatin1(prompts->errors[0].c_str()).contains(named), prompts->errors[0].c_str());
    QVERIFY(zem::test::Contains(editor->messageLog.Lines(), "  " + named.toStdString()));
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
        {[&] { --editor->model.unit.ZoneCount, editor->revision.Bump(); },
         "The source or zone count changed"},
        {[&] { ++editor->model.unit.ZoneCount, editor->revision.Bump(); }, "Sends only what changed"},
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
    QTRY_COMPARE(ShownLines(window->findChild<zem::TextLogView*>("Memo3")).back(), lost);
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
