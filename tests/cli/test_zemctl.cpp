// zemctl check / convert, run as a user runs them.
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
  int status = -1;
  QByteArray out;
  QByteArray err;
};

Run Zemctl(const QStringList& args) {
  QProcess p;
  p.start(ZEMCTL_PATH, args);
  p.waitForFinished(60000);
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
          p.readAllStandardError()};
}

QByteArray Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

QString Source(const char* relative) { return QStringLiteral(ZEM_SOURCE_DIR "/") + relative; }

}  // namespace

class TestZemctl : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  QString Tmp(const char* name) { return dir_.filePath(name); }

 private slots:
  void convertReproducesAnExportedFileByteForByte() {
    // The small example is what the program itself exports, so converting it
    // must give back exactly the same bytes.
    const QString out = Tmp("small.zem");
    Run r = Zemctl({"convert", Source("examples/small-8x24.zem"), "-o", out});
    QCOMPARE(r.status, 0);
    QCOMPARE(Read(out), Read(Source("examples/small-8x24.zem")));
  }

  void convertMatchesTheGoldenExportOfAUnitDump() {
    const QString out = Tmp("full.zem");
    const QString log = Tmp("full.log");
    Run r = Zemctl({"convert", Source("examples/full-16x192.zem"), "-o", out, "--log", log});
    QCOMPARE(r.status, 0);
    QCOMPARE(Read(out), Read(Source("tests/data/full-16x192.golden.zem")));
    const QByteArray logText = Read(log);
    QVERIFY(logText.startsWith("EQ Preset: 1 Name: Flat\n"));
    QVERIFY(logText.endsWith("Import Complete\n"));
    // Converting the export again changes nothing.
    const QString again = Tmp("again.zem");
    QCOMPARE(Zemctl({"convert", out, "-o", again}).status, 0);
    QCOMPARE(Read(again), Read(out));
  }

  void checkReportsWhatItDidNotUnderstand() {
    Run clean = Zemctl({"check", Source("examples/full-16x192.zem")});
    QCOMPARE(clean.status, 0);  // block markers count as understood
    QVERIFY(clean.out.contains("Didn't Handle: [RAR]\n"));
    QVERIFY(clean.out.endsWith("Import Complete\n"));

    Write(Tmp("bad.zem"), "[NI1\"A\"]\r\n[XYZ1]\r\n");
    Run bad = Zemctl({"check", Tmp("bad.zem")});
    QCOMPARE(bad.status, 1);
    QVERIFY(bad.out.contains("Didn't Handle: [XYZ1]\n"));

    Write(Tmp("big.zem"), "[VO1R99999999999999999999999999]\r\n");
    Run big = Zemctl({"check", Tmp("big.zem")});
    QCOMPARE(big.status, 1);
    QVERIFY(big.out.contains("Error parsing: [VO1R99999999999999999999999999]\n"));

    Run missing = Zemctl({"check", Tmp("missing.zem")});
    QCOMPARE(missing.status, 2);
    QVERIFY(missing.err.contains("missing.zem"));
  }

  void convertRefusesAConfigurationWithoutSources() {
    Write(Tmp("nosrc.zem"), "[NO1\"Kitchen\"]\r\n");
    Run r = Zemctl({"convert", Tmp("nosrc.zem"), "-o", Tmp("nosrc-out.zem")});
    QCOMPARE(r.status, 3);
    QVERIFY(!QFile::exists(Tmp("nosrc-out.zem")));
    QVERIFY(!r.err.isEmpty());
  }

  void aFailedWriteLeavesNothingBehind() {
    Run r = Zemctl({"convert", Source("examples/small-8x24.zem"), "-o", Tmp("no-such-dir/out.zem")});
    QCOMPARE(r.status, 2);
    QVERIFY(r.err.contains("no-such-dir/out.zem"));
    QVERIFY(QDir(Tmp("")).entryList({"*out*"}, QDir::Files).isEmpty());
  }

  void survivesHostileInput() {
    // Random bytes, with many lines that start like a command.
    QByteArray junk;
    QRandomGenerator random(42);
    for (int i = 0; i < 200000; ++i)
      junk += i % 50 == 0 ? QByteArray("\r[") : QByteArray(1, char(random.bounded(256)));
    Write(Tmp("junk.zem"), junk);
    QCOMPARE(Zemctl({"check", Tmp("junk.zem")}).status, 1);
    Write(Tmp("long.zem"), "[NO1\"" + QByteArray(1 << 20, 'a') + "\"]\r\n[NI1\"s\"]\r\n");
    QCOMPARE(Zemctl({"check", Tmp("long.zem")}).status, 0);
    QCOMPARE(Zemctl({"convert", Tmp("long.zem"), "-o", Tmp("long-out.zem")}).status, 0);
    QVERIFY(Read(Tmp("long-out.zem")).contains("[NO1\"aaaaaaaaaaaaaaa\"]\r\n"));
    Write(Tmp("empty.zem"), "");
    QCOMPARE(Zemctl({"check", Tmp("empty.zem")}).status, 0);
  }

  void argumentsAndHelp() {
    QCOMPARE(Zemctl({"--help"}).status, 0);
    for (const char* command : {"check", "convert", "pull", "push"}) {
      Run help = Zemctl({command, "--help"});
      QCOMPARE(help.status, 0);
      QVERIFY(help.out.contains("Usage: zemctl"));
    }
    QCOMPARE(Zemctl({}).status, 2);
    QCOMPARE(Zemctl({"frobnicate"}).status, 2);
    QCOMPARE(Zemctl({"convert", Source("examples/small-8x24.zem")}).status, 2);
    QCOMPARE(Zemctl({"check"}).status, 2);
    QCOMPARE(Zemctl({"check", "a.zem", "b.zem"}).status, 2);
  }
};

QTEST_GUILESS_MAIN(TestZemctl)
#include "test_zemctl.moc"
