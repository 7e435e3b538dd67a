#pragma once

#include <string>
#include <string_view>

#include "model/config_model.h"

namespace zem {

// The "Favorites" page without widgets: the grid StringGrid1 is
// model.FavoritesGrid, the working copy of favorite CurrentFavorite.
class FavoritesLogic {
 public:
  explicit FavoritesLogic(ConfigModel& model) : model_(model) {}

  void LoadFavoriteToGrid(int favorite);
  void StoreGridToFavorite();
  void ApplyRestrictionOverlay();
  // Connects cell (source, zone) as "C", "A", "V" or nothing (empty letter),
  // keeping a zone row to one audio and one video feed.
  void ConnectCell(int source, int zone, std::string_view letter);

  // Event handlers, given the grid cell they concern.
  void CellClicked(int column, int row);
  void CellDoubleClicked(int column, int row);
  void CellRightPressed(int column, int row);  // PopupCell / PopupFromMouse
  // Popup items: the target is PopupCell after a right-click, else `selected`.
  void PopupItemChosen(std::string_view letter, GridCellPos selected);
  void FavoriteChosen(int position);

 private:
  bool IsUsedCell(int column, int row) const;

  ConfigModel& model_;
};

}  // namespace zem
