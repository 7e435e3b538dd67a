// zemctl push --backup: the real binary against an in-process simulated unit.
#include <QTemporaryDir>
#include <QTest>

#include "transfer_rig.h"
#include "zemctl_runner.h"

using namespace zem;
using namespace zem::test;

namespace {

const QString kSmall = QStringLiteral(ZEM_SOURCE_DIR "/examples/small-8x24.zem");

SimOptions Serving(std::vector<std::string> lines) {
  SimOptions o;
  o.configLines = std::move(lines);
  return o;
}

// The lines a push of `path` sends.
std::vector<std::string> SentLines(const QString& path) {
  Editor editor;
  editor.ImportFileText(Read(path), path.toStdString());
  return NonEmpty(editor.PrepareExport());
}

}  // namespace

class TestZemctlPushChecks : public QObject {
  Q_OBJECT

 private slots:
  void backupIsWhatPullWrites_data() {
    QTest::addColumn<bool>("serial");
    QTest::newRow("telnet") << false;
    QTest::newRow("serial") << true;
  }
  void backupIsWhatPullWrites() {
    QFETCH(bool, serial);
    QTemporaryDir dir;
    UnitSim sim(Serving(GenerateConfiguration(6, 20)));
    QStringList link;
    QVERIFY(OpenLink(sim, serial, &link));
    const QString pulled = dir.filePath("pulled.zem"), backup = dir.filePath("backup.zem");
    QCOMPARE(Zemctl(QStringList{"pull"} << link << "-o" << pulled).exitCode, 0);
    int queriesBeforeFirstCommand = -1;
    QObject::connect(&sim, &UnitSim::CommandRecorded, &sim, [&] {
      if (queriesBeforeFirstCommand < 0) queriesBeforeFirstCommand = sim.Queries();
    });

    const Run run = Zemctl(QStringList{"push", kSmall, "--backup", backup} << link);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(Read(backup), Read(pulled));
    QCOMPARE(queriesBeforeFirstCommand, 2);  // the backup came before the first line
    QCOMPARE(sim.Recorded(), SentLines(kSmall));
    QVERIFY2(run.err.find("backed up in " + backup.toStdString()) != std::string::npos, run.err.c_str());
  }

  // Whatever makes the backup fail, nothing is sent and the file is left alone.
  void failedBackupSendsNothing_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::newRow("silent unit") << "silent" << 5 << "No answer from the unit in 1 second. Nothing imported;";
    QTest::newRow("answer cut short") << "half" << 5 << "answer may be incomplete; no backup written";
    QTest::newRow("no source named") << "empty" << 5 << "the unit named no source; no backup written";
    QTest::newRow("refused") << "refused" << 5 << "Connection refused";
    QTest::newRow("write fails") << "full" << 5 << "cannot write the backup /dev/full";
    QTest::newRow("cannot be made") << "nodir" << 2 << "cannot write";
    QTest::newRow("names the input") << "input" << 2 << "is the input file";
  }
  void failedBackupSendsNothing() {
    QFETCH(QString, fault);
    QFETCH(int, status);
    QFETCH(QString, message);
    QTemporaryDir dir;
    SimOptions o = Serving(fault == "empty" ? std::vector<std::string>{} : GenerateConfiguration(2, 4));
    o.silent = fault == "silent";
    o.closeMidImport = fault == "half";
    UnitSim sim(o);
    std::string error;
    QVERIFY(sim.ListenTcp(0, QHostAddress::LocalHost, &error));
    QString host = Host(sim);
    if (fault == "refused") {
      UnitSim gone;
      QVERIFY(gone.ListenTcp(0, QHostAddress::LocalHost, &error));
      host = Host(gone);
    }
    const QString in = dir.filePath("in.zem");
    QVERIFY(QFile::copy(kSmall, in));
    const QString backup = fault == "full"    ? QStringLiteral("/dev/full")
                           : fault == "nodir" ? dir.filePath("no/such/folder/b.zem")
                           : fault == "input" ? in
                                              : dir.filePath("b.zem");
    const Run run = Zemctl({"push", in, "--telnet", host, "--backup", backup, "--timeout", "1"});
    QCOMPARE(run.exitCode, status);
    QVERIFY2(run.err.find(message.toStdString()) != std::string::npos, run.err.c_str());
    QVERIFY(sim.Recorded().empty());
    QCOMPARE(Read(in), Read(kSmall));
    if (status == 2) QCOMPARE(sim.Connections(), 0);  // refused before connecting
    if (!backup.startsWith("/dev/") && backup != in) QVERIFY(!QFile::exists(backup));
  }
};

QTEST_GUILESS_MAIN(TestZemctlPushChecks)
#include "test_zemctl_push_checks.moc"
