// The settings file: what it keeps, and the program started with a file
// writing it in the per-user folder.
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <tuple>

#include "app/settings_store.h"

using zem::QtSettingsStore;
using zem::RememberedValues;

namespace {

// The kind, identity, links, owner and contents of what `path` leads to, and what is at `path` itself.
auto Seen(const QByteArray& path) {
  struct stat at {};
  struct stat st {};
  const bool found = ::lstat(path, &at) == 0 && ::stat(path, &st) == 0;
  QFile file(QFile::decodeName(path));
  const bool regular = found && S_ISREG(st.st_mode) && file.open(QIODevice::ReadOnly);
  return std::tuple(at.st_mode, at.st_ino, st.st_mode, st.st_ino, st.st_nlink, st.st_uid, st.st_rdev,
                    regular ? file.readAll() : QByteArray());
}

}  // namespace

class TestSettingsStore : public QObject {
  Q_OBJECT

  QTemporaryDir config_;

 private slots:
  void initTestCase() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(config_.path())); }

  // Paths and hosts come back byte for byte, whatever the locale makes of them.
  void valuesReadBackAsWritten() {
    // The export checks the other way round from their defaults.
    RememberedValues values{
        "h\xf6st:2323", "/dev/ttyUSB0", {"/home/u/caf\xe9 & co.zem", "/tmp/a\nb.zem", "/x.zem"},
        false,          true,           true};
    values.sheetInstaller = "AV & Co \xc3\xa9";
    values.sheetContact = "0123 456";
    QtSettingsStore store(config_.filePath("values.conf"));
    store.Save(values);
    QVERIFY(QFile::exists(store.File()));
    QCOMPARE(store.Load(), values);
    // A shorter list leaves none of the longer one behind.
    store.Save(RememberedValues{"", "", {"/y.zem"}});
    QCOMPARE(store.Load(), (RememberedValues{"", "", {"/y.zem"}}));
  }

  // The file is outside input: over-long values, empty or repeated entries
  // and entries beyond eight are dropped when read, and reading writes nothing.
  void aHandEditedFileIsCleaned() {
    const RememberedValues values{std::string(300, 'h'),
                                  "/dev/ttyS1",
                                  {"/a", "", "/a", "/b", "/c", "/d", "/e", "/f", "/g", "/h", "/i"}};
    QtSettingsStore store(config_.filePath("edited.conf"));
    store.Save(values);
    zem::UserSettings settings;
    settings.Attach(&store);
    QCOMPARE((RememberedValues{settings.TelnetHost(), settings.SerialDevice(), settings.RecentFiles()}),
             (RememberedValues{"", "/dev/ttyS1", {"/a", "/b", "/c", "/d", "/e", "/f", "/g", "/h"}}));
    QCOMPARE(store.Load(), values);
  }

  // Only the user's own regular file (or none yet) is read or written;
  // anything else is left as it is, said once, and the run goes on without.
  void onlyTheUsersOwnFileIsUsed_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("used");
    for (const char* kind : {"absent", "own file", "link to own file", "write-protected file"})
      QTest::newRow(kind) << kind << true;
    for (const char* kind : {"link to a device", "FIFO", "directory", "hard-linked file",
                             "another user's file", "dangling link"})
      QTest::newRow(kind) << kind << false;
  }
  void onlyTheUsersOwnFileIsUsed() {
    QFETCH(QString, kind);
    QFETCH(bool, used);
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath("zem-config.conf")),
                     other = QFile::encodeName(dir.filePath("other"));
    const RememberedValues values{"h:23", "/dev/ttyS0", {"/a.zem"}};
    const auto own = [&](const QByteArray& at) {
      QtSettingsStore(QFile::decodeName(at)).Save(values);
      return QFile::exists(QFile::decodeName(at));
    };
    if (kind == "own file") QVERIFY(own(path));
    // Read, but never rewritten (QSettings would replace it 0644).
    const bool writeProtected = kind == "write-protected file";
    if (writeProtected) QVERIFY(own(path) && ::chmod(path, 0444) == 0);
    if (kind == "link to own file") QVERIFY(own(other) && ::symlink(other, path) == 0);
    // As root, a node of its own: a fault could replace only that one.
    if (kind == "link to a device")
      QCOMPARE(::symlink(::mknod(other, S_IFCHR | 0666, makedev(1, 3)) == 0 ? other : "/dev/null", path), 0);
    if (kind == "FIFO") QCOMPARE(::mkfifo(path, 0600), 0);
    if (kind == "directory") QCOMPARE(::mkdir(path, 0700), 0);
    if (kind == "hard-linked file") QVERIFY(own(path) && ::link(path, other) == 0);
    if (kind == "another user's file" && ::geteuid() != 0) QSKIP("only root can give a file to another user");
    if (kind == "another user's file") QVERIFY(own(path) && ::chown(path, 65534, 65534) == 0);
    if (kind == "dangling link") QCOMPARE(::symlink(other, path), 0);

    const auto before = Seen(path);
    QtSettingsStore store(QFile::decodeName(path));
    RememberedValues loaded, reloaded;
    QTemporaryFile caught;  // what the store says on standard error
    QVERIFY(caught.open());
    const int saved = ::dup(2);
    ::dup2(caught.handle(), 2);
    ::alarm(20);  // a read that blocks ends the whole test here
    loaded = store.Load();
    store.Save({"k", "", {"/b.zem"}});
    store.Save(values);
    reloaded = store.Load();
    ::alarm(0);
    ::dup2(saved, 2);
    ::close(saved);
    QVERIFY(caught.seek(0));
    const QByteArray said = caught.readAll();
    const QByteArray refused =
        "zem-config: settings not used: " + path + " is not a regular file of this user\n";
    const QByteArray protectedSaid = "zem-config: settings not saved: " + path + " is write-protected\n";
    QCOMPARE(said, writeProtected ? protectedSaid : used ? QByteArray() : refused);
    QCOMPARE(loaded, used && kind != "absent" ? values : RememberedValues{});
    QCOMPARE(reloaded, used ? values : RememberedValues{});
    QVERIFY(used && !writeProtected
                ? QFileInfo(QFile::decodeName(path)).isSymLink() == kind.startsWith("link")
                : Seen(path) == before);
  }

  // --no-settings, or the variable set to anything but "" or "0": no settings.
  void settingsWanted() {
    for (const char* off : {"", "0", "1"}) {
      qputenv("ZEM_CONFIG_NO_SETTINGS", off);
      QCOMPARE(zem::SettingsWanted(false), off != std::string("1"));
      QVERIFY(!zem::SettingsWanted(true));
    }
    qunsetenv("ZEM_CONFIG_NO_SETTINGS");
  }

  // Started with a file, the program imports it, which puts it on the recent
  // list in $XDG_CONFIG_HOME/zem-config/zem-config.conf.
  void startedWithAFileRemembersIt() {
    const QString example = QStringLiteral(ZEM_SOURCE_DIR "/examples/small-8x24.zem");
    QProcess program;  // in this test's environment
    program.start(ZEM_CONFIG_PATH, {example});
    QtSettingsStore written(config_.filePath("zem-config/zem-config.conf"));
    QTRY_VERIFY_WITH_TIMEOUT(!written.Load().recentFiles.empty(), 60000);
    QCOMPARE(written.Load().recentFiles, std::vector<std::string>{QFile::encodeName(example).toStdString()});
    program.kill();
    QVERIFY(program.waitForFinished(30000));
  }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "test_settings_store.moc"
