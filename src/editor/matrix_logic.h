#pragma once

#include "editor/config_revision.h"
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

 private:
  // Every marked cell of the unit's sources and zones becomes `mark`.
  void SetAllRestrictions(const char* mark);

  ConfigModel& model_;
  ConfigRevision& revision_;
};

}  // namespace zem
