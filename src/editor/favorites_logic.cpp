#include "editor/favorites_logic.h"

#include <algorithm>

namespace zem {

namespace {

std::string GridText(Route route) {
  if (route == Route::Restricted) return "R";
  const char* letter = RouteLetter(route);
  return letter ? letter : "";
}

Route GridRoute(std::string_view text) {
  if (text == "R") return Route::Restricted;
  for (const Route route : {Route::Combined, Route::Audio, Route::Video})
    if (text.substr(0, 1) == RouteLetter(route)) return route;
  return Route::None;
}

}  // namespace

bool FavoritesLogic::IsUsedCell(int column, int row) const {
  return column >= 1 && column <= kSources && row >= 1 && row <= kZones &&
         column <= model_.unit.SourceCount && row <= model_.unit.ZoneCount;
}

void FavoritesLogic::LoadFavoriteToGrid(int favorite) {
  if (!NumberedTable<int, kFavorites>::Contains(favorite)) return;
  for (int s = 1; s <= kSources; ++s) {
    for (int z = 1; z <= kZones; ++z) {
      std::string& cell = model_.screen.FavoritesGrid.Cell(s, z);
      if (cell != "X") cell = GridText(model_.unit.FavoriteStore.Cell(favorite, s, z));
    }
  }
}

void ApplyRestrictionsToFavorites(UnitConfiguration& unit, int shownFavorite) {
  if (!NumberedTable<int, kFavorites>::Contains(shownFavorite)) return;
  for (int s = 1; s <= kSources; ++s) {
    for (int z = 1; z <= kZones; ++z) {
      const std::string& mark = unit.RestrictionMark(z, s);
      if (mark == "R") {
        for (int f = 1; f <= kFavorites; ++f) unit.FavoriteStore.Cell(f, s, z) = Route::Restricted;
      } else if (mark.empty() && unit.FavoriteStore.Cell(shownFavorite, s, z) == Route::Restricted) {
        for (int f = 1; f <= kFavorites; ++f) unit.FavoriteStore.Cell(f, s, z) = Route::None;
      }
    }
  }
}

void FavoritesLogic::ApplyRestrictionOverlay() {
  const int f = model_.screen.CurrentFavorite;
  if (!NumberedTable<int, kFavorites>::Contains(f)) return;
  ApplyRestrictionsToFavorites(model_.unit, f);
  for (int s = 1; s <= kSources; ++s) {
    for (int z = 1; z <= kZones; ++z) {
      std::string& cell = model_.screen.FavoritesGrid.Cell(s, z);
      const Route stored = model_.unit.FavoriteStore.Cell(f, s, z);
      if (cell == "X") continue;
      // The marker stays over what it hides, unless that is restricted now.
      if (cell == "?") {
        if (stored == Route::Restricted) cell = "R";
        continue;
      }
      if (cell != GridText(stored)) cell = GridText(stored);
    }
  }
}

void FavoritesLogic::StoreRow(int zone) {
  const int f = model_.screen.CurrentFavorite;
  if (!NumberedTable<int, kFavorites>::Contains(f)) return;
  for (int s = 1; s <= kSources; ++s) {
    const std::string& cell = model_.screen.FavoritesGrid.Cell(s, zone);
    model_.unit.FavoriteStore.Cell(f, s, zone) = GridRoute(cell == "?" ? model_.screen.MarkedText : cell);
  }
}

std::string FavoritesLogic::StoredRow(int zone) const {
  std::string row;
  for (int s = 1; s <= kSources; ++s) {
    const std::string& cell = model_.screen.FavoritesGrid.Cell(s, zone);
    const std::string& text = cell == "?" ? model_.screen.MarkedText : cell;
    row += text.empty() ? ' ' : text.front();
  }
  return row;
}

void FavoritesLogic::ConnectCell(int source, int zone, std::string_view letter) {
  if (source < 1 || source > kSources || zone < 1 || zone > kZones) return;
  const std::string before = StoredRow(zone);
  if (letter == "C" || letter == "A" || letter == "V") {
    // A zone takes one audio and one video feed: "A" keeps the row's "V",
    // "V" keeps its "A", "C" keeps neither.
    const char* keep = letter == "A" ? "V" : letter == "V" ? "A" : nullptr;
    for (int c = 1; c <= std::min(model_.unit.SourceCount, kSources); ++c) {
      std::string& cell = model_.screen.FavoritesGrid.Cell(c, zone);
      // The marker hides a connection: judge the cell by what it hides, or
      // a kept feed under the marker would be lost unseen.
      const bool marked = cell == "?" && model_.screen.MarkedCell == GridCellPos{c, zone};
      const std::string& connection = marked ? model_.screen.MarkedText : cell;
      if (cell != "R" && !(keep && connection == keep)) cell.clear();
    }
  }
  std::string& target = model_.screen.FavoritesGrid.Cell(source, zone);
  if (target != "R") target = std::string(letter);
  StoreRow(zone);
  if (StoredRow(zone) != before) revision_.Bump();
}

void FavoritesLogic::CellClicked(int column, int row) {
  if (!IsUsedCell(column, row)) return;
  std::string& cell = model_.screen.FavoritesGrid.Cell(column, row);
  if (cell == "R") return;
  const GridCellPos clicked{column, row};
  if (clicked == model_.screen.MarkedCell) {
    if (cell == "?") cell = model_.screen.MarkedText;
    return;
  }
  std::string& marked =
      model_.screen.FavoritesGrid.Cell(model_.screen.MarkedCell.Column, model_.screen.MarkedCell.Row);
  if (marked == "?") marked = model_.screen.MarkedText;
  model_.screen.MarkedText = cell.substr(0, 1);
  model_.screen.MarkedCell = clicked;
  cell = "?";
  model_.screen.FavoritesGrid.Cell(0, 0) = model_.unit.SourceNames[column];
}

void FavoritesLogic::CellDoubleClicked(int column, int row) {
  if (!IsUsedCell(column, row)) return;
  const std::string& cell = model_.screen.FavoritesGrid.Cell(column, row);
  if (cell.empty() || cell == "?") {
    ConnectCell(column, row, "C");
  } else if (cell == "C") {
    ConnectCell(column, row, "A");
  } else if (cell == "A") {
    ConnectCell(column, row, "V");
  } else if (cell == "V") {
    ConnectCell(column, row, "");
  }
}

void FavoritesLogic::CellRightPressed(int column, int row) {
  model_.screen.PopupCell = GridCellPos{column, row};
  model_.screen.PopupFromMouse = true;
}

// A popup opened from the keyboard acts on the cell it was opened for, the
// selected one, even after an earlier right-click elsewhere.
void FavoritesLogic::PopupOpenedFromKeyboard() { model_.screen.PopupFromMouse = false; }

void FavoritesLogic::PopupItemChosen(std::string_view letter, GridCellPos selected) {
  const GridCellPos target = model_.screen.PopupFromMouse ? model_.screen.PopupCell : selected;
  if (!IsUsedCell(target.Column, target.Row)) return;
  ConnectCell(target.Column, target.Row, letter);
}

void FavoritesLogic::ConnectColumn(int source, int firstZone, int lastZone, std::string_view letter) {
  for (int zone = std::max(firstZone, 1); zone <= std::min(lastZone, kZones); ++zone) {
    if (!IsUsedCell(source, zone)) continue;
    const std::string& cell = model_.screen.FavoritesGrid.Cell(source, zone);
    if (cell == "R" || cell == "X") continue;
    ConnectCell(source, zone, letter);
  }
}

void FavoritesLogic::CopyFavorite(int from, int to) {
  if (!NumberedTable<int, kFavorites>::Contains(from) || !NumberedTable<int, kFavorites>::Contains(to) ||
      from == to)
    return;
  FavoriteStoreTable& store = model_.unit.FavoriteStore;
  bool changed = false;
  for (int s = 1; s <= kSources; ++s) {
    for (int z = 1; z <= kZones; ++z) {
      if (store.Cell(to, s, z) == store.Cell(from, s, z)) continue;
      store.Cell(to, s, z) = store.Cell(from, s, z);
      changed = true;
    }
  }
  ApplyRestrictionsToFavorites(model_.unit, to);
  if (to == model_.screen.CurrentFavorite) LoadFavoriteToGrid(to);
  if (changed) revision_.Bump();
}

void FavoritesLogic::FavoriteChosen(int position) {
  if (position < 0 || position >= kFavorites) return;
  model_.screen.FavoriteList.Select(position);
  model_.screen.CurrentFavorite = position + 1;
  LoadFavoriteToGrid(position + 1);
}

}  // namespace zem
