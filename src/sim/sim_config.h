#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zem {

// A made-up but complete configuration of a unit with `sources` sources and
// `zones` zones: names, every DSP mode, restrictions, groups and favorites,
// as the command lines the unit sends (no empty lines).
std::vector<std::string> GenerateConfiguration(int sources, int zones);

// The non-empty lines of a configuration file's text (CR LF, CR or LF).
std::vector<std::string> ConfigurationLines(std::string_view text);

}  // namespace zem
