#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "command/change_set.h"
#include "model/config_model.h"

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

// What Live knows while it is on.
struct LiveState {
  UnitConfiguration target;  // what the unit holds once every queued line is taken
  LiveQueue queue;
  bool inFlight = false;
  bool stopAsked = false;
  bool awaiting = false;  // serial: the receive event watches for "(ERROR)"
  int errorProgress = 0;
  bool refused = false;
  // The table whose opening line went last, while entries of it remain:
  // cut short, the unit holds it half-written.
  std::optional<TableCut> rewrite;
  std::size_t burstSent = 0;  // lines answered since the queue was last empty
  bool progressShown = false;
};

}  // namespace zem
