// The comparison of two configurations: every table's differences found and
// worded, and no difference reported exactly when the two exports are the
// same bytes.
#include <QtTest>

#include <array>
#include <functional>
#include <memory>
#include <random>

#include "command/command_writer.h"
#include "editor/config_diff.h"
#include "editor/editor.h"
#include "editor/unit_names.h"

using namespace zem;

namespace {

// Two configuration files' texts imported as the window imports them.
struct Compared {
  std::vector<ConfigDifference> differences;
  std::vector<std::string> lines;
  bool sameExports = false;
};

Compared CompareTexts(const std::string& before, const std::string& after,
                      ComparisonScope scope = ComparisonScope::Exported) {
  Editor a;
  Editor b;
  a.ImportFileText(before, "before.zem");
  b.ImportFileText(after, "after.zem");
  Compared c;
  c.differences = CompareConfigurations(a.model, b.model, scope);
  for (const auto& d : c.differences) c.lines.push_back(DifferenceLine(d));
  const std::string exportA = a.HasConfiguration() ? ZemFileText(a.PrepareExport()) : std::string();
  const std::string exportB = b.HasConfiguration() ? ZemFileText(b.PrepareExport()) : std::string();
  c.sameExports = exportA == exportB;
  return c;
}

std::string TextOf(const ConfigModel& m) { return ZemFileText(BuildCommandSequence(m)); }

// A small configuration with one zone of each DSP mode and a little of every table.
ConfigModel BaseModel() {
  ConfigModel m;
  m.unit.SourceCount = 8;
  m.unit.ZoneCount = 24;
  for (int s = 1; s <= 16; ++s) m.unit.SourceNames[s] = "Src " + std::to_string(s);
  for (int z = 1; z <= 192; ++z) m.unit.ZoneNames[z] = "Room " + std::to_string(z);
  m.unit.SourceNames[3] = "Caf\xE9";
  m.unit.ZoneNames[12] = "Patio";
  ZoneAudioRec& eq = m.unit.ZoneAudio[5];
  eq.EQUsed = 1;
  eq.Volume = -20;
  eq.DSPMode = 1;
  for (int b = 1; b <= kBands; ++b) eq.Band[b] = static_cast<std::int8_t>(b - 3);
  ZoneAudioRec& preset = m.unit.ZoneAudio[6];
  preset = ZoneAudioRec{1, {}, 0, 0, -35, 5, 2, 2, 0};
  ZoneAudioRec& tone = m.unit.ZoneAudio[7];
  tone = ZoneAudioRec{1, {}, -3, 4, -10, -6, 3, 0, 0};  // bass +3, treble -4 as shown
  ZoneAudioRec& lowpass = m.unit.ZoneAudio[8];
  lowpass = ZoneAudioRec{1, {}, 0, 0, -12, 0, 4, 0, 80};
  for (int f = 1; f <= kFavorites; ++f) {
    m.unit.FavoriteNames[f] = "Fav " + std::to_string(f);
    m.unit.GroupNames[f] = "Grp " + std::to_string(f);
  }
  m.unit.FavoriteStore.Cell(3, 2, 7) = Route::Combined;
  m.unit.FavoriteStore.Cell(1, 5, 3) = Route::Audio;
  m.unit.FavoriteStore.Cell(1, 6, 3) = Route::Video;
  m.unit.RestrictionMark(2, 1) = "R";
  m.unit.GroupMark(4, 1) = "G";
  m.unit.Options.DisplayLevel = 1;
  m.unit.Options.IPAddress = "192.168.1.20";
  m.unit.Options.Netmask = "255.255.255.0";
  m.unit.Options.Gateway = "192.168.1.1";
  return m;
}

// Random bytes for a name: letters, bytes 128-255, control bytes, quotes and
// backslashes; never CR or LF, which end a line.
std::string RandomName(std::mt19937& rng) {
  static const std::string kPool = "aZ 9\"\\]\x01\x1B\x7F\x80\xA0\xE9\xFF";
  std::uniform_int_distribution<int> length(0, 18);
  std::uniform_int_distribution<int> pick(0, static_cast<int>(kPool.size()) - 1);
  std::string name;
  const int n = length(rng);
  for (int i = 0; i < n; ++i) name += kPool[static_cast<std::size_t>(pick(rng))];
  return name;
}

ConfigModel RandomModel(std::mt19937& rng) {
  auto between = [&rng](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
  ConfigModel m;
  m.unit.SourceCount = between(1, 16);
  m.unit.ZoneCount = between(0, 9) == 0 ? between(150, 192) : between(1, 40);  // now and then a full unit
  for (auto& n : m.unit.SourceNames) n = RandomName(rng);
  for (auto& n : m.unit.ZoneNames) n = RandomName(rng);
  for (auto& n : m.unit.FavoriteNames) n = RandomName(rng);
  for (auto& n : m.unit.GroupNames) n = RandomName(rng);
  for (int z = 1; z <= kZones; ++z) {
    ZoneAudioRec& a = m.unit.ZoneAudio[z];
    a.EQUsed = static_cast<std::uint8_t>(between(0, 3) != 0);
    a.Volume = static_cast<std::int8_t>(between(-80, 0));
    a.DSPMode = static_cast<std::int8_t>(between(0, 4));
    a.Balance = static_cast<std::int8_t>(between(-80, 80));
    for (auto& band : a.Band) band = static_cast<std::int8_t>(between(-10, 10));
    a.SystemEQ = static_cast<std::int8_t>(between(0, 9));
    a.Bass = static_cast<std::int8_t>(between(-12, 12));
    a.Treble = static_cast<std::int8_t>(between(-12, 12));
    a.Lowpass = between(40, 240);
    for (int s = 1; s <= kSources; ++s)
      if (between(0, 30) == 0) m.unit.RestrictionMark(z, s) = "R";
    for (int g = 1; g <= kGroups; ++g)
      if (between(0, 8) == 0) m.unit.GroupMark(z, g) = "G";
    for (int f = 1; f <= kFavorites; ++f)
      if (between(0, 2) == 0)
        m.unit.FavoriteStore.Cell(f, between(1, kSources), z) =
            std::array{Route::Combined, Route::Audio, Route::Video}[between(0, 2)];
  }
  m.unit.Options.DisplayLevel = between(0, 3);
  m.unit.Options.FrontPanelLock = between(0, 1) != 0;
  m.unit.Options.IRLockout = between(0, 1) != 0;
  m.unit.Options.DHCPEnabled = between(0, 2) == 0;
  m.unit.Options.IPAddress = "10.0.0." + std::to_string(between(1, 254));
  return m;
}

// One random change of any table, visible in an export or not.
void MutateRandomly(ConfigModel& m, std::mt19937& rng) {
  auto between = [&rng](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
  const int z = between(1, 48);  // sometimes beyond the zone count
  const int s = between(1, kSources);
  switch (between(0, 15)) {
    case 0:
      m.unit.SourceCount = between(1, 16);
      break;
    case 1:
      m.unit.ZoneCount = between(1, 48);
      break;
    case 2:
      m.unit.SourceNames[s] = RandomName(rng);
      break;
    case 3:
      m.unit.ZoneNames[z] = RandomName(rng);
      break;
    case 4:
      m.unit.FavoriteNames[between(1, kFavorites)] = RandomName(rng);
      break;
    case 5:
      m.unit.GroupNames[between(1, kGroups)] = RandomName(rng);
      break;
    case 6:
      m.unit.ZoneAudio[z].Volume = static_cast<std::int8_t>(between(-80, 0));
      break;
    case 7:
      m.unit.ZoneAudio[z].DSPMode = static_cast<std::int8_t>(between(0, 4));
      break;
    case 8:
      m.unit.ZoneAudio[z].Band[between(1, kBands)] = static_cast<std::int8_t>(between(-10, 10));
      break;
    case 9:
      m.unit.ZoneAudio[z].Bass = static_cast<std::int8_t>(between(-12, 12));
      break;
    case 10:
      m.unit.ZoneAudio[z].Lowpass = between(40, 240);
      break;
    case 11:
      m.unit.RestrictionMark(z, s) = m.unit.RestrictionMark(z, s) == "R" ? "" : "R";
      break;
    case 12:
      m.unit.GroupMark(z, between(1, kGroups)) = "G";
      break;
    case 13:
      m.unit.FavoriteStore.Cell(between(1, kFavorites), s, z) = Route::Video;
      break;
    case 14:
      m.unit.Options.DHCPEnabled = !m.unit.Options.DHCPEnabled;
      break;
    default:
      m.unit.Options.Gateway = "10.1.1." + std::to_string(between(1, 9));
      break;
  }
}

// For failure messages: what a list of lines starts with.
std::string Opening(const std::string& what, const std::vector<std::string>& lines) {
  return what + ": " + (lines.empty() ? std::string("(no line)") : lines.front());
}

struct Mutation {
  const char* what;
  std::function<void(ConfigModel&)> change;
  std::vector<std::string> lines;  // every line expected, in order
};

}  // namespace

class TestConfigDiff : public QObject {
  Q_OBJECT

 private slots:
  void sameConfigurationHasNoDifference() {
    const std::string text = TextOf(BaseModel());
    const Compared c = CompareTexts(text, text);
    QVERIFY(c.lines.empty());
    QVERIFY(c.sameExports);
  }

  void everyTableChangeIsFoundAndWorded() {
    const std::vector<Mutation> mutations = {
        {"zone name",
         [](ConfigModel& m) { m.unit.ZoneNames[12] = "Deck"; },
         {R"(zone 12 name: "Patio" -> "Deck")"}},
        {"source name",
         [](ConfigModel& m) { m.unit.SourceNames[3] = "Caf\xE9 \"2\"\\"; },
         {"source 3 name: \"Caf\xE9\" -> \"Caf\xE9 \\\"2\\\"\\\\\""}},
        {"favorite name",
         [](ConfigModel& m) { m.unit.FavoriteNames[4] = "Night"; },
         {R"(favorite 4 name: "Fav 4" -> "Night")"}},
        {"group name",
         [](ConfigModel& m) { m.unit.GroupNames[10] = ""; },
         {R"(group 10 name: "Grp 10" -> " ")"}},
        {"source count",
         [](ConfigModel& m) { m.unit.SourceCount = 10; },
         {"sources: 8 -> 10", R"(source 9 name: none -> "Src 9")", R"(source 10 name: none -> "Src 10")"}},
        {"zone count",
         [](ConfigModel& m) { m.unit.ZoneCount = 23; },
         {"zones: 24 -> 23", R"(zone 24 name: "Room 24" -> none)"}},
        {"volume",
         [](ConfigModel& m) { m.unit.ZoneAudio[5].Volume = -30; },
         {"zone 5 volume: -20 dB -> -30 dB"}},
        {"band", [](ConfigModel& m) { m.unit.ZoneAudio[5].Band[6] = 0; }, {"zone 5 band 6: +3 -> 0"}},
        {"balance",
         [](ConfigModel& m) { m.unit.ZoneAudio[5].Balance = -10; },
         {"zone 5 balance: centre -> left 10 dB"}},
        {"system preset",
         [](ConfigModel& m) { m.unit.ZoneAudio[6].SystemEQ = 3; },
         {"zone 6 system EQ preset: 2 -> 3"}},
        {"bass and treble",
         [](ConfigModel& m) { m.unit.ZoneAudio[7].Bass = -5, m.unit.ZoneAudio[7].Treble = 0; },
         {"zone 7 bass: +3 -> +5", "zone 7 treble: -4 -> 0"}},
        {"lowpass",
         [](ConfigModel& m) { m.unit.ZoneAudio[8].Lowpass = 120; },
         {"zone 8 lowpass: 80 Hz -> 120 Hz"}},
        {"mode",
         [](ConfigModel& m) { m.unit.ZoneAudio[8].DSPMode = 0; },
         {"zone 8 DSP mode: Lowpass -> EQ/Tone Disabled", "zone 8 lowpass: 80 Hz -> none"}},
        {"audio appears",
         [](ConfigModel& m) {
           m.unit.ZoneAudio[9].EQUsed = 1;
           m.unit.ZoneAudio[9].Volume = -40;
           m.unit.ZoneAudio[9].Balance = 7;
         },
         {"zone 9 volume: none -> -40 dB", "zone 9 DSP mode: none -> EQ/Tone Disabled",
          "zone 9 balance: none -> right 7 dB"}},
        {"restriction",
         [](ConfigModel& m) { m.unit.RestrictionMark(9, 4) = "R"; },
         {"restriction zone 9 source 4: none -> R"}},
        {"group member", [](ConfigModel& m) { m.unit.GroupMark(7, 2) = "G"; }, {"group 2 zone 7: none -> G"}},
        {"favorite cleared",
         [](ConfigModel& m) { m.unit.FavoriteStore.Cell(3, 2, 7) = Route::None; },
         {"favorite 3 zone 7: C from source 2 -> none"}},
        {"favorite feed",
         [](ConfigModel& m) { m.unit.FavoriteStore.Cell(1, 6, 3) = Route::Combined; },
         {"favorite 1 zone 3: A from source 5, V from source 6 -> A from source 5, C from source 6"}},
        {"display level",
         [](ConfigModel& m) { m.unit.Options.DisplayLevel = 3; },
         {"options display level: 75% -> 25%"}},
        {"front panel",
         [](ConfigModel& m) { m.unit.Options.FrontPanelLock = true; },
         {"options front panel lock: off -> on"}},
        {"IR", [](ConfigModel& m) { m.unit.Options.IRLockout = true; }, {"options IR lockout: off -> on"}},
        {"IP",
         [](ConfigModel& m) { m.unit.Options.IPAddress = "192.168.1.21"; },
         {R"(options IP address: "192.168.1.20" -> "192.168.1.21")"}},
        {"netmask and gateway",
         [](ConfigModel& m) {
           m.unit.Options.Netmask = "255.255.0.0";
           m.unit.Options.Gateway = "192.168.0.1";
         },
         {R"(options netmask: "255.255.255.0" -> "255.255.0.0")",
          R"(options gateway: "192.168.1.1" -> "192.168.0.1")"}},
        {"DHCP",
         [](ConfigModel& m) { m.unit.Options.DHCPEnabled = true; },
         {"options DHCP: off -> on", R"(options IP address: "192.168.1.20" -> none)",
          R"(options netmask: "255.255.255.0" -> none)", R"(options gateway: "192.168.1.1" -> none)"}},
    };
    const std::string base = TextOf(BaseModel());
    for (const Mutation& mutation : mutations) {
      ConfigModel changed = BaseModel();
      mutation.change(changed);
      const Compared c = CompareTexts(base, TextOf(changed));
      QVERIFY2(!c.sameExports, mutation.what);
      QVERIFY2(c.lines == mutation.lines, (std::string(mutation.what) + ": " +
                                           (c.lines.empty() ? std::string("(none)") : c.lines.front()))
                                              .c_str());
      // And back: the same differences with the sides swapped.
      const Compared back = CompareTexts(TextOf(changed), base);
      QCOMPARE(back.lines.size(), c.lines.size());
      QCOMPARE(back.differences.front().after, c.differences.front().before);
    }
  }

  void differencesCarryTheirValuesAsData() {
    ConfigModel changed = BaseModel();
    changed.unit.ZoneNames[12] = "D\xE9\x01k";
    changed.unit.ZoneAudio[5].Volume = -30;
    changed.unit.Options.FrontPanelLock = true;
    changed.unit.FavoriteStore.Cell(3, 2, 7) = Route::None;
    const Compared c = CompareTexts(TextOf(BaseModel()), TextOf(changed));
    QCOMPARE(c.differences.size(), std::size_t(4));
    const ConfigDifference& name = c.differences[1];  // zone by zone: 5, then 12
    QVERIFY(name.table == DiffTable::Zone);
    QCOMPARE(name.indices, std::vector<int>{12});
    QCOMPARE(name.field, std::string("name"));
    QCOMPARE(name.afterValue.text, std::string("D\xE9\x01k"));  // the plain bytes
    QCOMPARE(c.lines[1], std::string("zone 12 name: \"Patio\" -> \"D\xE9\\x01k\""));
    const ConfigDifference& volume = c.differences[0];
    QVERIFY(volume.beforeValue.kind == DifferenceValue::Kind::Number);
    QCOMPARE(volume.afterValue.number, -30LL);
    const ConfigDifference& favorite = c.differences[2];
    QCOMPARE(favorite.indices, (std::vector<int>{3, 7}));
    QVERIFY(favorite.afterValue.kind == DifferenceValue::Kind::None);
    QVERIFY(c.differences[3].afterValue.kind == DifferenceValue::Kind::Flag);
    QCOMPARE(c.differences[3].afterValue.number, 1LL);
  }

  // What an export does not write is no difference: grid marks of unused
  // cells, values beyond the counts or of another DSP mode, addresses while
  // DHCP is on, the unit-only tables, name bytes beyond the name length.
  void unwrittenStateIsNoDifference() {
    const std::vector<std::function<void(ConfigModel&)>> invisible = {
        [](ConfigModel& m) { m.unit.ZoneNames[30] = "Beyond"; },
        [](ConfigModel& m) { m.unit.SourceNames[9] = "Beyond"; },
        [](ConfigModel& m) { m.unit.FavoriteStore.Cell(2, 12, 3) = Route::Combined; },
        [](ConfigModel& m) { m.unit.FavoriteStore.Cell(2, 3, 30) = Route::Audio; },
        [](ConfigModel& m) { m.unit.FavoriteStore.Cell(2, 7, 3) = Route::Restricted; },
        [](ConfigModel& m) { m.unit.RestrictionMark(40, 2) = "R"; },
        [](ConfigModel& m) { m.unit.RestrictionMark(3, 2) = "X"; },
        [](ConfigModel& m) { m.unit.GroupMark(25, 1) = "G"; },
        [](ConfigModel& m) { m.screen.FavoriteLabels.Cell(0, 0) = "C"; },
        [](ConfigModel& m) { m.unit.ZoneAudio[5].Lowpass = 200; },
        [](ConfigModel& m) { m.unit.ZoneAudio[7].Band[2] = 9; },
        [](ConfigModel& m) { m.unit.ZoneAudio[10].Volume = -50; },
        [](ConfigModel& m) { m.unit.ZoneAudio[6].Balance = 7, m.unit.ZoneAudio[6].Bass = 7; },
        [](ConfigModel& m) { m.unit.ZoneAudio[11].SystemEQ = -1; },
        [](ConfigModel& m) { m.unit.VolumeLocks[5] = 1; },
        [](ConfigModel& m) { m.unit.EQPresets[2].Band[6] = 3; },
        [](ConfigModel& m) { m.unit.ZoneNames[3] = "Room 3 and more than fifteen bytes"; },
        [](ConfigModel& m) {
          m.screen.CurrentZone = 9, m.screen.ZoneList.Select(3), m.screen.PopupCell = {2, 3};
        },
    };
    ConfigModel base = BaseModel();
    base.unit.ZoneNames[3] = "Room 3 and more";
    base.unit.ZoneAudio[6].DSPMode = -1;
    base.unit.ZoneAudio[11] = ZoneAudioRec{1, {}, 0, 0, -5, 0, 2, 0, 0};  // preset mode, no preset
    for (std::size_t i = 0; i < invisible.size(); ++i) {
      ConfigModel changed = base;
      invisible[i](changed);
      std::vector<std::string> lines;
      for (const auto& d : CompareConfigurations(base, changed)) lines.push_back(DifferenceLine(d));
      QVERIFY2(lines.empty(), Opening(std::to_string(i), lines).c_str());
      QCOMPARE(TextOf(changed), TextOf(base));
    }
    ConfigModel dhcp = base;
    dhcp.unit.Options.DHCPEnabled = true;
    ConfigModel otherAddress = dhcp;
    otherAddress.unit.Options.IPAddress = "1.2.3.4";
    QVERIFY(CompareConfigurations(dhcp, otherAddress).empty());
    QCOMPARE(TextOf(dhcp), TextOf(otherAddress));
  }

  // A side's tables beyond its own counts are none, even when the model
  // holds values there and the other side's counts reach them.
  void valuesBeyondASidesCountsAreNone() {
    ConfigModel a = BaseModel();
    a.unit.FavoriteStore.Cell(2, 3, 30) = Route::Audio;
    a.unit.FavoriteStore.Cell(2, 10, 3) = Route::Video;
    a.unit.GroupMark(30, 1) = "G";
    a.unit.RestrictionMark(30, 2) = "R";
    ConfigModel b = a;
    b.unit.ZoneCount = 30;
    b.unit.SourceCount = 10;
    std::vector<std::string> lines;
    for (const auto& d : CompareConfigurations(a, b)) lines.push_back(DifferenceLine(d));
    for (const char* expected :
         {"zones: 24 -> 30", R"(source 10 name: none -> "Src 10")", R"(zone 30 name: none -> "Room 30")",
          "restriction zone 30 source 2: none -> R", "group 1 zone 30: none -> G",
          "favorite 2 zone 3: none -> V from source 10", "favorite 2 zone 30: none -> A from source 3"})
      QVERIFY2(std::find(lines.begin(), lines.end(), expected) != lines.end(), expected);
  }

  // The property that matters: no difference exactly when the exports are
  // the same bytes, for generated configurations and single changes, and for
  // files with values the controls do not hold.
  void noDifferenceExactlyWhenExportsAreEqual() {
    std::mt19937 rng(20261208);
    int different = 0;
    for (int round = 0; round < 300; ++round) {
      const ConfigModel a = RandomModel(rng);
      ConfigModel b = a;
      if (round % 25 == 0) {
        b = RandomModel(rng);
      } else {
        MutateRandomly(b, rng);
      }
      std::string textA = TextOf(a);
      std::string textB = TextOf(b);
      if (round % 7 == 0) textB += "[VO2R50]\r\n[EO3M9]\r\n[TO4B100T-1]\r\n[EO1LP9999]\r\n[SD7]\r\n";
      // Values an export leaves out, different on the two sides: a zone whose
      // mode reads as none, the shown zone with a mode its list does not hold.
      if (round % 5 == 0) {
        textA += "[EO2M255]\r\n[BO2L3]\r\n[EO1M9]\r\n[EO1LP90]\r\n[EO3M2]\r\n[EO3P0]\r\n";
        textB += "[EO2M255]\r\n[BO2L7]\r\n[EO1M9]\r\n[EO1LP120]\r\n[EO3M2]\r\n[EO3P255]\r\n";
      }
      const Compared c = CompareTexts(textA, textB);
      QVERIFY2(
          c.lines.empty() == c.sameExports,
          (std::to_string(round) + ": " + (c.lines.empty() ? std::string("none") : c.lines.front())).c_str());
      if (!c.lines.empty()) ++different;
    }
    QVERIFY(different > 150);  // the mutations were seen, not all lost
  }

  void unitOnlyTablesAreComparedWhenAsked() {
    std::string text = TextOf(BaseModel());
    const std::string presets = "[NEP2\"Warm\"]\r\n[EP2B6L3]\r\n[VO5F1]\r\n";
    const Compared exported = CompareTexts(text + presets, text);
    QVERIFY(exported.lines.empty());
    QVERIFY(exported.sameExports);
    const Compared all = CompareTexts(text + presets, text, ComparisonScope::WithUnitOnly);
    const std::vector<std::string> expected = {
        "zone 5 volume lock: on -> off", R"(EQ preset 2 name: "Warm" -> "")", "EQ preset 2 band 6: +3 -> 0"};
    QCOMPARE(all.lines, expected);
  }

  void sidesWithoutConfiguration() {
    const std::string none = "[VO1R-5]\r\n";
    QVERIFY(CompareTexts(none, "").lines.empty());
    const Compared c = CompareTexts(none, TextOf(BaseModel()));
    QVERIFY(!c.sameExports);
    QVERIFY(c.lines.size() > 24);
    QCOMPARE(c.lines[0], std::string("sources: none -> 8"));
    QCOMPARE(c.lines[1], std::string("zones: none -> 24"));
    QCOMPARE(c.lines.back(), std::string(R"(options gateway: none -> "192.168.1.1")"));
  }

  // Zone 12 sent as `mine` and read back from a unit as `unit`: the
  // difference found, and whether the name was compared without letters.
  void namesAsAUnitReturnsThem_data() {
    QTest::addColumn<QByteArray>("mine");
    QTest::addColumn<QByteArray>("unit");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("without");
    const QByteArray kuche("K\374che");  // \374: u with diaeresis
    QTest::newRow("letter dropped") << kuche << QByteArray("Kche") << QByteArray() << 1;
    QTest::newRow("only such letters") << QByteArray("\374\351") << QByteArray("") << QByteArray() << 1;
    QTest::newRow("fifteen bytes") << QByteArray("Wohnzimmer K\374ch") << QByteArray("Wohnzimmer Kch")
                                   << QByteArray() << 1;
    QTest::newRow("letter past the cut")
        << QByteArray("Wohnzimmer Kuch\374") << QByteArray("Wohnzimmer Kuch") << QByteArray() << 0;
    QTest::newRow("another name") << kuche << QByteArray("Bad")
                                  << "zone 12 name: \"" + kuche + "\" -> \"Bad\"" << 1;
  }
  void namesAsAUnitReturnsThem() {
    QFETCH(QByteArray, mine);
    QFETCH(QByteArray, unit);
    QFETCH(QByteArray, line);
    QFETCH(int, without);
    ConfigModel sent = BaseModel(), read = BaseModel();
    sent.unit.ZoneNames[12] = mine.toStdString();
    read.unit.ZoneNames[12] = unit.toStdString();
    std::size_t compared = 0;
    std::string found;
    for (const ConfigDifference& d : DifferencesAfterExport(sent, read, nullptr, &compared))
      found += DifferenceLine(d);
    QCOMPARE(found, line.toStdString());
    QCOMPARE(compared, std::size_t(1 + without));  // source 3, "Caf\xE9", is one
    // A name that read back as sent is then known as sent.
    QCOMPARE(WithSentNames(read.unit, sent.unit).ZoneNames[12],
             (line.isEmpty() && without ? mine : unit).toStdString());
  }

  void linesNeverBreakNorCarryControlBytes() {
    ConfigDifference d;
    d.table = DiffTable::Restriction;
    d.indices = {9, 4};
    d.before = "none";
    d.after = "R";
    QCOMPARE(DifferenceLine(d), std::string("restriction zone 9 source 4: none -> R"));
    d.table = DiffTable::Group;
    d.indices = {3, 7};
    d.after = "G\r\n\x1B[2J";
    QCOMPARE(DifferenceLine(d), std::string("group 3 zone 7: none -> G\\x0D\\x0A\\x1B[2J"));
    QCOMPARE(QuotedName(std::string("a\0\"\\\x7F\xE9", 6)), std::string("\"a\\x00\\\"\\\\\\x7F\xE9\""));
  }
};

QTEST_APPLESS_MAIN(TestConfigDiff)
#include "test_config_diff.moc"
