#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
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

#include "command/command_writer.h"
#include "editor/editor.h"
#include "sim/sim_config.h"
#include "sim/unit_sim.h"
#include "ui/window/form1.h"
#include "ui/window/memo_view.h"
#include "ui/window_fixture.h"

using zem::Editor;
using zem::ScriptedPrompts;
using zem::SimOptions;
using zem::TForm1;
using zem::TransferController;
using zem::UnitSim;

namespace {

QStringList ShownLines(QPlainTextEdit* memo) { return memo->toPlainText().split('\n', Qt::SkipEmptyParts); }

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
  EmptyFile
};

}  // namespace

// The window driving real transfers against the simulated unit.
class TestWindowTransfer : public QObject, private zem::testing::WindowFixture {
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
    auto* memo2 = form->findChild<QPlainTextEdit*>("Memo2");
    auto* memo3 = form->findChild<QPlainTextEdit*>("Memo3");
    QTRY_COMPARE(ShownLines(memo3), QStringList{"Using host: " + host});

    QStringList statuses;
    editor->status.SetOnChange([&](const std::string& text) {
      statuses << QString::fromLatin1(text.c_str());
      form->findChild<QLabel*>("StatusText")->setText(QString::fromLatin1(text.c_str()));
    });
    form->findChild<QAction*>("Import1")->trigger();
    QCOMPARE(form->Controller().LastOutcome(), TransferController::Outcome::Completed);

    QTRY_COMPARE(memo2->toPlainText(), zem::MemoDisplayText(editor->memo2.Text()));
    QTRY_COMPARE(memo3->toPlainText(), zem::MemoDisplayText(editor->memo3.Text()));
    const QStringList log = ShownLines(memo3);
    QVERIFY(log.indexOf("Connected.") >= 0);
    QVERIFY(log.indexOf("Connected.") < log.indexOf("Disconnected."));
    QCOMPARE(log.back(), QString("Import Complete"));
    QVERIFY2(memo2->toPlainText().contains("[NO24"), qPrintable(memo2->toPlainText().left(80)));

    QVERIFY(statuses.contains(" Importing from host: " + host));
    QCOMPARE(statuses.back(), QString(" Import Complete"));
    QCOMPARE(form->findChild<QTableView*>("StringGrid2")->model()->rowCount(), 24);
    QCOMPARE(form->findChild<QTableView*>("StringGrid3")->model()->rowCount(), 8);
    QVERIFY(form->findChild<QTableView*>("StringGrid2")->isEnabled());
    QVERIFY(form->findChild<QAction*>("Import1")->isEnabled());
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
  }
  void importsThatReadNothingKeepTheConfiguration() {
    QFETCH(int, ending);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString source = dir.filePath("unit.zem");
    QVERIFY(WriteAll(source, zem::ZemFileText(zem::GenerateConfiguration(8, 24))));
    auto* pages = form->findChild<QTabWidget*>("PageControl1");
    auto* zoneNames = form->findChild<QTableView*>("StringGrid2");
    auto* volume = form->findChild<QSlider*>("TrackBar13");

    // A configuration imported from a file, renamed, exported.
    prompts->openAnswers.push_back(source.toStdString());
    form->findChild<QAction*>("Import1")->trigger();
    QCOMPARE(form->Controller().LastOutcome(), TransferController::Outcome::Completed);
    QVERIFY(zoneNames->model()->setData(zoneNames->model()->index(1, 1), "Kitchen"));
    const QString before = dir.filePath("before.zem");
    prompts->saveAnswers.push_back(before.toStdString());
    form->findChild<QAction*>("Export1")->trigger();
    QVERIFY(!form->isWindowModified());
    // Then the Favorites page, and a volume still held by its slider.
    pages->setCurrentIndex(static_cast<int>(zem::Page::Favorites));
    const int volumeBefore = volume->value();
    volume->setValue(volumeBefore - 7);
    form->UpdateModifiedMark();
    QVERIFY(form->isWindowModified());
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
      if (!form->Controller().Busy()) return;
      shownWhileWaiting = pages->currentIndex();
      sawData = editor->memo2.ByteCount() > 0;
      const bool asked = sim && sim->Queries() >= 1;
      if (ending == CancelledWhileSilent && asked) form->Controller().Cancel();
      if (ending == CancelledWithData && sawData) form->Controller().Cancel();
    });
    poll.start(10);
    // The page shown once the run has started talking to the unit.
    connect(&form->Controller().Telnet(), &zem::TelnetLink::LinkStatus, this,
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
        form->findChild<QAction*>("Telnet1")->trigger();
        break;
      }
      case ClosedAtOnce:
        QVERIFY(closer.listen(QHostAddress::LocalHost, 0));
        connect(&closer, &QTcpServer::newConnection, this, [&] { closer.nextPendingConnection()->close(); });
        prompts->hostAnswers.push_back("127.0.0.1:" + std::to_string(closer.serverPort()));
        form->findChild<QAction*>("Telnet1")->trigger();
        break;
      case SerialSilent: {
        options.silent = true;
        sim = std::make_unique<UnitSim>(options);
        std::string error;
        QVERIFY2(sim->OpenPty(&error), error.c_str());
        prompts->portAnswers.push_back(sim->PtyPath());
        form->findChild<QAction*>("Serial1")->trigger();
        form->Controller().SetSerialInactivityMs(300);
        break;
      }
      case NoSerialPort:
        form->findChild<QAction*>("Serial1")->trigger();  // chooser cancelled
        QCOMPARE(prompts->errors.size(), std::size_t(1));
        break;
      case EmptyFile:
        QVERIFY(WriteAll(dir.filePath("empty.zem"), std::string()));
        prompts->openAnswers.push_back(dir.filePath("empty.zem").toStdString());
        break;
      default:
        break;
    }
    const std::size_t errorsBefore = prompts->errors.size();
    const std::string collected = editor->memo2.Text();  // a mode change empties it
    form->findChild<QAction*>("Import1")->trigger();
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
    QCOMPARE(editor->memo2.Text(), collected);
    QVERIFY(form->isWindowModified());
    const std::vector<std::string> log = editor->memo3.Lines();
    QVERIFY(log.size() >= 2);
    QCOMPARE(log.back(), std::string("Nothing was imported; the configuration is unchanged."));
    QVERIFY2(QString::fromStdString(log[log.size() - 2]).startsWith(reason), log[log.size() - 2].c_str());
    QVERIFY(!editor->status.Text().empty());
    QVERIFY(editor->status.Text().find("Complete") == std::string::npos);

    // Without the slider's edit the export is the one from before, byte for byte.
    volume->setValue(volumeBefore);
    form->UpdateModifiedMark();
    QVERIFY(!form->isWindowModified());
    form->findChild<QAction*>("File2")->trigger();
    const QString after = dir.filePath("after.zem");
    prompts->saveAnswers.push_back(after.toStdString());
    form->findChild<QAction*>("Export1")->trigger();
    QVERIFY(!ReadAll(before).isEmpty());
    QCOMPARE(ReadAll(after), ReadAll(before));
  }

  void cancelButtonEndsAWaitingImport() {
    SimOptions options;
    options.configLines = zem::GenerateConfiguration(4, 8);
    options.noEndMarker = true;  // the import would wait for ever
    QVERIFY(UseTelnet(options));
    auto* cancel = form->findChild<QPushButton*>("CancelButton");
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
    form->findChild<QAction*>("Import1")->trigger();
    poll.stop();
    QVERIFY(clicked);
    QCOMPARE(form->Controller().LastOutcome(), TransferController::Outcome::Cancelled);
    QVERIFY(!cancel->isVisible());
    QVERIFY(form->findChild<QAction*>("Import1")->isEnabled());
    QVERIFY(form->findChild<QAction*>("Telnet1")->isChecked());
    QVERIFY(prompts->errors.empty());
  }

  void escapeEndsAWaitingImport() {
    SimOptions options;
    options.configLines = zem::GenerateConfiguration(4, 8);
    options.noEndMarker = true;
    QVERIFY(UseTelnet(options));
    form->activateWindow();
    if (!QTest::qWaitForWindowActive(form.get())) QSKIP("the window cannot be made active on this platform");
    bool pressed = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
      if (sim->Queries() >= 1 && form->Controller().Busy() && !pressed) {
        pressed = true;
        QTest::keyClick(form.get(), Qt::Key_Escape);
      }
    });
    poll.start(10);
    form->findChild<QAction*>("Import1")->trigger();
    poll.stop();
    QVERIFY(pressed);
    QCOMPARE(form->Controller().LastOutcome(), TransferController::Outcome::Cancelled);
  }

  void closingTheWindowEndsAWaitingImport() {
    SimOptions options;
    options.configLines = zem::GenerateConfiguration(4, 8);
    options.noEndMarker = true;
    QVERIFY(UseTelnet(options));
    bool closed = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
      if (sim->Queries() >= 1 && form->Controller().Busy() && !closed) {
        closed = true;
        form->findChild<QAction*>("Exit1")->trigger();
      }
    });
    poll.start(10);
    form->findChild<QAction*>("Import1")->trigger();
    poll.stop();
    QVERIFY(closed);
    QVERIFY(!form->isVisible());
    QVERIFY(!form->Controller().Busy());
    QTRY_COMPARE(sim->OpenConnections(), 0);
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
    form->findChild<QAction*>("Serial1")->trigger();
    QVERIFY(form->Controller().Serial().IsPortOpen());
    QTRY_VERIFY(!form->Controller().Serial().IsPortOpen());
    const QString lost = "The serial port " + QString::fromStdString(sim->PtyPath()) + " was lost.";
    QTRY_COMPARE(ShownLines(form->findChild<QPlainTextEdit*>("Memo3")).back(), lost);
    QTRY_COMPARE(form->findChild<QLabel*>("StatusText")->text(), " " + lost);
    QVERIFY(form->findChild<QAction*>("Serial1")->isChecked());
    QVERIFY(prompts->errors.empty());
  }

 private:
  bool UseTelnet(SimOptions options) {
    sim = std::make_unique<UnitSim>(std::move(options));
    std::string error;
    if (!sim->ListenTcp(0, QHostAddress::LocalHost, &error)) return false;
    host = "127.0.0.1:" + QString::number(sim->TcpPort());
    prompts->hostAnswers.push_back(host.toStdString());
    form->findChild<QAction*>("Telnet1")->trigger();
    return form->findChild<QAction*>("Telnet1")->isChecked();
  }

  std::unique_ptr<UnitSim> sim;
  QString host;
};

QTEST_MAIN(TestWindowTransfer)
#include "test_window_transfer.moc"
