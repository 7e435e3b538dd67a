#pragma once

#include "model/config_model.h"

namespace zem {

// The "Groups" and "Restrictions" pages without widgets.
class MatrixLogic {
 public:
  explicit MatrixLogic(ConfigModel& model) : model_(model) {}

  void StringGrid7DblClick(int column, int row);  // groups
  void StringGrid4DblClick(int column, int row);  // restrictions
  void Button3Click();                            // "Restrict All"
  void Button4Click();                            // "Clear All"

 private:
  ConfigModel& model_;
};

}  // namespace zem
