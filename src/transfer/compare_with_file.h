#pragma once

#include <cstddef>
#include <string>

#include "editor/config_diff.h"
#include "editor/editor.h"
#include "transfer/prompts.h"

namespace zem {

// File > Compare with File...: asks for a configuration file, imports it
// apart as the File Mode import would, and appends to the message log a
// heading naming the file, then every difference from the configuration an
// export of `editor` would write now to that file's, or a line saying there
// is none. Nothing else changes. A file that cannot be read in full, a FIFO
// (whose writer might never come) or a file that holds no configuration gets
// an error box and changes nothing. `lastFile` is the
// name the dialog proposes, and becomes the one chosen. True when compared.
bool CompareWithFile(Editor& editor, Prompts& prompts, std::string& lastFile);

// The heading naming `what`, then every difference from the editor's
// configuration to `other`'s, or a line saying there is none; how many.
// `fromUnit`: `other` was read from a unit.
std::size_t LogDifferences(Editor& editor, const Editor& other, const std::string& what, const char* side,
                           bool fromUnit);

}  // namespace zem
