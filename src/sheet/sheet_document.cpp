#include "sheet/sheet_document.h"

#include <algorithm>
#include <map>

#include "command/command_writer.h"
#include "editor/zone_audio_logic.h"

namespace zem {
namespace {

bool IsBlank(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }

QString Joined(const std::vector<QString>& parts, const QString& none) {
  if (parts.empty()) return none;
  QString text;
  for (const QString& part : parts) text += (text.isEmpty() ? QString() : QStringLiteral(", ")) + part;
  return text;
}

QString Signed(int n) { return (n > 0 ? QStringLiteral("+") : QString()) + QString::number(n); }

QString OnOff(bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); }

// What the sheet reads from a configuration, within the counts an export keeps to.
struct Reading {
  explicit Reading(const ConfigModel& m)
      : model(m),
        unit(m.unit),
        sources(std::clamp(m.unit.SourceCount, 0, kSources)),
        zones(std::clamp(m.unit.ZoneCount, 0, kZones)) {}

  QString Source(int s) const { return SheetName(unit.SourceNames[s], "Source", s); }
  QString Zone(int z) const { return SheetName(unit.ZoneNames[z], "Zone", z); }
  QString Favorite(int f) const { return SheetName(unit.FavoriteNames[f], "Favorite", f); }
  QString Group(int g) const { return SheetName(unit.GroupNames[g], "Group", g); }
  // Preset names are not cut, as the unit keeps them whole.
  QString Preset(int p) const {
    const std::string& name = unit.EQPresets[p].Name;
    return IsBlank(name) ? QStringLiteral("Preset %1").arg(p) : SheetText(name);
  }

  const ConfigModel& model;
  const UnitConfiguration& unit;
  int sources;
  int zones;
};

BandCurve CurveOf(const NumberedTable<std::int8_t, kBands>& bands) {
  BandCurve curve{};
  for (int b = 1; b <= kBands; ++b) curve[static_cast<std::size_t>(b - 1)] = bands[b];
  return curve;
}

SheetBlock Table(std::vector<QString> header, std::vector<int> widths) {
  SheetBlock block;
  block.kind = SheetBlock::Kind::Table;
  block.table.header = std::move(header);
  block.table.widths = std::move(widths);
  return block;
}

SheetBlock Text(SheetBlock::Kind kind, QString text) {
  SheetBlock block;
  block.kind = kind;
  block.text = std::move(text);
  return block;
}

SheetSection TitleBlock(const Reading& r, const QString& title, QDate date) {
  const OptionsRec& o = r.unit.Options;
  SheetBlock facts;
  facts.kind = SheetBlock::Kind::Facts;
  facts.facts = {{"Date", date.toString(Qt::ISODate)},
                 {"Sources", QString::number(r.sources)},
                 {"Zones", QString::number(r.zones)}};
  if (o.DHCPEnabled) {
    facts.facts.emplace_back("Network", "DHCP");
  } else {
    facts.facts.emplace_back("IP address", SheetText(o.IPAddress));
    facts.facts.emplace_back("Netmask", SheetText(o.Netmask));
    facts.facts.emplace_back("Gateway", SheetText(o.Gateway));
  }
  facts.facts.emplace_back("Front-panel lock", OnOff(o.FrontPanelLock));
  facts.facts.emplace_back("IR lockout", OnOff(o.IRLockout));
  const auto& levels = r.model.screen.LevelNames;
  facts.facts.emplace_back("Display brightness",
                           o.DisplayLevel >= 0 && o.DisplayLevel < kLevels
                               ? SheetText(levels[static_cast<std::size_t>(o.DisplayLevel)])
                               : QStringLiteral("level %1").arg(o.DisplayLevel));
  return SheetSection{title, {std::move(facts)}};
}

SheetSection Sources(const Reading& r) {
  SheetBlock table = Table({"No.", "Name"}, {1, 8});
  for (int s = 1; s <= r.sources; ++s) table.table.rows.push_back({{QString::number(s)}, {r.Source(s)}});
  return SheetSection{"Sources", {std::move(table)}};
}

// A zone's DSP mode and its settings in words, as its export block holds them.
QString DspWords(const Reading& r, const ZoneAudioRec& a) {
  if (a.DSPMode < 0) return QStringLiteral("no DSP mode");
  const std::optional<DspMode> mode = DspModeOf(a.DSPMode);
  if (!mode) return QStringLiteral("mode %1").arg(a.DSPMode);
  switch (*mode) {
    case DspMode::Off:  // the mode list's own words
      return SheetText(DspModeName(*mode));
    case DspMode::Equalizer:
      return QStringLiteral("ZQ");
    case DspMode::SystemPreset:
      // The system EQ preset is a position in the list of presets, from 0.
      if (a.SystemEQ < 0 || a.SystemEQ >= kPresets) return QStringLiteral("Preset: none");
      return QStringLiteral("Preset: ") + r.Preset(a.SystemEQ + 1);
    case DspMode::Tone:
      // Kept negated, as the sliders hold them.
      return QStringLiteral("Tone: bass %1, treble %2").arg(Signed(-a.Bass), Signed(-a.Treble));
    case DspMode::Lowpass:
      return QStringLiteral("Lowpass %1 Hz").arg(a.Lowpass);
  }
  return QString();
}

QString BalanceWords(int balance) {
  if (balance < 0) return QStringLiteral("L %1").arg(-balance);
  if (balance > 0) return QStringLiteral("R %1").arg(balance);
  return QStringLiteral("centre");
}

SheetSection Zones(const Reading& r) {
  SheetBlock table = Table({"No.", "Name", "Groups", "Restricted sources", "DSP", "Volume", "Balance"},
                           {3, 8, 8, 10, 14, 5, 5});
  for (int z = 1; z <= r.zones; ++z) {
    std::vector<QString> groups, restricted;
    for (int g = 1; g <= kGroups; ++g)
      if (r.unit.GroupMark(z, g) == "G") groups.push_back(r.Group(g));
    for (int s = 1; s <= r.sources; ++s)
      if (r.unit.RestrictionMark(z, s) == "R") restricted.push_back(r.Source(s));
    const ZoneAudioRec& a = r.unit.ZoneAudio[z];
    std::vector<SheetCell> row{
        {QString::number(z)}, {r.Zone(z)}, {Joined(groups, "")}, {Joined(restricted, "")}};
    if (a.EQUsed == 0) {
      row.insert(row.end(), {{"no audio settings"}, {}, {}});
    } else {
      row.push_back({DspWords(r, a)});
      row.push_back({QStringLiteral("%1 dB").arg(a.Volume)});
      row.push_back({a.DSPMode < 0 ? QString() : BalanceWords(a.Balance)});
    }
    table.table.rows.push_back(std::move(row));
  }
  return SheetSection{"Zones", {std::move(table)}};
}

// One picture for each curve of the zones in ZQ mode, captioned with the
// names of every zone that has it, in the order the zones come.
SheetSection ZoneCurves(const Reading& r) {
  std::vector<std::pair<BandCurve, std::vector<QString>>> curves;
  std::map<BandCurve, std::size_t> place;
  for (int z = 1; z <= r.zones; ++z) {
    const ZoneAudioRec& a = r.unit.ZoneAudio[z];
    if (a.EQUsed == 0 || a.DSPMode != static_cast<int>(DspMode::Equalizer)) continue;
    const BandCurve curve = CurveOf(a.Band);
    const auto [at, added] = place.try_emplace(curve, curves.size());
    if (added) curves.push_back({curve, {}});
    curves[at->second].second.push_back(r.Zone(z));
  }
  SheetSection section{"ZQ curves", {}};
  if (curves.empty()) {
    section.blocks.push_back(Text(SheetBlock::Kind::Paragraph, "No zone is in ZQ mode."));
    return section;
  }
  SheetBlock table = Table({"Curve (32 Hz to 16 kHz)", "Zones"}, {1, 2});
  for (auto& [curve, names] : curves) table.table.rows.push_back({{QString(), curve}, {Joined(names, "")}});
  section.blocks.push_back(std::move(table));
  return section;
}

QString RouteWords(const FavoriteCell& cell) {
  if (cell.Is('C')) return QStringLiteral("audio and video");
  if (cell.Is('A')) return QStringLiteral("audio");
  if (cell.Is('V')) return QStringLiteral("video");
  return QString();
}

SheetSection Favorites(const Reading& r) {
  SheetSection section{"Favorites", {}};
  std::vector<QString> unrouted;
  for (int f = 1; f <= kFavorites; ++f) {
    SheetBlock table = Table({"Zone", "Source", "Carries"}, {3, 3, 2});
    for (int z = 1; z <= r.zones; ++z) {
      for (int s = 1; s <= r.sources; ++s) {
        const QString route = RouteWords(r.unit.FavoriteStore.Cell(f, s, z));
        if (!route.isEmpty()) table.table.rows.push_back({{r.Zone(z)}, {r.Source(s)}, {route}});
      }
    }
    if (table.table.rows.empty()) {
      unrouted.push_back(r.Favorite(f));
      continue;
    }
    section.blocks.push_back(
        Text(SheetBlock::Kind::Subheading, QStringLiteral("%1: ").arg(f) + r.Favorite(f)));
    section.blocks.push_back(std::move(table));
  }
  if (!unrouted.empty())
    section.blocks.push_back(Text(SheetBlock::Kind::Paragraph, "Without a route: " + Joined(unrouted, "")));
  return section;
}

SheetSection Groups(const Reading& r) {
  SheetBlock table = Table({"No.", "Name", "Members"}, {1, 3, 8});
  for (int g = 1; g <= kGroups; ++g) {
    std::vector<QString> members;
    for (int z = 1; z <= r.zones; ++z)
      if (r.unit.GroupMark(z, g) == "G") members.push_back(r.Zone(z));
    table.table.rows.push_back({{QString::number(g)}, {r.Group(g)}, {Joined(members, "none")}});
  }
  return SheetSection{"Groups", {std::move(table)}};
}

bool HoldsAnything(const EQPresetsRec& preset) {
  const BandCurve curve = CurveOf(preset.Band);
  return !IsBlank(preset.Name) || std::any_of(curve.begin(), curve.end(), [](int band) { return band != 0; });
}

// Only the presets that hold something: a configuration file carries none.
std::optional<SheetSection> Presets(const Reading& r) {
  SheetBlock table = Table({"No.", "Name", "Curve (32 Hz to 16 kHz)"}, {1, 4, 6});
  for (int p = 1; p <= kPresets; ++p) {
    const EQPresetsRec& preset = r.unit.EQPresets[p];
    if (HoldsAnything(preset))
      table.table.rows.push_back({{QString::number(p)}, {r.Preset(p)}, {QString(), CurveOf(preset.Band)}});
  }
  if (table.table.rows.empty()) return std::nullopt;
  return SheetSection{"EQ presets", {std::move(table)}};
}

}  // namespace

QString SheetText(std::string_view bytes) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsControlByte(byte) || (byte >= 128 && byte < 160)) {
      text += QStringLiteral("\\x") + QString::number(byte, 16).toUpper().rightJustified(2, QChar('0'));
    } else {
      text += QChar(byte);
    }
  }
  return text;
}

QString SheetName(std::string_view name, const char* word, int number) {
  const std::string written = WrittenName(name);
  if (IsBlank(written)) return QStringLiteral("%1 %2").arg(QLatin1String(word)).arg(number);
  return SheetText(written);
}

int SheetDocument::CurveCount() const {
  int count = 0;
  for (const SheetSection& section : sections)
    for (const SheetBlock& block : section.blocks)
      for (const auto& row : block.table.rows)
        for (const SheetCell& cell : row) count += cell.curve ? 1 : 0;
  return count;
}

SheetDocument BuildSheet(const ConfigModel& model, const QString& title, QDate date) {
  const Reading r(model);
  SheetDocument sheet;
  sheet.title = title.trimmed().isEmpty() ? kDefaultSheetTitle : title;
  sheet.sections = {
      TitleBlock(r, sheet.title, date), Sources(r), Zones(r), ZoneCurves(r), Favorites(r), Groups(r)};
  if (std::optional<SheetSection> presets = Presets(r)) sheet.sections.push_back(std::move(*presets));
  return sheet;
}

}  // namespace zem
