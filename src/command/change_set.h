#pragma once

#include <cstddef>
#include <optional>
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

// The tables a unit empties with one opening line and fills an entry a line.
enum class TableOnUnit { None, Restrictions, Groups, Favorites };
// "restrictions", "groups", "favorites".
const char* TableOnUnitName(TableOnUnit table);
// What a command line does to a table: opens (empties) it, adds one of its
// entries, or neither (table None).
struct TableLine {
  TableOnUnit table = TableOnUnit::None;
  bool opening = false;
};
TableLine ClassifyTableLine(const std::string& line);

// A table whose opening line reached the unit but not every entry after it.
struct TableCut {
  TableOnUnit table = TableOnUnit::None;
  std::size_t sent = 0;   // entries the unit took
  std::size_t total = 0;  // entries the table has
};
// Of `commands`, sent in order, the unit took the first `taken`: the table
// that leaves half-written, if any (the last table opened among them).
std::optional<TableCut> HalfWrittenTable(const std::vector<std::string>& commands, std::size_t taken);
// "The unit's restrictions are incomplete: 59 of 279 entries sent"
std::string TableCutText(const TableCut& cut);

}  // namespace zem
