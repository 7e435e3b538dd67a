// zemctl push --backup and --verify: the real binary against an in-process simulated unit.
#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include "support/transfer_rig.h"
#include "support/zemctl_runner.h"

using namespace zem;
using namespace zem::test;

namespace {

const QString kSmall = QStringLiteral(ZEM_SOURCE_DIR "/examples/small-8x24.zem");

// The lines a push of `path` sends.
std::vector<std::string> SentLines(const QString& path) {
  Editor editor;
  editor.ImportFileText(Read(path).toStdString(), path.toStdString());
  return NonEmpty(editor.PrepareExport());
}

}  // namespace

class TestZemctlPushChecks : public QObject {
  Q_OBJECT

 private slots:
  void backupIsWhatPullWrites_data() { AddLinkRows(); }
  void backupIsWhatPullWrites() {
    QFETCH(bool, serial);
    QTemporaryDir dir;
    UnitSim sim(Serving(GenerateConfiguration(6, 20)));
    QStringList link;
    QVERIFY(OpenLink(sim, serial, &link));
    const QString pulled = dir.filePath("pulled.zem"), backup = dir.filePath("backup.zem");
    QCOMPARE(Zemctl(QStringList{"pull"} << link << "-o" << pulled).status, 0);
    int queriesBeforeFirstCommand = -1;
    QObject::connect(&sim, &UnitSim::CommandRecorded, &sim, [&] {
      if (queriesBeforeFirstCommand < 0) queriesBeforeFirstCommand = sim.Queries();
    });

    const Run run = Zemctl(QStringList{"push", kSmall, "--backup", backup} << link);
    QCOMPARE(run.status, 0);
    QCOMPARE(Read(backup), Read(pulled));
    QCOMPARE(queriesBeforeFirstCommand, 2);  // the backup came before the first line
    QCOMPARE(sim.Recorded(), SentLines(kSmall));
    QVERIFY2(run.err.contains("backed up in " + backup.toStdString()), run.err.constData());
  }

  // Whatever makes the backup fail, nothing is sent and the file is left alone.
  void failedBackupSendsNothing_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::newRow("silent unit") << "silent" << 5 << "No answer from the unit in 1 second. Nothing imported;";
    QTest::newRow("answer cut short") << "half" << 5 << "answer may be incomplete; no backup written";
    QTest::newRow("no source named")
        << "empty" << 5
        << "answer names no source, so it holds no configuration. Nothing imported; "
           "no backup written";
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
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.contains(message.toStdString()), run.err.constData());
    QVERIFY(sim.Recorded().empty());
    QCOMPARE(Read(in), Read(kSmall));
    if (status == 2) QCOMPARE(sim.Connections(), 0);  // refused before connecting
    if (!backup.startsWith("/dev/") && backup != in) QVERIFY(!QFile::exists(backup));
  }

  // --since sends only the changes, the lines diff --commands prints, and the
  // unit then holds the edited file; with --backup they are counted from what
  // the unit holds. Refused, the unit is not even reached.
  void sinceSendsOnlyTheChanges_data() {
    QTest::addColumn<bool>("serial");
    QTest::addColumn<bool>("edited");        // zone 1 louder, zone 2 renamed
    QTest::addColumn<QStringList>("since");  // "B": the backup's file
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    const QString small = kSmall, verified = "verified: the unit holds what was sent",
                  none = "nothing changed since";
    QTest::newRow("telnet") << false << true << QStringList{small} << 0 << verified;
    QTest::newRow("serial") << true << true << QStringList{small} << 0 << verified;
    QTest::newRow("nothing changed") << false << false << QStringList{small} << 0 << none;
    QTest::newRow("held already") << false << true << QStringList{"B", "--backup", "B"} << 0 << none;
    QTest::newRow("counts differ") << false << true << QStringList{ZEM_SOURCE_DIR "/examples/full-16x192.zem"}
                                   << 2 << "counts differ: push the whole file";
    QTest::newRow("base is not the backup") << false << true << QStringList{small, "--backup", "B"} << 2
                                            << "with --backup, --since names the backup's file";
    // Relative to the folder zemctl runs in, where the backup is not yet.
    QTest::newRow("backup named twice")
        << false << true << QStringList{"./backup.zem", "--backup", "backup.zem"} << 0 << none;
    QTest::newRow("base beside the backup")
        << false << true << QStringList{"./b.zem", "--backup", "backup.zem"} << 2
        << "with --backup, --since names the backup's file";
  }
  void sinceSendsOnlyTheChanges() {
    QFETCH(bool, serial);
    QFETCH(bool, edited);
    QFETCH(QStringList, since);
    QFETCH(int, status);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString backup = dir.filePath("backup.zem"), cwd = QDir::currentPath();
    const auto back = qScopeGuard([&] { QDir::setCurrent(cwd); });
    QVERIFY(QDir::setCurrent(dir.path()));
    std::replace(since.begin(), since.end(), QString("B"), backup);
    QString in = kSmall;
    if (edited)
      Write(in = dir.filePath("in.zem"),
            Read(kSmall).replace("[VO1R-7]", "[VO1R-3]").replace("[NO2\"Kitchen\"]", "[NO2\"Den\"]"));
    UnitSim sim(Serving(SentLines(since.contains("--backup") ? in : kSmall)));
    QStringList link;
    QVERIFY(OpenLink(sim, serial, &link));
    const Run run = Zemctl(QStringList{"push", in, "--since"} << since << "--verify" << link);
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.contains(message.toStdString()), run.err.constData());
    QCOMPARE(sim.Connections() > 0, status == 0);
    if (status != 0) return;
    const Run diff = Zemctl({"diff", "--commands", since.front(), in});
    QByteArray sent;
    for (const std::string& line : sim.Recorded()) sent += QByteArray::fromStdString(line) + '\n';
    QCOMPARE(sent, diff.out);
    const bool changed = message.startsWith("verified");
    QCOMPARE(diff.status, changed ? 1 : 0);
    QVERIFY2(!changed || diff.out == "[VO1R-3]\n[NO2\"Den\"]\n[EC]\n", diff.out.constData());
  }

  // A unit that takes every line verifies, even one that held other
  // restrictions, groups and favorites before.
  void verifyOfAFaithfulUnit_data() { AddLinkRows(); }
  void verifyOfAFaithfulUnit() {
    QFETCH(bool, serial);
    UnitSim sim(Serving(GenerateConfiguration(8, 24)));
    QStringList link;
    QVERIFY(OpenLink(sim, serial, &link));
    const Run run = Zemctl(QStringList{"push", kSmall, "--verify"} << link);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QByteArray());
    QVERIFY2(run.err.contains("verified: the unit holds what was sent"), run.err.constData());
    QCOMPARE(sim.Queries(), 1);
    QCOMPARE(sim.Recorded(), SentLines(kSmall));
  }

  void verifyCatchesADroppedLine_data() { AddLinkRows(); }
  void verifyCatchesADroppedLine() {
    QFETCH(bool, serial);
    const std::vector<std::string> sent = SentLines(kSmall);
    const auto kitchen = std::find(sent.begin(), sent.end(), "[NO2\"Kitchen\"]");
    QVERIFY(kitchen != sent.end());
    const auto volume = std::find(sent.begin(), sent.end(), "[VO1R-7]");
    QVERIFY(volume != sent.end());
    SimOptions o = Serving(GenerateConfiguration(8, 24));
    o.ignoreCommands = {static_cast<int>(kitchen - sent.begin()) + 1,
                        static_cast<int>(volume - sent.begin()) + 1};
    UnitSim sim(o);
    QStringList link;
    QVERIFY(OpenLink(sim, serial, &link));
    const Run run = Zemctl(QStringList{"push", kSmall, "--verify"} << link);
    QCOMPARE(run.status, 1);
    QCOMPARE(run.out, QByteArray("zone 1 volume: -7 dB -> -1 dB\nzone 2 name: \"Kitchen\" -> \"Room 2\"\n"));
    QVERIFY2(run.err.contains("sent " + std::to_string(sent.size()) + " lines, every one answered"),
             run.err.constData());
    QVERIFY(run.err.contains("does not hold what was sent: 2 differences\n"));
  }

  // "(ERROR)" answers: a unit that took nothing is a difference (1 wins over
  // 4); one that held it all along still reports the answers (4).
  void verifyAndErrorAnswers() {
    SimOptions o = Serving(GenerateConfiguration(8, 24));
    o.reply = SimOptions::Reply::Error;
    UnitSim sim(o);
    std::string error;
    QVERIFY(sim.ListenTcp(0, QHostAddress::LocalHost, &error));
    const Run refused = Zemctl({"push", kSmall, "--telnet", Host(sim), "--verify"});
    QCOMPARE(refused.status, 1);
    QVERIFY(refused.out.contains("zone 2 name: \"Kitchen\" -> \"Room 2\"\n"));
    QVERIFY(refused.err.contains("commands refused"));

    sim.Options().configLines = SentLines(kSmall);
    const Run same = Zemctl({"push", kSmall, "--telnet", Host(sim), "--verify"});
    QCOMPARE(same.status, 4);
    QCOMPARE(same.out, QByteArray());
    QVERIFY(same.err.contains("verified: the unit holds what was sent"));
  }

  // What a push cannot send is no difference: the EQ presets of IN, which
  // the unit never received, the audio of zones IN gives none (zones 5, 12
  // and 19 of the small example), sources and zones beyond IN's.
  void verifyLooksAtWhatWasSent() {
    UnitSim larger(Serving(GenerateConfiguration(16, 192)));
    std::string error;
    QVERIFY(larger.ListenTcp(0, QHostAddress::LocalHost, &error));
    const Run small = Zemctl({"push", kSmall, "--telnet", Host(larger), "--verify"});
    QCOMPARE(small.status, 0);
    QCOMPARE(small.out, QByteArray());
    QVERIFY2(small.err.contains("differences left out: values the push does not send"),
             small.err.constData());

    const QString full = QStringLiteral(ZEM_SOURCE_DIR "/examples/full-16x192.zem");
    QVERIFY(Read(full).contains("[NEP"));
    UnitSim sim(Serving(GenerateConfiguration(16, 192)));
    QVERIFY(sim.ListenTcp(0, QHostAddress::LocalHost, &error));
    const Run run = Zemctl({"push", full, "--telnet", Host(sim), "--verify"});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QByteArray());
  }

  // The configuration cannot be read back in full: no verdict (6).
  void verifyWithoutAnAnswer() {
    const std::size_t lines = SentLines(kSmall).size();
    UnitSim sim(Serving(GenerateConfiguration(8, 24)));
    QObject::connect(&sim, &UnitSim::CommandRecorded, &sim, [&] {
      if (sim.Recorded().size() == lines) sim.Options().closeMidImport = true;
    });
    std::string error;
    QVERIFY(sim.ListenTcp(0, QHostAddress::LocalHost, &error));
    const Run run = Zemctl({"push", kSmall, "--telnet", Host(sim), "--verify", "--timeout", "5"});
    QCOMPARE(run.status, 6);
    QCOMPARE(run.out, QByteArray());
    QVERIFY2(run.err.contains("may be incomplete; not verified"), run.err.constData());
  }
};

QTEST_GUILESS_MAIN(TestZemctlPushChecks)
#include "test_zemctl_push_checks.moc"
