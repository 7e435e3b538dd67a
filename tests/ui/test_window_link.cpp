// File > Check Connection... and File > Save Support File... in the real
// window, against the simulated unit over TCP and a pseudo-terminal.
#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "sim/sim_config.h"
#include "sim/unit_sim.h"
#include "support/window_fixture.h"
#include "transfer/file_io.h"

using namespace zem;

class TestWindowLink : public QObject, private test::WindowFixture {
  Q_OBJECT

 private slots:
  void init() { OpenWindow(true); }
  void cleanup() {
    CloseWindow();
    sim.reset();
  }

  // The check runs on the current link and says its verdict where the
  // installer looks: the message log, the status line; after an import
  // that heard nothing the unit's field points to it.
  void checksTheCurrentLink_data() {
    QTest::addColumn<bool>("serial");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QString>("verdict");
    QTest::newRow("telnet unit") << false << false << "unit";
    QTest::newRow("telnet silent") << false << true << "no-answer";
    QTest::newRow("serial unit") << true << false << "unit";
    QTest::newRow("serial silent") << true << true << "silent";
  }
  void checksTheCurrentLink() {
    QFETCH(bool, serial);
    QFETCH(bool, silent);
    QFETCH(QString, verdict);
    SimOptions o;
    o.configLines = GenerateConfiguration(2, 4);
    o.silent = silent;
    sim = std::make_unique<UnitSim>(o);
    auto* check = window->findChild<QAction*>("CheckConnection1");
    QVERIFY(check);
    QVERIFY(!check->isEnabled());  // File Mode: no link to check
    std::string error;
    if (serial) {
      QVERIFY(sim->OpenPty(&error));
      prompts->portAnswers.push_back(sim->PtyPath());
      window->ChooseSerialMode();
    } else {
      QVERIFY(sim->ListenTcp(0, QHostAddress::LocalHost, &error));
      prompts->hostAnswers.push_back("127.0.0.1:" + std::to_string(sim->TcpPort()));
      window->ChooseTelnetMode();
    }
    QVERIFY(check->isEnabled());
    if (silent) {
      window->Controller().SetSerialInactivityMs(300);
      window->Controller().SetWaitLimitMs(300);
      window->ImportConfiguration();
      QVERIFY(window->findChild<QLabel*>("UnitState1")->text().contains("File > Check Connection..."));
    }
    check->trigger();
    // The text area takes the log's lines once per pass of the event loop.
    auto* log = window->findChild<QPlainTextEdit*>("Memo3");
    QTRY_VERIFY2(log->toPlainText().contains("Verdict: " + verdict + " after "),
                 qPrintable(log->toPlainText()));
    QVERIFY(
        window->findChild<QLabel*>("StatusText")->text().startsWith(" Check Connection: " + verdict + "."));
    // The check has said why: the unit's field points to it no more.
    QVERIFY(!window->findChild<QLabel*>("UnitState1")->text().contains("Check Connection"));
    QVERIFY(check->isEnabled());
  }

  void savesTheSupportFile() {
    SimOptions o;
    o.configLines = GenerateConfiguration(2, 4);
    sim = std::make_unique<UnitSim>(o);
    std::string error;
    QVERIFY(sim->ListenTcp(0, QHostAddress::LocalHost, &error));
    prompts->hostAnswers.push_back("127.0.0.1:" + std::to_string(sim->TcpPort()));
    window->ChooseTelnetMode();
    window->ImportConfiguration();
    QTemporaryDir dir;
    const std::string path = dir.filePath("support.txt").toStdString();
    prompts->saveAnswers.push_back(path);
    window->findChild<QAction*>("SaveSupportFile1")->trigger();
    // The dialog said what the file holds.
    QVERIFY(prompts->saveDialogs.back().caption.find("configuration text") != std::string::npos);
    std::string readError;
    const std::optional<std::string> text = ReadWholeFile(path, &readError);
    QVERIFY2(text, readError.c_str());
    QVERIFY(text->find("Program: zem-config ") != std::string::npos);
    QVERIFY(text->find(" > [QXSB]\n") != std::string::npos);
    QVERIFY(text->find(o.configLines.front() + "\\x0d\n") != std::string::npos);
    QCOMPARE(window->findChild<QLabel*>("StatusText")->text(),
             QString::fromStdString(" Support file saved to " + path));
  }

 private:
  std::unique_ptr<UnitSim> sim;
};

QTEST_MAIN(TestWindowLink)
#include "test_window_link.moc"
