#pragma once

#include <string>

#include "editor/bulk_edits.h"

namespace zem {

// Reads the names file `path` and imports it into `editor` (ImportNamesFile);
// a file that cannot be read is refused as one whose text is, the reason in
// csv.error. A FIFO is read only when `readFifo` ('zemctl names --set', which
// may wait for its writer); the window refuses it, as its writer might never
// come.
NamesImport ImportNamesFromPath(Editor& editor, const std::string& path, bool readFifo);

}  // namespace zem
