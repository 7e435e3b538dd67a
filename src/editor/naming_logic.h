#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/config_model.h"

namespace zem {

// The key rule of the name grids: Backspace and Enter always pass; any other
// character is refused once the cell holds kNameLength or more characters.
bool NameLengthLimit(std::string_view cellText, char key);

// A name as a cell keeps it when text reaches the cell other than by typing
// (paste, drop, an input method): cut at the first CR or LF, then to
// kNameLength, as typing would have left it.
std::string CommittedName(std::string_view text);

// Where a find of `text` in `names` lands: the next name (or the previous,
// going back) after `from` that holds `text`, letters of any case alike,
// Latin-1's too ("\xE9" finds "\xC9"); with `includeFrom`, `from` itself
// counts first. -1 when none holds it; `wrapped` when it went round the end.
struct FoundName {
  int index = -1;
  bool wrapped = false;
};
FoundName FindName(const std::vector<std::string>& names, int from, std::string_view text, bool forward,
                   bool includeFrom);

// Zone names into the zone-label column of the three matrix grids.
void CopyZoneLabels(ConfigModel& model);

}  // namespace zem
