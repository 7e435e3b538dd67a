#include "command/command_reader.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <optional>

#include "command/command_matcher.h"

namespace zem {
namespace {

// The decimal value of an optional '-' and digits, if it fits in 32 bits.
// Leading zeros do not count against the length.
std::optional<std::int32_t> Number(std::string_view text) {
  bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9') return std::nullopt;
    value = value * 10 + (ch - '0');
    if (value > std::int64_t{INT32_MAX} + 1) return std::nullopt;  // stops long digit runs early
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

// The 8-bit fields keep the low 8 bits of a number, read as signed.
std::int8_t Low8(std::int64_t value) {
  return static_cast<std::int8_t>(static_cast<std::uint8_t>(value & 0xFF));
}

// Joins the pieces of a log line in a buffer kept between lines: the log
// copies the text, and most lines then cost no allocation here.
std::string_view Join(std::initializer_list<std::string_view> pieces) {
  thread_local std::string text;
  if (text.capacity() > (1u << 16)) text = std::string();  // let a huge line's buffer go
  text.clear();
  for (auto p : pieces) text.append(p);
  return text;
}

// A number failed to convert; what was applied before it stays.
struct ParseFailure {};

std::int32_t NumberOrFail(std::string_view text) {
  std::optional<std::int32_t> value = Number(text);
  if (!value) throw ParseFailure{};
  return *value;
}

template <int N>
bool In(std::int32_t n) {
  return NumberedTable<int, N>::Contains(n);
}

// Raises a count to `n`, never beyond `limit`; counts only grow.
void Raise(int& count, std::int32_t n, int limit) { count = std::min(std::max(count, n), limit); }

// One form: the log line first, then the index numbers (converted and checked
// against the tables), then the effects, each value converted as it is used.
// A number out of the tables changes nothing but the counts of forms 14, 15.
void Apply(ConfigModel& m, TextLog& memo3, int form, const CommandFields& f) {
  const std::string_view F1 = f.F1, F2 = f.F2, F3 = f.F3;
  switch (form) {
    case 1: {
      memo3.AppendLine(Join({"Zone: ", F1, " Volume: ", F2}));
      const auto z = NumberOrFail(F1);
      if (!In<kZones>(z)) return;
      m.ZoneAudio[z].Volume = Low8(NumberOrFail(F2));
      return;
    }
    case 2: {
      memo3.AppendLine(Join({"Zone: ", F1, " EQ: ", F2, " Level: ", F3}));
      const auto z = NumberOrFail(F1);
      const auto b = NumberOrFail(F2);
      if (!In<kZones>(z) || !In<kBands>(b)) return;
      m.ZoneAudio[z].EQUsed = 1;
      m.ZoneAudio[z].Band[b] = Low8(NumberOrFail(F3));
      return;
    }
    case 3: {
      memo3.AppendLine(Join({"Zone: ", F1, " Bass: ", F2, " Treble: ", F3}));
      const auto z = NumberOrFail(F1);
      if (!In<kZones>(z)) return;
      // Negated in 64 bits: minus the smallest 32-bit value does not fit.
      m.ZoneAudio[z].Bass = Low8(-std::int64_t{NumberOrFail(F2)});
      m.ZoneAudio[z].Treble = Low8(-std::int64_t{NumberOrFail(F3)});
      return;
    }
    case 4:
    case 5: {
      memo3.AppendLine(Join({"Zone: ", F1, form == 4 ? " Left Balance: " : " Right Balance: ", F2}));
      const auto z = NumberOrFail(F1);
      if (!In<kZones>(z)) return;
      const std::int64_t balance = NumberOrFail(F2);
      m.ZoneAudio[z].Balance = Low8(form == 4 ? -balance : balance);
      return;
    }
    case 6: {
      memo3.AppendLine(Join({"Zone: ", F1, " Mode: ", F2}));
      const auto z = NumberOrFail(F1);
      if (!In<kZones>(z)) return;
      m.ZoneAudio[z].EQUsed = 1;
      m.ZoneAudio[z].DSPMode = Low8(NumberOrFail(F2));
      return;
    }
    case 7: {
      memo3.AppendLine(Join({"Zone: ", F1, " Lowpass: ", F2}));
      const auto z = NumberOrFail(F1);
      if (!In<kZones>(z)) return;
      m.ZoneAudio[z].Lowpass = NumberOrFail(F2);
      return;
    }
    case 8: {
      memo3.AppendLine(Join({"Zone: ", F1, " Locked: ", F2}));
      const auto z = NumberOrFail(F1);
      if (!In<kZones>(z)) return;
      m.ZoneAudio[z].VolumeLock = F2 == "1" ? 1 : 0;
      return;
    }
    case 9: {
      memo3.AppendLine(Join({"Zone: ", F1, " System EQ: ", F2}));
      const auto z = NumberOrFail(F1);
      if (!In<kZones>(z)) return;
      m.ZoneAudio[z].SystemEQ = Low8(NumberOrFail(F2));
      return;
    }
    case 10: {
      memo3.AppendLine(Join({"EQ Preset: ", F1, " Name: ", F2}));
      if (F2.empty()) return;
      const auto n = NumberOrFail(F1);
      if (In<kPresets>(n)) m.EQPresets[n].Name = F2;  // preset names are kept whole
      return;
    }
    case 11: {
      memo3.AppendLine(Join({"EQ: ", F1, " Band: ", F2, " Level: ", F3}));
      const auto n = NumberOrFail(F1);
      const auto b = NumberOrFail(F2);
      if (!In<kPresets>(n) || !In<kBands>(b)) return;
      m.EQPresets[n].Band[b] = Low8(NumberOrFail(F3));
      return;
    }
    case 12: {
      memo3.AppendLine(Join({"Favorite: ", F1, " Name: ", F2}));
      if (F2.empty()) return;
      const auto n = NumberOrFail(F1);
      if (In<kFavorites>(n)) m.FavoriteNames[n] = CutName(F2);
      return;
    }
    case 13: {
      memo3.AppendLine(Join({"Group: ", F1, " Name: ", F2}));
      if (F2.empty()) return;
      const auto n = NumberOrFail(F1);
      if (In<kGroups>(n)) m.GroupNames[n] = CutName(F2);
      return;
    }
    case 14: {
      memo3.AppendLine(Join({"Zone: ", F1, " Name: ", F2}));
      const auto z = NumberOrFail(F1);  // needed for the count, name or not
      if (!F2.empty() && In<kZones>(z)) {
        m.ZoneNames[z] = CutName(F2);
        m.ZoneList.Items.push_back(" " + m.ZoneNames[z]);
      }
      Raise(m.ZoneCount, z, kZones);
      return;
    }
    case 15: {
      memo3.AppendLine(Join({"Source: ", F1, " Name: ", F2}));
      const auto s = NumberOrFail(F1);
      if (!F2.empty() && In<kSources>(s)) m.SourceNames[s] = CutName(F2);
      Raise(m.SourceCount, s, kSources);
      return;
    }
    case 16: {
      memo3.AppendLine(Join({"Restrict - Zone: ", F1, " Source: ", F2}));
      const auto z = NumberOrFail(F1);
      const auto s = NumberOrFail(F2);
      if (In<kZones>(z) && In<kSources>(s)) m.RestrictionMark(z, s) = "R";
      return;
    }
    case 17: {
      memo3.AppendLine(Join({"Group: ", F1, " Zone: ", F2}));
      const auto g = NumberOrFail(F1);
      const auto z = NumberOrFail(F2);
      if (In<kGroups>(g) && In<kZones>(z)) m.GroupMark(z, g) = "G";
      return;
    }
    case 18:
    case 19:
    case 20: {
      static constexpr std::string_view kHeads[] = {"Favorite Audio: ", "Favorite Video: ", "Favorite: "};
      static constexpr std::string_view kCells[] = {"A", "V", "C"};
      memo3.AppendLine(Join({kHeads[form - 18], F1, " - Zone: ", F2, " Source: ", F3}));
      const auto fav = NumberOrFail(F1);
      const auto z = NumberOrFail(F2);
      const auto s = NumberOrFail(F3);
      if (In<kFavorites>(fav) && In<kZones>(z) && In<kSources>(s))
        m.FavoriteStore.Cell(fav, s, z).Set(kCells[form - 18]);
      return;
    }
    case 21:
      memo3.AppendLine(Join({"Front Panel: ", F1}));
      m.Options.FrontPanelLock = F1 == "1";
      return;
    case 22:
      memo3.AppendLine(Join({"IR Lockout: ", F1}));
      m.Options.IRLockout = F1 == "1";
      return;
    case 23: {
      memo3.AppendLine(Join({"Display: ", F1}));
      const int level = std::clamp<int>(Low8(NumberOrFail(F1)), 0, kLevels - 1);
      m.Options.DisplayLevel = level;
      m.Options.DisplayLabel = "Level:" + m.LevelNames[static_cast<std::size_t>(level)];
      return;
    }
    case 24:
      memo3.AppendLine(Join({"DHCP: ", F1}));
      m.Options.DHCPEnabled = F1 == "1";
      return;
    case 25:
      memo3.AppendLine(Join({"IP: ", F1}));
      if (!F1.empty()) m.Options.IPAddress = F1;
      return;
    case 26:
      memo3.AppendLine(Join({"Netmask: ", F1}));
      if (!F1.empty()) m.Options.Netmask = F1;
      return;
    case 27:
      memo3.AppendLine(Join({"Gateway: ", F1}));
      if (!F1.empty()) m.Options.Gateway = F1;
      return;
    default:  // 28 to 32: replies and echoes of the unit, taken silently
      return;
  }
}

}  // namespace

CommandFields SplitFields(std::string_view text) {
  CommandFields fields;
  std::string* const slots[] = {&fields.F1, &fields.F2, &fields.F3};
  // With a byte 255 added at the end, every piece ends at one.
  for (std::string* slot : slots) {
    std::size_t cut = text.find('\xFF');
    *slot = text.substr(0, cut);
    if (cut == std::string_view::npos) break;
    text.remove_prefix(cut + 1);
  }
  return fields;
}

void ApplyCommand(ConfigModel& model, TextLog& memo3, std::string_view line, int form,
                  const CommandFields& fields) {
  bool handled = false;
  if (form >= 1 && form <= kCommandForms) {
    try {
      Apply(model, memo3, form, fields);
      handled = true;
    } catch (const ParseFailure&) {
      memo3.AppendLine(Join({"Error parsing: ", line}));
    }
  }
  if (!handled) memo3.AppendLine(Join({"Didn't Handle: ", line}));
}

void ReadCommand(ConfigModel& model, TextLog& memo3, std::string_view line) {
  const CommandMatch match = MatchCommand(line);
  ApplyCommand(model, memo3, line, match.form, FieldsOf(match));
}

}  // namespace zem
