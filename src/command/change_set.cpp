#include "command/change_set.h"

#include <algorithm>
#include <cassert>
#include <set>
#include <utility>

#include "command/command_matcher.h"
#include "command/command_writer.h"

namespace zem {
namespace {

// The lines of one piece that bring a unit holding `before` to `after`,
// appended to `out`; the empty separating lines are never sent.
void AddChangedLines(const ExportPiece& before, ExportPiece& after, std::vector<std::string>& out) {
  const auto sendWhole = [&] {
    for (std::string& line : after.lines)
      if (!line.empty()) out.push_back(std::move(line));
  };
  if (after.kind == PieceKind::ZoneAudio) {
    // The DSP mode decides which lines follow it: a new mode, or lines
    // appearing or going, sends the zone's audio whole.
    const bool sameShape = before.lines.size() == after.lines.size() &&
                           (after.lines.size() < 2 || before.lines[1] == after.lines[1]);
    if (!sameShape) return sendWhole();
    for (std::size_t i = 0; i < after.lines.size(); ++i)
      if (before.lines[i] != after.lines[i]) out.push_back(std::move(after.lines[i]));
    return;
  }
  if (after.kind == PieceKind::Table) {
    // The unit's commands add entries, and only the opening line clears
    // any: a table that only gained entries sends just the new ones.
    const std::set<std::string> had(before.lines.begin() + 1, before.lines.end());
    const std::set<std::string> has(after.lines.begin() + 1, after.lines.end());
    if (!std::includes(has.begin(), has.end(), had.begin(), had.end())) return sendWhole();
    for (std::size_t i = 1; i < after.lines.size(); ++i)
      if (!after.lines[i].empty() && !had.contains(after.lines[i])) out.push_back(std::move(after.lines[i]));
    return;
  }
  sendWhole();
}

}  // namespace

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
  if (!lineUp) {
    for (ExportPiece& piece : after)
      for (std::string& line : piece.lines)
        if (!line.empty()) lines.push_back(std::move(line));
    return lines;
  }
  for (std::size_t i = 0; i + 1 < after.size(); ++i)
    if (before[i] != after[i]) AddChangedLines(before[i], after[i], lines);
  // The closing line is the same in both, so it was left out above.
  if (!lines.empty()) lines.push_back(after.back().lines.front());
  return lines;
}

const char* TableOnUnitName(TableOnUnit table) {
  switch (table) {
    case TableOnUnit::Restrictions:
      return "restrictions";
    case TableOnUnit::Groups:
      return "groups";
    case TableOnUnit::Favorites:
      return "favorites";
    case TableOnUnit::None:
      break;
  }
  return "";
}

TableLine ClassifyTableLine(const std::string& line) {
  if (line == "[RAR]") return {TableOnUnit::Restrictions, true};
  if (line == "[GAR]") return {TableOnUnit::Groups, true};
  if (line == "[FAR]") return {TableOnUnit::Favorites, true};
  switch (MatchCommand(line).form) {
    case CommandForm::ZoneRestriction:
      return {TableOnUnit::Restrictions, false};
    case CommandForm::GroupMember:
      return {TableOnUnit::Groups, false};
    case CommandForm::FavoriteAudio:
    case CommandForm::FavoriteVideo:
    case CommandForm::FavoriteAudioVideo:
      return {TableOnUnit::Favorites, false};
    default:
      return {};
  }
}

std::optional<TableCut> HalfWrittenTable(const std::vector<std::string>& commands, std::size_t taken) {
  taken = std::min(taken, commands.size());
  std::optional<TableCut> cut;
  for (std::size_t i = 0; i < commands.size(); ++i) {
    const TableLine kind = ClassifyTableLine(commands[i]);
    if (kind.table == TableOnUnit::None) {
      // Past the unit's last line, the first other line ends the table.
      if (i >= taken && cut) break;
      continue;
    }
    if (kind.opening) {
      if (i >= taken) break;
      cut = TableCut{kind.table, 0, 0};
    } else if (cut && kind.table == cut->table) {
      ++cut->total;
      if (i < taken) ++cut->sent;
    }
  }
  if (cut && cut->sent < cut->total) return cut;
  return std::nullopt;
}

std::string TableCutText(const TableCut& cut) {
  return std::string("The unit's ") + TableOnUnitName(cut.table) +
         " are incomplete: " + std::to_string(cut.sent) + " of " + std::to_string(cut.total) +
         " entries sent";
}

}  // namespace zem
