// zemctl check-link, the real binary against an in-process simulated unit:
// exit statuses, the JSON, and --trace on the commands that talk to a unit.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

#include "support/transfer_rig.h"
#include "support/zemctl_runner.h"

using namespace zem;
using namespace zem::test;

class TestZemctlCheckLink : public QObject {
  Q_OBJECT

 private slots:
  void exitStatusAndJson_data() {
    QTest::addColumn<bool>("serial");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("verdict");
    QTest::newRow("serial unit") << true << "" << 0 << "unit";
    QTest::newRow("serial loopback") << true << "loopback" << 1 << "echo";
    QTest::newRow("serial wrong speed") << true << "wrong-baud" << 1 << "garbled";
    QTest::newRow("serial held") << true << "hold-port" << 1 << "port-in-use";
    QTest::newRow("telnet unit") << false << "" << 0 << "unit";
    QTest::newRow("telnet loopback") << false << "loopback" << 1 << "echo";
    QTest::newRow("telnet refused") << false << "refused" << 1 << "refused";
  }
  void exitStatusAndJson() {
    QFETCH(bool, serial);
    QFETCH(QString, fault);
    QFETCH(int, status);
    QFETCH(QString, verdict);
    SimOptions o = Serving(GenerateConfiguration(3, 6));
    o.loopback = fault == "loopback";
    o.wrongBaud = fault == "wrong-baud";
    o.holdPort = fault == "hold-port";
    UnitSim sim(o);
    QStringList link;
    if (fault == "refused") {
      QTcpServer probe;
      QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
      link << "--telnet" << QStringLiteral("127.0.0.1:%1").arg(probe.serverPort());
    } else {
      QVERIFY(OpenLink(sim, serial, &link));
    }
    const Run run = Zemctl(QStringList{"check-link", "--json"} << link);
    QCOMPARE(run.status, status);
    QJsonParseError error{};
    const QJsonObject json = QJsonDocument::fromJson(run.out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(json.value("verdict").toString(), verdict);
    QVERIFY(!json.value("advice").toString().isEmpty());
    const QJsonArray steps = json.value("steps").toArray();
    QVERIFY(!steps.isEmpty());
    QVERIFY(std::any_of(steps.begin(), steps.end(), [&](const QJsonValue& step) {
      return step.toObject().value("text").toString().startsWith("Verdict: " + verdict + " after ");
    }));
    // The steps also went to standard error as they ran.
    QVERIFY(run.err.contains("Verdict: " + verdict.toLatin1()));
    QVERIFY(sim.Recorded().empty());
    if (status == 0) QVERIFY(json.value("firstByteMs").toInteger() >= 0);
  }

  void plainOutputAndCounts() {
    UnitSim sim(Serving(GenerateConfiguration(5, 9)));
    QStringList link;
    QVERIFY(OpenLink(sim, false, &link));
    const Run run = Zemctl(QStringList{"check-link", "--full"} << link);
    QCOMPARE(run.status, 0);
    QVERIFY(run.out.startsWith("unit: The unit answers."));
    QVERIFY(run.out.contains("5 sources, 9 zones."));
  }

  void badArguments_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no link") << QStringList{"check-link"};
    QTest::newRow("both links") << QStringList{"check-link", "--serial", "/dev/null", "--telnet", "h"};
    QTest::newRow("an operand") << QStringList{"check-link", "--telnet", "h", "extra"};
    QTest::newRow("bad port") << QStringList{"check-link", "--telnet", "h:70000"};
    QTest::newRow("trace nowhere") << QStringList{"check-link", "--telnet", "h", "--trace",
                                                  "/no/such/folder/t"};
    QTest::newRow("pull trace nowhere")
        << QStringList{"pull", "--telnet", "h", "-o", "x.zem", "--trace", "/no/such/folder/t"};
    QTest::newRow("trace over the output")
        << QStringList{"pull", "--telnet", "h", "-o", "x.zem", "--trace", "x.zem"};
  }
  void badArguments() {
    QFETCH(QStringList, args);
    const Run run = Zemctl(args);
    QCOMPARE(run.status, 2);
    QVERIFY(run.out.isEmpty());
  }

  // --trace writes the support file: what was sent and what came back.
  void traceOfEachCommand_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("serial");
    QTest::addColumn<int>("status");
    QTest::newRow("check-link telnet") << "check-link" << false << 0;
    QTest::newRow("check-link serial") << "check-link" << true << 0;
    QTest::newRow("pull telnet") << "pull" << false << 0;
    QTest::newRow("pull serial") << "pull" << true << 0;
    QTest::newRow("diff with a unit") << "diff" << false << 1;
  }
  void traceOfEachCommand() {
    QFETCH(QString, command);
    QFETCH(bool, serial);
    QFETCH(int, status);
    QTemporaryDir dir;
    const std::vector<std::string> config = GenerateConfiguration(2, 4);
    UnitSim sim(Serving(config));
    QStringList link;
    QVERIFY(OpenLink(sim, serial, &link));
    const QString trace = dir.filePath("trace.txt");
    QStringList args{command};
    if (command == "pull") args << "-o" << dir.filePath("out.zem");
    if (command == "diff") {
      QFile empty(dir.filePath("other.zem"));
      QVERIFY(empty.open(QIODevice::WriteOnly));
      empty.write("[NI1\"Other\"]\r\n");
      empty.close();
      args << dir.filePath("other.zem");
    }
    const Run run = Zemctl(args << link << "--trace" << trace);
    QCOMPARE(run.status, status);
    const QByteArray text = Read(trace);
    QVERIFY(text.startsWith("ZEM Configuration support file\n"));
    QVERIFY(text.contains("Program: zemctl "));
    QVERIFY(text.contains(" > [QXSB]\n"));
    // Each line of the unit's answer on a line of its own.
    QVERIFY(text.contains(" < "));
    QVERIFY(text.contains(" " + QByteArray::fromStdString(config.front()) + "\\x0d\n"));
    QCOMPARE(text.contains("Last connection check"), true);
    QCOMPARE(text.contains("Last connection check: none"), command != "check-link");
  }
};

QTEST_MAIN(TestZemctlCheckLink)
#include "test_zemctl_check_link.moc"
