#pragma once

// Favorite routes and the favorites grid's cells written as the letters the
// tests' tables use: "C", "A", "V", "R", "" for no route.

#include <string>
#include <string_view>
#include <vector>

#include "editor/favorites_logic.h"
#include "model/config_model.h"

namespace zem::test {

inline std::string LetterOf(Route route) {
  if (route == Route::Restricted) return "R";
  const char* letter = RouteLetter(route);
  return letter ? letter : "";
}

inline Route RouteOf(std::string_view letter) {
  for (const Route route : {Route::Combined, Route::Audio, Route::Video, Route::Restricted})
    if (letter == LetterOf(route)) return route;
  return Route::None;
}

// Data cell (s, z) of the favorites grid as it shows: "?" for the marker,
// "X" where not used, else its route's letter.
inline std::string ShownText(const FavoritesLogic& logic, int s, int z) {
  const ShownFavoriteCell cell = logic.Shown(s, z);
  if (cell.mark == FavoriteMark::Marker) return "?";
  if (cell.mark == FavoriteMark::NotUsed) return "X";
  return LetterOf(cell.route);
}

// Every data cell of the favorites grid, as ShownText gives them.
inline std::vector<std::string> ShownGrid(const FavoritesLogic& logic) {
  std::vector<std::string> cells;
  for (int z = 1; z <= kZones; ++z)
    for (int s = 1; s <= kSources; ++s) cells.push_back(ShownText(logic, s, z));
  return cells;
}

}  // namespace zem::test
