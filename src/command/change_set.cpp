#include "command/change_set.h"

#include <cassert>
#include <utility>

#include "command/command_writer.h"

namespace zem {

bool ChangesCanBeSent(const UnitConfiguration& base, const UnitConfiguration& next) {
  return base.SourceCount != -1 && next.SourceCount != -1 && base.SourceCount == next.SourceCount &&
         base.ZoneCount == next.ZoneCount;
}

std::vector<std::string> BuildChangedCommands(const UnitConfiguration& base, const UnitConfiguration& next) {
  assert(ChangesCanBeSent(base, next));
  const std::vector<ExportPiece> before = ExportPieces(base);
  std::vector<ExportPiece> after = ExportPieces(next);
  // The same counts give the same pieces in the same places. Called for
  // configurations that cannot be sent as changes, it gives the whole export,
  // which is never wrong.
  const bool lineUp = ChangesCanBeSent(base, next) && before.size() == after.size();
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (lineUp && before[i] == after[i]) continue;
    for (std::string& line : after[i].lines)
      if (!line.empty()) lines.push_back(std::move(line));
  }
  // The closing line is the same in both, so it was left out above.
  if (lineUp && !lines.empty()) lines.push_back(after.back().lines.front());
  return lines;
}

}  // namespace zem
