#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "sim/sim_config.h"
#include "sim/unit_sim.h"
#include "test_window_prompts.h"
#include "ui/editor/editor.h"
#include "ui/window/form1.h"
#include "ui/window/memo_view.h"

using zem::Editor;
using zem::SimOptions;
using zem::TForm1;
using zem::TransferController;
using zem::UnitSim;

namespace {

QStringList ShownLines(QPlainTextEdit* memo) { return memo->toPlainText().split('\n', Qt::SkipEmptyParts); }

}  // namespace

// The window driving real transfers against the simulated unit.
class TestWindowTransfer : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    editor = std::make_unique<Editor>(QDir::tempPath().toStdString());
    prompts = std::make_unique<ScriptedPrompts>();
    form = std::make_unique<TForm1>(*editor, *prompts);
    form->show();
  }
  void cleanup() {
    form.reset();
    prompts.reset();
    editor.reset();
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

  std::unique_ptr<Editor> editor;
  std::unique_ptr<ScriptedPrompts> prompts;
  std::unique_ptr<TForm1> form;
  std::unique_ptr<UnitSim> sim;
  QString host;
};

QTEST_MAIN(TestWindowTransfer)
#include "test_window_transfer.moc"
