// zemctl names: the names file written, and applied with the window's
// refusals (exit status 2, nothing written).
#include <sys/stat.h>

#include <QTemporaryDir>
#include <QtTest>

#include "support/names_files.h"
#include "support/zemctl_runner.h"

using zem::test::Read;
using zem::test::Source;
using zem::test::Write;
using zem::test::Zemctl;

class TestZemctlNames : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  QString In() const { return Source("examples/small-8x24.zem"); }

 private slots:
  void writesTheNamesFile() {
    const zem::test::Run run = Zemctl({"names", In()});
    QCOMPARE(run.status, 0);
    QVERIFY(run.out.startsWith("\xEF\xBB\xBFkind,number,name\r\nzone,1,"));
    // 24 zones, 8 sources, 10 favorites, 10 groups and the header.
    QCOMPARE(run.out.count("\r\n"), 1 + 24 + 8 + 10 + 10);
    QVERIFY(run.out.contains("\r\nsource,8,"));
    QVERIFY(!run.out.contains("source,9,"));
    const QString out = dir_.filePath("names.csv");
    QCOMPARE(Zemctl({"names", In(), "-o", out}).status, 0);
    QCOMPARE(Read(out), run.out);
  }

  void appliesOne_data() {
    QTest::addColumn<int>("which");
    for (std::size_t i = 0; i < zem::test::NamesFiles().size(); ++i)
      QTest::newRow(zem::test::NamesFiles()[i].name) << static_cast<int>(i);
  }
  void appliesOne() {
    QFETCH(int, which);
    const zem::test::NamesFile& file = zem::test::NamesFiles()[static_cast<std::size_t>(which)];
    const QString csv = dir_.filePath("set.csv");
    const QString out = dir_.filePath("out.zem");
    QFile::remove(out);
    Write(csv, QByteArray::fromStdString(file.bytes));
    const zem::test::Run run = Zemctl({"names", In(), "--set", csv, "-o", out});
    if (file.changed < 0) {
      QCOMPARE(run.status, 2);
      QVERIFY2(run.err.contains(QByteArray::fromStdString(file.error)), run.err.constData());
      QVERIFY(!QFile::exists(out));
      return;
    }
    QCOMPARE(run.status, 0);
    const zem::test::Run names = Zemctl({"names", out});
    QVERIFY2(names.out.contains("\r\n" + QByteArray::fromStdString(file.zone3Row) + "\r\n"),
             names.out.constData());
  }

  // A name holding a control byte stays out of the file, with a warning.
  void leavesOutControlNames() {
    Write(dir_.filePath("tab.zem"), Read(In()) + "[NO4\"A\tB\"]\r\n");
    const zem::test::Run run = Zemctl({"names", dir_.filePath("tab.zem")});
    QVERIFY(run.status == 0 && !run.out.contains("\r\nzone,4,") && run.out.contains("\r\nzone,5,"));
    QVERIFY2(run.err.contains("it holds a control byte: zone 4 \"A\\x09B\""), run.err.constData());
  }

  // NAMES.csv and OUT: the same file under two spellings is refused as OUT
  // naming IN is; a FIFO is read.
  void namesFileAndOut_data() {
    QTest::addColumn<QString>("set");
    QTest::addColumn<QString>("out");
    QTest::addColumn<bool>("refused");
    QTest::newRow("another spelling") << QString("sub/../names.csv") << "names.csv" << true;
    QTest::newRow("OUT a link to it") << QString("names.csv") << "link.csv" << true;
    QTest::newRow("a FIFO") << QString("fifo.csv") << "out.zem" << false;
  }
  void namesFileAndOut() {
    QFETCH(QString, set);
    QFETCH(QString, out);
    QFETCH(bool, refused);
    QTemporaryDir dir;
    const QByteArray names = "kind,number,name\nzone,3,'=1+1\n";
    Write(dir.filePath("names.csv"), names);
    QVERIFY(QDir(dir.path()).mkdir("sub"));
    QVERIFY(QFile::link(dir.filePath("names.csv"), dir.filePath("link.csv")));
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo.csv")).constData(), 0600), 0);
    QProcess writer;  // killed when zemctl never read what it writes
    writer.start("sh", {"-c", "exec printf %s \"$1\" > \"$0\"", dir.filePath("fifo.csv"), names});
    const zem::test::Run run = Zemctl({"names", In(), "--set", dir.filePath(set), "-o", dir.filePath(out)});
    writer.kill();
    writer.waitForFinished();
    QCOMPARE(run.status, refused ? 2 : 0);
    if (refused)
      QVERIFY2(run.err.contains("is the input file") && Read(dir.filePath("names.csv")) == names,
               run.err.constData());
    else
      QVERIFY(Zemctl({"names", dir.filePath(out)}).out.contains("\r\nzone,3,'=1+1\r\n"));
  }
};

QTEST_GUILESS_MAIN(TestZemctlNames)
#include "test_zemctl_names.moc"
