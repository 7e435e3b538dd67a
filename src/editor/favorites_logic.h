#pragma once

#include <cstdint>
#include <string_view>

#include "editor/config_revision.h"
#include "model/config_model.h"

namespace zem {

// The unit's restrictions in every favorite: a restricted pair becomes
// restricted in each, a pair no longer restricted is emptied where the shown
// favorite holds it restricted. Part of the restriction edit itself, so that
// its step holds the routings it takes away.
void ApplyRestrictionsToFavorites(UnitConfiguration& unit, int shownFavorite);

// What a data cell of the favorites grid shows.
enum class FavoriteMark : std::uint8_t {
  Route,    // the shown favorite's route
  NotUsed,  // a source or zone beyond the unit's counts
  Marker,   // the chosen cell, over the route it hides
};

struct ShownFavoriteCell {
  FavoriteMark mark = FavoriteMark::Route;
  Route route = Route::None;  // none where not used
  bool operator==(const ShownFavoriteCell&) const = default;
};

// The marker: the one sign of the cell chosen last. It hides the cell's
// route until that cell is clicked again, connected, overwritten by loading
// a favorite, or restricted; a cell it has left is not marked again by
// clicking it once more.
struct FavoritesMarker {
  GridCellPos cell;    // column 0, row 0: none chosen
  bool shown = false;  // whether the cell still shows it
  bool operator==(const FavoritesMarker&) const = default;
};

// The "Favorites" page without widgets: the grid shows favorite
// CurrentFavorite with the marker over one cell; every edit of a cell goes
// into the favorite at once.
class FavoritesLogic {
 public:
  FavoritesLogic(ConfigModel& model, ConfigRevision& revision) : model_(model), revision_(revision) {}

  // Data cell (column, row) as the grid shows it.
  ShownFavoriteCell Shown(int column, int row) const;
  const FavoritesMarker& Marker() const { return marker_; }
  // A reset chooses no cell; a configuration kept aside brings its marker back.
  void SetMarker(FavoritesMarker marker) { marker_ = marker; }

  // The grid shows favorite `favorite` afresh: a marker shown is overwritten.
  void LoadFavoriteToGrid(int favorite);
  // The favorites changed under the grid (undo, redo): a marker shown stays
  // over what its cell holds now, unless that is restricted.
  void ShowFavoriteAgain();
  // The page change: the restrictions into every favorite; a marker over a
  // cell restricted now goes.
  void ApplyRestrictionOverlay();
  // Connects cell (source, zone) with `route` (combined, audio, video or
  // none), keeping a zone row to one audio and one video feed.
  void ConnectCell(int source, int zone, Route route);

  // Event handlers, given the grid cell they concern.
  void CellClicked(int column, int row);
  void CellDoubleClicked(int column, int row);
  void CellRightPressed(int column, int row);  // PopupCell / PopupFromMouse
  // The popup was opened from the keyboard, for the selected cell.
  void PopupOpenedFromKeyboard();
  // Popup items: the target is PopupCell when the popup was opened by a
  // right-click, else `selected`.
  void PopupItemChosen(Route route, GridCellPos selected);
  void FavoriteChosen(int position);
  // ConnectCell for the zones `firstZone` to `lastZone` of column `source`,
  // restricted and unused cells left alone.
  void ConnectColumn(int source, int firstZone, int lastZone, Route route);
  // Favorite `from`'s cells into favorite `to`, the restrictions applied;
  // the grid shows `to` afresh when it is the shown one.
  void CopyFavorite(int from, int to);

 private:
  bool IsUsedCell(int column, int row) const;
  bool IsMarked(int column, int row) const {
    return marker_.shown && marker_.cell == GridCellPos{column, row};
  }

  ConfigModel& model_;
  ConfigRevision& revision_;
  FavoritesMarker marker_;
};

}  // namespace zem
