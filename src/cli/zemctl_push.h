#pragma once
// zemctl push --json: what a push did, gathered as it runs and printed as
// one JSON object at its end, for scripts and configuration tools that run
// a push per unit.
#include <string>
#include <vector>

namespace zem {

struct SaidMessages;

struct PushReport {
  bool json = false;   // --json: the object goes to standard output
  bool check = false;  // --check: nothing is sent
  // The command lines sent, or to be sent (--check); bytes as they go.
  std::vector<std::string> lines;
  int linesSent = 0;
  int linesRefused = 0;  // answered "(ERROR)"
  bool stopped = false;  // at Ctrl+C
  bool countsDiffer = false;
  std::string backup;                    // the backup written; empty: none
  const char* verify = "not-run";        // "ok", "differs", "unread", "not-run"
  std::vector<std::string> differences;  // --verify's lines, sent -> on the unit
};

// The object, one line: result, exit, check, changed, lines, lines_total,
// lines_sent, lines_refused, stopped, counts_differ, backup, verify, differences,
// message, warnings (as 'zemctl push --help' describes them). `said`: what
// the push wrote on standard error.
std::string PushReportJson(const PushReport& report, int status, const SaidMessages& said);

}  // namespace zem
