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
// export writes differs. Only when ChangesCanBeSent. Of each piece of the
// export (ExportPieces) that differs: an option, a name or the network lines
// whole; of a zone's audio the lines that differ, all of them when its DSP
// mode (which decides the lines that follow) changed; of a restriction,
// group or favorite table that only gained entries just the new entry lines,
// and the block whole, opening line first, when any entry went. The empty
// lines that separate an export's blocks are left out, as sending leaves
// them out.
std::vector<std::string> BuildChangedCommands(const UnitConfiguration& base, const UnitConfiguration& next);

}  // namespace zem
