#include "editor/naming_logic.h"

namespace zem {

bool NameLengthLimit(std::string_view cellText, char key) {
  if (key == '\b' || key == '\r') return true;
  return cellText.size() < kNameLength;
}

std::string CommittedName(std::string_view text) {
  return CutName(text.substr(0, text.find_first_of("\r\n")));
}

void CopyZoneLabels(ConfigModel& model) {
  for (int z = 1; z <= kZones; ++z) {
    const std::string& name = model.unit.ZoneNames[z];
    model.screen.FavoritesGrid.Cell(0, z) = name;
    model.screen.RestrictionLabels.Cell(0, z) = name;
    model.screen.GroupLabels.Cell(0, z) = name;
  }
}

}  // namespace zem
