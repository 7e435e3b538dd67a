#pragma once

#include "editor/editor.h"
#include "transfer/transfer_controller.h"

namespace zem {

// File > Compare with Unit...: reads the unit on the controller's link into
// a configuration of its own and logs the differences as CompareWithFile
// does (this configuration -> the unit), each name as the unit returns it
// (a line says how many names held letters left out); the read becomes what the unit is
// known to hold. A read that is cancelled, fails or is incomplete says so
// and changes nothing else. True when compared.
bool CompareWithUnit(Editor& editor, TransferController& controller);

}  // namespace zem
