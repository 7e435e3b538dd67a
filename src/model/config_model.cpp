#include "model/config_model.h"

#include <algorithm>

namespace zem {

std::string NumberedLabel(std::string_view word, int n) {
  std::string label(word);
  label += ' ';
  label += std::to_string(n);
  return label;
}

std::string CutName(std::string_view name) { return std::string(name.substr(0, kNameLength)); }

ScreenState::ScreenState() {
  // Lists that hold placeholder entries until the first import fills them.
  for (int n = 1; n <= kPresets; ++n) {
    PresetList.Items.push_back(std::to_string(n));
    SystemEQList.Items.push_back(std::to_string(n));
  }
}

void ResetModel(ConfigModel& model, TextLog& receivedText, TextLog& messageLog) {
  UnitConfiguration& u = model.unit;
  ScreenState& s = model.screen;
  s.LevelNames = {"100%", "75%", "50%", "25%"};
  messageLog.Clear();  // first: its lines may refer to receivedText's
  receivedText.Clear();
  u.ZoneCount = -1;
  u.SourceCount = -1;
  u.FavoriteStore.ClearAll();
  s.CurrentFavorite = 1;

  for (int source = 1; source <= kSources; ++source) {
    s.FavoriteLabels.Cell(source, 0) = std::to_string(source);
    s.RestrictionLabels.Cell(source, 0) = std::to_string(source);
  }
  s.ZoneList.Items.clear();
  for (int z = 1; z <= kZones; ++z) {
    std::string label = NumberedLabel("Zone", z);
    s.FavoriteLabels.Cell(0, z) = label;
    s.RestrictionLabels.Cell(0, z) = label;
    s.GroupLabels.Cell(0, z) = label;
    s.ZoneList.Items.push_back(" " + label);
  }
  s.UnusedMarked = false;

  // Every zone, not only the first few, and the mode and preset too: an
  // import must never inherit audio values from the one before it.
  for (ZoneAudioRec& zone : u.ZoneAudio) {
    zone = ZoneAudioRec{};
    zone.Lowpass = -1;
  }
  for (std::uint8_t& lock : u.VolumeLocks) lock = 0;

  s.ZoneList.Select(0);
  s.CurrentZone = 1;
  s.PresetList.Select(0);
  s.CurrentEQPreset = 1;

  s.FavoriteList.Items.clear();
  for (int n = 1; n <= kFavorites; ++n) {
    s.FavoriteList.Items.push_back(" " + NumberedLabel("Favorite", n));
    u.FavoriteNames[n].clear();
    u.GroupNames[n].clear();
    s.GroupLabels.Cell(n, 0) = std::to_string(n);
  }
  s.FavoriteList.Select(0);

  for (int z = 1; z <= kZones; ++z) {
    for (int source = 1; source <= kSources; ++source) u.RestrictionMark(z, source).clear();
    for (int g = 1; g <= kGroups; ++g) u.GroupMark(z, g).clear();
  }
}

namespace {

// Stored favorites over the unit's sources and zones.
bool SameUsedFavorites(const UnitConfiguration& a, const UnitConfiguration& b) {
  const int sources = std::min(a.SourceCount, kSources);
  const int zones = std::min(a.ZoneCount, kZones);
  for (int f = 1; f <= kFavorites; ++f)
    for (int s = 1; s <= sources; ++s)
      for (int z = 1; z <= zones; ++z)
        if (!(a.FavoriteStore.Cell(f, s, z) == b.FavoriteStore.Cell(f, s, z))) return false;
  return true;
}

}  // namespace

bool WritesSameExport(const UnitConfiguration& a, const UnitConfiguration& b) {
  return a.ZoneCount == b.ZoneCount && a.SourceCount == b.SourceCount && a.ZoneNames == b.ZoneNames &&
         a.SourceNames == b.SourceNames && a.FavoriteNames == b.FavoriteNames &&
         a.GroupNames == b.GroupNames && a.ZoneAudio == b.ZoneAudio &&
         a.RestrictionMarks == b.RestrictionMarks && a.GroupMarks == b.GroupMarks && a.Options == b.Options &&
         SameUsedFavorites(a, b);
}

}  // namespace zem
