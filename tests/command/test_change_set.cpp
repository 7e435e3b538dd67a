// The change set: which lines it holds, and that a unit given only them
// ends up holding what a full export would have left it with.
#include <QtTest>
#include <algorithm>
#include <cctype>
#include <map>
#include <random>

#include "command/change_set.h"
#include "command/command_writer.h"

using namespace zem;

namespace {

using Lines = std::vector<std::string>;

UnitConfiguration Configured(int sources, int zones) {
  ConfigModel m;
  TextLog receivedText, messageLog;
  ResetModel(m, receivedText, messageLog);
  m.unit.SourceCount = sources;
  m.unit.ZoneCount = zones;
  return m.unit;
}

// Two sources, three zones: zone 2 has an EQ, zone 1 source 2 is
// restricted, zone 3 is in group 1, favorite 1 connects zone 1 to source 1.
UnitConfiguration Base() {
  UnitConfiguration u = Configured(2, 3);
  ZoneAudioRec& a = u.ZoneAudio[2];
  a.EQUsed = 1;
  a.Volume = -20;
  a.DSPMode = 1;
  u.RestrictionMark(1, 2) = "R";
  u.GroupMark(3, 1) = "G";
  u.FavoriteStore.Cell(1, 1, 1).Set("C");
  return u;
}

Lines EqLinesOfZone2(int band3) {
  Lines lines{"[VO2R-20]", "[EO2M1]", "[BO2R0]"};
  for (int b = 1; b <= kBands; ++b)
    lines.push_back("[EO2B" + std::to_string(b) + "L" + std::to_string(b == 3 ? band3 : 0) + "]");
  return lines;
}

Lines With(Lines lines, const Lines& more) {
  lines.insert(lines.end(), more.begin(), more.end());
  return lines;
}

// What a unit holds: the last value set per command key. The three block
// lines empty their tables.
using UnitTable = std::map<std::string, std::string>;

// Letters and numbers of a command between its brackets: "VO12R-5" gives
// "VO", "12", "R", "-5".
Lines Tokens(std::string_view body) {
  Lines tokens;
  for (std::size_t at = 0; at < body.size();) {
    const bool number = body[at] == '-' || std::isdigit(static_cast<unsigned char>(body[at]));
    std::size_t end = at + 1;
    while (end < body.size() && (std::isdigit(static_cast<unsigned char>(body[end])) != 0) == number &&
           (number || std::isalpha(static_cast<unsigned char>(body[end]))))
      ++end;
    tokens.emplace_back(body.substr(at, end - at));
    at = end;
  }
  return tokens;
}

void EraseTable(UnitTable& t, const std::string& prefix) {
  std::erase_if(t, [&](const auto& entry) { return entry.first.rfind(prefix, 0) == 0; });
}

// Applies one command line; false for a line it does not know.
bool Apply(UnitTable& t, const std::string& line) {
  if (line.size() < 3 || line.front() != '[' || line.back() != ']') return false;
  const std::string body = line.substr(1, line.size() - 2);
  if (body == "RAR" || body == "GAR" || body == "FAR") {
    EraseTable(t, std::string(1, body[0]) + " ");
    return true;
  }
  if (body == "EC") return true;
  if (body.size() > 2 && body[0] == 'N' && body.find('"') != std::string::npos) {
    const std::size_t quote = body.find('"');
    if (body.back() != '"' || quote == body.size() - 1) return false;
    t["N" + body.substr(1, quote - 1)] = body.substr(quote + 1, body.size() - quote - 2);
    return true;
  }
  for (const char* text : {"IP", "NM", "GW"}) {
    if (body.rfind(text, 0) == 0) {
      t[text] = body.substr(2);
      return true;
    }
  }
  const Lines k = Tokens(body);
  const auto is = [&](std::initializer_list<const char*> shape) {
    if (k.size() != shape.size()) return false;
    std::size_t i = 0;
    for (const char* word : shape) {
      const bool number = k[i].front() == '-' || std::isdigit(static_cast<unsigned char>(k[i].front()));
      if (word[0] == '#' ? !number : k[i] != word) return false;
      ++i;
    }
    return true;
  };
  if (is({"TO", "#", "B", "#", "T", "#"})) {
    t["TO " + k[1]] = k[3] + "/" + k[5];
  } else if (is({"BO", "#", "L", "#"}) || is({"BO", "#", "R", "#"})) {
    t["BO " + k[1]] = k[2] + k[3];
  } else if (is({"RPO", "#", "I", "#"})) {
    t["R " + k[1] + " " + k[3]] = "R";
  } else if (is({"G", "#", "AO", "#"})) {
    t["G " + k[1] + " " + k[3]] = "G";
  } else if (is({"F", "#", "AO", "#", "I", "#"}) || is({"F", "#", "AO", "#", "AI", "#"}) ||
             is({"F", "#", "AO", "#", "VI", "#"})) {
    t["F " + k[1] + " " + k[3] + " " + k[5]] = k[4];
  } else if (is({"VO", "#", "R", "#"}) || is({"EO", "#", "B", "#", "L", "#"}) || is({"EO", "#", "M", "#"}) ||
             is({"EO", "#", "P", "#"}) || is({"EO", "#", "LP", "#"}) || is({"FPL", "#"}) ||
             is({"IRL", "#"}) || is({"SD", "#"}) || is({"DHCP", "#"})) {
    std::string key;
    for (std::size_t i = 0; i + 1 < k.size(); ++i) key += k[i] + " ";
    t[key] = k.back();
  } else {
    return false;
  }
  return true;
}

UnitTable Applied(UnitTable t, const Lines& lines) {
  for (const std::string& line : lines)
    if (!line.empty() && !Apply(t, line)) throw std::runtime_error("line not understood: " + line);
  return t;
}

// Random configurations and edits, the same on every run.
class Generator {
 public:
  explicit Generator(std::uint32_t seed) : random_(seed) {}

  int Int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  bool Chance(int percent) { return Int(1, 100) <= percent; }
  std::int8_t Small(int low, int high) { return static_cast<std::int8_t>(Int(low, high)); }

  std::string Name() {
    static const std::string bytes = "AaZz09 _-\"]\xC4\xE9\xFF";
    std::string name(static_cast<std::size_t>(Int(0, 18)), ' ');
    for (char& c : name) c = bytes[static_cast<std::size_t>(Int(0, static_cast<int>(bytes.size()) - 1))];
    return name;
  }

  UnitConfiguration Configuration(bool fullSize) {
    UnitConfiguration u = fullSize ? Configured(kSources, kZones) : Configured(Int(1, kSources), Int(0, 24));
    const int edits = fullSize ? 400 : Int(0, 60);
    for (int i = 0; i < edits; ++i) Edit(u);
    return u;
  }

  // One edit of any kind, anywhere in the tables (beyond the counts too).
  void Edit(UnitConfiguration& u) {
    const int z = Int(1, kZones), s = Int(1, kSources), f = Int(1, kFavorites), g = Int(1, kGroups);
    ZoneAudioRec& a = u.ZoneAudio[Int(1, std::max(1, std::min(u.ZoneCount, kZones)))];
    static const char* const kMarks[] = {"", "R", "G", "C", "A", "V", "X", "r"};
    switch (Int(0, 19)) {
      case 0:
        u.ZoneNames[z] = Name();
        break;
      case 1:
        u.SourceNames[s] = Name();
        break;
      case 2:
        u.FavoriteNames[f] = Name();
        break;
      case 3:
        u.GroupNames[g] = Name();
        break;
      case 4:
        a.EQUsed = a.EQUsed ? 0 : 1;
        break;
      case 5:
        a.DSPMode = Small(-1, 5);
        break;
      case 6:
        for (int b = 1; b <= kBands; ++b) a.Band[b] = Small(-12, 12);
        break;
      case 7:
        a.Band[Int(1, kBands)] = Small(-12, 12);
        break;
      case 8:
        a.Volume = Small(-80, 0);
        a.Balance = Small(-10, 10);
        break;
      case 9:
        a.Bass = Small(-10, 10);
        a.Treble = Small(-10, 10);
        a.SystemEQ = Small(0, 10);
        break;
      case 10:
        a.Lowpass = Int(-1, 300);
        break;
      case 11:
        u.FavoriteStore.Cell(f, s, z).Set(kMarks[Int(0, 7)]);
        break;
      case 12:
        u.FavoriteStore.Cell(f, s, Int(1, 3)).Set(kMarks[Int(0, 5)]);
        break;
      case 13:
        u.RestrictionMark(Int(1, 4), s) = kMarks[Int(0, 2)];
        break;
      case 14:
        u.RestrictionMark(z, s) = kMarks[Int(0, 7)];
        break;
      case 15:
        u.GroupMark(Int(1, 4), g) = kMarks[Int(0, 2)];
        break;
      case 16:
        u.GroupMark(z, g) = kMarks[Int(0, 7)];
        break;
      case 17:
        u.Options.DisplayLevel = Int(0, 3);
        u.Options.FrontPanelLock = Chance(50);
        break;
      case 18:
        u.Options.IRLockout = Chance(50);
        u.Options.DHCPEnabled = Chance(50);
        break;
      default:
        (Chance(50)   ? u.Options.IPAddress
         : Chance(50) ? u.Options.Netmask
                      : u.Options.Gateway) =
            std::to_string(Int(0, 255)) + ".0.0." + std::to_string(Int(0, 255));
    }
  }

 private:
  std::mt19937 random_;
};

Lines NonEmpty(const Lines& lines) {
  Lines out;
  for (const std::string& line : lines)
    if (!line.empty()) out.push_back(line);
  return out;
}

}  // namespace

class TestChangeSet : public QObject {
  Q_OBJECT

 private slots:
  void holdsTheChangedPieces_data() {
    QTest::addColumn<std::function<void(UnitConfiguration&)>>("edit");
    QTest::addColumn<Lines>("expected");
    using E = std::function<void(UnitConfiguration&)>;
    QTest::newRow("nothing") << E([](UnitConfiguration&) {}) << Lines{};
    QTest::newRow("edit undone") << E([](UnitConfiguration& u) {
      u.ZoneNames[1] = "Den";
      u.ZoneNames[1].clear();
    }) << Lines{};
    QTest::newRow("display level") << E([](UnitConfiguration& u) { u.Options.DisplayLevel = 2; })
                                   << Lines{"[SD2]", "[EC]"};
    QTest::newRow("source name") << E([](UnitConfiguration& u) { u.SourceNames[2] = "Cable"; })
                                 << Lines{"[NI2\"Cable\"]", "[EC]"};
    QTest::newRow("an empty name is written as a blank")
        << E([](UnitConfiguration& u) { u.SourceNames[1] = " "; }) << Lines{};
    QTest::newRow("zone name only") << E([](UnitConfiguration& u) { u.ZoneNames[2] = "Kitchen"; })
                                    << Lines{"[NO2\"Kitchen\"]", "[EC]"};
    QTest::newRow("one band: the zone's audio whole")
        << E([](UnitConfiguration& u) { u.ZoneAudio[2].Band[3] = 4; }) << With(EqLinesOfZone2(4), {"[EC]"});
    QTest::newRow("name and audio, in export order") << E([](UnitConfiguration& u) {
      u.ZoneAudio[2].Band[3] = -2;
      u.ZoneNames[2] = "Den";
      u.ZoneNames[3] = "Hall";
    }) << With(With({"[NO2\"Den\"]"}, EqLinesOfZone2(-2)), {"[NO3\"Hall\"]", "[EC]"});
    QTest::newRow("a value the mode does not write")
        << E([](UnitConfiguration& u) { u.ZoneAudio[2].Lowpass = 80; }) << Lines{};
    QTest::newRow("audio of a zone without EQ")
        << E([](UnitConfiguration& u) { u.ZoneAudio[1].Volume = -5; }) << Lines{};
    QTest::newRow("restriction added: the block whole")
        << E([](UnitConfiguration& u) { u.RestrictionMark(3, 1) = "R"; })
        << Lines{"[RAR]", "[RPO1I2]", "[RPO3I1]", "[EC]"};
    QTest::newRow("last restriction cleared: the opening line")
        << E([](UnitConfiguration& u) { u.RestrictionMark(1, 2).clear(); }) << Lines{"[RAR]", "[EC]"};
    QTest::newRow("group member") << E([](UnitConfiguration& u) { u.GroupMark(1, 2) = "G"; })
                                  << Lines{"[GAR]", "[G2AO1]", "[G1AO3]", "[EC]"};
    QTest::newRow("favorite cell") << E([](UnitConfiguration& u) { u.FavoriteStore.Cell(1, 1, 1).Set("A"); })
                                   << Lines{"[FAR]", "[F1AO1AI1]", "[EC]"};
    QTest::newRow("favorite cell beyond the counts") << E([](UnitConfiguration& u) {
      u.FavoriteStore.Cell(1, 3, 1).Set("C");
      u.FavoriteStore.Cell(2, 1, 4).Set("X");
    }) << Lines{};
    QTest::newRow("favorite and group names") << E([](UnitConfiguration& u) {
      u.GroupNames[1] = "Up";
      u.FavoriteNames[10] = "Jazz";
    }) << Lines{"[NF10\"Jazz\"]", "[NG1\"Up\"]", "[EC]"};
    QTest::newRow("network lines whole")
        << E([](UnitConfiguration& u) { u.Options.Gateway = "10.0.0.1"; })
        << Lines{"[DHCP0]", "[IPIPAddress]", "[NMNetmask]", "[GW10.0.0.1]", "[EC]"};
    QTest::newRow("DHCP on") << E([](UnitConfiguration& u) { u.Options.DHCPEnabled = true; })
                             << Lines{"[DHCP1]", "[EC]"};
    QTest::newRow("an option and a table, in export order") << E([](UnitConfiguration& u) {
      u.GroupMark(3, 1).clear();
      u.Options.IRLockout = true;
    }) << Lines{"[IRL1]", "[GAR]", "[EC]"};
  }
  void holdsTheChangedPieces() {
    QFETCH(std::function<void(UnitConfiguration&)>, edit);
    QFETCH(Lines, expected);
    UnitConfiguration next = Base();
    edit(next);
    QVERIFY(ChangesCanBeSent(Base(), next));
    QCOMPARE(BuildChangedCommands(Base(), next), expected);
  }

  void countsMustMatch_data() {
    QTest::addColumn<int>("sources");
    QTest::addColumn<int>("zones");
    QTest::addColumn<bool>("can");
    QTest::newRow("same") << 2 << 3 << true;
    QTest::newRow("a source more") << 3 << 3 << false;
    QTest::newRow("a zone fewer") << 2 << 2 << false;
    QTest::newRow("no configuration") << -1 << 3 << false;
  }
  void countsMustMatch() {
    QFETCH(int, sources);
    QFETCH(int, zones);
    QFETCH(bool, can);
    const UnitConfiguration other = Configured(sources, zones);
    QCOMPARE(ChangesCanBeSent(Base(), other), can);
    QCOMPARE(ChangesCanBeSent(other, Base()), can);
  }

  // The parser of the property below knows every line an export writes.
  void theTableTakesEveryExportedLine() {
    Generator gen(7);
    const UnitConfiguration u = gen.Configuration(true);
    UnitTable t;
    for (const std::string& line : NonEmpty(BuildCommandSequence(u))) QVERIFY2(Apply(t, line), line.c_str());
    QVERIFY(!Apply(t, "[VO1]"));
    QVERIFY(!Apply(t, "[XY1Z2]"));
  }

  // A unit that held `base` and is sent only the changes holds what it would
  // after the full export of `next`.
  void changesLeaveTheUnitAsAFullExport() {
    Generator gen(20240611);
    int sentLess = 0;
    for (int round = 0; round < 200; ++round) {
      const UnitConfiguration base = gen.Configuration(round % 25 == 0);
      UnitConfiguration next = base;
      const int edits = gen.Int(0, 8);
      for (int i = 0; i < edits; ++i) gen.Edit(next);
      const Lines full = BuildCommandSequence(next);
      const Lines changes = BuildChangedCommands(base, next);
      const UnitTable t0 = Applied({}, BuildCommandSequence(base));
      const std::string where = "round " + std::to_string(round);
      const UnitTable afterFull = Applied(t0, full);
      QVERIFY2(afterFull == Applied(t0, changes), where.c_str());
      // Nothing is sent when the exports are the same, and only when the
      // full export would change nothing either (a zone whose audio is no
      // longer written keeps it); otherwise in the export's order and closed
      // as an export is.
      if (full == BuildCommandSequence(base)) QVERIFY2(changes.empty(), where.c_str());
      if (changes.empty()) QVERIFY2(afterFull == t0, where.c_str());
      const Lines sent = NonEmpty(full);
      auto at = sent.begin();
      for (const std::string& line : changes) at = std::find(at, sent.end(), line);
      QVERIFY2(changes.empty() || at != sent.end(), where.c_str());
      if (!changes.empty()) QCOMPARE(changes.back(), std::string("[EC]"));
      if (!changes.empty() && changes.size() < sent.size()) ++sentLess;
    }
    QVERIFY(sentLess > 100);  // most edits touch a few pieces, not all
  }
};

QTEST_APPLESS_MAIN(TestChangeSet)
#include "test_change_set.moc"
