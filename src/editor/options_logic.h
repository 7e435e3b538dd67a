#pragma once

#include "model/config_model.h"

namespace zem {

// The brightness track bar moved (or was set) to `position`.
void DisplayLevelChanged(ConfigModel& model, int position);

}  // namespace zem
