// The export run: the configuration to a file, or line by line to the unit
// over Telnet or a serial port, each line waiting for the unit's answer.
#include <QElapsedTimer>
#include <QFileInfo>
#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include "command/change_set.h"
#include "command/command_writer.h"
#include "editor/read_back_check.h"
#include "transfer/file_io.h"
#include "transfer/transfer_controller.h"

namespace zem {

namespace {

const char kExportingStatus[] = " Exporting...";

std::string SendingStatus(int sent, std::size_t total) {
  return " Sending line " + std::to_string(sent + 1) + " of " + std::to_string(total);
}

// Lines the unit is sent; an export's empty lines only separate its blocks.
bool IsCommandLine(const std::string& line) { return !line.empty() && line.front() == '['; }

// An answer that takes longer than this is shown being awaited.
constexpr qint64 kWaitShownAfterMs = 2000;

// While one answer is awaited: once it takes longer than kWaitShownAfterMs
// the status line says what is awaited, counting the whole seconds since
// the line went, so a unit that never answers is seen waiting, not hung.
class AnswerWait {
 public:
  AnswerWait(StatusLine& status, std::string awaited) : status_(status), awaited_(std::move(awaited)) {
    since_.start();
  }
  // The longest a wait may last before the count changes.
  int MsToNextChange() const {
    const qint64 elapsed = since_.elapsed();
    return static_cast<int>(std::max(kWaitShownAfterMs, (elapsed / 1000 + 1) * 1000) - elapsed);
  }
  void Show() {
    const qint64 elapsed = since_.elapsed();
    if (elapsed < kWaitShownAfterMs || elapsed / 1000 == shown_) return;
    shown_ = elapsed / 1000;
    status_.Set(" Waiting for the unit's answer to " + awaited_ + " (" + std::to_string(shown_) + " s)");
  }

 private:
  StatusLine& status_;
  std::string awaited_;
  QElapsedTimer since_;
  qint64 shown_ = -1;
};

std::string AwaitedCommand(int number, std::size_t total) {
  return "command " + std::to_string(number) + " of " + std::to_string(total);
}

}  // namespace

void TransferController::ExportLines(std::vector<std::string> lines) {
  if (busy_ || (mode_ != Mode::Serial && mode_ != Mode::Telnet)) return;
  if (std::none_of(lines.begin(), lines.end(), IsCommandLine)) return;
  if (!editor_.HasConfiguration()) return;
  linesToSend_ = std::move(lines);
  RunExportFrame(&TransferController::RunExportLines);
  linesToSend_.reset();
}

bool TransferController::ExportMayStart() {
  if (busy_ || !editor_.HasConfiguration()) return false;
  if (mode_ == Mode::None) {
    editor_.status.Set(kChooseModeStatus);
    return false;
  }
  return true;
}

void TransferController::ExportConfiguration() {
  if (ExportMayStart() && BackUpBeforeSending()) RunExportFrame(&TransferController::RunExport);
}

void TransferController::ExportChanges() {
  if (!ExportMayStart()) return;
  // Asked again after a backup, which tells what the unit holds now.
  for (const bool backedUp : {false, true}) {
    if (const ChangesState state = ExportChangesState(); state != ChangesState::Ready) {
      editor_.status.Set(" " + ChangesStateText(state));
      return;
    }
    if (backedUp) break;
    if (!BackUpBeforeSending()) return;
  }
  RunExportFrame(&TransferController::RunExportLines);
}

std::string TransferController::ChangesStateText(ChangesState state) {
  switch (state) {
    case ChangesState::NoBaseline:
      return "What the unit holds is not known: import from it or export the whole configuration first";
    case ChangesState::CountsDiffer:
      return "The source or zone count changed: a full export is needed";
    case ChangesState::NothingChanged:
      return "No changes to export";
    case ChangesState::Ready:
      break;
  }
  return {};
}

ChangesState TransferController::ExportChangesState(std::size_t* lines) const {
  if (lines) *lines = 0;
  if (!editor_.HasConfiguration() || !editor_.unitBaseline.For(LinkKey())) return ChangesState::NoBaseline;
  return editor_.unitBaseline.StateFor(LinkKey(), editor_.model.unit, lines);
}

void TransferController::RunExportFrame(void (TransferController::*run)()) {
  const std::string before = editor_.status.Text();
  editor_.status.Set(kExportingStatus);
  const std::optional<std::string> failure = RunTransfer("Export", run);
  AppendExportWarnings();
  if (!lastBackup_.empty())
    editor_.messageLog.AppendLine("The unit's configuration was backed up to " + lastBackup_);
  // Every command answered: what the unit holds is read back, if asked.
  const bool verify = unitChecks_ && VerifyAfterExport() && run_.outcome == Outcome::Completed &&
                      run_.sentOver != nullptr && run_.exportedUnit;
  // Saved only once the unit took every command (and, verified, holds it).
  if (run_.outcome == Outcome::Completed && run_.errorReplies == 0 && !verify) editor_.MarkExported();
  NoteUnitAfterExport();
  if (run_.outcome == Outcome::Completed && run_.sentOver) documentName_ = UnitName();
  // Nothing done (a dialog cancelled): the status line is as it was.
  if (editor_.status.Text() == kExportingStatus) editor_.status.Set(before);
  if (failure) {
    editor_.status.Set(run_.brokenBy != LinkBreak::None ? ExportEnding(run_.sentOver, 0) : " Export failed");
    prompts_.ShowError(*failure);
  }
  if (verify) VerifyExport();
}

void TransferController::NoteUnitAfterExport() {
  if (run_.outcome == Outcome::Completed && run_.errorReplies == 0 && run_.exportedUnit) {
    // Over a link the unit now holds what was sent; a file is no unit.
    editor_.unitBaseline.Remember(LinkKey(), *run_.exportedUnit);
  } else if (run_.unitReached) {
    // Cut short or refused in part: what the unit holds is unknown. A run
    // that sent no command line (refused before it, no connection) left
    // the unit as it was.
    editor_.unitBaseline.Forget();
  }
}

std::vector<std::string> TransferController::PrepareCheckedExport(ExportTarget target) {
  std::vector<std::string> lines = editor_.PrepareExport();
  // Nothing is written or sent that would read back as something else; a
  // unit is sent no address it cannot use. What is only lost is written as
  // it is and named once the export ends.
  const std::vector<ReadBackProblem> problems = CheckReadBack(editor_.model, lines);
  if (const std::vector<ReadBackProblem> refused = ProblemsWhere(problems, target, false, true);
      !refused.empty()) {
    editor_.messageLog.Clear();
    editor_.messageLog.AppendLine(OnlyUnsoundAddresses(refused)
                                      ? "Export refused: a unit cannot take these values:"
                                      : "Export refused: these values would not read back as they are:");
    for (const ReadBackProblem& problem : refused) editor_.messageLog.AppendLine("  " + problem.Text());
    throw std::runtime_error(ReadBackRefusal(refused));
  }
  run_.exportWarnings.clear();
  for (const ReadBackProblem& problem : ProblemsWhere(problems, target, false, false))
    run_.exportWarnings.push_back(problem.Text());
  run_.exportedUnit = editor_.model.unit;
  return lines;
}

void TransferController::AppendExportWarnings() {
  // Only once something was written or sent: the file holds the commands alone.
  if (run_.outcome != Outcome::Completed && !run_.unitReached) return;
  for (const std::string& warning : run_.exportWarnings) editor_.messageLog.AppendLine("Warning: " + warning);
}

void TransferController::RunExport() {
  const std::vector<std::string> lines =
      PrepareCheckedExport(mode_ == Mode::File ? ExportTarget::File : ExportTarget::Unit);
  if (mode_ == Mode::File) {
    run_.commandCount = static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), IsCommandLine));
    run_.outcome = Outcome::Completed;
    ExportFile(lines);
  } else {
    SendToUnit(lines);
  }
}

void TransferController::RunExportLines() {
  // The whole configuration must be fit for the unit before any part of it is sent.
  PrepareCheckedExport(ExportTarget::Unit);
  std::vector<std::string> lines;
  if (linesToSend_) {
    lines = *linesToSend_;
  } else {
    const UnitConfiguration* base = editor_.unitBaseline.For(LinkKey());
    if (!base)
      throw std::runtime_error("What the unit holds is no longer known: export the whole configuration.");
    lines = BuildChangedCommands(*base, *run_.exportedUnit);
  }
  // The message area shows what is sent.
  editor_.messageLog.Clear();
  editor_.messageLog.AppendText(ZemFileText(lines));
  SendToUnit(lines);
}

void TransferController::SendToUnit(const std::vector<std::string>& lines) {
  std::vector<std::string> commands;
  for (const std::string& line : lines)
    if (IsCommandLine(line)) commands.push_back(line);
  run_.commandCount = commands.size();
  run_.commands = commands;
  run_.outcome = Outcome::Completed;
  try {
    if (mode_ == Mode::Telnet) {
      run_.sentOver = "Telnet";
      ExportTelnet(commands);
    } else if (mode_ == Mode::Serial) {
      run_.sentOver = "Serial";
      ExportSerial(commands);
    }
  } catch (const LinkFailure& e) {
    // Still a failure for the error box; the ending says how far it got.
    if (e.Closed()) run_.brokenBy = e.Reset() ? LinkBreak::Reset : LinkBreak::Closed;
    throw;
  }
}

void TransferController::ExportFile(const std::vector<std::string>& lines) {
  std::optional<std::string> chosen =
      prompts_.SaveFile(Prompts::FileDialog{"zem", kZemFilter, lastOpenedFile_});
  if (!chosen) {
    run_.outcome = Outcome::None;
    return;
  }
  const std::string& name = *chosen;
  if (QFileInfo::exists(QString::fromLocal8Bit(name.c_str())) &&
      !prompts_.Confirm("File " + name + " exists. Overwrite?")) {
    run_.outcome = Outcome::None;
    return;
  }
  std::string error;
  const FileWaiter waiter = FileWaiterFor(name);
  if (!WriteFileAtomically(name, ZemFileText(lines), &error, &waiter))
    throw std::runtime_error("Cannot create file " + name + ". " + error);
  editor_.status.Set("Exported to file: " + name);
  documentName_ = std::filesystem::path(name).filename().string();
  settings_.AddRecentFile(name);
}

void TransferController::ExportTelnet(const std::vector<std::string>& commands) {
  if (telnet_.IsConnected()) {
    telnet_.Disconnect();
    telnet_.ClearInput();
  }
  telnet_.Port = TelnetLink::kDefaultPort;
  if (!telnet_.IsConnected()) {
    telnet_.ClearInput();
    telnet_.Connect(run_.deadline);
  }
  monitor_.markerProgress = 0;
  if (telnet_.IsConnected()) {
    telnet_.SendText("[]");
    if (WaitTelnetReply(false)) {
      for (const std::string& line : commands) {
        editor_.status.Set(SendingStatus(run_.linesSent, commands.size()));
        ProcessPendingEvents();
        ThrowIfCancelled();
        telnet_.CheckPeerClosed();
        if (!telnet_.IsConnected()) {
          run_.outcome = Outcome::Incomplete;  // not everything reached the unit
          break;
        }
        editor_.receivedText.AppendLine("Sending: " + line + "\n\r");
        run_.unitReached = true;
        telnet_.SendText(line + "\n\r");
        ++run_.linesSent;
        run_.lastLineSent = line;
        if (!WaitTelnetReply(true)) break;
      }
    }
  }
  if (telnet_.IsConnected()) telnet_.Disconnect();
  telnet_.ClearInput();  // what the unit sent after the last reply is of no use
  editor_.status.Set(ExportEnding("Telnet", waitLimitMs_));
}

// Reads until a ")" or "]" (the reply's end); what is read is dropped and
// what follows stays for the next wait. No time limit unless one is set
// (the unit may be slow, and the user can cancel): counted from the moment
// the line was sent, whatever bytes come without the reply's end. Past it,
// or past the run's deadline, the export stops as a serial one does and
// this returns false. `lineReply`: the answer to a line, whose "(ERROR)" is
// counted, rather than to the opening "[]".
bool TransferController::WaitTelnetReply(bool lineReply) {
  run_.countErrorReplies = lineReply;
  const QDeadlineTimer until = Bounded(QDeadlineTimer(waitLimitMs_));
  AnswerWait shown(editor_.status,
                   lineReply ? AwaitedCommand(run_.linesSent, run_.commandCount) : "the opening []");
  for (;;) {
    ThrowIfCancelled();
    telnet_.CheckPeerClosed();
    if (!telnet_.IsConnected()) return true;
    const bool input = telnet_.WaitForInput(std::min(until, QDeadlineTimer(shown.MsToNextChange())));
    shown.Show();
    if (!input && !until.hasExpired()) continue;
    if (!input) {
      editor_.receivedText.AppendLine(run_.deadline.hasExpired()
                                          ? "Breaking; " + WaitEndText(false)
                                          : "Breaking; no response in " + DurationText(waitLimitMs_));
      run_.outcome = Outcome::NoReply;
      return false;
    }
    const std::string_view unread = telnet_.Unread();
    const std::size_t end = unread.find_first_of(")]");
    const std::string_view reply = unread.substr(0, end == std::string_view::npos ? unread.size() : end + 1);
    for (const char c : reply) NoteReplyByte(c);
    telnet_.Consume(reply.size());
    if (end != std::string_view::npos) {
      if (lineReply) ++run_.commandsAnswered;
      return true;
    }
    ProcessPendingEvents();
  }
}

void TransferController::NoteReplyByte(char byte) {
  if (!run_.countErrorReplies || !AdvanceErrorReplyMatcher(run_.errorReplyProgress, byte)) return;
  // A command counts once, however many "(ERROR)"s its answer holds.
  if (run_.refusedAt == run_.linesSent) return;
  run_.refusedAt = run_.linesSent;
  ++run_.errorReplies;
  if (run_.refusedCommands.size() < kRefusedShown) run_.refusedCommands.push_back(run_.lastLineSent);
}

std::string TransferController::RefusedText() const {
  if (run_.refusedCommands.empty()) return {};
  std::string text = "Refused by the unit: ";
  for (std::size_t i = 0; i < run_.refusedCommands.size(); ++i)
    text += (i > 0 ? ", " : "") + run_.refusedCommands[i];
  return text;
}

// How far an export got: " after command K of M" or " before the first
// command". Where the unit broke the link off or the user cancelled, K is the
// number of commands the unit answered: those it surely took; the next one
// may have gone out unanswered. Where no answer came in time, K is the
// command left unanswered, as "no response in 30 seconds after command K"
// reads (0: the opening "[]").
std::string TransferController::StopPoint() const {
  return run_.commandsAnswered == 0 ? std::string(" before the first command")
                                    : " after " + AwaitedCommand(run_.commandsAnswered, run_.commandCount);
}

std::string TransferController::CancelledExportEnding() const {
  return std::string(" ") + run_.sentOver + " Export cancelled" + StopPoint() + HalfWrittenTableEnding();
}

std::string TransferController::HalfWrittenTableEnding() const {
  const std::optional<TableCut> cut =
      HalfWrittenTable(run_.commands, static_cast<std::size_t>(std::max(run_.commandsAnswered, 0)));
  if (!cut) return {};
  const std::string text = TableCutText(*cut);
  editor_.messageLog.AppendLine(text);
  return ". " + text;
}

std::string TransferController::ExportEnding(const char* link, int limitMs) {
  if (run_.errorReplies > 0) editor_.messageLog.AppendLine(RefusedText());
  const std::string head = std::string(" ") + link + " Export ";
  const std::string of = " of " + std::to_string(run_.commandCount);
  const std::string after = run_.linesSent == 0 ? std::string(" before the first command")
                                                : " after command " + std::to_string(run_.linesSent) + of;
  if (run_.brokenBy != LinkBreak::None || run_.outcome == Outcome::Incomplete) {
    if (run_.unitReached) editor_.messageLog.AppendLine("The unit may hold part of the new configuration.");
    const char* how = run_.brokenBy == LinkBreak::Reset      ? "the unit reset the connection"
                      : run_.brokenBy == LinkBreak::PortLost ? "the port was lost"
                                                             : "the unit closed the connection";
    return head + "Incomplete: " + how + StopPoint() + HalfWrittenTableEnding();
  }
  if (run_.outcome == Outcome::NoReply && run_.deadlinePassed)
    return head + "Incomplete: the transfer reached its deadline of " + DurationText(deadlineMs_) + after +
           HalfWrittenTableEnding();
  if (run_.outcome == Outcome::NoReply)
    return head + "Incomplete: no response in " + DurationText(limitMs) + after + HalfWrittenTableEnding();
  if (run_.errorReplies > 0)
    return head + "Complete: " + std::to_string(run_.errorReplies) + of + " commands refused";
  return head + "Complete";
}

void TransferController::ExportSerial(const std::vector<std::string>& commands) {
  Pause(100);
  run_.portLost = false;
  // A port that was lost or never chosen is opened again as an import
  // does; "Serial Export Complete" with nothing sent would be a lie.
  if (!serial_.IsPortOpen()) OpenPortAsking();
  const auto throwIfLost = [this] {
    if (!run_.portLost) return;
    run_.brokenBy = LinkBreak::PortLost;
    throw LinkFailure("The serial port " + serial_.Device() + " was lost");
  };
  if (serial_.IsPortOpen()) {
    for (const std::string& line : commands) {
      throwIfLost();  // between two answers too: not sent to a closed port
      editor_.status.Set(SendingStatus(run_.linesSent, commands.size()));
      editor_.receivedText.AppendLine("Sending: " + line);
      monitor_.replyEndSeen = false;
      run_.countErrorReplies = true;
      replyWatchdog_.stop();
      replyWatchdog_.start();
      run_.unitReached = true;
      try {
        serial_.SendText(line);
      } catch (const LinkFailure&) {
        throwIfLost();  // a write that failed as the port went away
        throw;
      }
      ++run_.linesSent;
      run_.lastLineSent = line;
      AnswerWait shown(editor_.status, AwaitedCommand(run_.linesSent, commands.size()));
      while (!monitor_.replyEndSeen && replyWatchdog_.isActive() && !run_.deadline.hasExpired()) {
        ThrowIfCancelled();
        throwIfLost();
        const qint64 slice = std::min(250, shown.MsToNextChange());
        wait_.Wait(run_.deadline.isForever()
                       ? static_cast<int>(slice)
                       : static_cast<int>(std::min<qint64>(run_.deadline.remainingTime(), slice)));
        shown.Show();
      }
      if (!monitor_.replyEndSeen) {
        editor_.receivedText.AppendLine(replyWatchdog_.isActive()
                                            ? "Breaking; " + WaitEndText(false)
                                            : "Breaking; no response in " +
                                                  DurationText(replyWatchdog_.interval()));
        run_.outcome = Outcome::NoReply;
        break;
      }
      ++run_.commandsAnswered;
    }
  }
  run_.countErrorReplies = false;
  editor_.status.Set(ExportEnding("Serial", replyWatchdog_.interval()));
}

}  // namespace zem
