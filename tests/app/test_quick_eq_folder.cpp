// Where the window keeps quick EQ files: beside a program run from its build
// folder, never beside an installed one.
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "app/quick_eq_folder.h"

namespace {

const QString kAppId = "org.example.Test";

bool MakeFile(const QString& path) {
  QDir().mkpath(QFileInfo(path).path());
  QFile f(path);
  return f.open(QIODevice::WriteOnly);
}

}  // namespace

class TestQuickEQFolder : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

 private slots:
  void aBuildFolderKeepsTheFilesBesideTheProgram() {
    const QString build = dir_.filePath("build/src/app");
    QVERIFY(QDir().mkpath(build));
    QCOMPARE(zem::QuickEQFolder(build, "/home/u/.local/share/z", kAppId), build);
    QVERIFY(!zem::IsInstalledProgramFolder(build, kAppId));
  }

  void anInstalledProgramUsesTheUserFolderEvenWhenItsFolderIsWritable() {
    // cmake --install --prefix P puts the program in P/bin and the desktop
    // entry in P/share/applications; P/bin is writable by its owner.
    const QString prefix = dir_.filePath("prefix");
    QVERIFY(QDir().mkpath(prefix + "/bin"));
    QVERIFY(MakeFile(prefix + "/share/applications/" + kAppId + ".desktop"));
    QCOMPARE(zem::QuickEQFolder(prefix + "/bin", "/home/u/.local/share/z", kAppId),
             QString("/home/u/.local/share/z"));
    // Another program's desktop entry does not make it an installed copy.
    QVERIFY(!zem::IsInstalledProgramFolder(prefix + "/bin", "org.example.Other"));
    // Reached through a symbolic link, it is still the installed folder.
    const QString link = dir_.filePath("linked-bin");
    QVERIFY(QFile::link(prefix + "/bin", link));
    QVERIFY(zem::IsInstalledProgramFolder(link, kAppId));
  }

  void systemFoldersAreNeverUsedEvenByRoot() {
    for (const char* folder : {"/usr/bin", "/usr/local/bin", "/bin"})
      QCOMPARE(zem::QuickEQFolder(folder, "/root/.local/share/z", kAppId), QString("/root/.local/share/z"));
  }

  void aFolderThatCannotBeWrittenOrIsMissingUsesTheUserFolder() {
    QCOMPARE(zem::QuickEQFolder(dir_.filePath("missing"), "/data", kAppId), QString("/data"));
    if (geteuid() == 0) QSKIP("root can write any folder");
    const QString locked = dir_.filePath("locked");
    QVERIFY(QDir().mkpath(locked));
    QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));
    QCOMPARE(zem::QuickEQFolder(locked, "/data", kAppId), QString("/data"));
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }

  // The first page's hint names the examples an installed program has under
  // its prefix, and a build's those beside its sources; none that is missing.
  void theExamplesAreWhereTheProgramRunsFrom_data() {
    QTest::addColumn<bool>("installed");
    QTest::addColumn<QString>("present");  // which examples folder exists
    QTest::addColumn<QString>("expected");
    QTest::newRow("installed") << true << "both"
                               << "prefix/share/doc/z/examples";
    QTest::newRow("build folder") << false << "both"
                                  << "src/examples";
    QTest::newRow("build folder, sources gone") << false << "prefix"
                                                << "";
    QTest::newRow("installed without examples") << true << "src"
                                                << "";
  }
  void theExamplesAreWhereTheProgramRunsFrom() {
    QFETCH(bool, installed);
    QFETCH(QString, present);
    QFETCH(QString, expected);
    QTemporaryDir root;
    const QString bin = root.filePath(installed ? "prefix/bin" : "build/src/app");
    QVERIFY(QDir().mkpath(bin));
    if (installed) QVERIFY(MakeFile(root.filePath("prefix/share/applications/" + kAppId + ".desktop")));
    if (present != "src") QVERIFY(QDir().mkpath(root.filePath("prefix/share/doc/z/examples")));
    if (present != "prefix") QVERIFY(QDir().mkpath(root.filePath("src/examples")));
    QCOMPARE(zem::ExamplesFolder(bin, kAppId, "share/doc/z/examples", root.filePath("src/examples")),
             expected.isEmpty() ? QString() : QFileInfo(root.filePath(expected)).canonicalFilePath());
  }
};

QTEST_GUILESS_MAIN(TestQuickEQFolder)
#include "test_quick_eq_folder.moc"
