#pragma once

#include "editor/config_revision.h"
#include "editor/edit_history.h"
#include "model/config_model.h"

namespace zem {

// The "Groups" and "Restrictions" pages without widgets.
class MatrixLogic {
 public:
  MatrixLogic(ConfigModel& model, ConfigRevision& revision) : model_(model), revision_(revision) {}

  void GroupCellDoubleClicked(int column, int row);        // groups
  void RestrictionCellDoubleClicked(int column, int row);  // restrictions
  void RestrictAll();                                      // "Restrict All"
  void ClearAllRestrictions();                             // "Clear All"
  // Every cell from `first` to `last` (grid cells, top left and bottom
  // right) becomes the opposite of what `anchor` holds; "X" cells and cells
  // beyond the counts stay as they are.
  void ToggleRange(MarkGrid grid, GridCellPos first, GridCellPos last, GridCellPos anchor);

 private:
  // Every marked cell of the unit's sources and zones becomes `mark`.
  void SetAllRestrictions(const char* mark);

  ConfigModel& model_;
  ConfigRevision& revision_;
};

}  // namespace zem
