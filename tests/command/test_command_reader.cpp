#include <QtTest>

#include <random>
#include <string>
#include <vector>

#include "command/command_matcher.h"
#include "command/command_reader.h"
#include "command/command_table.h"
#include "tests/command/regex_reader.h"

using namespace zem;
using namespace std::string_literals;
using Lines = std::vector<std::string>;

namespace {

// A model after a reset, as an import starts, and the lines each read logs.
struct Reader {
  ConfigModel m;
  TextLog messageLog;
  Reader() {
    TextLog receivedText;
    ResetModel(m, receivedText, messageLog);
  }
  Lines Read(std::string_view line) {
    const std::size_t before = messageLog.LineCount();
    ReadCommand(m, messageLog, line);
    Lines all = messageLog.Lines();
    return Lines(all.begin() + static_cast<long>(before), all.end());
  }
};

Lines Failed(const std::string& line, Lines logged = {}) {
  logged.push_back("Error parsing: " + line);
  logged.push_back("Didn't Handle: " + line);
  return logged;
}

// Lines made of every form of the table, mixed with pieces, any bytes, small
// edits and lower case: command lines and near misses of all kinds.
Lines MixedLines(int count, unsigned seed) {
  // Every form of the table, with '#' for a number (signed or not) and '$'
  // for free text.
  static const std::vector<std::string> kCommands = [] {
    std::vector<std::string> commands;
    for (const CommandEntry& entry : kCommandTable) {
      std::string command;
      ForEachToken(entry.pattern, [&](PatternToken token) {
        command += token.part == PatternPart::Literal ? token.byte
                   : token.part == PatternPart::Text  ? '$'
                                                      : '#';
      });
      commands.push_back(command);
    }
    return commands;
  }();
  static const char* const kPieces[] = {"[",  "]",  "(",  ")",  "\"", "\"]", "-",    "VO", "EO",
                                        "NO", "AO", "LP", "\r", "\n", " ",   "\xff", "\0"};
  std::mt19937 random(seed);
  auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
  auto number = [&] {
    std::string n = pick(4) == 0 ? "-" : "";
    const std::size_t digits = 1 + (pick(8) == 0 ? pick(14) : pick(3));
    for (std::size_t d = 0; d < digits; ++d) n += static_cast<char>('0' + pick(10));
    return n;
  };
  auto text = [&] {
    std::string t;
    for (std::size_t k = pick(6); k > 0; --k) t += pick(3) == 0 ? kPieces[pick(std::size(kPieces))] : "ab";
    return t;
  };
  Lines lines;
  for (int i = 0; i < count; ++i) {
    std::string line;
    for (std::size_t parts = 1 + pick(4); parts > 0; --parts) {
      const std::size_t kind = pick(4);
      if (kind < 2) {
        for (char c : kCommands[pick(kCommands.size())])
          line += c == '#' ? number() : c == '$' ? text() : std::string(1, c);
      } else if (kind == 2) {
        line += kPieces[pick(std::size(kPieces))];
      } else {
        line += static_cast<char>(pick(256));
      }
    }
    for (std::size_t edits = pick(3); edits > 0 && !line.empty(); --edits) {
      const std::size_t at = pick(line.size());
      const char byte = static_cast<char>(pick(256));
      const std::size_t how = pick(3);
      if (how == 0) line[at] = byte;
      if (how == 1) line.erase(at, 1);
      if (how == 2) line.insert(at, 1, byte);
    }
    for (char& ch : line)
      if (pick(4) == 0) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

class TestCommandReader : public QObject {
  Q_OBJECT

 private slots:
  void zoneAudioForms() {
    Reader r;
    QCOMPARE(r.Read("[VO12R-20]"), Lines{"Zone: 12 Volume: -20"});
    QCOMPARE(r.m.unit.ZoneAudio[12].Volume, -20);
    QCOMPARE(r.m.unit.ZoneAudio[12].EQUsed, 0);  // volume alone does not count as EQ
    QCOMPARE(r.Read("[EO3B5L-2]"), Lines{"Zone: 3 EQ: 5 Level: -2"});
    QCOMPARE(r.m.unit.ZoneAudio[3].EQUsed, 1);
    QCOMPARE(r.m.unit.ZoneAudio[3].Band[5], -2);
    QCOMPARE(r.Read("[TO1B4T-6]"), Lines{"Zone: 1 Bass: 4 Treble: -6"});
    QCOMPARE(r.m.unit.ZoneAudio[1].Bass, -4);
    QCOMPARE(r.m.unit.ZoneAudio[1].Treble, 6);
    QCOMPARE(r.Read("[BO2L10]"), Lines{"Zone: 2 Left Balance: 10"});
    QCOMPARE(r.m.unit.ZoneAudio[2].Balance, -10);
    QCOMPARE(r.Read("[BO2R10]"), Lines{"Zone: 2 Right Balance: 10"});
    QCOMPARE(r.m.unit.ZoneAudio[2].Balance, 10);
    QCOMPARE(r.Read("[EO4M9]"), Lines{"Zone: 4 Mode: 9"});
    QCOMPARE(r.m.unit.ZoneAudio[4].DSPMode, 9);
    QCOMPARE(r.m.unit.ZoneAudio[4].EQUsed, 1);
    QCOMPARE(r.Read("[EO5LP2147483647]"), Lines{"Zone: 5 Lowpass: 2147483647"});
    QCOMPARE(r.m.unit.ZoneAudio[5].Lowpass, 2147483647);  // all 32 bits
    QCOMPARE(r.Read("[VO7F1]"), Lines{"Zone: 7 Locked: 1"});
    QCOMPARE(r.m.unit.VolumeLocks[7], 1);
    for (const char* notOne : {"[VO7F2]", "[VO7F01]", "[VO7F10]"}) {
      r.m.unit.VolumeLocks[7] = 1;
      r.Read(notOne);
      QCOMPARE(r.m.unit.VolumeLocks[7], 0);
    }
    QCOMPARE(r.Read("[EO6P3]"), Lines{"Zone: 6 System EQ: 3"});
    QCOMPARE(r.m.unit.ZoneAudio[6].SystemEQ, 3);
  }

  void eightBitFieldsKeepTheLowBits() {
    Reader r;
    r.Read("[VO1R300]");
    QCOMPARE(r.m.unit.ZoneAudio[1].Volume, 300 - 256);
    r.Read("[VO1R-129]");
    QCOMPARE(r.m.unit.ZoneAudio[1].Volume, 127);
    r.Read("[BO1L-128]");  // minus -128 is 128, read back as -128
    QCOMPARE(r.m.unit.ZoneAudio[1].Balance, -128);
    // Negating the smallest 32-bit value must not overflow.
    QCOMPARE(r.Read("[TO1B-2147483648T2147483647]"), Lines{"Zone: 1 Bass: -2147483648 Treble: 2147483647"});
    QCOMPARE(r.m.unit.ZoneAudio[1].Bass, 0);
    QCOMPARE(r.m.unit.ZoneAudio[1].Treble, 1);
    r.Read("[VO000000000000000000000000000012R-0020]");  // leading zeros do not count
    QCOMPARE(r.m.unit.ZoneAudio[12].Volume, -20);
  }

  void presetForms() {
    Reader r;
    QCOMPARE(r.Read("[NEP2\"A rather long preset name\"]"),
             Lines{"EQ Preset: 2 Name: A rather long preset name"});
    QCOMPARE(r.m.unit.EQPresets[2].Name, "A rather long preset name"s);  // not cut
    QCOMPARE(r.Read("[NEP2\"\"]"), Lines{"EQ Preset: 2 Name: "});
    QCOMPARE(r.m.unit.EQPresets[2].Name, "A rather long preset name"s);
    QCOMPARE(r.Read("[EP3B10L-7]"), Lines{"EQ: 3 Band: 10 Level: -7"});
    QCOMPARE(r.m.unit.EQPresets[3].Band[10], -7);
  }

  void nameForms() {
    Reader r;
    QCOMPARE(r.Read("[NF3\"Morning music\"]"), Lines{"Favorite: 3 Name: Morning music"});
    QCOMPARE(r.m.unit.FavoriteNames[3], "Morning music"s);
    QCOMPARE(r.Read("[NG10\"Downstairs area 1\"]"), Lines{"Group: 10 Name: Downstairs area 1"});
    QCOMPARE(r.m.unit.GroupNames[10], "Downstairs area"s);
    const std::size_t entries = r.m.screen.ZoneList.Items.size();
    QCOMPARE(r.Read("[NO1\"ABCDEFGHIJKLMNOPQRST\"]"), Lines{"Zone: 1 Name: ABCDEFGHIJKLMNOPQRST"});
    QCOMPARE(r.m.unit.ZoneNames[1], "ABCDEFGHIJKLMNO"s);
    QCOMPARE(r.m.screen.ZoneList.Items.size(), entries + 1);
    QCOMPARE(r.m.screen.ZoneList.Items.back(), " ABCDEFGHIJKLMNO"s);
    QCOMPARE(r.m.unit.ZoneCount, 1);
    r.Read("[NO5\"\"]");  // an empty name still raises the count
    QCOMPARE(r.m.unit.ZoneCount, 5);
    QCOMPARE(r.m.screen.ZoneList.Items.size(), entries + 1);
    r.Read("[NO3\"Den\"]");
    QCOMPARE(r.m.unit.ZoneCount, 5);  // counts only grow
    QCOMPARE(r.Read("[NI2\"Tuner\"]"), Lines{"Source: 2 Name: Tuner"});
    QCOMPARE(r.m.unit.SourceNames[2], "Tuner"s);
    QCOMPARE(r.m.unit.SourceCount, 2);
    r.Read("[NI20\"Far\"]");
    QCOMPARE(r.m.unit.SourceCount, 16);
    r.Read("[NO2147483647\"\"]");
    QCOMPARE(r.m.unit.ZoneCount, 192);
    // Empty names change nothing and never fail.
    const ConfigModel before = r.m;
    for (const char* line : {"[NF99999999999\"\"]", "[NG1\"\"]", "[NEP99999999999\"\"]"}) {
      QCOMPARE(r.Read(line).size(), 1u);
    }
    QVERIFY(r.m == before);
  }

  void markForms() {
    Reader r;
    QCOMPARE(r.Read("[RPO12I3]"), Lines{"Restrict - Zone: 12 Source: 3"});
    QCOMPARE(r.m.unit.RestrictionMark(12, 3), "R"s);
    QCOMPARE(r.m.unit.RestrictionMark(3, 12), ""s);
    QCOMPARE(r.Read("[G4AO150]"), Lines{"Group: 4 Zone: 150"});
    QCOMPARE(r.m.unit.GroupMark(150, 4), "G"s);
    QCOMPARE(r.Read("[F2AO9AI5]"), Lines{"Favorite Audio: 2 - Zone: 9 Source: 5"});
    QVERIFY(r.m.unit.FavoriteStore.Cell(2, 5, 9) == Route::Audio);
    QCOMPARE(r.Read("[F2AO9VI6]"), Lines{"Favorite Video: 2 - Zone: 9 Source: 6"});
    QVERIFY(r.m.unit.FavoriteStore.Cell(2, 6, 9) == Route::Video);
    QCOMPARE(r.Read("[F10AO192I16]"), Lines{"Favorite: 10 - Zone: 192 Source: 16"});
    QVERIFY(r.m.unit.FavoriteStore.Cell(10, 16, 192) == Route::Combined);
  }

  void optionForms() {
    Reader r;
    QCOMPARE(r.Read("[FPL1]"), Lines{"Front Panel: 1"});
    QVERIFY(r.m.unit.Options.FrontPanelLock);
    r.Read("[FPL01]");
    QVERIFY(!r.m.unit.Options.FrontPanelLock);
    QCOMPARE(r.Read("[IRL1]"), Lines{"IR Lockout: 1"});
    QVERIFY(r.m.unit.Options.IRLockout);
    QCOMPARE(r.Read("[DHCP1]"), Lines{"DHCP: 1"});
    QVERIFY(r.m.unit.Options.DHCPEnabled);
    r.Read("[DHCP99999999999]");  // a flag is compared, never converted
    QVERIFY(!r.m.unit.Options.DHCPEnabled);
    QCOMPARE(r.Read("[SD7]"), Lines{"Display: 7"});
    QCOMPARE(r.m.unit.Options.DisplayLevel, 3);
    QCOMPARE(r.m.screen.DisplayLabel, "Level:25%"s);
    r.Read("[SD0]");
    QCOMPARE(r.m.screen.DisplayLabel, "Level:100%"s);
    r.Read("[SD257]");  // low 8 bits: 1
    QCOMPARE(r.m.screen.DisplayLabel, "Level:75%"s);
    r.Read("[SD255]");  // low 8 bits: -1, limited to 0
    QCOMPARE(r.m.unit.Options.DisplayLevel, 0);
    QCOMPARE(r.Read("[IP192.168.0.7]"), Lines{"IP: 192.168.0.7"});
    QCOMPARE(r.m.unit.Options.IPAddress, "192.168.0.7"s);
    QCOMPARE(r.Read("[NM255.255.0.0]"), Lines{"Netmask: 255.255.0.0"});
    QCOMPARE(r.m.unit.Options.Netmask, "255.255.0.0"s);
    QCOMPARE(r.Read("[GW10.0.0.1]]"), Lines{"Gateway: 10.0.0.1]"});  // to the last ']'
    QCOMPARE(r.m.unit.Options.Gateway, "10.0.0.1]"s);
    QCOMPARE(r.Read("[IP]"), Lines{"IP: "});
    QCOMPARE(r.m.unit.Options.IPAddress, "192.168.0.7"s);
  }

  void repliesAreTakenSilently() {
    Reader r;
    const ConfigModel before = r.m;
    for (const char* line : {"(ERROR)", "[CO1I2]", "(qx)", "[QXSB]", "[VM anything]", "[vm]"}) {
      QVERIFY2(r.Read(line).empty(), line);
    }
    QVERIFY(r.m == before);
  }

  void unknownLinesAreNotHandled() {
    Reader r;
    const ConfigModel before = r.m;
    for (std::string line :
         {"[RAR]", "[GAR]", "[FAR]", "[EC]", "", "[VO1R]", "[VO1R-]", "[VO-1R1]", "[EO1LP-1]", "[VO1R-5",
          "VO1R-5]", "[NO1\"]", "[NO1\"x\"\n]", "[QXSB", "(ERROR", "[CO1I]"}) {
      QCOMPARE(r.Read(line), Lines{"Didn't Handle: " + line});
    }
    QVERIFY(r.m == before);
  }

  void failuresLeaveWhatWasApplied() {
    Reader r;
    const ConfigModel before = r.m;
    QCOMPARE(r.Read("[VO1R2147483648]"), Failed("[VO1R2147483648]", {"Zone: 1 Volume: 2147483648"}));
    QVERIFY(r.m == before);
    r.Read("[EO2B99999999999L1]");  // the band fails before anything is set
    QCOMPARE(r.m.unit.ZoneAudio[2].EQUsed, 0);
    QCOMPARE(r.Read("[EO2B5L99999999999]"),
             Failed("[EO2B5L99999999999]", {"Zone: 2 EQ: 5 Level: 99999999999"}));
    QCOMPARE(r.m.unit.ZoneAudio[2].EQUsed, 1);
    r.Read("[TO1B4T99999999999]");
    QCOMPARE(r.m.unit.ZoneAudio[1].Bass, -4);  // stored before the treble failed
    const std::string longZone = "[NO" + std::string(30, '9') + "\"Den\"]";
    QCOMPARE(r.Read(longZone), Failed(longZone, {"Zone: " + std::string(30, '9') + " Name: Den"}));
    QCOMPARE(r.m.unit.ZoneCount, -1);
    QCOMPARE(r.Read("[SD-2147483649]").size(), 1u);  // no minus sign allowed here
    QCOMPARE(r.Read("[EO1LP2147483648]").size(), 3u);
    r.Read("[VO1R-2147483648]");  // the smallest value converts
    QCOMPARE(r.m.unit.ZoneAudio[1].Volume, 0);
    QCOMPARE(r.Read("[SD4294967297]").size(), 3u);
  }

  void numbersOutsideTheTablesChangeNothing() {
    Reader r;
    const ConfigModel before = r.m;
    for (const char* line :
         {"[VO0R-5]",   "[VO193R-5]", "[EO1B11L3]",  "[EO1B0L3]",   "[TO999B1T1]", "[BO0L1]",
          "[BO0R1]",    "[EO0M1]",    "[EO0LP100]",  "[VO0F1]",     "[EO0P1]",     "[NEP11\"x\"]",
          "[EP11B1L1]", "[EP1B11L1]", "[NF0\"x\"]",  "[NG11\"x\"]", "[RPO1I17]",   "[RPO193I1]",
          "[G11AO1]",   "[G1AO0]",    "[F11AO1AI1]", "[F1AO1VI0]",  "[F1AO193I1]", "[VO0R99999999999]"}) {
      QCOMPARE(r.Read(line).size(), 1u);  // its own log line only
    }
    QVERIFY(r.m == before);
    const std::size_t entries = r.m.screen.ZoneList.Items.size();
    r.Read("[NO0\"x\"]");  // a zone 0 names nothing but counts
    QCOMPARE(r.m.unit.ZoneCount, 0);
    r.Read("[NO500\"x\"]");
    QCOMPARE(r.m.unit.ZoneCount, 192);
    QCOMPARE(r.m.screen.ZoneList.Items.size(), entries);
    QVERIFY(r.m.unit.ZoneNames == before.unit.ZoneNames);
    r.Read("[NI0\"x\"]");
    QCOMPARE(r.m.unit.SourceCount, 0);
    QVERIFY(r.m.unit.SourceNames == before.unit.SourceNames);
  }

  void lettersAreReadWithoutCase() {
    Reader r;
    QCOMPARE(r.Read("[vo12r-20]"), Lines{"Zone: 12 Volume: -20"});
    QCOMPARE(r.m.unit.ZoneAudio[12].Volume, -20);
    r.Read("[fpl1]");
    QVERIFY(r.m.unit.Options.FrontPanelLock);
    r.Read("[f1Ao2vI3]");
    QVERIFY(r.m.unit.FavoriteStore.Cell(1, 3, 2) == Route::Video);
    // Only A-Z: a byte with the case bit set elsewhere is no letter.
    for (std::string line : {"[\xd6O1\"x\"]",
                             "[V\xcf"
                             "1R1]",
                             "[V\xef"
                             "1R1]",
                             "[{O1R1]"}) {
      QCOMPARE(r.Read(line), Lines{"Didn't Handle: " + line});
    }
  }

  void firstFormAndLeftmostMatchWin() {
    Reader r;
    QCOMPARE(r.Read("[NO1\"Kitchen\"][VO1R-5]"), Lines{"Zone: 1 Volume: -5"});
    QCOMPARE(r.m.unit.ZoneNames[1], ""s);
    QCOMPARE(r.m.unit.ZoneAudio[1].Volume, -5);
    r.Read("[VO2R-3][VO1R-9]");
    QCOMPARE(r.m.unit.ZoneAudio[2].Volume, -3);
    QCOMPARE(r.m.unit.ZoneAudio[1].Volume, -5);
    QCOMPARE(r.Read("[SD2][FPL1]"), Lines{"Front Panel: 1"});
    QCOMPARE(r.Read("xyz[VO1Rx][VO3R-4]"), Lines{"Zone: 3 Volume: -4"});
    QCOMPARE(r.Read("[NO1\"a\"][NF2\"b\"]"), Lines{"Favorite: 2 Name: b"});
    // A command inside a name still counts, and comes first by its form.
    QCOMPARE(r.Read("[NO1\"[VO4R-1]\"]"), Lines{"Zone: 4 Volume: -1"});
  }

  void namesRunToTheLastQuoteBracket() {
    Reader r;
    QCOMPARE(r.Read("[NO1\"say \"hi\"\"]"), Lines{"Zone: 1 Name: say \"hi\""});
    QCOMPARE(r.m.unit.ZoneNames[1], "say \"hi\""s);
    r.Read("[NO2\"ab\"] tail \"]");
    QCOMPARE(r.m.unit.ZoneNames[2], "ab\"] tail "s);
    r.Read("[NO3\"ab\"]xyz\"");
    QCOMPARE(r.m.unit.ZoneNames[3], "ab"s);
    r.Read("[NO4\"ab\"]\n\"]");  // an LF ends what a name may span
    QCOMPARE(r.m.unit.ZoneNames[4], "ab"s);
    r.Read("[NO5\"a\rb\"]");  // a CR is an ordinary byte
    QCOMPARE(r.m.unit.ZoneNames[5], "a\rb"s);
  }

  void byte255IsAnOrdinaryByte() {
    // A name or address keeps every byte: 255 (y with diaeresis in Latin-1)
    // neither cuts nor ends a field.
    Reader r;
    QCOMPARE(r.Read("[NO1\"ab\xff"
                    "cd\"]"),
             Lines{"Zone: 1 Name: ab\xff"
                   "cd"});
    QCOMPARE(r.m.unit.ZoneNames[1],
             "ab\xff"
             "cd"s);
    QCOMPARE(r.Read("[IPa\xff"
                    "b\xff"
                    "c]"),
             Lines{"IP: a\xff"
                   "b\xff"
                   "c"});
    QCOMPARE(r.m.unit.Options.IPAddress,
             "a\xff"
             "b\xff"
             "c"s);
    r.Read("[NO2\"\xff\"]");
    QCOMPARE(r.m.unit.ZoneNames[2], "\xff"s);
    QCOMPARE(r.m.unit.ZoneCount, 2);
  }

  void anyByteMayAppear() {
    Reader r;
    const std::string nul = "\0[FPL1]\0"s;
    QCOMPARE(r.Read(nul), Lines{"Front Panel: 1"});
    r.Read("[NO1\"a\0b\"]"s);
    QCOMPARE(r.m.unit.ZoneNames[1], "a\0b"s);
    const std::string junk = "\x01\x02[VO1R\0-5]\x7f"s;
    QCOMPARE(r.Read(junk), Lines{"Didn't Handle: " + junk});
  }

  void longLines() {
    constexpr std::size_t kMiB = 1 << 20;
    Reader r;
    std::string opens;
    while (opens.size() < kMiB) opens += "[NO1\"";
    QCOMPARE(r.Read(opens).size(), 1u);
    QCOMPARE(r.m.unit.ZoneCount, -1);
    r.Read(opens + "\"]");  // the first opening names zone 1 with the rest
    QCOMPARE(r.m.unit.ZoneNames[1], opens.substr(5, kNameLength));
    QCOMPARE(r.m.unit.ZoneCount, 1);
    std::string ips;
    while (ips.size() < kMiB) ips += "[IP";
    QCOMPARE(r.Read(ips).size(), 1u);
    r.Read(ips + "]");
    QCOMPARE(r.m.unit.Options.IPAddress, ips.substr(3));
    r.Read(opens + "[VO9R-9]");
    QCOMPARE(r.m.unit.ZoneAudio[9].Volume, -9);
    const std::string digits = "[VO1R" + std::string(kMiB, '7') + "]";
    QCOMPARE(r.Read(digits).size(), 3u);
  }

  // The hand-written matcher against std::regex over the same forms, on
  // lines built from whole commands, fragments and stray bytes, then mutated.
  void matcherAgreesWithRegex() {
    std::array<int, kCommandForms + 1> seen{};
    for (const std::string& line : MixedLines(4000, 20240607)) {
      const CommandMatch mine = MatchCommand(line);
      const regex_reader::RegexMatch theirs = regex_reader::RegexMatchCommand(line);
      QCOMPARE(mine.form, theirs.form);
      const CommandFields& fields = mine.fields;
      QCOMPARE(fields.F1, theirs.fields.F1);
      QCOMPARE(fields.F2, theirs.fields.F2);
      QCOMPARE(fields.F3, theirs.fields.F3);
      ++seen[static_cast<std::size_t>(mine.form)];
    }
    // A command at every place of the start of a line, after bytes that
    // open nothing and before more of them.
    for (std::size_t at = 0; at < 40; ++at) {
      const std::string line = std::string(at, 'x') + "[VO3R-4]" + std::string(at % 7, 'y');
      const CommandMatch match = MatchCommand(line);
      QCOMPARE(match.form, CommandForm::ZoneVolume);
      QCOMPARE(static_cast<std::size_t>(match.at), at);
      QCOMPARE(std::string(match.fields.F2), std::string("-4"));
    }
    // The mix must reach every form, not just miss them.
    for (int form = 1; form <= kCommandForms; ++form)
      QVERIFY2(seen[static_cast<std::size_t>(form)] > 20, QByteArray::number(form));
  }

  // A text field ends at the last end of its pattern before the LF that
  // ends the stretch of the line holding the match; a later stretch is
  // looked at afresh.
  void textFieldsEndInTheirStretch_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("form");
    QTest::addColumn<QByteArray>("number");
    QTest::addColumn<QByteArray>("text");
    const auto zoneName = static_cast<int>(CommandForm::ZoneName);
    const auto groupName = static_cast<int>(CommandForm::GroupName);
    const auto ip = static_cast<int>(CommandForm::IpAddress);
    QTest::newRow("whole") << QByteArray("[NO1\"a\"]") << zoneName << QByteArray("1") << QByteArray("a");
    QTest::newRow("last end") << QByteArray("[NO1\"x\"]\"]\n\"]") << zoneName << QByteArray("1")
                              << QByteArray("x\"]");
    QTest::newRow("end beyond a LF") << QByteArray("[NO1\"a\n\"]") << 0 << QByteArray() << QByteArray();
    QTest::newRow("next stretch") << QByteArray("[NO1\"a\n[NO2\"b\"]") << zoneName << QByteArray("2")
                                  << QByteArray("b");
    QTest::newRow("after a stretch without end")
        << QByteArray("[NG1\"a\n\"]x[NG2\"b\"]\n[NG3\"c") << groupName << QByteArray("2") << QByteArray("b");
    QTest::newRow("empty stretches") << QByteArray("\n\n[IP\n\n[IP10.0.0.1]\n") << ip
                                     << QByteArray("10.0.0.1") << QByteArray();
    QTest::newRow("end at the text's start") << QByteArray("[IP]") << ip << QByteArray() << QByteArray();
  }
  void textFieldsEndInTheirStretch() {
    QFETCH(QByteArray, line);
    QFETCH(int, form);
    QFETCH(QByteArray, number);
    QFETCH(QByteArray, text);
    const CommandMatch match =
        MatchCommand(std::string_view(line.constData(), static_cast<std::size_t>(line.size())));
    QCOMPARE(static_cast<int>(match.form), form);
    // The IP form's one field is its text.
    const bool numbered = match.form != CommandForm::IpAddress;
    QCOMPARE(QByteArray(match.fields.F1.data(), static_cast<qsizetype>(match.fields.F1.size())),
             numbered ? number : number + text);
    if (numbered)
      QCOMPARE(QByteArray(match.fields.F2.data(), static_cast<qsizetype>(match.fields.F2.size())), text);
  }

  // A log that passes its lines on gets the lines a log that keeps them
  // holds, and the model the same effects.
  void passingLogGetsTheSameLines() {
    std::string received;
    for (const std::string& line : MixedLines(3000, 77)) received += line + "\r\n";
    TextLog fileText;
    fileText.AssignLines(std::move(received));
    TextLog passing;
    std::vector<std::string> passed;
    passing.PassLinesTo([&passed](std::string_view line) { passed.emplace_back(line); });
    ConfigModel fromFile, fromLines;
    TextLog lineByLine;
    for (std::size_t i = 0; i < fileText.LineCount(); ++i) {
      const std::string_view line = fileText.LineView(i);
      ReadCommand(fromFile, passing, line);
      ReadCommand(fromLines, lineByLine, line);
    }
    // Command lines, numbers out of range and lines not understood all came.
    const std::string log = lineByLine.Text();
    for (const char* kind : {"Zone: ", "Error parsing: ", "Didn't Handle: "})
      QVERIFY(log.find(kind) != std::string::npos);
    QCOMPARE(passing.LineCount(), std::size_t{0});
    QCOMPARE(passed, lineByLine.Lines());
    QVERIFY(fromFile.unit == fromLines.unit);
  }
};

QTEST_APPLESS_MAIN(TestCommandReader)
#include "test_command_reader.moc"
