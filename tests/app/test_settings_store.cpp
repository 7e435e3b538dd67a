// The settings file: what it keeps, and the program started with a file
// writing it in the per-user folder.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "app/settings_store.h"

using zem::QtSettingsStore;
using zem::RememberedValues;

class TestSettingsStore : public QObject {
  Q_OBJECT

  QTemporaryDir config_;

 private slots:
  void initTestCase() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(config_.path())); }

  // Paths and hosts come back byte for byte, whatever the locale makes of them.
  void valuesReadBackAsWritten() {
    const RememberedValues values{
        "h\xf6st:2323", "/dev/ttyUSB0", {"/home/u/caf\xe9 & co.zem", "/tmp/a\nb.zem", "/x.zem"}};
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
