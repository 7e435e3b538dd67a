#include "editor/naming_logic.h"

#include <algorithm>

namespace zem {

bool NameLengthLimit(std::string_view cellText, char key) {
  if (key == '\b' || key == '\r') return true;
  return cellText.size() < kNameLength;
}

std::string CommittedName(std::string_view text) {
  return CutName(text.substr(0, text.find_first_of("\r\n")));
}

namespace {

// Latin-1 upper case to lower case; the multiplication sign stays.
char Folded(char ch) {
  const auto b = static_cast<unsigned char>(ch);
  if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7)) return static_cast<char>(b + 0x20);
  return ch;
}

bool Holds(std::string_view name, std::string_view text) {
  if (text.size() > name.size()) return false;
  for (std::size_t at = 0; at + text.size() <= name.size(); ++at) {
    std::size_t k = 0;
    while (k < text.size() && Folded(name[at + k]) == Folded(text[k])) ++k;
    if (k == text.size()) return true;
  }
  return false;
}

}  // namespace

FoundName FindName(const std::vector<std::string>& names, int from, std::string_view text, bool forward,
                   bool includeFrom) {
  const int count = static_cast<int>(names.size());
  if (count == 0 || text.empty()) return {};
  if (from < 0 || from >= count) {
    from = forward ? -1 : count;
    includeFrom = false;
  }
  const int step = forward ? 1 : -1;
  const int first = includeFrom ? 0 : 1;
  for (int i = first; i < first + count; ++i) {
    const int raw = from + step * i;
    const int at = (raw % count + count) % count;
    if (Holds(names[static_cast<std::size_t>(at)], text)) return {at, raw != at};
  }
  return {};
}

void CopyZoneLabels(ConfigModel& model) {
  for (int z = 1; z <= kZones; ++z) {
    const std::string& name = model.unit.ZoneNames[z];
    model.screen.FavoriteLabels.Cell(0, z) = name;
    model.screen.RestrictionLabels.Cell(0, z) = name;
    model.screen.GroupLabels.Cell(0, z) = name;
  }
}

}  // namespace zem
