#pragma once

#include <string>
#include <string_view>

#include "model/config_model.h"

namespace zem {

// The key rule of the name grids: Backspace and Enter always pass; any other
// character is refused once the cell holds kNameLength or more characters.
bool NameLengthLimit(std::string_view cellText, char key);

// A name as a cell keeps it when text reaches the cell other than by typing
// (paste, drop, an input method): cut at the first CR or LF, then to
// kNameLength, as typing would have left it.
std::string CommittedName(std::string_view text);

// Zone names into the zone-label column of the three matrix grids.
void CopyZoneLabels(ConfigModel& model);

}  // namespace zem
