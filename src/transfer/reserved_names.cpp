#include "transfer/reserved_names.h"

#include <array>
#include <cctype>

namespace zem {

namespace {

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace

bool IsReservedDeviceName(std::string_view path) {
  if (path.substr(0, 4) == "\\\\.\\" || path.substr(0, 4) == "//./") return true;
  const std::size_t slash = path.find_last_of("/\\:");
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  // The name before any extension, without the blanks Windows ignores.
  name = name.substr(0, name.find('.'));
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  constexpr std::array<std::string_view, 4> kPlain{"CON", "PRN", "AUX", "NUL"};
  for (const std::string_view device : kPlain)
    if (SameLetters(name, device)) return true;
  return name.size() == 4 &&
         (SameLetters(name.substr(0, 3), "COM") || SameLetters(name.substr(0, 3), "LPT")) && name[3] >= '1' &&
         name[3] <= '9';
}

int ChooserComPortNumber(std::string_view name) {
  if (name.size() < 4 || name.size() > 5 || !SameLetters(name.substr(0, 3), "COM") || name[3] == '0')
    return 0;
  int number = 0;
  for (const char c : name.substr(3)) {
    if (c < '0' || c > '9') return 0;
    number = number * 10 + (c - '0');
  }
  return number <= 50 ? number : 0;
}

}  // namespace zem
