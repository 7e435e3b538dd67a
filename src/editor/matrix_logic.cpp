#include "editor/matrix_logic.h"

#include <algorithm>

#include "editor/favorites_logic.h"

namespace zem {

void MatrixLogic::GroupCellDoubleClicked(int column, int row) {
  if (column < 1 || column > kGroups || row < 1 || row > kZones) return;
  if (row > model_.unit.ZoneCount) return;
  std::string& cell = model_.unit.GroupMarks.Cell(column, row);
  cell = cell.empty() ? "G" : "";
  revision_.Bump();
}

void MatrixLogic::RestrictionCellDoubleClicked(int column, int row) {
  if (column < 1 || column > kSources || row < 1 || row > kZones) return;
  if (column > model_.unit.SourceCount || row > model_.unit.ZoneCount) return;
  model_.screen.RestrictionLabels.Cell(0, 0) = model_.unit.SourceNames[column];
  std::string& cell = model_.unit.RestrictionMarks.Cell(column, row);
  cell = cell.empty() ? "R" : "";
  ApplyRestrictionsToFavorites(model_.unit, model_.screen.CurrentFavorite);
  revision_.Bump();
}

void MatrixLogic::ToggleRange(MarkGrid grid, GridCellPos first, GridCellPos last, GridCellPos anchor) {
  const bool groups = grid == MarkGrid::Groups;
  TextGrid& marks = groups ? model_.unit.GroupMarks : model_.unit.RestrictionMarks;
  const int columns = groups ? kGroups : std::min(model_.unit.SourceCount, kSources);
  const int rows = std::min(model_.unit.ZoneCount, kZones);
  if (!marks.Contains(anchor.Column, anchor.Row)) return;
  // An "X" anchor holds no mark: the range gets one.
  const std::string& held = marks.Cell(anchor.Column, anchor.Row);
  const std::string mark = held.empty() || held == "X" ? (groups ? "G" : "R") : "";
  bool changed = false;
  for (int row = std::max(first.Row, 1); row <= std::min(last.Row, rows); ++row) {
    for (int column = std::max(first.Column, 1); column <= std::min(last.Column, columns); ++column) {
      std::string& cell = marks.Cell(column, row);
      if (cell == "X" || cell == mark) continue;
      cell = mark;
      changed = true;
    }
  }
  if (!changed) return;
  if (!groups) {
    if (NumberedTable<int, kSources>::Contains(anchor.Column))
      model_.screen.RestrictionLabels.Cell(0, 0) = model_.unit.SourceNames[anchor.Column];
    ApplyRestrictionsToFavorites(model_.unit, model_.screen.CurrentFavorite);
  }
  revision_.Bump();
}

// Both buttons cover every zone the unit has, 192 included.
void MatrixLogic::SetAllRestrictions(const char* mark) {
  bool changed = false;
  for (int z = 1; z <= std::min(model_.unit.ZoneCount, kZones); ++z) {
    for (int s = 1; s <= std::min(model_.unit.SourceCount, kSources); ++s) {
      std::string& cell = model_.unit.RestrictionMark(z, s);
      if (cell == mark) continue;
      cell = mark;
      changed = true;
    }
  }
  if (!changed) return;
  ApplyRestrictionsToFavorites(model_.unit, model_.screen.CurrentFavorite);
  revision_.Bump();
}

void MatrixLogic::RestrictAll() { SetAllRestrictions("R"); }

void MatrixLogic::ClearAllRestrictions() { SetAllRestrictions(""); }

}  // namespace zem
