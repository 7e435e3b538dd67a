#include <QTest>
#include <string>
#include <vector>

#include "editor/user_settings.h"

using zem::RememberedValues;
using zem::UserSettings;
using Paths = std::vector<std::string>;

namespace {

// Keeps what was saved, as the settings file would.
struct MemoryStore : zem::SettingsStore {
  RememberedValues kept;
  int saves = 0;
  RememberedValues Load() override { return kept; }
  void Save(const RememberedValues& values) override {
    kept = values;
    ++saves;
  }
};

// "/f1.zem" to "/f<count>.zem".
Paths Numbered(int count) {
  Paths paths;
  for (int i = 1; i <= count; ++i) paths.push_back("/f" + std::to_string(i) + ".zem");
  return paths;
}

}  // namespace

class TestUserSettings : public QObject {
  Q_OBJECT

 private slots:
  void recentFiles_data() {
    QTest::addColumn<Paths>("added");
    QTest::addColumn<Paths>("expected");
    QTest::newRow("newest first") << Paths{"/a.zem", "/b.zem"} << Paths{"/b.zem", "/a.zem"};
    QTest::newRow("a repeat moves up") << Paths{"/a.zem", "/b.zem", "/a.zem"} << Paths{"/a.zem", "/b.zem"};
    const Paths ten = Numbered(10);
    QTest::newRow("eight at most") << ten << Paths(ten.rbegin(), ten.rbegin() + 8);
    QTest::newRow("empty path ignored") << Paths{"/a.zem", ""} << Paths{"/a.zem"};
    QTest::newRow("bytes kept") << Paths{"/caf\xe9.zem", "/cafe.zem"} << Paths{"/cafe.zem", "/caf\xe9.zem"};
  }
  void recentFiles() {
    QFETCH(Paths, added);
    QFETCH(Paths, expected);
    UserSettings settings;
    for (const std::string& path : added) settings.AddRecentFile(path);
    QCOMPARE(settings.RecentFiles(), expected);
  }

  // A settings file is outside input: what it gives is cleaned, and reading
  // writes nothing; every change is written at once, no change nothing.
  void readAndWritten() {
    MemoryStore store;
    store.kept = {std::string(UserSettings::kHostLimit + 1, 'h'), "/dev/ttyUSB1", {"/a.zem", "", "/a.zem"}};
    for (const std::string& path : Numbered(20)) store.kept.recentFiles.push_back(path);
    UserSettings settings;
    settings.Attach(&store);
    QCOMPARE(settings.TelnetHost(), std::string());
    QCOMPARE(settings.RecentFiles().size(), UserSettings::kRecentFileLimit);
    QCOMPARE(settings.RecentFiles().front(), std::string("/a.zem"));
    QCOMPARE(settings.RecentFiles().back(), std::string("/f7.zem"));
    QCOMPARE(store.saves, 0);

    settings.SetTelnetHost("10.0.0.7:2323");
    settings.SetTelnetHost("10.0.0.7:2323");
    settings.SetSerialDevice("/dev/ttyS0");
    settings.ClearRecentFiles();
    settings.ClearRecentFiles();
    settings.AddRecentFile("/b.zem");
    QCOMPARE(store.saves, 4);
    QCOMPARE(store.kept, (RememberedValues{"10.0.0.7:2323", "/dev/ttyS0", {"/b.zem"}}));
    // Detached, the values last for the run only.
    settings.Attach(nullptr);
    settings.AddRecentFile("/c.zem");
    QCOMPARE(settings.RecentFiles(), (Paths{"/c.zem", "/b.zem"}));
    QCOMPARE(store.saves, 4);
  }
};

QTEST_APPLESS_MAIN(TestUserSettings)
#include "test_user_settings.moc"
