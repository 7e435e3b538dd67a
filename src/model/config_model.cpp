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

ConfigModel::ConfigModel() {
  // Lists that hold placeholder entries until the first import fills them.
  for (int n = 1; n <= kPresets; ++n) {
    PresetList.Items.push_back(std::to_string(n));
    SystemEQList.Items.push_back(std::to_string(n));
  }
}

void ResetModel(ConfigModel& m, TextLog& receivedText, TextLog& messageLog) {
  m.LevelNames = {"100%", "75%", "50%", "25%"};
  messageLog.Clear();  // first: its lines may refer to receivedText's
  receivedText.Clear();
  m.ZoneCount = -1;
  m.SourceCount = -1;
  m.FavoriteStore.ClearAll();
  m.CurrentFavorite = 1;

  for (int s = 1; s <= kSources; ++s) {
    m.FavoritesGrid.Cell(s, 0) = std::to_string(s);
    m.RestrictionGrid.Cell(s, 0) = std::to_string(s);
  }
  m.ZoneList.Items.clear();
  for (int z = 1; z <= kZones; ++z) {
    std::string label = NumberedLabel("Zone", z);
    m.FavoritesGrid.Cell(0, z) = label;
    m.RestrictionGrid.Cell(0, z) = label;
    m.GroupGrid.Cell(0, z) = label;
    m.ZoneList.Items.push_back(" " + label);
  }
  m.MarkedCell = GridCellPos{};
  m.MarkedText.clear();

  // Every zone, not only the first few, and the mode and preset too: an
  // import must never inherit audio values from the one before it.
  for (ZoneAudioRec& zone : m.ZoneAudio) {
    zone = ZoneAudioRec{};
    zone.Lowpass = -1;
  }

  m.ZoneList.Select(0);
  m.CurrentZone = 1;
  m.PresetList.Select(0);
  m.CurrentEQPreset = 1;

  m.FavoriteList.Items.clear();
  for (int n = 1; n <= kFavorites; ++n) {
    m.FavoriteList.Items.push_back(" " + NumberedLabel("Favorite", n));
    m.FavoriteNames[n].clear();
    m.GroupNames[n].clear();
    m.GroupGrid.Cell(n, 0) = std::to_string(n);
  }
  m.FavoriteList.Select(0);

  for (int z = 1; z <= kZones; ++z) {
    for (int s = 1; s <= kSources; ++s) {
      m.RestrictionMark(z, s).clear();
      m.FavoritesGrid.Cell(s, z).clear();
    }
    for (int g = 1; g <= kGroups; ++g) m.GroupMark(z, g).clear();
  }
}

namespace {

bool SameDataCells(const TextGrid& a, const TextGrid& b) {
  if (a.Columns() != b.Columns() || a.Rows() != b.Rows()) return false;
  for (int row = 1; row < a.Rows(); ++row)
    for (int column = 1; column < a.Columns(); ++column)
      if (a.Cell(column, row) != b.Cell(column, row)) return false;
  return true;
}

// Stored favorites over the unit's sources and zones: a favorite that has been
// shown carries the grid's "X" cells outside them, one never shown does not.
bool SameUsedFavorites(const ConfigModel& a, const ConfigModel& b) {
  const int sources = std::min(a.SourceCount, kSources);
  const int zones = std::min(a.ZoneCount, kZones);
  for (int f = 1; f <= kFavorites; ++f)
    for (int s = 1; s <= sources; ++s)
      for (int z = 1; z <= zones; ++z)
        if (!(a.FavoriteStore.Cell(f, s, z) == b.FavoriteStore.Cell(f, s, z))) return false;
  return true;
}

}  // namespace

bool SameConfiguration(const ConfigModel& a, const ConfigModel& b) {
  return a.ZoneCount == b.ZoneCount && a.SourceCount == b.SourceCount && a.ZoneNames == b.ZoneNames &&
         a.SourceNames == b.SourceNames && a.FavoriteNames == b.FavoriteNames &&
         a.GroupNames == b.GroupNames && a.ZoneAudio == b.ZoneAudio && a.EQPresets == b.EQPresets &&
         SameUsedFavorites(a, b) && a.Options == b.Options && a.LevelNames == b.LevelNames &&
         SameDataCells(a.RestrictionGrid, b.RestrictionGrid) && SameDataCells(a.GroupGrid, b.GroupGrid);
}

}  // namespace zem
