// zemctl dump --json and build, run as a user runs them.
#include <QTemporaryDir>
#include <QtTest>

#include "support/zemctl_runner.h"

using namespace zem::test;

class TestZemctlJson : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  QString Tmp(const QString& name) { return dir_.filePath(name); }

 private slots:
  void dumpThenBuildGivesTheBytesOfConvert_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("small example") << Source("examples/small-8x24.zem");
    QTest::newRow("full example") << Source("examples/full-16x192.zem");
    QTest::newRow("golden export") << Source("tests/data/full-16x192.golden.zem");
  }
  void dumpThenBuildGivesTheBytesOfConvert() {
    QFETCH(QString, file);
    Run dump = Zemctl({"dump", file, "--json", "-o", Tmp("d.json")});
    QCOMPARE(dump.status, 0);
    Run toStdout = Zemctl({"dump", "--json", file});
    QCOMPARE(toStdout.status, 0);
    QCOMPARE(toStdout.out, Read(Tmp("d.json")));
    QVERIFY(QJsonDocument::fromJson(toStdout.out).isObject());

    Run build = Zemctl({"build", Tmp("d.json"), "-o", Tmp("b.zem")});
    QVERIFY2(build.status == 0, build.err.constData());
    QCOMPARE(Zemctl({"convert", file, "-o", Tmp("c.zem")}).status, 0);
    QCOMPARE(Read(Tmp("b.zem")), Read(Tmp("c.zem")));
  }

  void buildNotesWhatAZemFileDoesNotCarry() {
    QCOMPARE(Zemctl({"dump", Source("examples/full-16x192.zem"), "--json", "-o", Tmp("full.json")}).status,
             0);
    Run build = Zemctl({"build", Tmp("full.json"), "-o", Tmp("full.zem")});
    QCOMPARE(build.status, 0);
    QVERIFY2(build.err.contains("does not carry EQ presets or volume locks; not written: eqPresets[0]"),
             build.err.constData());
    QCOMPARE(Zemctl({"dump", Source("examples/small-8x24.zem"), "--json", "-o", Tmp("small.json")}).status,
             0);
    QVERIFY(Zemctl({"build", Tmp("small.json"), "-o", Tmp("small.zem")}).err.isEmpty());
  }

  void aRefusedBuildNamesThePathAndWritesNothing() {
    QCOMPARE(Zemctl({"dump", Source("examples/small-8x24.zem"), "--json", "-o", Tmp("s.json")}).status, 0);
    QJsonObject root = QJsonDocument::fromJson(Read(Tmp("s.json"))).object();
    QJsonArray zones = root["zones"].toArray();
    QJsonObject zone = zones[11].toObject();
    zone["name"] = "A name of twenty bytes";
    zones[11] = zone;
    root["zones"] = zones;
    Write(Tmp("bad.json"), QJsonDocument(root).toJson());

    const QByteArray old = "the old file\r\n";
    Write(Tmp("out.zem"), old);
    Run r = Zemctl({"build", Tmp("bad.json"), "-o", Tmp("out.zem")});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains("bad.json: zones[11].name: 22 bytes; a name holds at most 15"),
             r.err.constData());
    QVERIFY(r.err.contains("out.zem not written"));
    QCOMPARE(Read(Tmp("out.zem")), old);
    QCOMPARE(QDir(dir_.path()).entryList({"*out.zem*"}, QDir::Files | QDir::Hidden).size(), 1);

    Write(Tmp("junk.json"), "{\"format\": \"zem-config\", \"version\": 1,\xff}");
    Run junk = Zemctl({"build", Tmp("junk.json"), "-o", Tmp("out.zem")});
    QCOMPARE(junk.status, 1);
    QVERIFY(junk.err.contains("not valid JSON at byte"));
    QCOMPARE(Read(Tmp("out.zem")), old);
  }

  // build writes as convert does: a value only lost on reading back (zone
  // 1 uses EQ with no DSP mode) with a warning, refused with --strict.
  void buildWarnsOfALoss_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    QTest::newRow("lost") << "" << 0 << "warning: %1: zones[0].volume: would be lost";
    QTest::newRow("lost, --strict") << "--strict" << 1 << "%1: zones[0].volume: would be lost";
  }
  void buildWarnsOfALoss() {
    QFETCH(QString, option);
    QFETCH(int, status);
    QFETCH(QString, said);
    QCOMPARE(Zemctl({"dump", Source("examples/small-8x24.zem"), "--json", "-o", Tmp("l.json")}).status, 0);
    QJsonObject root = QJsonDocument::fromJson(Read(Tmp("l.json"))).object();
    QJsonArray zones = root["zones"].toArray();
    QJsonObject zone = zones[0].toObject();
    zone["eqUsed"] = true;
    zone["dspMode"] = -1;
    zones[0] = zone;
    root["zones"] = zones;
    Write(Tmp("l.json"), QJsonDocument(root).toJson());
    QFile::remove(Tmp("l.zem"));
    const QStringList args{"build", Tmp("l.json"), "-o", Tmp("l.zem")};
    Run build = Zemctl(option.isEmpty() ? args : args + QStringList{option});
    QCOMPARE(build.status, status);
    QVERIFY2(build.err.startsWith("zemctl: " + said.arg(Tmp("l.json")).toLocal8Bit()), build.err.constData());
    QCOMPARE(QFile::exists(Tmp("l.zem")), status == 0);
  }

  void keepOutOfRangeWritesWhatTheWindowWouldNotShow() {
    QCOMPARE(Zemctl({"dump", Source("examples/small-8x24.zem"), "--json", "-o", Tmp("k.json")}).status, 0);
    QJsonObject root = QJsonDocument::fromJson(Read(Tmp("k.json"))).object();
    QJsonArray zones = root["zones"].toArray();
    QJsonObject zone = zones[1].toObject();
    zone["volume"] = 6;  // zone 2 uses EQ, so its volume is written
    zones[1] = zone;
    root["zones"] = zones;
    Write(Tmp("k.json"), QJsonDocument(root).toJson());
    Run strict = Zemctl({"build", Tmp("k.json"), "-o", Tmp("k.zem")});
    QCOMPARE(strict.status, 1);
    QVERIFY(strict.err.contains(
        "zones[1].volume: 6 is outside -80 to 0 (the window's range; --keep-out-of-range"));
    QVERIFY(!QFile::exists(Tmp("k.zem")));
    QCOMPARE(Zemctl({"build", Tmp("k.json"), "-o", Tmp("k.zem"), "--keep-out-of-range"}).status, 0);
    QVERIFY(Read(Tmp("k.zem")).contains("\r\n[VO2R6]\r\n"));
  }

  void filesAreCheckedBeforeAndBounded() {
    // The output is checked before the input is read: the problem told is
    // the output's, not the (missing) input's.
    Run nowhere = Zemctl({"build", Tmp("missing.json"), "-o", Tmp("no-dir/out.zem")});
    QCOMPARE(nowhere.status, 2);
    QVERIFY(nowhere.err.contains("cannot write " + Tmp("no-dir/out.zem").toLocal8Bit()));
    QVERIFY(!nowhere.err.contains("missing.json"));
    Run missing = Zemctl({"build", Tmp("missing.json"), "-o", Tmp("out2.zem")});
    QCOMPARE(missing.status, 2);
    QVERIFY(missing.err.contains("cannot read " + Tmp("missing.json").toLocal8Bit()));
    QCOMPARE(Zemctl({"dump", Source("examples/small-8x24.zem"), "--json", "-o", Tmp("no-dir/d.json")}).status,
             2);
    // The input never doubles as the output.
    Write(Tmp("self.json"), "{}");
    QCOMPARE(Zemctl({"build", Tmp("self.json"), "-o", Tmp("self.json")}).status, 2);
    QCOMPARE(Read(Tmp("self.json")), QByteArray("{}"));

    // JSON text is read up to 16 MiB: a bigger file is no configuration.
    Write(Tmp("huge.json"), "[" + QByteArray(17 << 20, ' ') + "]");
    Run huge = Zemctl({"build", Tmp("huge.json"), "-o", Tmp("huge.zem")});
    QCOMPARE(huge.status, 1);
    QVERIFY(huge.err.contains("passed the limit of 16 MiB"));
    QVERIFY(!QFile::exists(Tmp("huge.zem")));
  }

  void argumentsAndStatuses() {
    for (const char* command : {"dump", "build"}) {
      Run help = Zemctl({command, "--help"});
      QCOMPARE(help.status, 0);
      QVERIFY(help.out.startsWith(QByteArray("Usage: zemctl ") + command));
    }
    QVERIFY(Zemctl({"--help"}).out.contains("  dump FILE.zem --json"));
    Run noJson = Zemctl({"dump", Source("examples/small-8x24.zem")});
    QCOMPARE(noJson.status, 2);
    QVERIFY(noJson.err.contains("dump needs --json"));
    QCOMPARE(Zemctl({"build", Tmp("x.json")}).status, 2);
    QCOMPARE(Zemctl({"build", Tmp("x.json"), "-o", Tmp("y.zem"), "--deep"}).status, 2);
    // A file that names no source has nothing to dump, as convert has
    // nothing to export.
    Write(Tmp("nosrc.zem"), "[NO1\"Kitchen\"]\r\n");
    Run nosrc = Zemctl({"dump", Tmp("nosrc.zem"), "--json", "-o", Tmp("nosrc.json")});
    QCOMPARE(nosrc.status, 3);
    QVERIFY(!QFile::exists(Tmp("nosrc.json")));
  }
};

QTEST_GUILESS_MAIN(TestZemctlJson)
#include "test_zemctl_json.moc"
