#include "editor/options_logic.h"

#include <algorithm>

namespace zem {

void DisplayLevelChanged(ConfigModel& model, int position) {
  position = std::clamp(position, 0, kLevels - 1);
  model.Options.DisplayLevel = position;
  model.Options.DisplayLabel = "Level:" + model.LevelNames[static_cast<std::size_t>(position)];
}

}  // namespace zem
