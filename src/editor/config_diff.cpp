#include "editor/config_diff.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string_view>
#include <utility>

#include "editor/unit_names.h"
#include "editor/zone_audio_logic.h"

namespace zem {
namespace {

// How a value is worded in a line.
enum class Format : std::uint8_t {
  Number,   // 12
  Name,     // "Deck", escaped
  Decibel,  // -20 dB
  Gain,     // +3, 0, -3
  Hertz,    // 80 Hz
  Level,    // 75% (the display brightness)
  Balance,  // left 10 dB, centre, right 10 dB
  Mode,     // Tone Controls
  OnOff,    // on, off
  Plain,    // the text as it is
};

constexpr std::array<std::string_view, kLevels> kLevelWords = {"100%", "75%", "50%", "25%"};

DifferenceValue Nothing() { return DifferenceValue{}; }
DifferenceValue Number(long long n) { return DifferenceValue{DifferenceValue::Kind::Number, n, {}}; }
DifferenceValue Flag(bool on) { return DifferenceValue{DifferenceValue::Kind::Flag, on ? 1 : 0, {}}; }
DifferenceValue Text(std::string text) {
  return DifferenceValue{DifferenceValue::Kind::Text, 0, std::move(text)};
}

std::string SignedNumber(long long n) { return (n > 0 ? "+" : "") + std::to_string(n); }

std::string Worded(const DifferenceValue& v, Format format) {
  if (v.kind == DifferenceValue::Kind::None) return "none";
  const long long n = v.number;
  switch (format) {
    case Format::Number:
      return std::to_string(n);
    case Format::Name:
      return QuotedName(v.text);
    case Format::Decibel:
      return std::to_string(n) + " dB";
    case Format::Gain:
      return SignedNumber(n);
    case Format::Hertz:
      return std::to_string(n) + " Hz";
    case Format::Level:
      if (n >= 0 && n < kLevels) return std::string(kLevelWords[static_cast<std::size_t>(n)]);
      return "level " + std::to_string(n);
    case Format::Balance:
      if (n < 0) return "left " + std::to_string(-n) + " dB";
      if (n > 0) return "right " + std::to_string(n) + " dB";
      return "centre";
    case Format::Mode:
      // The values come from a record's single byte.
      if (const std::optional<DspMode> mode = DspModeOf(static_cast<int>(n)))
        return std::string(DspModeName(*mode));
      return "mode " + std::to_string(n);
    case Format::OnOff:
      return n ? "on" : "off";
    case Format::Plain:
      return v.text;
  }
  return std::string();
}

// A name as an export writes it between its quotes: cut, and never empty.
std::string WrittenName(std::string_view name) {
  std::string cut = CutName(name);
  if (cut.empty()) cut = " ";
  return cut;
}

// One side of the comparison: what its export holds. A model without a
// configuration (no source count) exports nothing at all.
struct Side {
  explicit Side(const ConfigModel& model)
      : m(model),
        present(model.unit.SourceCount != -1),
        sources(present ? std::clamp(model.unit.SourceCount, 0, kSources) : 0),
        zones(present ? std::clamp(model.unit.ZoneCount, 0, kZones) : 0) {}

  const ConfigModel& m;
  bool present;
  int sources;
  int zones;
};

// A zone's audio values as its block in an export writes them.
struct ZoneAudioValues {
  DifferenceValue volume, mode, balance, systemEQ, bass, treble, lowpass;
  std::array<DifferenceValue, kBands> bands;
};

ZoneAudioValues AudioOf(const Side& side, int z) {
  ZoneAudioValues v;
  if (z > side.zones) return v;
  const ZoneAudioRec& a = side.m.unit.ZoneAudio[z];
  if (a.EQUsed == 0) return v;
  v.volume = Number(a.Volume);
  if (a.DSPMode < 0) return v;
  v.mode = Number(a.DSPMode);
  v.balance = Number(a.Balance);
  // A number no mode has writes the mode line alone.
  switch (DspModeOf(a.DSPMode).value_or(DspMode::Off)) {
    case DspMode::Off:
      break;
    case DspMode::Equalizer:
      for (int b = 1; b <= kBands; ++b) v.bands[static_cast<std::size_t>(b - 1)] = Number(a.Band[b]);
      break;
    case DspMode::SystemPreset:
      if (a.SystemEQ > 0) v.systemEQ = Number(a.SystemEQ);
      break;
    case DspMode::Tone:
      // Kept negated, as the sliders hold them; their labels show the gain.
      v.bass = Number(-int{a.Bass});
      v.treble = Number(-int{a.Treble});
      break;
    case DspMode::Lowpass:
      v.lowpass = Number(a.Lowpass);
      break;
  }
  return v;
}

// The stored favorite of one zone, over the side's sources: "C from source 2".
DifferenceValue FavoriteOf(const Side& side, int f, int z) {
  if (z > side.zones) return Nothing();
  std::string text;
  for (int s = 1; s <= side.sources; ++s) {
    const char* letter = RouteLetter(side.m.unit.FavoriteStore.Cell(f, s, z));
    if (!letter) continue;
    if (!text.empty()) text += ", ";
    text += letter;
    text += " from source ";
    text += std::to_string(s);
  }
  return text.empty() ? Nothing() : Text(std::move(text));
}

class Comparison {
 public:
  Comparison(const ConfigModel& before, const ConfigModel& after, ComparisonScope scope, NameBytes names)
      : b_(before),
        a_(after),
        unitOnly_(scope == ComparisonScope::WithUnitOnly),
        asUnitReturns_(names == NameBytes::AsUnitReturns) {}

  // How many names were compared without letters a unit cannot return.
  std::size_t NamesWithoutLetters() const { return withoutLetters_; }

  std::vector<ConfigDifference> Run() {
    if (!b_.present && !a_.present) return {};
    Counts();
    Sources();
    Zones();
    Restrictions();
    Groups();
    Favorites();
    if (unitOnly_) Presets();
    Options();
    return std::move(out_);
  }

 private:
  // A name of each side (none: that side writes no such name), worded as
  // written (`written`: cut, and never empty) and, against a unit, compared
  // as the unit returns it.
  void AddName(DiffTable table, int n, const std::string* x, const std::string* y, bool written = true) {
    const auto shown = [written](const std::string* name) {
      return name ? Text(written ? WrittenName(*name) : *name) : Nothing();
    };
    DifferenceValue before = shown(x);
    DifferenceValue after = shown(y);
    if (asUnitReturns_) {
      const auto returned = [written](DifferenceValue v) {
        v.text = AsUnitReturns(v.text);
        if (written && v.kind == DifferenceValue::Kind::Text) v.text = WrittenName(v.text);
        return v;
      };
      const DifferenceValue x2 = returned(before);
      const DifferenceValue y2 = returned(after);
      if (x2 != before || y2 != after) ++withoutLetters_;
      if (x2 == y2) return;
    }
    Add(table, {n}, "name", std::move(before), std::move(after), Format::Name);
  }

  void Add(DiffTable table, std::initializer_list<int> indices, std::string field, DifferenceValue before,
           DifferenceValue after, Format format) {
    if (before == after) return;
    ConfigDifference d;
    d.table = table;
    d.indices = indices;
    d.field = std::move(field);
    d.before = Worded(before, format);
    d.after = Worded(after, format);
    d.beforeValue = std::move(before);
    d.afterValue = std::move(after);
    out_.push_back(std::move(d));
  }

  static DifferenceValue CountOf(const Side& side, int count) {
    return side.present ? Number(count) : Nothing();
  }

  void Counts() {
    Add(DiffTable::Sources, {}, "", CountOf(b_, b_.sources), CountOf(a_, a_.sources), Format::Number);
    Add(DiffTable::Zones, {}, "", CountOf(b_, b_.zones), CountOf(a_, a_.zones), Format::Number);
  }

  void Sources() {
    const auto name = [](const Side& side, int s) {
      return s <= side.sources ? &side.m.unit.SourceNames[s] : nullptr;
    };
    for (int s = 1; s <= std::max(b_.sources, a_.sources); ++s)
      AddName(DiffTable::Source, s, name(b_, s), name(a_, s));
  }

  void Zones() {
    const auto name = [](const Side& side, int z) {
      return z <= side.zones ? &side.m.unit.ZoneNames[z] : nullptr;
    };
    const auto lock = [](const Side& side, int z) {
      return z <= side.zones ? Flag(side.m.unit.VolumeLocks[z] != 0) : Nothing();
    };
    for (int z = 1; z <= std::max(b_.zones, a_.zones); ++z) {
      AddName(DiffTable::Zone, z, name(b_, z), name(a_, z));
      ZoneAudioValues x = AudioOf(b_, z);
      ZoneAudioValues y = AudioOf(a_, z);
      Add(DiffTable::Zone, {z}, "volume", std::move(x.volume), std::move(y.volume), Format::Decibel);
      Add(DiffTable::Zone, {z}, "DSP mode", std::move(x.mode), std::move(y.mode), Format::Mode);
      Add(DiffTable::Zone, {z}, "balance", std::move(x.balance), std::move(y.balance), Format::Balance);
      for (int band = 1; band <= kBands; ++band) {
        const auto i = static_cast<std::size_t>(band - 1);
        Add(DiffTable::Zone, {z}, "band " + std::to_string(band), std::move(x.bands[i]),
            std::move(y.bands[i]), Format::Gain);
      }
      Add(DiffTable::Zone, {z}, "system EQ preset", std::move(x.systemEQ), std::move(y.systemEQ),
          Format::Number);
      Add(DiffTable::Zone, {z}, "bass", std::move(x.bass), std::move(y.bass), Format::Gain);
      Add(DiffTable::Zone, {z}, "treble", std::move(x.treble), std::move(y.treble), Format::Gain);
      Add(DiffTable::Zone, {z}, "lowpass", std::move(x.lowpass), std::move(y.lowpass), Format::Hertz);
      if (unitOnly_) Add(DiffTable::Zone, {z}, "volume lock", lock(b_, z), lock(a_, z), Format::OnOff);
    }
  }

  void Restrictions() {
    const auto mark = [](const Side& side, int z, int s) {
      return z <= side.zones && s <= side.sources && side.m.unit.RestrictionMark(z, s) == "R" ? Text("R")
                                                                                              : Nothing();
    };
    const int sources = std::max(b_.sources, a_.sources);
    for (int z = 1; z <= std::max(b_.zones, a_.zones); ++z)
      for (int s = 1; s <= sources; ++s)
        Add(DiffTable::Restriction, {z, s}, "", mark(b_, z, s), mark(a_, z, s), Format::Plain);
  }

  // Groups and favorites: a name each, and one value per zone.
  template <typename PerZone>
  void NamedByZone(DiffTable table, NumberedTable<std::string, kGroups> UnitConfiguration::*names,
                   PerZone perZone) {
    static_assert(kGroups == kFavorites);
    const auto name = [names](const Side& side, int n) {
      return side.present ? &(side.m.unit.*names)[n] : nullptr;
    };
    for (int n = 1; n <= kGroups; ++n) {
      AddName(table, n, name(b_, n), name(a_, n));
      for (int z = 1; z <= std::max(b_.zones, a_.zones); ++z)
        Add(table, {n, z}, "", perZone(b_, n, z), perZone(a_, n, z), Format::Plain);
    }
  }

  void Groups() {
    NamedByZone(DiffTable::Group, &UnitConfiguration::GroupNames, [](const Side& side, int g, int z) {
      return z <= side.zones && side.m.unit.GroupMark(z, g) == "G" ? Text("G") : Nothing();
    });
  }

  void Favorites() { NamedByZone(DiffTable::Favorite, &UnitConfiguration::FavoriteNames, FavoriteOf); }

  void Presets() {
    const auto name = [](const Side& side, int p) {
      return side.present ? &side.m.unit.EQPresets[p].Name : nullptr;
    };
    const auto band = [](const Side& side, int p, int b) {
      return side.present ? Number(side.m.unit.EQPresets[p].Band[b]) : Nothing();
    };
    for (int p = 1; p <= kPresets; ++p) {
      AddName(DiffTable::EQPreset, p, name(b_, p), name(a_, p), false);
      for (int b = 1; b <= kBands; ++b)
        Add(DiffTable::EQPreset, {p}, "band " + std::to_string(b), band(b_, p, b), band(a_, p, b),
            Format::Gain);
    }
  }

  void Options() {
    const auto options = [](const Side& side) { return side.present ? &side.m.unit.Options : nullptr; };
    const OptionsRec* x = options(b_);
    const OptionsRec* y = options(a_);
    const auto level = [](const OptionsRec* o) { return o ? Number(o->DisplayLevel) : Nothing(); };
    const auto flag = [](const OptionsRec* o, bool OptionsRec::*member) {
      return o ? Flag(o->*member) : Nothing();
    };
    // The addresses are written only while DHCP is off.
    const auto address = [](const OptionsRec* o, std::string OptionsRec::*member) {
      return o && !o->DHCPEnabled ? Text(o->*member) : Nothing();
    };
    Add(DiffTable::Options, {}, "display level", level(x), level(y), Format::Level);
    Add(DiffTable::Options, {}, "front panel lock", flag(x, &OptionsRec::FrontPanelLock),
        flag(y, &OptionsRec::FrontPanelLock), Format::OnOff);
    Add(DiffTable::Options, {}, "IR lockout", flag(x, &OptionsRec::IRLockout),
        flag(y, &OptionsRec::IRLockout), Format::OnOff);
    Add(DiffTable::Options, {}, "DHCP", flag(x, &OptionsRec::DHCPEnabled), flag(y, &OptionsRec::DHCPEnabled),
        Format::OnOff);
    Add(DiffTable::Options, {}, "IP address", address(x, &OptionsRec::IPAddress),
        address(y, &OptionsRec::IPAddress), Format::Name);
    Add(DiffTable::Options, {}, "netmask", address(x, &OptionsRec::Netmask), address(y, &OptionsRec::Netmask),
        Format::Name);
    Add(DiffTable::Options, {}, "gateway", address(x, &OptionsRec::Gateway), address(y, &OptionsRec::Gateway),
        Format::Name);
  }

  Side b_;
  Side a_;
  bool unitOnly_;
  bool asUnitReturns_;
  std::size_t withoutLetters_ = 0;
  std::vector<ConfigDifference> out_;
};

void AppendHexEscape(std::string& out, unsigned char c) {
  constexpr std::string_view kHex = "0123456789ABCDEF";
  out += "\\x";
  out += kHex[c >> 4];
  out += kHex[c & 0xF];
}

bool IsControl(unsigned char c) { return c < 32 || c == 127; }

}  // namespace

std::string_view DiffTableWord(DiffTable table) {
  switch (table) {
    case DiffTable::Sources:
      return "sources";
    case DiffTable::Zones:
      return "zones";
    case DiffTable::Source:
      return "source";
    case DiffTable::Zone:
      return "zone";
    case DiffTable::Restriction:
      return "restriction";
    case DiffTable::Group:
      return "group";
    case DiffTable::Favorite:
      return "favorite";
    case DiffTable::EQPreset:
      return "EQ preset";
    case DiffTable::Options:
      return "options";
  }
  return "options";
}

std::vector<ConfigDifference> CompareConfigurations(const ConfigModel& before, const ConfigModel& after) {
  return CompareConfigurations(before, after, ComparisonScope::Exported);
}

std::vector<ConfigDifference> CompareConfigurations(const ConfigModel& before, const ConfigModel& after,
                                                    ComparisonScope scope) {
  return CompareConfigurations(before, after, scope, NameBytes::Exact);
}

std::vector<ConfigDifference> CompareConfigurations(const ConfigModel& before, const ConfigModel& after,
                                                    ComparisonScope scope, NameBytes names,
                                                    std::size_t* withoutLetters) {
  Comparison comparison(before, after, scope, names);
  std::vector<ConfigDifference> differences = comparison.Run();
  if (withoutLetters) *withoutLetters = comparison.NamesWithoutLetters();
  return differences;
}

std::vector<ConfigDifference> CompareForReport(const ConfigModel& before, const ConfigModel& after,
                                               ComparisonScope scope, bool fromUnit, std::string* namesNote) {
  std::size_t withoutLetters = 0;
  std::vector<ConfigDifference> differences = CompareConfigurations(
      before, after, scope, fromUnit ? NameBytes::AsUnitReturns : NameBytes::Exact, &withoutLetters);
  if (namesNote) *namesNote = withoutLetters > 0 ? ComparedWithoutLettersNote(withoutLetters) : std::string();
  return differences;
}

std::string QuotedName(const std::string& name) {
  std::string quoted;
  quoted.reserve(name.size() + 2);
  quoted += '"';
  for (const char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (IsControl(c)) {
      AppendHexEscape(quoted, c);
    } else {
      if (ch == '"' || ch == '\\') quoted += '\\';
      quoted += ch;
    }
  }
  quoted += '"';
  return quoted;
}

std::string DifferenceLine(const ConfigDifference& d) {
  std::string line(DiffTableWord(d.table));
  // The words between a table's numbers: "restriction zone 9 source 4",
  // "favorite 3 zone 7", "zone 12".
  const bool restriction = d.table == DiffTable::Restriction;
  for (std::size_t i = 0; i < d.indices.size(); ++i) {
    if (restriction && i < 2) {
      line += i == 0 ? " zone" : " source";
    } else if (i == 1) {
      line += " zone";
    }
    line += ' ';
    line += std::to_string(d.indices[i]);
  }
  if (!d.field.empty()) {
    line += ' ';
    line += d.field;
  }
  line += ": ";
  line += d.before;
  line += " -> ";
  line += d.after;
  // The values come worded and escaped; a difference put together by hand
  // still never breaks the line.
  if (std::none_of(line.begin(), line.end(), [](char c) { return IsControl(static_cast<unsigned char>(c)); }))
    return line;
  std::string safe;
  safe.reserve(line.size() + 8);
  for (const char ch : line) {
    if (IsControl(static_cast<unsigned char>(ch))) {
      AppendHexEscape(safe, static_cast<unsigned char>(ch));
    } else {
      safe += ch;
    }
  }
  return safe;
}

// Whether a faithful unit would hold what `sent` has for this difference:
// only what the export wrote counts. An export cannot lower the unit's counts
// nor clear what lies beyond its own sources and zones, and it writes a
// zone's audio values only as far as the zone has them; the restriction,
// group and favorite blocks are emptied before their entries, so every mark
// within the counts is sent.
bool ExportSets(const ConfigDifference& d, const ConfigModel& sent) {
  const int sources = std::clamp(sent.unit.SourceCount, 0, kSources);
  const int zones = std::clamp(sent.unit.ZoneCount, 0, kZones);
  const auto index = [&](std::size_t i) { return i < d.indices.size() ? d.indices[i] : 0; };
  switch (d.table) {
    case DiffTable::Sources:
    case DiffTable::Zones:
      // Fewer on the unit: something sent is missing. More: not sent.
      return d.afterValue.kind != DifferenceValue::Kind::Number || d.afterValue.number < d.beforeValue.number;
    case DiffTable::Source:
      return index(0) <= sources;
    case DiffTable::Zone:
      return index(0) <= zones && d.beforeValue.kind != DifferenceValue::Kind::None;
    case DiffTable::Restriction:
      return index(0) <= zones && index(1) <= sources;
    case DiffTable::Group:
    case DiffTable::Favorite:
      return d.indices.size() < 2 || index(1) <= zones;
    case DiffTable::EQPreset:
    case DiffTable::Options:
      return true;
  }
  return true;
}

std::vector<ConfigDifference> DifferencesAfterExport(const ConfigModel& sent, const ConfigModel& unit,
                                                     std::size_t* leftOut, std::size_t* withoutLetters) {
  std::vector<ConfigDifference> differences =
      CompareConfigurations(sent, unit, ComparisonScope::Exported, NameBytes::AsUnitReturns, withoutLetters);
  const std::size_t all = differences.size();
  std::erase_if(differences, [&](const ConfigDifference& d) { return !ExportSets(d, sent); });
  if (leftOut) *leftOut = all - differences.size();
  return differences;
}

}  // namespace zem
