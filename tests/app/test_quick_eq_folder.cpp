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
    // Its examples are beside the sources, if they are there at all.
    QCOMPARE(zem::ExamplesFolder(build, kAppId, "../..", dir_.path()), dir_.path());
    QCOMPARE(zem::ExamplesFolder(build, kAppId, "../..", dir_.filePath("gone")), QString());
  }

  void anInstalledProgramUsesTheUserFolderEvenWhenItsFolderIsWritable() {
    // cmake --install --prefix P puts the program in P/bin and the desktop
    // entry in P/share/applications; P/bin is writable by its owner.
    const QString prefix = dir_.filePath("prefix");
    QVERIFY(QDir().mkpath(prefix + "/bin"));
    QVERIFY(MakeFile(prefix + "/share/applications/" + kAppId + ".desktop"));
    QCOMPARE(zem::QuickEQFolder(prefix + "/bin", "/home/u/.local/share/z", kAppId),
             QString("/home/u/.local/share/z"));
    // Its examples are under its prefix.
    QCOMPARE(zem::ExamplesFolder(prefix + "/bin", kAppId, "share", "/none"),
             QFileInfo(prefix + "/share").canonicalFilePath());
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
};

QTEST_GUILESS_MAIN(TestQuickEQFolder)
#include "test_quick_eq_folder.moc"
