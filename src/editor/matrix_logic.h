#pragma once

#include "model/config_model.h"

namespace zem {

// The "Groups" and "Restrictions" pages without widgets.
class MatrixLogic {
 public:
  explicit MatrixLogic(ConfigModel& model) : model_(model) {}

  void GroupCellDoubleClicked(int column, int row);        // groups
  void RestrictionCellDoubleClicked(int column, int row);  // restrictions
  void RestrictAll();                                      // "Restrict All"
  void ClearAllRestrictions();                             // "Clear All"

 private:
  ConfigModel& model_;
};

}  // namespace zem
