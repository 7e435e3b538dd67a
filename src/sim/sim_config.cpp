#include "sim/sim_config.h"

#include <algorithm>

#include "command/command_writer.h"
#include "model/config_model.h"

namespace zem {

std::vector<std::string> GenerateConfiguration(int sources, int zones) {
  sources = std::clamp(sources, 1, kSources);
  zones = std::clamp(zones, 1, kZones);
  ConfigModel m;
  m.unit.SourceCount = sources;
  m.unit.ZoneCount = zones;
  m.unit.Options.DisplayLevel = 2;
  m.unit.Options.FrontPanelLock = true;
  m.unit.Options.IPAddress = "192.168.1.50";
  m.unit.Options.Netmask = "255.255.255.0";
  m.unit.Options.Gateway = "192.168.1.1";
  for (int s = 1; s <= sources; ++s) m.unit.SourceNames[s] = "Source " + std::to_string(s);
  for (int z = 1; z <= zones; ++z) {
    m.unit.ZoneNames[z] = "Room " + std::to_string(z);
    ZoneAudioRec& a = m.unit.ZoneAudio[z];
    a.EQUsed = 1;
    a.Volume = static_cast<std::int8_t>(-(z % 60));
    a.DSPMode = static_cast<std::int8_t>(z % 5);
    a.Balance = static_cast<std::int8_t>((z % 21) - 10);
    for (int b = 1; b <= kBands; ++b) a.Band[b] = static_cast<std::int8_t>(((z + b) % 25) - 12);
    a.SystemEQ = static_cast<std::int8_t>(1 + z % 9);
    a.Bass = static_cast<std::int8_t>(-((z % 13) - 6));
    a.Treble = static_cast<std::int8_t>(-((z % 11) - 5));
    a.Lowpass = 80 + 10 * (z % 12);
    for (int s = 1; s <= sources; ++s)
      if ((z + s) % 7 == 0) m.unit.RestrictionMark(z, s) = "R";
    m.unit.GroupMark(z, 1 + z % kGroups) = "G";
  }
  const Route kinds[] = {Route::Combined, Route::Audio, Route::Video};
  for (int f = 1; f <= kFavorites; ++f) {
    m.unit.FavoriteNames[f] = "Favorite " + std::to_string(f);
    m.unit.GroupNames[f] = "Group " + std::to_string(f);
    for (int z = 1; z <= zones; ++z) {
      const int s = 1 + (z + f) % sources;
      if (m.unit.RestrictionMark(z, s) != "R") m.unit.FavoriteStore.Cell(f, s, z) = kinds[(z + f) % 3];
    }
  }
  std::vector<std::string> lines;
  for (std::string& line : BuildCommandSequence(m))
    if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

std::vector<std::string> ConfigurationLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string line;
  for (const char c : text) {
    if (c == '\r' || c == '\n') {
      if (!line.empty()) lines.push_back(std::move(line));
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

}  // namespace zem
