#pragma once

// Editor states for the matrix page tests and benchmarks: the state an
// import of a unit leaves behind, built directly on the model.

#include <functional>
#include <string>

#include "editor/editor.h"

namespace zem::test {

// What an import of a unit with `sources` sources and `zones` zones leaves:
// counts and names set, `fill` applied to the model (marks, favorites), the
// "X" cells written, pages enabled, favorite 1 loaded and the pages
// refreshed.
inline void ImportUnit(Editor& editor, int sources, int zones,
                       const std::function<void(ConfigModel&)>& fill = {}) {
  editor.ResetModel();
  ConfigModel& m = editor.model;
  m.unit.SourceCount = sources;
  m.unit.ZoneCount = zones;
  for (int s = 1; s <= sources; ++s) m.unit.SourceNames[s] = "Input " + std::to_string(s);
  for (int z = 1; z <= zones; ++z) m.unit.ZoneNames[z] = "Room " + std::to_string(z);
  for (int n = 1; n <= kFavorites; ++n) m.unit.FavoriteNames[n] = "Fav " + std::to_string(n);
  if (fill) fill(m);
  m.screen.UnusedMarked = true;
  for (int s = 1; s <= kSources; ++s)
    for (int z = 1; z <= kZones; ++z)
      if (s > sources || z > zones) m.unit.RestrictionMarks.Cell(s, z) = "X";
  for (int z = zones + 1; z <= kZones; ++z)
    for (int g = 1; g <= kGroups; ++g) m.unit.GroupMarks.Cell(g, z) = "X";
  editor.SetPagesEnabled(true);
  m.screen.CurrentFavorite = 1;
  editor.favorites.LoadFavoriteToGrid(1);
  editor.RefreshPages();
}

// A full unit, 16 x 192, with every kind of cell: in each favorite every zone
// has either one combined feed or an audio and a video feed, some pairs are
// restricted, and zones belong to one to three groups.
inline void ImportFullUnit(Editor& editor) {
  ImportUnit(editor, kSources, kZones, [](ConfigModel& m) {
    for (int z = 1; z <= kZones; ++z) {
      for (int s = 1; s <= kSources; ++s)
        if ((z * 7 + s * 3) % 11 == 0) m.unit.RestrictionMark(z, s) = "R";
      for (int g = 1; g <= kGroups; ++g)
        if ((z + g) % 4 == 0 || g == z % kGroups + 1) m.unit.GroupMark(z, g) = "G";
      for (int f = 1; f <= kFavorites; ++f) {
        const int a = (z + f) % kSources + 1;
        const int v = (z * 3 + f) % kSources + 1;
        if (a == v || (z + f) % 3 == 0) {
          m.unit.FavoriteStore.Cell(f, a, z) = Route::Combined;
        } else {
          m.unit.FavoriteStore.Cell(f, a, z) = Route::Audio;
          m.unit.FavoriteStore.Cell(f, v, z) = Route::Video;
        }
      }
    }
  });
}

}  // namespace zem::test
