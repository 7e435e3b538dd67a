#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace zem {

// Quick EQ files: "<name>.eq", ten lines, each a slider position (minus the
// band's gain) as a decimal integer.
inline constexpr int kQuickEQLines = 10;

// The names of the quick EQ files in `folder`, sorted ignoring case; a name is
// the part of the file name before the first ".eq" (any case). Failures end
// the listing silently with what was found so far.
std::vector<std::string> ListQuickEQFiles(const std::string& folder);

// The values of a quick EQ file, read until the first failure: a missing or
// unreadable file gives none, a file of nine lines gives nine values, a line
// that is not an integer ends the list there. Values are not limited here.
std::vector<int> ReadQuickEQFile(const std::string& path);

// The path of the file listed as `name` in `folder`, looked up without
// regard to case ("Rock" finds Rock.EQ); folder + name + ".eq" when none fits.
std::string QuickEQPath(const std::string& folder, const std::string& name);

// `path`, ending in ".eq" (any case): the extension is added when missing,
// so that the file is listed.
std::string WithQuickEQExtension(std::string path);

// The bytes of a quick EQ file: ten positions, each followed by CR LF.
std::string QuickEQFileText(const std::array<int, kQuickEQLines>& positions);

}  // namespace zem
