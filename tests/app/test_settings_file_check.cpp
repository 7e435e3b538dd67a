// Which settings files the window reads and replaces, on each system: only
// the user's own plain file, or nothing yet.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "app/settings_file_check.h"

class TestSettingsFileCheck : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

 private slots:
  void tellsTheUsersOwnPlainFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("own");
    QTest::addColumn<bool>("writeProtected");
    QTest::newRow("nothing there") << "absent" << true << false;
    QTest::newRow("nor its folder") << "absent folder" << true << false;
    QTest::newRow("a plain file") << "file" << true << false;
    QTest::newRow("a read-only file") << "read-only" << true << true;
    QTest::newRow("a folder") << "folder" << false << false;
    QTest::newRow("the null device") << "null" << false << false;
  }
  void tellsTheUsersOwnPlainFile() {
    QFETCH(QString, kind);
    QFETCH(bool, own);
    QFETCH(bool, writeProtected);
    QVERIFY(dir_.isValid());
    QString path = dir_.filePath(kind + ".conf");
    if (kind == "absent folder") path = dir_.filePath("gone/zem-config.conf");
    if (kind == "null") path = QProcess::nullDevice();
    if (kind == "folder") QVERIFY(QDir().mkpath(path));
    if (kind == "file" || kind == "read-only") {
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[General]\n") > 0);
      file.close();
      if (kind == "read-only") QVERIFY(file.setPermissions(QFile::ReadOwner));
    }
    QCOMPARE(zem::IsAbsentOrOwnFile(path), own);
    QCOMPARE(zem::IsWriteProtected(path), writeProtected);
    if (kind == "read-only") QVERIFY(QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner));
  }
};

QTEST_GUILESS_MAIN(TestSettingsFileCheck)
#include "test_settings_file_check.moc"
