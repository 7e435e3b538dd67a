#include "editor/options_logic.h"

#include <algorithm>
#include <utility>

namespace zem {

void DisplayLevelChanged(ConfigModel& model, int position) {
  position = std::clamp(position, 0, kLevels - 1);
  model.unit.Options.DisplayLevel = position;
  model.screen.DisplayLabel = "Level:" + model.screen.LevelNames[static_cast<std::size_t>(position)];
}

void OptionsLogic::SetFlag(bool OptionsRec::*option, bool on) {
  model_.unit.Options.*option = on;
  revision_.Bump();
}

void OptionsLogic::SetText(std::string OptionsRec::*option, std::string text) {
  model_.unit.Options.*option = std::move(text);
  revision_.Bump();
}

void OptionsLogic::SetDisplayLevel(int position) {
  DisplayLevelChanged(model_, position);
  revision_.Bump();
}

}  // namespace zem
