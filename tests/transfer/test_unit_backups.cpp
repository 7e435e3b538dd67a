// Back Up Before Export's files: each a new file, never written through a
// link or over a name, and the oldest removed by their modification times.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <ctime>

#include "transfer/file_io.h"
#include "transfer/unit_backups.h"

using namespace zem;

namespace {

// The regular files of `folder` that are backups (links are not).
QStringList Backups(const QString& folder) {
  QStringList names;
  for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name)) {
    struct stat st {};
    if (unit_backups::IsBackupName(name.toStdString()) &&
        ::lstat(QFile::encodeName(folder + "/" + name).constData(), &st) == 0 && S_ISREG(st.st_mode))
      names << name;
  }
  return names;
}

}  // namespace

class TestUnitBackups : public QObject {
  Q_OBJECT

 private slots:
  void aBackupIsNewAndTheOldestByAgeGo_data() {
    QTest::addColumn<int>("existing");     // backups already there, the first the newest
    QTest::addColumn<QString>("stamped");  // the date their names carry
    QTest::addColumn<int>("age");          // seconds before now the newest was modified (< 0: after)
    QTest::addColumn<QString>("taken");    // what holds the new backup's name already
    QTest::addColumn<QString>("name");     // the new backup's name
    QTest::addColumn<int>("left");         // backups afterwards
    const QString at = "2026-03-04-050607";
    QTest::newRow("50 named in the future") << 50 << "2099-12-31" << 60 << "" << at + ".zem" << 50;
    QTest::newRow("50 modified in the future") << 50 << "2020-01-01" << -3600 << "" << at + ".zem" << 51;
    QTest::newRow("beyond 50, the least recently modified go")
        << 55 << "2020-01-01" << 60 << "" << at + ".zem" << 50;
    QTest::newRow("a dangling link") << 0 << "" << 0 << "link" << at + "-2.zem" << 1;
    QTest::newRow("a dangling link, then a file") << 0 << "" << 0 << "link file" << at + "-3.zem" << 2;
  }
  void aBackupIsNewAndTheOldestByAgeGo() {
    QFETCH(int, existing);
    QFETCH(QString, stamped);
    QFETCH(int, age);
    QFETCH(QString, taken);
    QFETCH(QString, name);
    QFETCH(int, left);
    QTemporaryDir root;
    const QString folder = root.filePath("h_23"), outside = root.filePath("outside.zem");
    QVERIFY(QDir().mkpath(folder));
    // Named in the order of their stamps, modified the other way round: the
    // last name is the least recently modified.
    const std::time_t now = std::time(nullptr);
    QStringList olds;
    for (int i = 0; i < existing; ++i) {
      olds << QString("%1-0000%2.zem").arg(stamped).arg(i, 2, 10, QChar('0'));
      const QByteArray path = QFile::encodeName(folder + "/" + olds.back());
      QVERIFY(WriteFileAtomically(path.toStdString(), "old", nullptr));
      const timespec times[2] = {{now, 0}, {now - age - 10 * i, 0}};
      QCOMPARE(::utimensat(AT_FDCWD, path.constData(), times, 0), 0);
    }
    const QString first = folder + "/2026-03-04-050607";
    if (taken.contains("link")) QVERIFY(QFile::link(outside, first + ".zem"));
    if (taken.contains("file"))
      QVERIFY(WriteFileAtomically((first + "-2.zem").toStdString(), "old", nullptr));

    std::string error;
    const auto path = unit_backups::Write(root.path().toStdString(), "h:23", "[NI1\"S\"]\r\n",
                                          QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)), &error);
    QVERIFY2(path, error.c_str());
    QCOMPARE(QString::fromStdString(*path), folder + "/" + name);
    QFile written(folder + "/" + name);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("[NI1\"S\"]\r\n"));
    QVERIFY(!QFile::exists(outside));
    QCOMPARE(QFileInfo(first + ".zem").isSymLink(), taken.contains("link"));
    const QStringList backups = Backups(folder);
    QCOMPARE(backups.size(), left);
    QVERIFY(backups.contains(name));
    // Those gone are the least recently modified ones.
    const int gone = existing + 1 - left;
    for (int i = 0; i < existing; ++i) QCOMPARE(backups.contains(olds[i]), i < existing - gone);
    QCOMPARE(
        QDir(folder).entryList(QDir::Files | QDir::System | QDir::Hidden).filter(QRegularExpression("^\\.")),
        QStringList());
  }
};

QTEST_GUILESS_MAIN(TestUnitBackups)
#include "test_unit_backups.moc"
