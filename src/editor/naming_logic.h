#pragma once

#include <string_view>

#include "model/config_model.h"

namespace zem {

// The key rule of the name grids: Backspace and Enter always pass; any other
// character is refused once the cell holds kNameLength or more characters.
bool NameLengthLimit(std::string_view cellText, char key);

// Zone names into the zone-label column of the three matrix grids.
void CopyZoneLabels(ConfigModel& model);

}  // namespace zem
