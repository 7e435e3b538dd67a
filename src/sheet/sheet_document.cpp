#include "sheet/sheet_document.h"

#include <algorithm>
#include <map>
#include <tuple>

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

  // Names in the tables of their own, beside their numbers.
  QString Source(int s) const { return SheetName(unit.SourceNames[s], "Source", s); }
  QString Zone(int z) const { return SheetName(unit.ZoneNames[z], "Zone", z); }
  QString Group(int g) const { return SheetName(unit.GroupNames[g], "Group", g); }
  // Names anywhere else, with their numbers, so that two rooms of one name
  // can be told apart.
  QString SourceRef(int s) const { return SheetReference(unit.SourceNames[s], "Source", s); }
  QString ZoneRef(int z) const { return SheetReference(unit.ZoneNames[z], "Zone", z); }
  QString FavoriteRef(int f) const { return SheetReference(unit.FavoriteNames[f], "Favorite", f); }
  QString GroupRef(int g) const { return SheetReference(unit.GroupNames[g], "Group", g); }
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

SheetSection TitleBlock(const Reading& r, const QString& heading, const SheetTitleBlock& title, QDate date) {
  const OptionsRec& o = r.unit.Options;
  SheetBlock facts;
  facts.kind = SheetBlock::Kind::Facts;
  for (const auto& [label, text, lines] :
       {std::tuple{"Address", &title.address, false}, std::tuple{"Installer", &title.installer, false},
        std::tuple{"Contact", &title.contact, false}, std::tuple{"Notes", &title.notes, true}}) {
    const QString shown = SheetFieldText(*text, lines);
    if (!shown.trimmed().isEmpty()) facts.facts.emplace_back(label, shown);
  }
  facts.facts.insert(facts.facts.end(), {{"Date", date.toString(Qt::ISODate)},
                                         {"Sources", QString::number(r.sources)},
                                         {"Zones", QString::number(r.zones)}});
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
  return SheetSection{heading, {std::move(facts)}};
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
      if (r.unit.GroupMark(z, g) == "G") groups.push_back(r.GroupRef(g));
    for (int s = 1; s <= r.sources; ++s)
      if (r.unit.RestrictionMark(z, s) == "R") restricted.push_back(r.SourceRef(s));
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
    curves[at->second].second.push_back(r.ZoneRef(z));
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

// A source as a favorite routes it: its number, with "A" for audio only
// and "V" for video only; nothing where it is not routed.
QString RouteWords(Route route, int source) {
  switch (route) {
    case Route::Combined:
      return QString::number(source);
    case Route::Audio:
      return QStringLiteral("%1 A").arg(source);
    case Route::Video:
      return QStringLiteral("%1 V").arg(source);
    case Route::None:
    case Route::Restricted:
      break;
  }
  return QString();
}

// All ten favorites in one table: a row for each zone that one of them
// routes, a column for each favorite, the sources routed in the cells.
SheetSection Favorites(const Reading& r) {
  std::vector<QString> header{"Zone"};
  std::vector<int> widths{5};
  for (int f = 1; f <= kFavorites; ++f) {
    header.push_back(r.FavoriteRef(f));
    widths.push_back(3);
  }
  SheetBlock table = Table(std::move(header), std::move(widths));
  table.table.routes = true;
  for (int z = 1; z <= r.zones; ++z) {
    std::vector<SheetCell> row{{r.ZoneRef(z)}};
    bool routed = false;
    for (int f = 1; f <= kFavorites; ++f) {
      std::vector<QString> routes;
      for (int s = 1; s <= r.sources; ++s) {
        const QString route = RouteWords(r.unit.FavoriteStore.Cell(f, s, z), s);
        if (!route.isEmpty()) routes.push_back(route);
      }
      routed = routed || !routes.empty();
      row.push_back({Joined(routes, "")});
    }
    if (routed) table.table.rows.push_back(std::move(row));
  }
  SheetSection section{"Favorites", {}};
  if (table.table.rows.empty()) {
    section.blocks.push_back(Text(SheetBlock::Kind::Paragraph, "No favorite routes a source."));
    return section;
  }
  section.blocks.push_back(std::move(table));
  section.blocks.push_back(Text(SheetBlock::Kind::Paragraph,
                                "Each cell names the sources routed to the zone by number: a number alone "
                                "carries audio and video, \"A\" audio only, \"V\" video only."));
  return section;
}

SheetSection Groups(const Reading& r) {
  SheetBlock table = Table({"No.", "Name", "Members"}, {1, 3, 8});
  for (int g = 1; g <= kGroups; ++g) {
    std::vector<QString> members;
    for (int z = 1; z <= r.zones; ++z)
      if (r.unit.GroupMark(z, g) == "G") members.push_back(r.ZoneRef(z));
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

QString SheetReference(std::string_view name, const char* word, int number) {
  if (IsBlank(WrittenName(name))) return SheetName(name, word, number);
  return QString::number(number) + QLatin1Char(' ') + SheetName(name, word, number);
}

QString SheetFieldText(const QString& text, bool lines) {
  QString shown;
  shown.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (lines && (c == QLatin1Char('\n') || c == QLatin1Char('\r'))) {
      if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
      shown += QLatin1Char('\n');
    } else if (c.category() == QChar::Other_Control) {
      shown +=
          QStringLiteral("\\x") + QString::number(c.unicode(), 16).toUpper().rightJustified(2, QChar('0'));
    } else if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      shown += c;
      shown += text[++i];
    } else if (c.isSurrogate() || c.isNonCharacter()) {
      shown += QChar::ReplacementCharacter;  // no XML text may hold it
    } else {
      shown += c;
    }
  }
  if (!lines) return shown;
  // Blank lines before and after the text say nothing.
  QStringList kept = shown.split(QLatin1Char('\n'));
  while (!kept.isEmpty() && kept.front().trimmed().isEmpty()) kept.pop_front();
  while (!kept.isEmpty() && kept.back().trimmed().isEmpty()) kept.pop_back();
  return kept.join(QLatin1Char('\n'));
}

int SheetDocument::CurveCount() const {
  int count = 0;
  for (const SheetSection& section : sections)
    for (const SheetBlock& block : section.blocks)
      for (const auto& row : block.table.rows)
        for (const SheetCell& cell : row) count += cell.curve ? 1 : 0;
  return count;
}

SheetDocument BuildSheet(const ConfigModel& model, const SheetTitleBlock& title, QDate date) {
  const Reading r(model);
  SheetDocument sheet;
  const QString site = SheetFieldText(title.site);
  sheet.title = site.trimmed().isEmpty() ? kDefaultSheetTitle : site;
  sheet.sections = {
      TitleBlock(r, sheet.title, title, date), Sources(r), Zones(r), ZoneCurves(r), Favorites(r), Groups(r)};
  if (std::optional<SheetSection> presets = Presets(r)) sheet.sections.push_back(std::move(*presets));
  return sheet;
}

}  // namespace zem
