#include "command/command_writer.h"

#include <algorithm>
#include <string_view>

namespace zem {
namespace {

std::string QuotedName(std::string_view name) {
  std::string cut = CutName(name);
  if (cut.empty()) cut = " ";
  return "\"" + cut + "\"";
}

std::string Num(int n) { return std::to_string(n); }

void WriteZoneBlock(const ConfigModel& m, int z, std::vector<std::string>& out) {
  out.emplace_back();
  out.push_back("[NO" + Num(z) + QuotedName(m.ZoneNames[z]) + "]");
  const ZoneAudioRec& a = m.ZoneAudio[z];
  if (a.EQUsed == 0) return;
  out.push_back("[VO" + Num(z) + "R" + Num(a.Volume) + "]");
  if (a.DSPMode < 0) return;
  out.push_back("[EO" + Num(z) + "M" + Num(a.DSPMode) + "]");
  if (a.Balance < 0) {
    out.push_back("[BO" + Num(z) + "L" + Num(-a.Balance) + "]");
  } else {
    out.push_back("[BO" + Num(z) + "R" + Num(a.Balance) + "]");
  }
  switch (a.DSPMode) {
    case 1:
      for (int b = 1; b <= kBands; ++b)
        out.push_back("[EO" + Num(z) + "B" + Num(b) + "L" + Num(a.Band[b]) + "]");
      break;
    case 2:
      if (a.SystemEQ > 0) out.push_back("[EO" + Num(z) + "P" + Num(a.SystemEQ) + "]");
      break;
    case 3:
      out.push_back("[TO" + Num(z) + "B" + Num(-a.Bass) + "T" + Num(-a.Treble) + "]");
      break;
    case 4:
      out.push_back("[EO" + Num(z) + "LP" + Num(a.Lowpass) + "]");
      break;
    default:
      break;
  }
}

}  // namespace

std::vector<std::string> BuildCommandSequence(const ConfigModel& m) {
  std::vector<std::string> out;
  out.reserve(8192);
  // The counts never exceed the tables, but a model edited by hand might.
  const int zones = std::min(m.ZoneCount, kZones);
  const int sources = std::min(m.SourceCount, kSources);

  out.push_back("[SD" + Num(m.Options.DisplayLevel) + "]");
  out.push_back(m.Options.FrontPanelLock ? "[FPL1]" : "[FPL0]");
  out.push_back(m.Options.IRLockout ? "[IRL1]" : "[IRL0]");
  out.emplace_back();

  for (int s = 1; s <= sources; ++s) out.push_back("[NI" + Num(s) + QuotedName(m.SourceNames[s]) + "]");
  for (int z = 1; z <= zones; ++z) WriteZoneBlock(m, z, out);

  out.push_back("[RAR]");
  out.emplace_back();
  for (int z = 1; z <= zones; ++z)
    for (int s = 1; s <= sources; ++s)
      if (m.RestrictionMark(z, s) == "R") out.push_back("[RPO" + Num(z) + "I" + Num(s) + "]");

  out.push_back("[GAR]");
  for (int z = 1; z <= zones; ++z)
    for (int g = 1; g <= kGroups; ++g)
      if (m.GroupMark(z, g) == "G") out.push_back("[G" + Num(g) + "AO" + Num(z) + "]");
  out.emplace_back();

  out.push_back("[FAR]");
  for (int f = 1; f <= kFavorites; ++f) {
    for (int z = 1; z <= zones; ++z) {
      for (int s = 1; s <= sources; ++s) {
        const FavoriteCell& cell = m.FavoriteStore.Cell(f, s, z);
        const std::string prefix = "[F" + Num(f) + "AO" + Num(z);
        if (cell.Is('C')) {
          out.push_back(prefix + "I" + Num(s) + "]");
        } else if (cell.Is('A')) {
          out.push_back(prefix + "AI" + Num(s) + "]");
        } else if (cell.Is('V')) {
          out.push_back(prefix + "VI" + Num(s) + "]");
        }
      }
    }
  }

  for (int n = 1; n <= kFavorites; ++n) out.push_back("[NF" + Num(n) + QuotedName(m.FavoriteNames[n]) + "]");
  for (int n = 1; n <= kGroups; ++n) out.push_back("[NG" + Num(n) + QuotedName(m.GroupNames[n]) + "]");

  if (m.Options.DHCPEnabled) {
    out.push_back("[DHCP1]");
  } else {
    out.push_back("[DHCP0]");
    out.push_back("[IP" + m.Options.IPAddress + "]");
    out.push_back("[NM" + m.Options.Netmask + "]");
    out.push_back("[GW" + m.Options.Gateway + "]");
  }
  out.push_back("[EC]");
  return out;
}

std::string ZemFileText(const std::vector<std::string>& lines) {
  std::size_t size = 0;
  for (const auto& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

}  // namespace zem
