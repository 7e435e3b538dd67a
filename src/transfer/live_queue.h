#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "command/change_set.h"

namespace zem {

// The setting a command line sets, so that a newer value can take the place
// of an older one still waiting: "VO12" for "[VO12R-20]" and "[VO12R-19]",
// one key for both balance forms. A line that adds a table entry, opens a
// table or is not known is its own key: two of them never stand for each
// other.
std::string LiveSettingKey(const std::string& line);

// The lines Live has yet to send, oldest first, the newest value of each
// setting only. A newer value goes to the end of the queue, after every line
// queued before it, so the unit gets the lines in the order they were made
// (a table's opening line still comes before the entries that follow it).
class LiveQueue {
 public:
  // Adds change lines; empty lines and "[EC]" are left out.
  void Add(const std::vector<std::string>& lines);
  bool Empty() const { return items_.empty(); }
  std::size_t Size() const { return items_.size(); }
  // The oldest line waiting, taken from the queue.
  std::string Take();
  // What waits, oldest first, the queue emptied.
  std::vector<std::string> Drop();
  // The entries of `table` waiting before its next opening line.
  std::size_t EntriesWaiting(TableOnUnit table) const;

 private:
  std::deque<std::pair<std::string, std::string>> items_;  // key, line
};

}  // namespace zem
