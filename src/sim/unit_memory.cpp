#include "sim/unit_memory.h"

#include <algorithm>

#include "command/command_matcher.h"
#include "command/command_writer.h"
#include "editor/editor.h"

namespace zem {
namespace {

std::size_t ByteCount(const std::vector<std::string>& lines) {
  std::size_t bytes = 0;
  for (const std::string& line : lines) bytes += line.size() + 1;
  return bytes;
}

// The export of what importing `lines` gives, without its empty lines; the
// lines themselves while they name no source (an export would lose them).
std::vector<std::string> Exported(std::vector<std::string> lines) {
  Editor editor;
  editor.ImportFileText(ZemFileText(lines), "unit");
  if (!editor.HasConfiguration()) return lines;
  std::vector<std::string> exported;
  for (std::string& line : editor.PrepareExport())
    if (!line.empty()) exported.push_back(std::move(line));
  return exported;
}

// The forms a block-opening line empties; none for any other line.
std::vector<CommandForm> FormsEmptiedBy(const std::string& line) {
  if (line == "[RAR]") return {CommandForm::ZoneRestriction};
  if (line == "[GAR]") return {CommandForm::GroupMember};
  if (line == "[FAR]")
    return {CommandForm::FavoriteAudio, CommandForm::FavoriteVideo, CommandForm::FavoriteAudioVideo};
  return {};
}

}  // namespace

std::vector<std::string> TakeCommands(std::vector<std::string> lines,
                                      const std::vector<std::string>& commands) {
  bool taken = false;
  for (const std::string& command : commands) {
    const std::vector<CommandForm> emptied = FormsEmptiedBy(command);
    if (emptied.empty()) {
      lines.push_back(command);
      taken = true;
      continue;
    }
    // The table is emptied as it stands after the commands before this one.
    lines = Exported(std::move(lines));
    std::erase_if(lines, [&](const std::string& line) {
      return std::find(emptied.begin(), emptied.end(), MatchCommand(line).form) != emptied.end();
    });
    taken = true;
  }
  return taken ? Exported(std::move(lines)) : lines;
}

bool UnitMemory::Take(std::vector<std::string>& lines, std::string command) {
  const std::size_t size = command.size() + 1;
  if (pendingBytes_ + size > kPendingBytes) Update(lines);
  // The lines are measured once per batch of commands, not per command.
  if (pending_.empty()) lineBytes_ = ByteCount(lines);
  if (pendingBytes_ + size > kPendingBytes || lineBytes_ + pendingBytes_ + size > kLineBytes) return false;
  pendingBytes_ += size;
  pending_.push_back(std::move(command));
  return true;
}

void UnitMemory::Update(std::vector<std::string>& lines) {
  if (pending_.empty()) return;
  lines = TakeCommands(std::move(lines), pending_);
  pending_.clear();
  pendingBytes_ = 0;
}

}  // namespace zem
