#pragma once

#include <QTimer>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "editor/read_back_check.h"
#include "transfer/transfer_context.h"

namespace zem {

// The export run: the configuration to a file, or line by line to the unit
// over Telnet or a serial port, each line waiting for the unit's answer.
class ExportRun {
 public:
  explicit ExportRun(TransferContext& context);
  ExportRun(const ExportRun&) = delete;
  ExportRun& operator=(const ExportRun&) = delete;

  // How the unit ended the link under an export.
  enum class LinkBreak { None, Closed, Reset, PortLost };

  // Everything one export knows and finds. It starts afresh with each run
  // and stays for the caller to read once the run is over.
  struct State {
    TransferOutcome outcome = TransferOutcome::None;
    std::string failure;  // the error box's text of a Failed run
    bool deadlinePassed = false;
    std::size_t commandCount = 0;       // command lines the export sends
    std::vector<std::string> commands;  // and the lines themselves
    int linesSent = 0;
    int commandsAnswered = 0;        // of them, answered by the unit
    const char* sentOver = nullptr;  // "Telnet" or "Serial" once the export goes to the unit
    LinkBreak brokenBy = LinkBreak::None;
    std::string lastLineSent;
    bool countErrorReplies = false;  // bytes received now answer a line sent
    int errorReplyProgress = 0;
    int errorReplies = 0;
    int refusedAt = 0;  // the command whose refusal was counted last
    std::vector<std::string> refusedCommands;
    bool unitReached = false;                       // a command line went (partly) to the unit
    std::optional<UnitConfiguration> exportedUnit;  // the configuration the export sends
    std::vector<std::string> exportWarnings;        // values written as they are, though lost on reading back
  };

  // What an export sends: the whole configuration (to a file in File Mode),
  // the changes since what the unit is known to hold, or given lines.
  enum class What { Whole, Changes, Lines };
  // Runs an export and its frame: the status line, the unsaved mark, the
  // baseline and the error box after it. `backup`: the file the unit was
  // backed up to, named in the message log. `verifyWanted`, asked once the
  // unit took every command: whether it is to be read back; then the
  // unsaved mark waits for that, and this returns true.
  bool Run(What what, std::vector<std::string> lines, const std::string& backup,
           const std::function<bool()>& verifyWanted);
  const State& Last() const { return state_; }

  // "Refused by the unit: " and the first kRefusedShown of them, as the
  // export logs it; empty when the unit refused none.
  std::string RefusedText() const;
  static constexpr std::size_t kRefusedShown = 5;

  void SetReplyLimitMs(int ms) { replyWatchdog_.setInterval(ms); }

  // Lines the unit is sent; an export's empty lines only separate its blocks.
  static bool IsCommandLine(const std::string& line) { return !line.empty() && line.front() == '['; }

 private:
  void RunExport();
  // Export Changes, or given lines.
  void RunExportLines();
  // What the unit is known to hold after an export: new, kept or forgotten.
  void NoteUnitAfterExport();
  // The full sequence, built and shown in the message log; throws when a value would
  // read back as something else or (to a unit) is an address the unit cannot
  // use. What would only be lost is kept for AppendExportWarnings.
  std::vector<std::string> PrepareCheckedExport(ExportTarget target);
  // Names in the message log, after the export, each value it wrote though it is lost
  // on reading back (or, to a file, an address a unit cannot use).
  void AppendExportWarnings();
  // The command lines among `lines`, over the link.
  void SendToUnit(const std::vector<std::string>& lines);
  void ExportFile(const std::vector<std::string>& lines);
  void ExportTelnet(const std::vector<std::string>& commands);
  void ExportSerial(const std::vector<std::string>& commands);
  bool WaitTelnetReply(bool lineReply);
  void NoteReplyByte(char byte);
  // The status text an export to the unit ends with; logs the refused commands.
  std::string ExportEnding(const char* link, int limitMs);
  // How far an export that the unit broke off or the user cancelled got.
  std::string StopPoint() const;
  std::string CancelledExportEnding() const;
  // ". The unit's restrictions are incomplete: ..." when the export stopped
  // inside a table it had emptied (said in the message log too); else empty.
  std::string HalfWrittenTableEnding() const;

  TransferContext& ctx_;
  State state_;
  What what_ = What::Whole;
  std::vector<std::string> linesToSend_;  // What::Lines
  QTimer replyWatchdog_;                  // one-shot: off means the reply period ran out
};

}  // namespace zem
