#pragma once
// zemctl site: each unit's work is a child zemctl of its own, so a unit that
// hangs or crashes never holds up or takes down the others, and this
// process only waits (on its one thread) and reports.
#include <QStringList>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace zem {

// One child zemctl: its arguments and what it may hold.
struct SiteChild {
  QStringList args;
  std::string serialPort;  // one child at a time per serial port; empty over Telnet
  int limitMs = 0;         // past this the child is killed (its own limits should end it first)
  bool stoppable = false;  // asked to stop (as by Ctrl+C) when this run is interrupted
  bool skip = false;       // not run at all: reported at once as not started
};

// How a child ended.
struct SiteChildResult {
  enum class Ending {
    Exited,      // `status` is its exit status
    Crashed,     // ended by a signal, or failed to start
    TimedOut,    // killed at its limit
    Killed,      // killed by a second Ctrl+C or SIGTERM
    NotStarted,  // the run was interrupted first
  };
  Ending ending = Ending::NotStarted;
  int status = -1;
  std::string out;  // its standard output and error, each at most kSiteChildOutputMax bytes
  std::string err;
  bool asked = false;  // it was asked to stop before it ended
};

inline constexpr std::size_t kSiteChildOutputMax = std::size_t{4} << 20;
inline constexpr int kSiteJobsMax = 16;

// Runs `children` of `program`, at most `jobs` at once and one per serial
// port, in their order; `ended(index, result)` is told as each ends (and
// for those never started, at the end). The first Ctrl+C starts no more and
// asks the stoppable ones to stop; the others finish. A second (or SIGTERM)
// kills every child still running. Returns whether the run was interrupted.
bool RunSiteChildren(const QString& program, const std::vector<SiteChild>& children, int jobs,
                     const std::function<void(std::size_t, SiteChildResult&)>& ended);

}  // namespace zem
