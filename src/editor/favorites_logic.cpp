#include "editor/favorites_logic.h"

#include <algorithm>
#include <array>

namespace zem {

namespace {

// The route a zone row keeps beside a new connection: a zone takes one
// audio and one video feed, so audio keeps the row's video, video keeps its
// audio, combined keeps neither.
Route KeptBeside(Route route) {
  if (route == Route::Audio) return Route::Video;
  if (route == Route::Video) return Route::Audio;
  return Route::None;
}

bool Connects(Route route) {
  return route == Route::Combined || route == Route::Audio || route == Route::Video;
}

}  // namespace

bool FavoritesLogic::IsUsedCell(int column, int row) const {
  return column >= 1 && column <= kSources && row >= 1 && row <= kZones &&
         column <= model_.unit.SourceCount && row <= model_.unit.ZoneCount;
}

ShownFavoriteCell FavoritesLogic::Shown(int column, int row) const {
  if (!NumberedTable<int, kSources>::Contains(column) || !NumberedTable<int, kZones>::Contains(row))
    return {};
  // The import marks the sources and zones the unit lacks; before it none.
  if (model_.screen.UnusedMarked && (column > model_.unit.SourceCount || row > model_.unit.ZoneCount))
    return {FavoriteMark::NotUsed, Route::None};
  const int f = model_.screen.CurrentFavorite;
  if (!NumberedTable<int, kFavorites>::Contains(f)) return {};
  const Route route = model_.unit.FavoriteStore.Cell(f, column, row);
  return {IsMarked(column, row) ? FavoriteMark::Marker : FavoriteMark::Route, route};
}

void FavoritesLogic::LoadFavoriteToGrid(int favorite) {
  if (NumberedTable<int, kFavorites>::Contains(favorite)) marker_.shown = false;
}

void FavoritesLogic::ShowFavoriteAgain() {
  if (!marker_.shown) return;
  const ShownFavoriteCell cell = Shown(marker_.cell.Column, marker_.cell.Row);
  if (cell.mark == FavoriteMark::NotUsed || cell.route == Route::Restricted) marker_.shown = false;
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
  ShowFavoriteAgain();
}

void FavoritesLogic::ConnectCell(int source, int zone, Route route) {
  const int f = model_.screen.CurrentFavorite;
  if (source < 1 || source > kSources || zone < 1 || zone > kZones || route == Route::Restricted ||
      !NumberedTable<int, kFavorites>::Contains(f) || Shown(source, zone).mark == FavoriteMark::NotUsed)
    return;
  FavoriteStoreTable& store = model_.unit.FavoriteStore;
  std::array<Route, kSources + 1> before{};
  for (int s = 1; s <= kSources; ++s) before[static_cast<std::size_t>(s)] = store.Cell(f, s, zone);
  if (Connects(route)) {
    // The marker hides a connection: the cell is judged by what it hides,
    // or a kept feed under the marker would be lost unseen.
    const Route keep = KeptBeside(route);
    for (int c = 1; c <= std::min(model_.unit.SourceCount, kSources); ++c) {
      Route& cell = store.Cell(f, c, zone);
      if (cell == Route::Restricted || (keep != Route::None && cell == keep)) continue;
      cell = Route::None;
      if (IsMarked(c, zone)) marker_.shown = false;
    }
  }
  Route& target = store.Cell(f, source, zone);
  if (target != Route::Restricted || IsMarked(source, zone)) {
    target = route;
    if (IsMarked(source, zone)) marker_.shown = false;
  }
  for (int s = 1; s <= kSources; ++s) {
    if (before[static_cast<std::size_t>(s)] != store.Cell(f, s, zone)) {
      revision_.Bump();
      break;
    }
  }
}

void FavoritesLogic::CellClicked(int column, int row) {
  if (!IsUsedCell(column, row)) return;
  const ShownFavoriteCell cell = Shown(column, row);
  if (cell.mark == FavoriteMark::Route && cell.route == Route::Restricted) return;
  const GridCellPos clicked{column, row};
  if (clicked == marker_.cell) {
    marker_.shown = false;
    return;
  }
  marker_ = FavoritesMarker{clicked, true};
  model_.screen.FavoriteLabels.Cell(0, 0) = model_.unit.SourceNames[column];
}

void FavoritesLogic::CellDoubleClicked(int column, int row) {
  if (!IsUsedCell(column, row)) return;
  const ShownFavoriteCell cell = Shown(column, row);
  if (cell.mark == FavoriteMark::Marker) {
    ConnectCell(column, row, Route::Combined);
    return;
  }
  switch (cell.route) {
    case Route::None:
      ConnectCell(column, row, Route::Combined);
      break;
    case Route::Combined:
      ConnectCell(column, row, Route::Audio);
      break;
    case Route::Audio:
      ConnectCell(column, row, Route::Video);
      break;
    case Route::Video:
      ConnectCell(column, row, Route::None);
      break;
    case Route::Restricted:
      break;
  }
}

void FavoritesLogic::CellRightPressed(int column, int row) {
  model_.screen.PopupCell = GridCellPos{column, row};
  model_.screen.PopupFromMouse = true;
}

// A popup opened from the keyboard acts on the cell it was opened for, the
// selected one, even after an earlier right-click elsewhere.
void FavoritesLogic::PopupOpenedFromKeyboard() { model_.screen.PopupFromMouse = false; }

void FavoritesLogic::PopupItemChosen(Route route, GridCellPos selected) {
  const GridCellPos target = model_.screen.PopupFromMouse ? model_.screen.PopupCell : selected;
  if (!IsUsedCell(target.Column, target.Row)) return;
  ConnectCell(target.Column, target.Row, route);
}

void FavoritesLogic::ConnectColumn(int source, int firstZone, int lastZone, Route route) {
  for (int zone = std::max(firstZone, 1); zone <= std::min(lastZone, kZones); ++zone) {
    if (!IsUsedCell(source, zone)) continue;
    const ShownFavoriteCell cell = Shown(source, zone);
    if (cell.mark == FavoriteMark::Route && cell.route == Route::Restricted) continue;
    ConnectCell(source, zone, route);
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
