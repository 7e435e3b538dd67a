#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zem {

// What a simulated unit holds: the configuration lines it serves to
// "[QXSB]", and the commands it has taken since those lines were last
// brought up to date. Until the first command is taken the lines stay
// exactly as they were given; afterwards they are the program's export of
// the configuration the lines and the commands make together, read with
// the program's own reader.
class UnitMemory {
 public:
  // The most command bytes kept before they are folded into the lines, and
  // the most line bytes a unit holds (only lines that name no source can
  // grow, since they are never rewritten as an export).
  static constexpr std::size_t kPendingBytes = 1 << 20;
  static constexpr std::size_t kLineBytes = 16 << 20;

  // Takes a command the unit answered "(OK)": false (nothing taken) when
  // the unit's memory is full. `lines` are the lines it serves.
  bool Take(std::vector<std::string>& lines, std::string command);
  // Brings `lines` up to date with the commands taken.
  void Update(std::vector<std::string>& lines);
  bool HasPending() const { return !pending_.empty(); }

 private:
  std::vector<std::string> pending_;
  std::size_t pendingBytes_ = 0;
  std::size_t lineBytes_ = 0;  // of the lines when the first pending command came
};

// `lines` with `commands` taken in order, as UnitMemory does: the export of
// what a File import of the lines followed by the commands gives. The lines
// that open the restriction, group and favorite blocks of an export
// ("[RAR]", "[GAR]", "[FAR]") empty that table first, as the export writes
// only the entries that are set. Lines that name no source stay as they
// are, with the commands after them.
std::vector<std::string> TakeCommands(std::vector<std::string> lines,
                                      const std::vector<std::string>& commands);

}  // namespace zem
