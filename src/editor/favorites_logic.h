#pragma once

#include <string>
#include <string_view>

#include "editor/config_revision.h"
#include "model/config_model.h"

namespace zem {

// The unit's restrictions in every favorite: a restricted pair becomes "R"
// in each, a pair no longer restricted is emptied where the shown favorite
// holds "R". Part of the restriction edit itself, so that its step holds
// the routings it takes away.
void ApplyRestrictionsToFavorites(UnitConfiguration& unit, int shownFavorite);

// The "Favorites" page without widgets: the favorites grid is
// model.screen.FavoritesGrid, which shows favorite CurrentFavorite with the
// marker over one cell; every edit of a cell goes into the favorite at once.
class FavoritesLogic {
 public:
  FavoritesLogic(ConfigModel& model, ConfigRevision& revision) : model_(model), revision_(revision) {}

  void LoadFavoriteToGrid(int favorite);
  // The page change: the restrictions into every favorite, and the grid
  // shows what the favorite now holds ("R" appears and goes only here).
  void ApplyRestrictionOverlay();
  // Connects cell (source, zone) as "C", "A", "V" or nothing (empty letter),
  // keeping a zone row to one audio and one video feed.
  void ConnectCell(int source, int zone, std::string_view letter);

  // Event handlers, given the grid cell they concern.
  void CellClicked(int column, int row);
  void CellDoubleClicked(int column, int row);
  void CellRightPressed(int column, int row);  // PopupCell / PopupFromMouse
  // The popup was opened from the keyboard, for the selected cell.
  void PopupOpenedFromKeyboard();
  // Popup items: the target is PopupCell when the popup was opened by a
  // right-click, else `selected`.
  void PopupItemChosen(std::string_view letter, GridCellPos selected);
  void FavoriteChosen(int position);
  // ConnectCell for the zones `firstZone` to `lastZone` of column `source`,
  // restricted, "X" and unused cells left alone.
  void ConnectColumn(int source, int firstZone, int lastZone, std::string_view letter);
  // Favorite `from`'s cells into favorite `to`, the restrictions applied;
  // the grid shows `to` afresh when it is the shown one.
  void CopyFavorite(int from, int to);

 private:
  bool IsUsedCell(int column, int row) const;
  // The connections of zone row `zone` as a favorite stores them (the marker
  // stands for the text it hides).
  std::string StoredRow(int zone) const;
  // Zone row `zone` of the grid into the shown favorite.
  void StoreRow(int zone);

  ConfigModel& model_;
  ConfigRevision& revision_;
};

}  // namespace zem
