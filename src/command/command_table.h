#pragma once

// The command language: every command form the reader knows, once, with its
// pattern, its log line, its effect on the model and whether an export
// writes it. The matcher, the reader, the writer, the fuzz dictionary and the
// tests' std::regex reader all derive from this table.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "command/command_reader.h"
#include "command/command_values.h"
#include "model/config_model.h"

namespace zem {

// One enumerator per entry of kCommandTable, in its order; None: no form.
enum class CommandForm : std::uint8_t {
  None,
  ZoneVolume,
  ZoneEqBand,
  ZoneBassTreble,
  ZoneBalanceLeft,
  ZoneBalanceRight,
  ZoneDspMode,
  ZoneLowpass,
  ZoneVolumeLock,
  ZoneSystemEq,
  EqPresetName,
  EqPresetBand,
  FavoriteName,
  GroupName,
  ZoneName,
  SourceName,
  ZoneRestriction,
  GroupMember,
  FavoriteAudio,
  FavoriteVideo,
  FavoriteAudioVideo,
  FrontPanelLock,
  IrLockout,
  DisplayLevel,
  Dhcp,
  IpAddress,
  Netmask,
  Gateway,
  ErrorReply,
  ConnectEcho,
  ConfigurationEnd,
  ConfigurationQuery,
  VmReply,
};

// How a form's fields change the model. It converts each number as it uses
// it and throws command_values::ParseFailure on one that does not convert.
using CommandEffect = void (*)(ConfigModel&, const CommandFields&);

// A pattern is written as the command looks, with these placeholders, each
// of which captures one field (at most three per pattern):
//   #    one or more digits 0-9
//   -#   an optional '-' and one or more digits
//   *    any bytes up to the last occurrence, before the next LF, of the
//        pattern's rest, which is literal ("*\"]": to the last `"]`)
// Every other byte stands for itself; letters (upper case A-Z in the table)
// also match their lower case, no other byte does. A pattern opens with a
// fixed byte other than a letter.
struct CommandEntry {
  CommandForm form;
  std::string_view pattern;
  // The log line: "$1" to "$3" stand for the fields; empty: no log line.
  std::string_view log;
  CommandEffect effect;  // nullptr: taken without effect
  bool written;          // an export writes this form (BuildCommandSequence)
  // What a line of this form is, in words: "a volume command".
  std::string_view what;

  constexpr bool HasText() const { return pattern.find('*') != std::string_view::npos; }
};

// The order of the entries is the priority: when several forms occur in one
// line, the one listed first here is read (at its leftmost occurrence).
// Entries without a log line are replies and echoes of the unit, taken
// silently. A number out of the model's tables changes nothing but the counts
// of zones and sources.
//
// The table is written in command_values so that its effects name the
// conversions as they are.
namespace command_values {
using M = ConfigModel;
using F = CommandFields;
// clang-format off
inline constexpr auto kCommandTable = std::to_array<CommandEntry>({
  {CommandForm::ZoneVolume, "[VO#R-#]", "Zone: $1 Volume: $2",
   [](M& m, const F& f) {
     const auto z = NumberOrFail(f.F1);
     if (In<kZones>(z)) m.unit.ZoneAudio[z].Volume = Low8(NumberOrFail(f.F2));
   }, true, "a volume command"},
  {CommandForm::ZoneEqBand, "[EO#B#L-#]", "Zone: $1 EQ: $2 Level: $3",
   [](M& m, const F& f) {
     const auto z = NumberOrFail(f.F1);
     const auto b = NumberOrFail(f.F2);
     if (!In<kZones>(z) || !In<kBands>(b)) return;
     m.unit.ZoneAudio[z].EQUsed = 1;
     m.unit.ZoneAudio[z].Band[b] = Low8(NumberOrFail(f.F3));
   }, true, "an EQ band command"},
  {CommandForm::ZoneBassTreble, "[TO#B-#T-#]", "Zone: $1 Bass: $2 Treble: $3",
   [](M& m, const F& f) {
     const auto z = NumberOrFail(f.F1);
     if (!In<kZones>(z)) return;
     // Negated in 64 bits: minus the smallest 32-bit value does not fit.
     m.unit.ZoneAudio[z].Bass = Low8(-std::int64_t{NumberOrFail(f.F2)});
     m.unit.ZoneAudio[z].Treble = Low8(-std::int64_t{NumberOrFail(f.F3)});
   }, true, "a bass and treble command"},
  {CommandForm::ZoneBalanceLeft, "[BO#L-#]", "Zone: $1 Left Balance: $2",
   [](M& m, const F& f) {
     const auto z = NumberOrFail(f.F1);
     if (In<kZones>(z)) m.unit.ZoneAudio[z].Balance = Low8(-std::int64_t{NumberOrFail(f.F2)});
   }, true, "a balance command"},
  {CommandForm::ZoneBalanceRight, "[BO#R-#]", "Zone: $1 Right Balance: $2",
   [](M& m, const F& f) {
     const auto z = NumberOrFail(f.F1);
     if (In<kZones>(z)) m.unit.ZoneAudio[z].Balance = Low8(NumberOrFail(f.F2));
   }, true, "a balance command"},
  {CommandForm::ZoneDspMode, "[EO#M#]", "Zone: $1 Mode: $2",
   [](M& m, const F& f) {
     const auto z = NumberOrFail(f.F1);
     if (!In<kZones>(z)) return;
     m.unit.ZoneAudio[z].EQUsed = 1;
     m.unit.ZoneAudio[z].DSPMode = Low8(NumberOrFail(f.F2));
   }, true, "a DSP mode command"},
  {CommandForm::ZoneLowpass, "[EO#LP#]", "Zone: $1 Lowpass: $2",
   [](M& m, const F& f) {
     const auto z = NumberOrFail(f.F1);
     if (In<kZones>(z)) m.unit.ZoneAudio[z].Lowpass = NumberOrFail(f.F2);
   }, true, "a lowpass command"},
  {CommandForm::ZoneVolumeLock, "[VO#F#]", "Zone: $1 Locked: $2",
   [](M& m, const F& f) {
     const auto z = NumberOrFail(f.F1);
     if (In<kZones>(z)) m.unit.VolumeLocks[z] = f.F2 == "1" ? 1 : 0;
   }, false, "a volume lock command"},
  {CommandForm::ZoneSystemEq, "[EO#P#]", "Zone: $1 System EQ: $2",
   [](M& m, const F& f) {
     const auto z = NumberOrFail(f.F1);
     if (In<kZones>(z)) m.unit.ZoneAudio[z].SystemEQ = Low8(NumberOrFail(f.F2));
   }, true, "a system EQ command"},
  {CommandForm::EqPresetName, "[NEP#\"*\"]", "EQ Preset: $1 Name: $2",
   [](M& m, const F& f) {
     if (f.F2.empty()) return;
     const auto n = NumberOrFail(f.F1);
     if (In<kPresets>(n)) m.unit.EQPresets[n].Name = f.F2;  // preset names are kept whole
   }, false, "an EQ preset name command"},
  {CommandForm::EqPresetBand, "[EP#B#L-#]", "EQ: $1 Band: $2 Level: $3",
   [](M& m, const F& f) {
     const auto n = NumberOrFail(f.F1);
     const auto b = NumberOrFail(f.F2);
     if (In<kPresets>(n) && In<kBands>(b)) m.unit.EQPresets[n].Band[b] = Low8(NumberOrFail(f.F3));
   }, false, "an EQ preset band command"},
  {CommandForm::FavoriteName, "[NF#\"*\"]", "Favorite: $1 Name: $2",
   [](M& m, const F& f) { SetName(m.unit.FavoriteNames, f); }, true, "a favorite name command"},
  {CommandForm::GroupName, "[NG#\"*\"]", "Group: $1 Name: $2",
   [](M& m, const F& f) { SetName(m.unit.GroupNames, f); }, true, "a group name command"},
  {CommandForm::ZoneName, "[NO#\"*\"]", "Zone: $1 Name: $2",
   [](M& m, const F& f) {
     const auto z = NumberOrFail(f.F1);  // needed for the count, name or not
     if (!f.F2.empty() && In<kZones>(z)) {
       m.unit.ZoneNames[z] = CutName(f.F2);
       m.screen.ZoneList.Items.push_back(" " + m.unit.ZoneNames[z]);
     }
     Raise(m.unit.ZoneCount, z, kZones);
   }, true, "a zone name command"},
  {CommandForm::SourceName, "[NI#\"*\"]", "Source: $1 Name: $2",
   [](M& m, const F& f) {
     const auto s = NumberOrFail(f.F1);
     if (!f.F2.empty() && In<kSources>(s)) m.unit.SourceNames[s] = CutName(f.F2);
     Raise(m.unit.SourceCount, s, kSources);
   }, true, "a source name command"},
  {CommandForm::ZoneRestriction, "[RPO#I#]", "Restrict - Zone: $1 Source: $2",
   [](M& m, const F& f) {
     const auto z = NumberOrFail(f.F1);
     const auto s = NumberOrFail(f.F2);
     if (In<kZones>(z) && In<kSources>(s)) m.unit.RestrictionMark(z, s) = "R";
   }, true, "a restriction command"},
  {CommandForm::GroupMember, "[G#AO#]", "Group: $1 Zone: $2",
   [](M& m, const F& f) {
     const auto g = NumberOrFail(f.F1);
     const auto z = NumberOrFail(f.F2);
     if (In<kGroups>(g) && In<kZones>(z)) m.unit.GroupMark(z, g) = "G";
   }, true, "a group member command"},
  {CommandForm::FavoriteAudio, "[F#AO#AI#]", "Favorite Audio: $1 - Zone: $2 Source: $3",
   [](M& m, const F& f) { SetFavoriteCell(m, f, Route::Audio); }, true, "a favorite connection command"},
  {CommandForm::FavoriteVideo, "[F#AO#VI#]", "Favorite Video: $1 - Zone: $2 Source: $3",
   [](M& m, const F& f) { SetFavoriteCell(m, f, Route::Video); }, true, "a favorite connection command"},
  {CommandForm::FavoriteAudioVideo, "[F#AO#I#]", "Favorite: $1 - Zone: $2 Source: $3",
   [](M& m, const F& f) { SetFavoriteCell(m, f, Route::Combined); }, true, "a favorite connection command"},
  {CommandForm::FrontPanelLock, "[FPL#]", "Front Panel: $1",
   [](M& m, const F& f) { m.unit.Options.FrontPanelLock = f.F1 == "1"; }, true, "a front panel lock command"},
  {CommandForm::IrLockout, "[IRL#]", "IR Lockout: $1",
   [](M& m, const F& f) { m.unit.Options.IRLockout = f.F1 == "1"; }, true, "an IR lockout command"},
  {CommandForm::DisplayLevel, "[SD#]", "Display: $1",
   [](M& m, const F& f) {
     const int level = std::clamp<int>(Low8(NumberOrFail(f.F1)), 0, kLevels - 1);
     m.unit.Options.DisplayLevel = level;
     m.screen.DisplayLabel = "Level:" + m.screen.LevelNames[static_cast<std::size_t>(level)];
   }, true, "a display level command"},
  {CommandForm::Dhcp, "[DHCP#]", "DHCP: $1",
   [](M& m, const F& f) { m.unit.Options.DHCPEnabled = f.F1 == "1"; }, true, "a DHCP command"},
  {CommandForm::IpAddress, "[IP*]", "IP: $1",
   [](M& m, const F& f) { if (!f.F1.empty()) m.unit.Options.IPAddress = f.F1; }, true, "an IP address command"},
  {CommandForm::Netmask, "[NM*]", "Netmask: $1",
   [](M& m, const F& f) { if (!f.F1.empty()) m.unit.Options.Netmask = f.F1; }, true, "a netmask command"},
  {CommandForm::Gateway, "[GW*]", "Gateway: $1",
   [](M& m, const F& f) { if (!f.F1.empty()) m.unit.Options.Gateway = f.F1; }, true, "a gateway command"},
  {CommandForm::ErrorReply, "(ERROR)", "", nullptr, false, "the unit's error reply"},          // the unit's error reply
  {CommandForm::ConnectEcho, "[CO#I#]", "", nullptr, false, "a connect echo"},
  {CommandForm::ConfigurationEnd, "(QX)", "", nullptr, false, "the end of the unit's answer"},       // ends the unit's answer
  {CommandForm::ConfigurationQuery, "[QXSB]", "", nullptr, false, "the configuration query"},   // the import's query
  {CommandForm::VmReply, "[VM*]", "", nullptr, false, "a VM reply"},
});
// clang-format on
}  // namespace command_values
using command_values::kCommandTable;

inline constexpr int kCommandForms = static_cast<int>(kCommandTable.size());

// The entry of a form other than None.
constexpr const CommandEntry& EntryOf(CommandForm form) {
  return kCommandTable[static_cast<std::size_t>(form) - 1];
}

// The pieces of a pattern, as listed above CommandEntry.
enum class PatternPart : std::uint8_t { Literal, Number, SignedNumber, Text };
struct PatternToken {
  PatternPart part;
  char byte;           // Literal: the byte
  std::size_t length;  // bytes of the pattern it takes
};
constexpr PatternToken TokenAt(std::string_view pattern, std::size_t at) {
  switch (pattern[at]) {
    case '#':
      return {PatternPart::Number, 0, 1};
    case '*':
      return {PatternPart::Text, 0, 1};
    case '-':
      if (at + 1 < pattern.size() && pattern[at + 1] == '#') return {PatternPart::SignedNumber, 0, 2};
      return {PatternPart::Literal, '-', 1};
    default:
      return {PatternPart::Literal, pattern[at], 1};
  }
}

// Calls `each(token)` for the tokens of `pattern` in order.
template <typename Each>
constexpr void ForEachToken(std::string_view pattern, Each&& each) {
  for (std::size_t at = 0; at < pattern.size();) {
    const PatternToken token = TokenAt(pattern, at);
    each(token);
    at += token.length;
  }
}

// The table's order is the enumeration's, and every pattern and log text is
// well formed.
constexpr bool TableIsWellFormed() {
  for (std::size_t i = 0; i < kCommandTable.size(); ++i) {
    const CommandEntry& entry = kCommandTable[i];
    if (static_cast<std::size_t>(entry.form) != i + 1 || entry.pattern.size() < 2 || entry.what.empty())
      return false;
    int fields = 0;
    bool afterText = false;
    bool afterNumber = false;
    bool ok = true;
    ForEachToken(entry.pattern, [&](PatternToken t) {
      const bool literal = t.part == PatternPart::Literal;
      if (!literal) ++fields;
      if (afterText && !literal) ok = false;  // a text's rest is literal
      // A number ends where its digits end.
      if (afterNumber && (!literal || (t.byte >= '0' && t.byte <= '9'))) ok = false;
      if (literal && t.byte >= 'a' && t.byte <= 'z') ok = false;  // letters in upper case
      afterText = afterText || t.part == PatternPart::Text;
      afterNumber = t.part == PatternPart::Number || t.part == PatternPart::SignedNumber;
    });
    if (!ok || fields > 3 || afterNumber || entry.pattern.back() == '*') return false;
    // The opening byte is matched as it is, so it is no letter.
    const char open = entry.pattern.front();
    if (open == '#' || open == '*' || open == '-' || (open >= 'A' && open <= 'Z')) return false;
    // "$1" to "$3" in the log text name fields the pattern has.
    for (std::size_t at = entry.log.find('$'); at != std::string_view::npos; at = entry.log.find('$', at + 1))
      if (at + 1 == entry.log.size() || entry.log[at + 1] < '1' || entry.log[at + 1] >= '1' + fields)
        return false;
  }
  return true;
}
static_assert(TableIsWellFormed());

// One field of a written command: a number or a text.
class CommandValue {
 public:
  CommandValue(int number) : number_(number), isNumber_(true) {}  // NOLINT: implicit on purpose
  CommandValue(std::string_view text) : text_(text) {}            // NOLINT: implicit on purpose
  CommandValue(const std::string& text) : text_(text) {}          // NOLINT: implicit on purpose
  CommandValue(const char* text) : text_(text) {}                 // NOLINT: implicit on purpose
  void AppendTo(std::string& line) const;

 private:
  std::string_view text_;
  int number_ = 0;
  bool isNumber_ = false;
};

// The line that writes `form` (an entry marked written) with its fields in
// the pattern's order: a name is given without its quotes.
std::string CommandLine(CommandForm form, std::span<const CommandValue> fields);
inline std::string CommandLine(CommandForm form, std::initializer_list<CommandValue> fields) {
  return CommandLine(form, std::span<const CommandValue>(fields.begin(), fields.size()));
}

}  // namespace zem
