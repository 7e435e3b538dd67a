#include "command/command_writer.h"

#include <algorithm>
#include <string_view>

#include "command/command_table.h"

namespace zem {
namespace {

// The lines that open the blocks of restrictions, groups and favorites, and
// the one that ends the sequence: commands to the unit that carry no data
// and that the reader does not take.
constexpr std::string_view kRestrictionsBlock = "[RAR]";
constexpr std::string_view kGroupsBlock = "[GAR]";
constexpr std::string_view kFavoritesBlock = "[FAR]";
constexpr std::string_view kEnd = "[EC]";

void WriteZoneBlock(const ConfigModel& m, int z, std::vector<std::string>& out) {
  out.emplace_back();
  out.push_back(CommandLine(CommandForm::ZoneName, {z, WrittenName(m.unit.ZoneNames[z])}));
  const ZoneAudioRec& a = m.unit.ZoneAudio[z];
  if (a.EQUsed == 0) return;
  out.push_back(CommandLine(CommandForm::ZoneVolume, {z, a.Volume}));
  if (a.DSPMode < 0) return;
  out.push_back(CommandLine(CommandForm::ZoneDspMode, {z, a.DSPMode}));
  if (a.Balance < 0) {
    out.push_back(CommandLine(CommandForm::ZoneBalanceLeft, {z, -a.Balance}));
  } else {
    out.push_back(CommandLine(CommandForm::ZoneBalanceRight, {z, a.Balance}));
  }
  switch (a.DSPMode) {
    case 1:
      for (int b = 1; b <= kBands; ++b)
        out.push_back(CommandLine(CommandForm::ZoneEqBand, {z, b, a.Band[b]}));
      break;
    case 2:
      if (a.SystemEQ > 0) out.push_back(CommandLine(CommandForm::ZoneSystemEq, {z, a.SystemEQ}));
      break;
    case 3:
      out.push_back(CommandLine(CommandForm::ZoneBassTreble, {z, -a.Bass, -a.Treble}));
      break;
    case 4:
      out.push_back(CommandLine(CommandForm::ZoneLowpass, {z, a.Lowpass}));
      break;
    default:
      break;
  }
}

}  // namespace

std::string WrittenName(std::string_view name) {
  std::string cut = CutName(name);
  if (cut.empty()) cut = " ";
  return cut;
}

std::vector<std::string> BuildCommandSequence(const ConfigModel& m) {
  std::vector<std::string> out;
  out.reserve(8192);
  // The counts never exceed the tables, but a model edited by hand might.
  const int zones = std::min(m.unit.ZoneCount, kZones);
  const int sources = std::min(m.unit.SourceCount, kSources);

  out.push_back(CommandLine(CommandForm::DisplayLevel, {m.unit.Options.DisplayLevel}));
  out.push_back(CommandLine(CommandForm::FrontPanelLock, {m.unit.Options.FrontPanelLock ? 1 : 0}));
  out.push_back(CommandLine(CommandForm::IrLockout, {m.unit.Options.IRLockout ? 1 : 0}));
  out.emplace_back();

  for (int s = 1; s <= sources; ++s)
    out.push_back(CommandLine(CommandForm::SourceName, {s, WrittenName(m.unit.SourceNames[s])}));
  for (int z = 1; z <= zones; ++z) WriteZoneBlock(m, z, out);

  out.emplace_back(kRestrictionsBlock);
  out.emplace_back();
  for (int z = 1; z <= zones; ++z)
    for (int s = 1; s <= sources; ++s)
      if (m.unit.RestrictionMark(z, s) == "R")
        out.push_back(CommandLine(CommandForm::ZoneRestriction, {z, s}));

  out.emplace_back(kGroupsBlock);
  for (int z = 1; z <= zones; ++z)
    for (int g = 1; g <= kGroups; ++g)
      if (m.unit.GroupMark(z, g) == "G") out.push_back(CommandLine(CommandForm::GroupMember, {g, z}));
  out.emplace_back();

  out.emplace_back(kFavoritesBlock);
  for (int f = 1; f <= kFavorites; ++f) {
    for (int z = 1; z <= zones; ++z) {
      for (int s = 1; s <= sources; ++s) {
        const FavoriteCell& cell = m.unit.FavoriteStore.Cell(f, s, z);
        if (cell.Is('C')) {
          out.push_back(CommandLine(CommandForm::FavoriteAudioVideo, {f, z, s}));
        } else if (cell.Is('A')) {
          out.push_back(CommandLine(CommandForm::FavoriteAudio, {f, z, s}));
        } else if (cell.Is('V')) {
          out.push_back(CommandLine(CommandForm::FavoriteVideo, {f, z, s}));
        }
      }
    }
  }

  for (int n = 1; n <= kFavorites; ++n)
    out.push_back(CommandLine(CommandForm::FavoriteName, {n, WrittenName(m.unit.FavoriteNames[n])}));
  for (int n = 1; n <= kGroups; ++n)
    out.push_back(CommandLine(CommandForm::GroupName, {n, WrittenName(m.unit.GroupNames[n])}));

  if (m.unit.Options.DHCPEnabled) {
    out.push_back(CommandLine(CommandForm::Dhcp, {1}));
  } else {
    out.push_back(CommandLine(CommandForm::Dhcp, {0}));
    out.push_back(CommandLine(CommandForm::IpAddress, {m.unit.Options.IPAddress}));
    out.push_back(CommandLine(CommandForm::Netmask, {m.unit.Options.Netmask}));
    out.push_back(CommandLine(CommandForm::Gateway, {m.unit.Options.Gateway}));
  }
  out.emplace_back(kEnd);
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
