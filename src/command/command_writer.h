#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/config_model.h"

namespace zem {

// The whole configuration as the ordered command lines of an export, without
// line ends; empty lines separate the blocks. Only called while SourceCount
// is known (not -1).
std::vector<std::string> BuildCommandSequence(const ConfigModel& model);

// A name as an export writes it between its quotes: cut to kNameLength,
// and a single space for an empty name.
std::string WrittenName(std::string_view name);

// A configuration file's bytes: every line followed by CR LF.
std::string ZemFileText(const std::vector<std::string>& lines);

}  // namespace zem
