#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/config_model.h"

namespace zem {

// The whole configuration as the ordered command lines of an export, without
// line ends; empty lines separate the blocks. Only called while SourceCount
// is known (not -1).
std::vector<std::string> BuildCommandSequence(const UnitConfiguration& unit);
inline std::vector<std::string> BuildCommandSequence(const ConfigModel& model) {
  return BuildCommandSequence(model.unit);
}

// A run of an export's lines that a unit takes as one: an option, a name, a
// zone's audio lines, a whole restriction, group or favorite block (the
// unit learns of cleared entries only through the block's opening line),
// the network lines, a separating empty line, the closing line.
enum class PieceKind {
  Plain,      // sent whole when it differs
  ZoneAudio,  // volume, then (when the zone has one) its DSP mode line, then the lines the mode calls for
  Table,      // an opening line that empties the table, then one line per entry
};
struct ExportPiece {
  std::vector<std::string> lines;
  PieceKind kind = PieceKind::Plain;
  bool operator==(const ExportPiece&) const = default;
};
// The export of `unit` cut into its pieces, in order: joined, they are
// BuildCommandSequence(unit). Two configurations with the same counts give
// the same number of pieces, each the same value's lines.
std::vector<ExportPiece> ExportPieces(const UnitConfiguration& unit);

// A name as an export writes it between its quotes: cut to kNameLength,
// and a single space for an empty name.
std::string WrittenName(std::string_view name);

// A configuration file's bytes: every line followed by CR LF.
std::string ZemFileText(const std::vector<std::string>& lines);

}  // namespace zem
