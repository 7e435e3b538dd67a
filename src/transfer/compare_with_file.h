#pragma once

#include <string>

#include "editor/editor.h"
#include "transfer/prompts.h"
#include "transfer/transfer_controller.h"

namespace zem {

// File > Compare with File...: asks for a configuration file, imports it
// apart as the File Mode import would, and appends to the message log a
// heading naming the file, then every difference from the configuration an
// export of `editor` would write now to that file's, or a line saying there
// is none. Nothing else changes. A file that cannot be read in full or holds
// no configuration gets an error box and changes nothing. `lastFile` is the
// name the dialog proposes, and becomes the one chosen. True when compared.
bool CompareWithFile(Editor& editor, Prompts& prompts, std::string& lastFile);

// File > Compare with Unit...: reads the unit on the controller's link into
// a configuration of its own and logs the differences as CompareWithFile
// does (this configuration -> the unit), each name as the unit returns it
// (a line says how many names held letters left out); the read becomes what the unit is
// known to hold. A read that is cancelled, fails or is incomplete says so
// and changes nothing else. True when compared.
bool CompareWithUnit(Editor& editor, TransferController& controller);

}  // namespace zem
