#pragma once

#include <string>
#include <vector>

#include "model/config_model.h"

namespace zem {

// Sending only what changed rests on how the unit takes commands: "[RAR]",
// "[GAR]" and "[FAR]" empty the restriction, group and favorite tables (not
// their names), and every other command sets one value.

// Whether a unit that holds `base` can be brought to `next` by changes alone:
// both configurations are known (SourceCount != -1) and have the same source
// and zone counts.
bool ChangesCanBeSent(const UnitConfiguration& base, const UnitConfiguration& next);

// The command lines that bring a unit holding `base` to `next`, in the order
// of a full export (BuildCommandSequence), "[EC]" last; empty when nothing an
// export writes differs. Only when ChangesCanBeSent. Each piece of the export
// (ExportPieces) that differs goes whole: an option, a name, a zone's audio
// lines, a whole restriction, group or favorite block, the network lines.
// The empty lines that separate an export's blocks are left out, as sending
// leaves them out.
std::vector<std::string> BuildChangedCommands(const UnitConfiguration& base, const UnitConfiguration& next);

}  // namespace zem
