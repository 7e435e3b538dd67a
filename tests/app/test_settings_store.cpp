// The settings file: where it is, what it keeps, and the window reading and
// writing it when started with a file.
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
  void initTestCase() {
    QVERIFY(config_.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config_.path()));
    QCOMPARE(zem::DefaultSettingsFile(), config_.filePath("zem-config/zem-config.conf"));
  }

  // Paths and hosts come back byte for byte, whatever the locale makes of them.
  void valuesReadBackAsWritten() {
    const RememberedValues values{
        "h\xf6st.example:2323", "/dev/ttyUSB0", {"/home/u/caf\xe9 & co.zem", "/tmp/a\nb.zem", "/x.zem"}};
    QtSettingsStore(zem::DefaultSettingsFile()).Save(values);
    QVERIFY(QFile::exists(zem::DefaultSettingsFile()));
    QCOMPARE(QtSettingsStore(zem::DefaultSettingsFile()).Load(), values);
    // A shorter list leaves none of the longer one behind.
    QtSettingsStore(zem::DefaultSettingsFile()).Save(RememberedValues{"", "", {"/y.zem"}});
    QCOMPARE(QtSettingsStore(zem::DefaultSettingsFile()).Load(), (RememberedValues{"", "", {"/y.zem"}}));
  }

  // The file is outside input: over-long values, empty or repeated entries
  // and entries beyond eight are dropped when it is read, and reading writes nothing.
  void aHandEditedFileIsCleaned() {
    QtSettingsStore store(config_.filePath("edited.conf"));
    RememberedValues values{std::string(300, 'h'), "/dev/ttyS1", {"/a.zem", "", "/a.zem"}};
    for (int i = 1; i <= 20; ++i) values.recentFiles.push_back("/f" + std::to_string(i) + ".zem");
    store.Save(values);
    zem::UserSettings settings;
    settings.Attach(&store);
    QCOMPARE(settings.TelnetHost(), std::string());
    QCOMPARE(settings.SerialDevice(), std::string("/dev/ttyS1"));
    const std::vector<std::string> eight{"/a.zem",  "/f1.zem", "/f2.zem", "/f3.zem",
                                         "/f4.zem", "/f5.zem", "/f6.zem", "/f7.zem"};
    QCOMPARE(settings.RecentFiles(), eight);
    QCOMPARE(store.Load().recentFiles.size(), std::size_t(23));
  }

  // --no-settings, or the variable set to anything but "" or "0": no settings.
  void settingsWanted() {
    qunsetenv("ZEM_CONFIG_NO_SETTINGS");
    QVERIFY(zem::SettingsWanted(false) && !zem::SettingsWanted(true));
    qputenv("ZEM_CONFIG_NO_SETTINGS", "0");
    QVERIFY(zem::SettingsWanted(false));
    qputenv("ZEM_CONFIG_NO_SETTINGS", "1");
    QVERIFY(!zem::SettingsWanted(false));
    qunsetenv("ZEM_CONFIG_NO_SETTINGS");
  }

  // The program started with a file imports it, which puts it on the recent
  // list in the settings file.
  void startedWithAFileRemembersIt() {
    QTemporaryDir home;
    const QString example = QStringLiteral(ZEM_SOURCE_DIR "/examples/small-8x24.zem");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", home.path());
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.remove("ZEM_CONFIG_NO_SETTINGS");
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(ZEM_CONFIG_PATH, {example});
    const QString file = home.filePath("zem-config/zem-config.conf");
    QTRY_VERIFY_WITH_TIMEOUT(!QtSettingsStore(file).Load().recentFiles.empty(), 60000);
    QCOMPARE(QtSettingsStore(file).Load().recentFiles,
             std::vector<std::string>{QFile::encodeName(example).toStdString()});
    program.kill();
    QVERIFY(program.waitForFinished(30000));
  }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "test_settings_store.moc"
