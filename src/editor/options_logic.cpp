#include "editor/options_logic.h"

#include <algorithm>

namespace zem {

void DisplayLevelChanged(ConfigModel& model, int position) {
  position = std::clamp(position, 0, kLevels - 1);
  model.unit.Options.DisplayLevel = position;
  model.screen.DisplayLabel = "Level:" + model.screen.LevelNames[static_cast<std::size_t>(position)];
}

}  // namespace zem
