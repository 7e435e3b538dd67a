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
using Edit = std::function<void(UnitConfiguration&)>;

UnitConfiguration Configured(int sources, int zones) {
  ConfigModel m;
  TextLog receivedText, messageLog;
  ResetModel(m, receivedText, messageLog);
  m.unit.SourceCount = sources;
  m.unit.ZoneCount = zones;
  return m.unit;
}

// Two sources, three zones: zone 2 has bass and treble, zone 1 source 2 is
// restricted, zone 3 is in group 1, favorite 1 connects zone 1 to source 1.
UnitConfiguration Base() {
  UnitConfiguration u = Configured(2, 3);
  u.ZoneAudio[2].EQUsed = 1;
  u.ZoneAudio[2].DSPMode = 3;
  u.RestrictionMark(1, 2) = "R";
  u.GroupMark(3, 1) = "G";
  u.FavoriteStore.Cell(1, 1, 1).Set("C");
  return u;
}

// What a unit holds: the last value set per command key, read by a parser
// of its own. "[RAR]", "[GAR]" and "[FAR]" empty their tables.
using UnitTable = std::map<std::string, std::string>;

// Forms by their shape (letters, '#' for a number) and how many of their
// pieces make the key; the rest is the value.
const std::map<std::string, std::size_t> kKeyPieces = {
    {"VO#R#", 3},  {"EO#B#L#", 5}, {"EO#M#", 3},   {"EO#P#", 3},    {"EO#LP#", 3},  {"TO#B#T#", 2},
    {"BO#L#", 2},  {"BO#R#", 2},   {"FPL#", 1},    {"IRL#", 1},     {"SD#", 1},     {"DHCP#", 1},
    {"RPO#I#", 4}, {"G#AO#", 4},   {"F#AO#I#", 4}, {"F#AO#AI#", 4}, {"F#AO#VI#", 4}};

bool Apply(UnitTable& t, const std::string& line) {
  if (line.size() < 3 || line.front() != '[' || line.back() != ']') return false;
  const std::string body = line.substr(1, line.size() - 2);
  if (body == "RAR" || body == "GAR" || body == "FAR") {
    const std::string table = body == "RAR" ? "RPO" : body.substr(0, 1);
    std::erase_if(t, [&](const auto& entry) { return entry.first.rfind(table + " ", 0) == 0; });
    return true;
  }
  const std::size_t quote = body.find('"');
  if (body[0] == 'N' && quote != std::string::npos && quote + 1 < body.size() && body.back() == '"') {
    t[body.substr(0, quote)] = body.substr(quote + 1, body.size() - quote - 2);
    return true;
  }
  for (const char* text : {"IP", "NM", "GW"}) {
    if (body.rfind(text, 0) == 0) {
      t[text] = body.substr(2);
      return true;
    }
  }
  if (body == "EC") return true;
  // Letters and (signed) numbers: "VO12R-5" is VO 12 R -5.
  Lines pieces;
  std::string shape;
  for (std::size_t at = 0; at < body.size();) {
    const bool number = body[at] == '-' || std::isdigit(static_cast<unsigned char>(body[at]));
    std::size_t end = at + 1;
    while (end < body.size() && (std::isdigit(static_cast<unsigned char>(body[end])) != 0) == number &&
           (number || std::isalpha(static_cast<unsigned char>(body[end]))))
      ++end;
    pieces.push_back(body.substr(at, end - at));
    shape += number ? std::string("#") : pieces.back();
    at = end;
  }
  const auto form = kKeyPieces.find(shape);
  if (form == kKeyPieces.end()) return false;
  std::string key, value = "set";
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const bool inKey = i < form->second || (shape[0] == 'F' && i == 5);  // a favorite's source
    (inKey ? key : value) += (inKey ? " " : "") + pieces[i];
  }
  t[key.substr(1)] = value;
  return true;
}

// The table after `lines`; a line the parser does not know fails the test.
UnitTable Applied(UnitTable t, const Lines& lines) {
  for (const std::string& line : lines)
    if (!line.empty() && !Apply(t, line)) throw std::runtime_error("line not understood: " + line);
  return t;
}

// Random configurations and edits of every kind, the same on every run.
class Generator {
 public:
  explicit Generator(std::uint32_t seed) : random_(seed) {}
  int Int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  std::int8_t Small(int low, int high) { return static_cast<std::int8_t>(Int(low, high)); }

  UnitConfiguration Configuration(bool fullSize) {
    UnitConfiguration u = fullSize ? Configured(kSources, kZones) : Configured(Int(1, kSources), Int(0, 12));
    for (int i = fullSize ? 400 : Int(0, 60); i > 0; --i) Change(u);
    return u;
  }

  // One edit anywhere in the tables, beyond the counts too.
  void Change(UnitConfiguration& u) {
    // Half the time among the first entries, which the counts always hold.
    const bool first = Int(0, 1) == 1;
    const int z = Int(1, first ? 2 : kZones), s = Int(1, first ? 1 : kSources),
              n = Int(1, first ? 2 : kGroups);
    ZoneAudioRec& a = u.ZoneAudio[Int(1, std::max(1, std::min(u.ZoneCount, kZones)))];
    static const char* const kMarks[] = {"", "R", "G", "C", "A", "V", "X", "r"};
    std::string name(static_cast<std::size_t>(Int(0, 18)), 'a');
    for (char& c : name) c = "AZ09 _-\"]\xC4\xE9\xFF"[Int(0, 12)];
    const std::function<void()> kinds[] = {
        [&] { (Int(0, 1) ? u.ZoneNames[z] : u.SourceNames[s]) = name; },
        [&] { (Int(0, 1) ? u.FavoriteNames[n] : u.GroupNames[n]) = name; },
        [&] { a.EQUsed = a.EQUsed ? 0 : 1, a.DSPMode = Small(-1, 5); },
        [&] { a.Band[Int(1, kBands)] = Small(-12, 12), a.Volume = Small(-80, 0); },
        [&] { a.Bass = Small(-10, 10), a.Treble = Small(-10, 10), a.Balance = Small(-10, 10); },
        [&] { a.SystemEQ = Small(0, 10), a.Lowpass = Int(-1, 300); },
        [&] { u.FavoriteStore.Cell(n, s, z).Set(kMarks[Int(0, 7)]); },
        [&] { u.RestrictionMark(z, s) = kMarks[Int(0, 2)]; },
        [&] { u.GroupMark(z, n) = kMarks[Int(0, 2)]; },
        [&] { u.Options.DisplayLevel = Int(0, 3), u.Options.FrontPanelLock = Int(0, 1); },
        [&] { u.Options.IRLockout = Int(0, 1), u.Options.DHCPEnabled = Int(0, 1); },
        [&] {
          (Int(0, 1) ? u.Options.IPAddress : u.Options.Gateway) = "10.0.0." + std::to_string(Int(0, 9));
        },
    };
    kinds[Int(0, 11)]();
  }

 private:
  std::mt19937 random_;
};

}  // namespace

class TestChangeSet : public QObject {
  Q_OBJECT

 private slots:
  void holdsTheChangedPieces_data() {
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<Lines>("expected");
    using U = UnitConfiguration;
    QTest::newRow("nothing") << Edit([](U&) {}) << Lines{};
    QTest::newRow("an option") << Edit([](U& u) { u.Options.DisplayLevel = 2; }) << Lines{"[SD2]", "[EC]"};
    QTest::newRow("a zone's name only")
        << Edit([](U& u) { u.ZoneNames[2] = "Den"; }) << Lines{"[NO2\"Den\"]", "[EC]"};
    QTest::newRow("a zone's audio whole, in export order") << Edit([](U& u) {
      u.ZoneNames[3] = "Hall";
      u.ZoneAudio[2].Bass = 4;
      u.Options.IRLockout = true;
    }) << Lines{"[IRL1]", "[VO2R0]", "[EO2M3]", "[BO2R0]", "[TO2B-4T0]", "[NO3\"Hall\"]", "[EC]"};
    QTest::newRow("a value the mode does not write")
        << Edit([](U& u) { u.ZoneAudio[2].Lowpass = 80; }) << Lines{};
    QTest::newRow("a restriction added: the block whole") << Edit([](U& u) { u.RestrictionMark(3, 1) = "R"; })
                                                          << Lines{"[RAR]", "[RPO1I2]", "[RPO3I1]", "[EC]"};
    QTest::newRow("the last group member gone: the opening line")
        << Edit([](U& u) { u.GroupMark(3, 1).clear(); }) << Lines{"[GAR]", "[EC]"};
    QTest::newRow("a favorite cell beyond the counts")
        << Edit([](U& u) { u.FavoriteStore.Cell(1, 3, 1).Set("C"); }) << Lines{};
    QTest::newRow("the network lines whole")
        << Edit([](U& u) { u.Options.Gateway = "10.0.0.1"; })
        << Lines{"[DHCP0]", "[IPIPAddress]", "[NMNetmask]", "[GW10.0.0.1]", "[EC]"};
  }
  void holdsTheChangedPieces() {
    QFETCH(Edit, edit);
    QFETCH(Lines, expected);
    UnitConfiguration next = Base();
    edit(next);
    QCOMPARE(BuildChangedCommands(Base(), next), expected);
  }

  void countsMustMatch() {
    QVERIFY(ChangesCanBeSent(Base(), Configured(2, 3)));
    QVERIFY(!ChangesCanBeSent(Base(), Configured(3, 3)));
    QVERIFY(!ChangesCanBeSent(Configured(2, 2), Base()));
    QVERIFY(!ChangesCanBeSent(Configured(-1, 3), Configured(-1, 3)));
  }

  // A unit that held `base` and is sent only the changes holds what the
  // full export of `next` would have left it with.
  void changesLeaveTheUnitAsAFullExport() {
    Generator gen(20240611);
    for (int round = 0; round < 200; ++round) {
      const UnitConfiguration base = gen.Configuration(round % 25 == 0);
      UnitConfiguration next = base;
      for (int i = gen.Int(0, 8); i > 0; --i) gen.Change(next);
      const Lines full = BuildCommandSequence(next);
      const Lines changes = BuildChangedCommands(base, next);
      const UnitTable t0 = Applied({}, BuildCommandSequence(base));
      const UnitTable afterFull = Applied(t0, full);
      const QByteArray where = "round " + QByteArray::number(round);
      QVERIFY2(afterFull == Applied(t0, changes), where.constData());
      // Nothing is sent when the exports are the same, and only when the full
      // export would change nothing either (a zone whose audio is no longer
      // written keeps it); otherwise in the export's order, "[EC]" last.
      if (full == BuildCommandSequence(base)) QVERIFY2(changes.empty(), where.constData());
      if (changes.empty()) QVERIFY2(afterFull == t0, where.constData());
      auto at = full.begin();
      for (const std::string& line : changes) at = std::find(at, full.end(), line);
      QVERIFY2(changes.empty() || (at != full.end() && changes.back() == "[EC]"), where.constData());
    }
  }
};

QTEST_APPLESS_MAIN(TestChangeSet)
#include "test_change_set.moc"
