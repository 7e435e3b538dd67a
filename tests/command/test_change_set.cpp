// The change set: which lines it holds, and that a unit given only them
// ends up holding what a full export would have left it with.
#include <QtTest>
#include <algorithm>
#include <map>
#include <random>
#include <regex>

#include "command/change_set.h"
#include "command/command_writer.h"
#include "support/configured_model.h"

using namespace zem;

namespace {

using Lines = std::vector<std::string>;
using Edit = std::function<void(UnitConfiguration&)>;

UnitConfiguration ConfiguredUnit(int sources, int zones) { return test::Configured(sources, zones).unit; }

// Two sources, three zones: zone 2 has bass and treble, zone 1 source 2 is
// restricted, zone 3 is in group 1, favorite 1 connects zone 1 to source 1.
UnitConfiguration Base() {
  UnitConfiguration u = ConfiguredUnit(2, 3);
  u.ZoneAudio[2].EQUsed = 1;
  u.ZoneAudio[2].DSPMode = 3;
  u.RestrictionMark(1, 2) = "R";
  u.GroupMark(3, 1) = "G";
  u.FavoriteStore.Cell(1, 1, 1) = Route::Combined;
  return u;
}

// What a unit holds: the last value set per command key, read by a parser of
// its own. A line is a key, its value and maybe more of the key: "[VO2R-5]"
// sets VO2 to R-5, "[F1AO2VI3]" sets F1AO2/3 to VI. "[RAR]", "[GAR]" and
// "[FAR]" empty the restriction, group and favorite tables.
using UnitTable = std::map<std::string, std::string>;

UnitTable Applied(UnitTable t, const Lines& lines) {
  static const std::regex kLine(
      R"(\[(VO\d+|TO\d+|BO\d+|EO\d+B\d+L|EO\d+(?:M|P|LP)|FPL|IRL|SD|DHCP|IP|NM|GW|N[IOFG]\d+)(.*)\])"
      R"(|\[(RPO\d+I\d+|G\d+AO\d+|F\d+AO\d+)(A?I|VI|)(\d*)\])");
  std::smatch m;
  for (const std::string& line : lines) {
    if (line.empty() || line == "[EC]") continue;
    if (line == "[RAR]" || line == "[GAR]" || line == "[FAR]") {
      std::erase_if(t, [&](const auto& entry) { return entry.first.starts_with(line.substr(1, 3)); });
    } else if (std::regex_match(line, m, kLine)) {
      const std::string table = m[3].matched ? m.str(3).substr(0, 1) + "AR " : "";  // "RAR RPO1I2/"
      t[table + m.str(1) + m.str(3) + "/" + m.str(5)] = m.str(2) + m.str(4);
    } else {
      throw std::runtime_error("line not understood: " + line);  // fails the test
    }
  }
  return t;
}

// Random configurations and edits on every page, the same on every run.
struct Generator {
  std::mt19937 random;
  int Int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

  // One edit anywhere in the tables, beyond the counts too; half the time
  // among the first entries, which the counts always hold.
  void Change(UnitConfiguration& u) {
    const bool first = Int(0, 1) == 1;
    const int z = Int(1, first ? 2 : kZones), s = Int(1, first ? 1 : kSources),
              n = Int(1, first ? 2 : kGroups);
    ZoneAudioRec& a = u.ZoneAudio[Int(1, std::clamp(u.ZoneCount, 1, kZones))];
    static const char* const kMarks[] = {"", "R", "G", "C", "A", "V", "X", "r"};
    static const Route kStored[] = {Route::None, Route::Restricted, Route::Combined, Route::Audio,
                                    Route::Video};
    std::string name(static_cast<std::size_t>(Int(0, 18)), 'a');
    for (char& c : name) c = "AZ09 _-\"]\xC4\xE9\xFF"[Int(0, 12)];
    const std::function<void()> kinds[] = {
        [&] { (Int(0, 1) ? u.ZoneNames[z] : u.SourceNames[s]) = name; },
        [&] { (Int(0, 1) ? u.FavoriteNames[n] : u.GroupNames[n]) = name; },
        [&] { a.EQUsed = !a.EQUsed, a.DSPMode = Int(-1, 5), a.Volume = Int(-80, 0); },
        [&] { a.Band[Int(1, kBands)] = Int(-12, 12), a.SystemEQ = Int(0, 10), a.Lowpass = Int(-1, 300); },
        [&] { a.Bass = Int(-10, 10), a.Treble = Int(-10, 10), a.Balance = Int(-10, 10); },
        [&] { u.FavoriteStore.Cell(n, s, z) = kStored[Int(0, 4)]; },
        [&] { u.RestrictionMark(z, s) = kMarks[Int(0, 2)], u.GroupMark(z, n) = kMarks[Int(0, 2)]; },
        [&] { u.Options.DisplayLevel = Int(0, 3), u.Options.FrontPanelLock = Int(0, 1); },
        [&] { u.Options.IRLockout = Int(0, 1); },
        [&] { u.Options.DHCPEnabled = Int(0, 1), u.Options.Gateway = "10.0.0." + std::to_string(Int(0, 9)); },
    };
    kinds[Int(0, static_cast<int>(std::size(kinds)) - 1)]();
  }

  // One entry added to a table where it had none, or one audio value moved:
  // the edits that send single lines.
  void Add(UnitConfiguration& u) {
    const int z = Int(1, std::clamp(u.ZoneCount, 1, kZones)),
              s = Int(1, std::clamp(u.SourceCount, 1, kSources));
    const int n = Int(1, kGroups);
    static const Route kRoutes[] = {Route::Combined, Route::Audio, Route::Video};
    Route& cell = u.FavoriteStore.Cell(n, s, z);
    const std::function<void()> kinds[] = {
        [&] { u.RestrictionMark(z, s) = "R"; },
        [&] { u.GroupMark(z, n) = "G"; },
        [&] {
          if (!RouteLetter(cell)) cell = kRoutes[Int(0, 2)];
        },
        [&] { u.ZoneAudio[z].Volume = Int(-80, 0), u.ZoneAudio[z].Band[Int(1, kBands)] = Int(-12, 12); },
    };
    kinds[Int(0, static_cast<int>(std::size(kinds)) - 1)]();
  }
};

}  // namespace

class TestChangeSet : public QObject {
  Q_OBJECT

 private slots:
  void holdsTheChangedPieces_data() {
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<Lines>("expected");
    using U = UnitConfiguration;
    QTest::newRow("a zone's name only")
        << Edit([](U& u) { u.ZoneNames[2] = "Den"; }) << Lines{"[NO2\"Den\"]", "[EC]"};
    QTest::newRow("an option, a zone's changed audio line, in export order") << Edit([](U& u) {
      u.ZoneNames[3] = "Hall";
      u.ZoneAudio[2].Bass = 4;
      u.Options.IRLockout = true;
    }) << Lines{"[IRL1]", "[TO2B-4T0]", "[NO3\"Hall\"]", "[EC]"};
    QTest::newRow("one volume step: its line alone")
        << Edit([](U& u) { u.ZoneAudio[2].Volume = -1; }) << Lines{"[VO2R-1]", "[EC]"};
    QTest::newRow("a DSP mode change: the zone's audio whole")
        << Edit([](U& u) { u.ZoneAudio[2].DSPMode = 4; })
        << Lines{"[VO2R0]", "[EO2M4]", "[BO2R0]", "[EO2LP-1]", "[EC]"};
    QTest::newRow("a restriction added: its line alone")
        << Edit([](U& u) { u.RestrictionMark(3, 1) = "R"; }) << Lines{"[RPO3I1]", "[EC]"};
    QTest::newRow("a restriction removed: the block whole")
        << Edit([](U& u) { u.RestrictionMark(1, 2).clear(); }) << Lines{"[RAR]", "[EC]"};
    QTest::newRow("a favorite cell added: its line alone")
        << Edit([](U& u) { u.FavoriteStore.Cell(2, 2, 3) = Route::Audio; }) << Lines{"[F2AO3AI2]", "[EC]"};
    QTest::newRow("a favorite re-routed: the block whole") << Edit([](U& u) {
      u.FavoriteStore.Cell(1, 1, 1) = Route::None;
      u.FavoriteStore.Cell(1, 2, 1) = Route::Combined;
    }) << Lines{"[FAR]", "[F1AO1I2]", "[EC]"};
    QTest::newRow("a group member added beside one")
        << Edit([](U& u) { u.GroupMark(1, 1) = "G"; }) << Lines{"[G1AO1]", "[EC]"};
    QTest::newRow("the last group member gone: the opening line")
        << Edit([](U& u) { u.GroupMark(3, 1).clear(); }) << Lines{"[GAR]", "[EC]"};
    QTest::newRow("the network lines whole")
        << Edit([](U& u) { u.Options.Gateway = "10.0.0.1"; })
        << Lines{"[DHCP0]", "[IPIPAddress]", "[NMNetmask]", "[GW10.0.0.1]", "[EC]"};
  }
  void holdsTheChangedPieces() {
    QFETCH(Edit, edit);
    QFETCH(Lines, expected);
    UnitConfiguration next = Base();
    edit(next);
    // Joined, so that a failure shows the lines.
    const auto joined = [](const Lines& lines) {
      QString text;
      for (const std::string& line : lines) text += QString::fromLatin1(line) + ' ';
      return text;
    };
    QCOMPARE(joined(BuildChangedCommands(Base(), next)), joined(expected));
  }

  void countsMustMatch() {
    QVERIFY(ChangesCanBeSent(Base(), ConfiguredUnit(2, 3)));
    QVERIFY(!ChangesCanBeSent(Base(), ConfiguredUnit(3, 3)));
    QVERIFY(!ChangesCanBeSent(ConfiguredUnit(2, 2), Base()));
    QVERIFY(!ChangesCanBeSent(ConfiguredUnit(-1, 3), ConfiguredUnit(-1, 3)));
  }

  // A unit that held `base` (some full size) and is sent only the changes
  // holds what the full export of `next` would have left it with; and
  // nothing is sent when the exports are the same, otherwise in the
  // export's order, "[EC]" last. A third of the rounds only add entries and
  // move audio values: those never send an opening line.
  void changesLeaveTheUnitAsAFullExport() {
    Generator gen{std::mt19937(20240611)};
    for (int round = 0; round < 200; ++round) {
      const bool big = round % 25 == 0;
      UnitConfiguration base =
          big ? ConfiguredUnit(kSources, kZones) : ConfiguredUnit(gen.Int(1, kSources), gen.Int(0, 12));
      for (int i = big ? 400 : gen.Int(0, 60); i > 0; --i) gen.Change(base);
      UnitConfiguration next = base;
      const bool additions = round % 3 == 1;
      for (int i = gen.Int(0, 8); i > 0; --i) additions ? gen.Add(next) : gen.Change(next);
      const Lines before = BuildCommandSequence(base), full = BuildCommandSequence(next);
      const Lines changes = BuildChangedCommands(base, next);
      const UnitTable t0 = Applied({}, before), afterFull = Applied(t0, full);
      const QByteArray where = "round " + QByteArray::number(round);
      QVERIFY2(afterFull == Applied(t0, changes), where.constData());
      if (full == before) QVERIFY2(changes.empty(), where.constData());
      auto at = full.begin();
      for (const std::string& line : changes) at = std::find(at, full.end(), line);
      QVERIFY2(changes.empty() || (at != full.end() && changes.back() == "[EC]"), where.constData());
      const bool opens = std::ranges::any_of(changes, [](const std::string& line) {
        return line == "[RAR]" || line == "[GAR]" || line == "[FAR]";
      });
      QVERIFY2(!additions || !opens, where.constData());
    }
  }
};

QTEST_APPLESS_MAIN(TestChangeSet)
#include "test_change_set.moc"
