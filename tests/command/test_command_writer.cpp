// The export sequence: order, exact texts and what is left out.
#include <QtTest>
#include <algorithm>

#include "command/command_matcher.h"
#include "command/command_table.h"
#include "command/command_writer.h"
#include "support/configured_model.h"

using namespace zem;
using zem::test::Configured;

namespace {

// The lines of the block that starts after `first` and ends before `last`.
std::vector<std::string> Between(const std::vector<std::string>& lines, const std::string& first,
                                 const std::string& last) {
  auto from = std::find(lines.begin(), lines.end(), first);
  auto to = std::find(from, lines.end(), last);
  if (from == lines.end()) return {};
  return std::vector<std::string>(from + 1, to);
}

std::vector<std::string> ZoneBlock(const ConfigModel& m, int zone) {
  const std::vector<std::string> lines = BuildCommandSequence(m);
  const std::string head = "[NO" + std::to_string(zone);
  auto from = std::find_if(lines.begin(), lines.end(),
                           [&](const std::string& l) { return l.rfind(head + "\"", 0) == 0; });
  auto to =
      std::find_if(from + 1, lines.end(), [](const std::string& l) { return l.empty() || l == "[RAR]"; });
  return std::vector<std::string>(from + 1, to);
}

using Lines = std::vector<std::string>;

}  // namespace

class TestCommandWriter : public QObject {
  Q_OBJECT

 private slots:
  // Every form that the export writes, written from the table with sample
  // fields, reads back as that form with the same fields.
  void writtenFormsReadBackAsThemselves() {
    int written = 0;
    for (const CommandEntry& entry : kCommandTable) {
      if (!entry.written) continue;
      ++written;
      std::vector<std::string> texts;
      std::vector<CommandValue> values;
      int number = 7;
      ForEachToken(entry.pattern, [&](PatternToken token) {
        if (token.part == PatternPart::Number) texts.push_back(std::to_string(number++));
        if (token.part == PatternPart::SignedNumber) texts.push_back(std::to_string(-number++));
        if (token.part == PatternPart::Text) texts.push_back("Den 2");
      });
      for (std::size_t i = 0; i < texts.size(); ++i) {
        if (texts[i] == "Den 2") {
          values.emplace_back(std::string_view(texts[i]));
        } else {
          values.emplace_back(std::stoi(texts[i]));
        }
      }
      const std::string line = CommandLine(entry.form, values);
      const CommandMatch match = MatchCommand(line);
      QVERIFY2(match.form == entry.form, line.c_str());
      texts.resize(3);
      const CommandFields& fields = match.fields;
      QCOMPARE(fields.F1, texts[0]);
      QCOMPARE(fields.F2, texts[1]);
      QCOMPARE(fields.F3, texts[2]);
    }
    // Zone audio (8), names (4), restrictions, groups, favorites (3) and
    // options (7): all but the EQ presets, the volume lock and the replies.
    QCOMPARE(written, 24);
    QCOMPARE(CommandLine(CommandForm::ZoneName, {12, "Den"}), "[NO12\"Den\"]");
    QCOMPARE(CommandLine(CommandForm::ZoneBassTreble, {3, -4, 6}), "[TO3B-4T6]");
  }

  void writesTheWholeSequenceInOrder() {
    ConfigModel m = Configured(2, 2);
    m.unit.SourceNames[1] = "Cable";
    m.unit.ZoneNames[2] = "Kitchen";
    m.unit.Options.DisplayLevel = 2;
    m.unit.Options.IRLockout = true;
    m.unit.RestrictionMark(2, 1) = "R";
    m.unit.GroupMark(1, 3) = "G";
    m.unit.FavoriteStore.Cell(4, 2, 1) = Route::Combined;
    m.unit.FavoriteNames[2] = "Party";
    m.unit.GroupNames[10] = "All";
    const Lines expected = {"[SD2]",
                            "[FPL0]",
                            "[IRL1]",
                            "",
                            "[NI1\"Cable\"]",
                            "[NI2\" \"]",
                            "",
                            "[NO1\" \"]",
                            "",
                            "[NO2\"Kitchen\"]",
                            "[RAR]",
                            "",
                            "[RPO2I1]",
                            "[GAR]",
                            "[G3AO1]",
                            "",
                            "[FAR]",
                            "[F4AO1I2]",
                            "[NF1\" \"]",
                            "[NF2\"Party\"]",
                            "[NF3\" \"]",
                            "[NF4\" \"]",
                            "[NF5\" \"]",
                            "[NF6\" \"]",
                            "[NF7\" \"]",
                            "[NF8\" \"]",
                            "[NF9\" \"]",
                            "[NF10\" \"]",
                            "[NG1\" \"]",
                            "[NG2\" \"]",
                            "[NG3\" \"]",
                            "[NG4\" \"]",
                            "[NG5\" \"]",
                            "[NG6\" \"]",
                            "[NG7\" \"]",
                            "[NG8\" \"]",
                            "[NG9\" \"]",
                            "[NG10\"All\"]",
                            "[DHCP0]",
                            "[IPIPAddress]",
                            "[NMNetmask]",
                            "[GWGateway]",
                            "[EC]"};
    QCOMPARE(BuildCommandSequence(m), expected);
    QCOMPARE(ZemFileText({"[A]", "", "[B]"}), std::string("[A]\r\n\r\n[B]\r\n"));
  }

  void withoutZonesTheBlocksAndTrailerStillCome() {
    ConfigModel m = Configured(1, -1);
    m.unit.RestrictionMark(1, 1) = "R";
    m.unit.FavoriteStore.Cell(1, 1, 1) = Route::Audio;
    const Lines lines = BuildCommandSequence(m);
    QCOMPARE(Lines(lines.begin(), lines.begin() + 7),
             (Lines{"[SD0]", "[FPL0]", "[IRL0]", "", "[NI1\" \"]", "[RAR]", ""}));
    QCOMPARE(Between(lines, "[RAR]", "[GAR]"), Lines{""});
    QCOMPARE(Between(lines, "[FAR]", "[NF1\" \"]"), Lines{});
    QCOMPARE(lines.size(), std::size_t(7 + 3 + 20 + 5));
  }

  void namesAreCutAndWrittenAsTheyAre() {
    ConfigModel m = Configured(3, 0);
    m.unit.SourceNames[1] = "ABCDEFGHIJKLMNOPQRST";
    m.unit.SourceNames[2] = "say \"hi\"]";
    m.unit.SourceNames[3] = std::string("\xE9t\xE9", 3);
    const Lines lines = BuildCommandSequence(m);
    QCOMPARE(lines[4], std::string("[NI1\"ABCDEFGHIJKLMNO\"]"));
    QCOMPARE(lines[5], std::string("[NI2\"say \"hi\"]\"]"));
    QCOMPARE(lines[6], std::string("[NI3\"\xE9t\xE9\"]"));
  }

  void zoneAudioFollowsTheModeAndTheFlag() {
    ConfigModel m = Configured(1, 1);
    ZoneAudioRec& a = m.unit.ZoneAudio[1];
    a.Volume = -20;
    a.Balance = 9;
    QCOMPARE(ZoneBlock(m, 1), Lines{});  // EQUsed 0: name only
    a.EQUsed = 1;
    a.DSPMode = -1;
    QCOMPARE(ZoneBlock(m, 1), Lines{"[VO1R-20]"});
    a.DSPMode = 0;
    a.Balance = -7;
    QCOMPARE(ZoneBlock(m, 1), (Lines{"[VO1R-20]", "[EO1M0]", "[BO1L7]"}));
    a.Balance = 0;
    a.DSPMode = 1;
    for (int b = 1; b <= 10; ++b) a.Band[b] = static_cast<std::int8_t>(b - 6);
    const Lines zq = ZoneBlock(m, 1);
    QCOMPARE(zq.size(), std::size_t(13));
    QCOMPARE(zq[2], std::string("[BO1R0]"));
    QCOMPARE(zq[3], std::string("[EO1B1L-5]"));
    QCOMPARE(zq[12], std::string("[EO1B10L4]"));
    a.DSPMode = 2;
    a.SystemEQ = 0;
    QCOMPARE(ZoneBlock(m, 1), (Lines{"[VO1R-20]", "[EO1M2]", "[BO1R0]"}));
    a.SystemEQ = 3;
    QCOMPARE(ZoneBlock(m, 1).back(), std::string("[EO1P3]"));
    a.DSPMode = 3;
    a.Bass = 4;
    a.Treble = -6;
    QCOMPARE(ZoneBlock(m, 1).back(), std::string("[TO1B-4T6]"));
    a.DSPMode = 4;
    a.Lowpass = -1;
    QCOMPARE(ZoneBlock(m, 1).back(), std::string("[EO1LP-1]"));
    a.DSPMode = 5;
    QCOMPARE(ZoneBlock(m, 1), (Lines{"[VO1R-20]", "[EO1M5]", "[BO1R0]"}));
  }

  void onlyExactMarksAreWrittenInTheirOrder() {
    ConfigModel m = Configured(3, 3);
    m.unit.RestrictionMark(1, 1) = "r";
    m.unit.RestrictionMark(1, 2) = " R";
    m.unit.RestrictionMark(1, 3) = "RR";
    m.unit.RestrictionMark(2, 3) = "R";
    m.unit.RestrictionMark(3, 1) = "R";
    m.unit.RestrictionMark(1, 2) = "X";
    m.unit.GroupMark(3, 1) = "G";
    m.unit.GroupMark(1, 10) = "G";
    m.unit.GroupMark(2, 2) = "g";
    m.unit.FavoriteStore.Cell(2, 3, 1) = Route::Video;
    m.unit.FavoriteStore.Cell(2, 1, 1) = Route::Audio;
    m.unit.FavoriteStore.Cell(1, 2, 3) = Route::Combined;
    m.unit.FavoriteStore.Cell(1, 1, 3) = Route::Restricted;
    const Lines lines = BuildCommandSequence(m);
    QCOMPARE(Between(lines, "[RAR]", "[GAR]"), (Lines{"", "[RPO2I3]", "[RPO3I1]"}));
    QCOMPARE(Between(lines, "[GAR]", "[FAR]"), (Lines{"[G10AO1]", "[G1AO3]", ""}));
    QCOMPARE(Between(lines, "[FAR]", "[NF1\" \"]"), (Lines{"[F1AO3I2]", "[F2AO1AI1]", "[F2AO1VI3]"}));
  }

  void networkLinesDependOnDhcp() {
    ConfigModel m = Configured(1, 0);
    m.unit.Options.IPAddress.clear();
    m.unit.Options.Netmask = "255.0.0.0";
    Lines lines = BuildCommandSequence(m);
    QCOMPARE(Lines(lines.end() - 5, lines.end()),
             (Lines{"[DHCP0]", "[IP]", "[NM255.0.0.0]", "[GWGateway]", "[EC]"}));
    m.unit.Options.DHCPEnabled = true;
    m.unit.Options.FrontPanelLock = true;
    lines = BuildCommandSequence(m);
    QCOMPARE(Lines(lines.end() - 2, lines.end()), (Lines{"[DHCP1]", "[EC]"}));
    QCOMPARE(lines[1], std::string("[FPL1]"));
  }
};

QTEST_APPLESS_MAIN(TestCommandWriter)
#include "test_command_writer.moc"
