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

// "/f<first>.zem" to "/f<last>.zem", counting up or down.
Paths Numbered(int first, int last) {
  Paths paths;
  const int step = first <= last ? 1 : -1;
  for (int i = first; i != last + step; i += step) paths.push_back("/f" + std::to_string(i) + ".zem");
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
    QTest::newRow("eight at most") << Numbered(1, 10) << Numbered(10, 3);
    QTest::newRow("empty path ignored") << Paths{"/a.zem", ""} << Paths{"/a.zem"};
    QTest::newRow("bytes kept") << Paths{"/caf\xe9.zem", "/cafe.zem"} << Paths{"/cafe.zem", "/caf\xe9.zem"};
  }
  void recentFiles() {
    QFETCH(Paths, added);
    QFETCH(Paths, expected);
    for (const std::string& path : added) settings_.AddRecentFile(path);
    QCOMPARE(settings_.RecentFiles(), expected);
  }

  // What a store gives is cleaned as the list would be kept.
  void loadedValuesAreCleaned() {
    MemoryStore store;
    store.kept.telnetHost = std::string(UserSettings::kHostLimit + 1, 'h');
    store.kept.serialDevice = "/dev/ttyUSB1";
    store.kept.recentFiles = {"/a.zem", "", "/a.zem", "/b.zem"};
    for (const std::string& path : Numbered(1, 20)) store.kept.recentFiles.push_back(path);
    settings_.Attach(&store);
    QCOMPARE(settings_.TelnetHost(), std::string());
    QCOMPARE(settings_.SerialDevice(), std::string("/dev/ttyUSB1"));
    Paths expected = {"/a.zem", "/b.zem"};
    for (const std::string& path : Numbered(1, 6)) expected.push_back(path);
    QCOMPARE(settings_.RecentFiles(), expected);
    QCOMPARE(store.saves, 0);  // reading writes nothing
  }

  // Every change is written at once; no change, no write.
  void changesAreSaved() {
    MemoryStore store;
    settings_.Attach(&store);
    settings_.SetTelnetHost("10.0.0.7:2323");
    settings_.SetTelnetHost("10.0.0.7:2323");
    settings_.SetSerialDevice("/dev/ttyS0");
    settings_.AddRecentFile("/a.zem");
    settings_.AddRecentFile("/a.zem");
    QCOMPARE(store.saves, 3);
    QCOMPARE(store.kept, (RememberedValues{"10.0.0.7:2323", "/dev/ttyS0", {"/a.zem"}}));
    settings_.ClearRecentFiles();
    settings_.ClearRecentFiles();
    QCOMPARE(store.saves, 4);
    QVERIFY(store.kept.recentFiles.empty());
    // Detached, the values last for the run only.
    settings_.Attach(nullptr);
    settings_.AddRecentFile("/b.zem");
    QCOMPARE(settings_.RecentFiles(), Paths{"/b.zem"});
    QCOMPARE(store.saves, 4);
  }

  void init() { settings_ = UserSettings(); }

 private:
  UserSettings settings_;
};

QTEST_APPLESS_MAIN(TestUserSettings)
#include "test_user_settings.moc"
