// The export run: the configuration to a file, or line by line to the unit
// over Telnet or a serial port, each line waiting for the unit's answer.
#include "transfer/export_run.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <utility>

#include "command/change_set.h"
#include "command/command_writer.h"
#include "editor/read_back_check.h"
#include "transfer/file_io.h"

namespace zem {

namespace {

const char kExportingStatus[] = " Exporting...";

std::string SendingStatus(int sent, std::size_t total) {
  return " Sending line " + std::to_string(sent + 1) + " of " + std::to_string(total);
}

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

ExportRun::ExportRun(TransferContext& context) : ctx_(context) {
  replyWatchdog_.setSingleShot(true);
  replyWatchdog_.setInterval(30000);
  QObject::connect(&replyWatchdog_, &QTimer::timeout, &ctx_.wait, &EventWait::Wake);
}

bool ExportRun::Run(What what, std::vector<std::string> lines, const std::string& backup,
                    const std::function<bool()>& verifyWanted) {
  what_ = what;
  linesToSend_ = std::move(lines);
  const std::string before = ctx_.editor.status.Text();
  ctx_.editor.status.Set(kExportingStatus);
  state_ = State{};
  ctx_.lastJob = TransferContext::Job::Export;
  ctx_.onSerialByte = [this](char c) { NoteReplyByte(c); };
  const TransferContext::RunEnd end = ctx_.Run(
      "Export", [this] { what_ == What::Whole ? RunExport() : RunExportLines(); },
      [this](const TransferContext::RunEnd& e) {
        if (e.cancelled) {
          state_.outcome = TransferOutcome::Cancelled;
          // An export to the unit says how far it got.
          ctx_.editor.status.Set(state_.sentOver ? CancelledExportEnding() : " Export cancelled");
        } else if (e.failure) {
          state_.outcome = TransferOutcome::Failed;
          state_.failure = *e.failure;
        }
        state_.deadlinePassed = ctx_.deadlinePassed;
        // Bytes that come after the run answer nothing of it.
        state_.countErrorReplies = false;
        ctx_.onSerialByte = nullptr;
      });
  linesToSend_.clear();
  AppendExportWarnings();
  if (!backup.empty())
    ctx_.editor.messageLog.AppendLine("The unit's configuration was backed up to " + backup);
  // Every command answered: what the unit holds is read back, if asked.
  const bool verify = state_.outcome == TransferOutcome::Completed && state_.sentOver != nullptr &&
                      state_.exportedUnit && verifyWanted();
  // Saved only once the unit took every command (and, verified, holds it).
  if (state_.outcome == TransferOutcome::Completed && state_.errorReplies == 0 && !verify)
    ctx_.editor.MarkExported();
  NoteUnitAfterExport();
  if (state_.outcome == TransferOutcome::Completed && state_.sentOver) ctx_.documentName = ctx_.UnitName();
  // Nothing done (a dialog cancelled): the status line is as it was.
  if (ctx_.editor.status.Text() == kExportingStatus) ctx_.editor.status.Set(before);
  if (end.failure) {
    ctx_.editor.status.Set(state_.brokenBy != LinkBreak::None ? ExportEnding(state_.sentOver, 0)
                                                              : " Export failed");
    ctx_.prompts.ShowError(*end.failure);
  }
  return verify;
}

void ExportRun::NoteUnitAfterExport() {
  if (state_.outcome == TransferOutcome::Completed && state_.errorReplies == 0 && state_.exportedUnit) {
    // Over a link the unit now holds what was sent; a file is no unit.
    ctx_.editor.unitBaseline.Remember(ctx_.LinkKey(), *state_.exportedUnit);
  } else if (state_.unitReached) {
    // Cut short or refused in part: what the unit holds is unknown. A run
    // that sent no command line (refused before it, no connection) left
    // the unit as it was.
    ctx_.editor.unitBaseline.Forget();
  }
}

std::vector<std::string> ExportRun::PrepareCheckedExport(ExportTarget target) {
  std::vector<std::string> lines = ctx_.editor.PrepareExport();
  // Nothing is written or sent that would read back as something else; a
  // unit is sent no address it cannot use. What is only lost is written as
  // it is and named once the export ends.
  const std::vector<ReadBackProblem> problems = CheckReadBack(ctx_.editor.model, lines);
  if (const std::vector<ReadBackProblem> refused = ProblemsWhere(problems, target, false, true);
      !refused.empty()) {
    ctx_.editor.messageLog.Clear();
    ctx_.editor.messageLog.AppendLine(OnlyUnsoundAddresses(refused)
                                          ? "Export refused: a unit cannot take these values:"
                                          : "Export refused: these values would not read back as they are:");
    for (const ReadBackProblem& problem : refused) ctx_.editor.messageLog.AppendLine("  " + problem.Text());
    throw std::runtime_error(ReadBackRefusal(refused));
  }
  state_.exportWarnings.clear();
  for (const ReadBackProblem& problem : ProblemsWhere(problems, target, false, false))
    state_.exportWarnings.push_back(problem.Text());
  state_.exportedUnit = ctx_.editor.model.unit;
  return lines;
}

void ExportRun::AppendExportWarnings() {
  // Only once something was written or sent: the file holds the commands alone.
  if (state_.outcome != TransferOutcome::Completed && !state_.unitReached) return;
  for (const std::string& warning : state_.exportWarnings)
    ctx_.editor.messageLog.AppendLine("Warning: " + warning);
}

void ExportRun::RunExport() {
  const std::vector<std::string> lines =
      PrepareCheckedExport(ctx_.mode == TransferMode::File ? ExportTarget::File : ExportTarget::Unit);
  if (ctx_.mode == TransferMode::File) {
    state_.commandCount = static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), IsCommandLine));
    state_.outcome = TransferOutcome::Completed;
    ExportFile(lines);
  } else {
    SendToUnit(lines);
  }
}

void ExportRun::RunExportLines() {
  // The whole configuration must be fit for the unit before any part of it is sent.
  PrepareCheckedExport(ExportTarget::Unit);
  std::vector<std::string> lines;
  if (what_ == What::Lines) {
    lines = linesToSend_;
  } else {
    const UnitConfiguration* base = ctx_.editor.unitBaseline.For(ctx_.LinkKey());
    if (!base)
      throw std::runtime_error("What the unit holds is no longer known: export the whole configuration.");
    lines = BuildChangedCommands(*base, *state_.exportedUnit);
  }
  // The message area shows what is sent.
  ctx_.editor.messageLog.Clear();
  ctx_.editor.messageLog.AppendText(ZemFileText(lines));
  SendToUnit(lines);
}

void ExportRun::SendToUnit(const std::vector<std::string>& lines) {
  std::vector<std::string> commands;
  for (const std::string& line : lines)
    if (IsCommandLine(line)) commands.push_back(line);
  state_.commandCount = commands.size();
  state_.commands = commands;
  state_.outcome = TransferOutcome::Completed;
  try {
    if (ctx_.mode == TransferMode::Telnet) {
      state_.sentOver = "Telnet";
      ExportTelnet(commands);
    } else if (ctx_.mode == TransferMode::Serial) {
      state_.sentOver = "Serial";
      ExportSerial(commands);
    }
  } catch (const LinkFailure& e) {
    // Still a failure for the error box; the ending says how far it got.
    if (e.Closed()) state_.brokenBy = e.Reset() ? LinkBreak::Reset : LinkBreak::Closed;
    throw;
  }
}

void ExportRun::ExportFile(const std::vector<std::string>& lines) {
  std::optional<std::string> chosen =
      ctx_.prompts.SaveFile(Prompts::FileDialog{"zem", TransferContext::kZemFilter, ctx_.lastOpenedFile});
  if (!chosen) {
    state_.outcome = TransferOutcome::None;
    return;
  }
  const std::string& name = *chosen;
  if (QFileInfo::exists(QString::fromLocal8Bit(name.c_str())) &&
      !ctx_.prompts.Confirm("File " + name + " exists. Overwrite?")) {
    state_.outcome = TransferOutcome::None;
    return;
  }
  std::string error;
  const FileWaiter waiter = ctx_.FileWaiterFor(name);
  if (!WriteFileAtomically(name, ZemFileText(lines), &error, &waiter))
    throw std::runtime_error("Cannot create file " + name + ". " + error);
  ctx_.editor.status.Set("Exported to file: " + name);
  ctx_.documentName = std::filesystem::path(name).filename().string();
  ctx_.settings.AddRecentFile(name);
}

void ExportRun::ExportTelnet(const std::vector<std::string>& commands) {
  if (ctx_.telnet.IsConnected()) {
    ctx_.telnet.Disconnect();
    ctx_.telnet.ClearInput();
  }
  ctx_.telnet.Port = TelnetLink::kDefaultPort;
  if (!ctx_.telnet.IsConnected()) {
    ctx_.telnet.ClearInput();
    ctx_.telnet.Connect(ctx_.deadline);
  }
  ctx_.monitor.markerProgress = 0;
  if (ctx_.telnet.IsConnected()) {
    ctx_.telnet.SendText("[]");
    if (WaitTelnetReply(false)) {
      for (const std::string& line : commands) {
        ctx_.editor.status.Set(SendingStatus(state_.linesSent, commands.size()));
        ProcessPendingEvents();
        ctx_.ThrowIfCancelled();
        ctx_.ThrowIfStoppedBetweenLines();
        ctx_.telnet.CheckPeerClosed();
        if (!ctx_.telnet.IsConnected()) {
          state_.outcome = TransferOutcome::Incomplete;  // not everything reached the unit
          break;
        }
        ctx_.editor.receivedText.AppendLine("Sending: " + line + "\n\r");
        state_.unitReached = true;
        ctx_.telnet.SendText(line + "\n\r");
        ++state_.linesSent;
        state_.lastLineSent = line;
        if (!WaitTelnetReply(true)) break;
      }
    }
  }
  if (ctx_.telnet.IsConnected()) ctx_.telnet.Disconnect();
  ctx_.telnet.ClearInput();  // what the unit sent after the last reply is of no use
  ctx_.editor.status.Set(ExportEnding("Telnet", ctx_.waitLimitMs));
}

// Reads until a ")" or "]" (the reply's end); what is read is dropped and
// what follows stays for the next wait. No time limit unless one is set
// (the unit may be slow, and the user can cancel): counted from the moment
// the line was sent, whatever bytes come without the reply's end. Past it,
// or past the run's deadline, the export stops as a serial one does and
// this returns false. `lineReply`: the answer to a line, whose "(ERROR)" is
// counted, rather than to the opening "[]".
bool ExportRun::WaitTelnetReply(bool lineReply) {
  state_.countErrorReplies = lineReply;
  const QDeadlineTimer until = ctx_.Bounded(QDeadlineTimer(ctx_.waitLimitMs));
  AnswerWait shown(ctx_.editor.status,
                   lineReply ? AwaitedCommand(state_.linesSent, state_.commandCount) : "the opening []");
  for (;;) {
    ctx_.ThrowIfCancelled();
    ctx_.telnet.CheckPeerClosed();
    if (!ctx_.telnet.IsConnected()) return true;
    const bool input = ctx_.telnet.WaitForInput(std::min(until, QDeadlineTimer(shown.MsToNextChange())));
    shown.Show();
    if (!input && !until.hasExpired()) continue;
    if (!input) {
      ctx_.editor.receivedText.AppendLine(ctx_.deadline.hasExpired()
                                              ? "Breaking; " + ctx_.WaitEndText(false)
                                              : "Breaking; no response in " + DurationText(ctx_.waitLimitMs));
      state_.outcome = TransferOutcome::NoReply;
      return false;
    }
    const std::string_view unread = ctx_.telnet.Unread();
    const std::size_t end = unread.find_first_of(")]");
    const std::string_view reply = unread.substr(0, end == std::string_view::npos ? unread.size() : end + 1);
    for (const char c : reply) NoteReplyByte(c);
    ctx_.telnet.Consume(reply.size());
    if (end != std::string_view::npos) {
      if (lineReply) ++state_.commandsAnswered;
      return true;
    }
    ProcessPendingEvents();
  }
}

void ExportRun::NoteReplyByte(char byte) {
  if (!state_.countErrorReplies || !AdvanceErrorReplyMatcher(state_.errorReplyProgress, byte)) return;
  // A command counts once, however many "(ERROR)"s its answer holds.
  if (state_.refusedAt == state_.linesSent) return;
  state_.refusedAt = state_.linesSent;
  ++state_.errorReplies;
  if (state_.refusedCommands.size() < kRefusedShown) state_.refusedCommands.push_back(state_.lastLineSent);
}

std::string ExportRun::RefusedText() const {
  if (state_.refusedCommands.empty()) return {};
  std::string text = "Refused by the unit: ";
  for (std::size_t i = 0; i < state_.refusedCommands.size(); ++i)
    text += (i > 0 ? ", " : "") + state_.refusedCommands[i];
  return text;
}

// How far an export got: " after command K of M" or " before the first
// command". Where the unit broke the link off or the user cancelled, K is the
// number of commands the unit answered: those it surely took; the next one
// may have gone out unanswered. Where no answer came in time, K is the
// command left unanswered, as "no response in 30 seconds after command K"
// reads (0: the opening "[]").
std::string ExportRun::StopPoint() const {
  return state_.commandsAnswered == 0
             ? std::string(" before the first command")
             : " after " + AwaitedCommand(state_.commandsAnswered, state_.commandCount);
}

std::string ExportRun::CancelledExportEnding() const {
  return std::string(" ") + state_.sentOver + " Export cancelled" + StopPoint() + HalfWrittenTableEnding();
}

std::string ExportRun::HalfWrittenTableEnding() const {
  const std::optional<TableCut> cut =
      HalfWrittenTable(state_.commands, static_cast<std::size_t>(std::max(state_.commandsAnswered, 0)));
  if (!cut) return {};
  const std::string text = TableCutText(*cut);
  ctx_.editor.messageLog.AppendLine(text);
  return ". " + text;
}

std::string ExportRun::ExportEnding(const char* link, int limitMs) {
  if (state_.errorReplies > 0) ctx_.editor.messageLog.AppendLine(RefusedText());
  const std::string head = std::string(" ") + link + " Export ";
  const std::string of = " of " + std::to_string(state_.commandCount);
  const std::string after = state_.linesSent == 0 ? std::string(" before the first command")
                                                  : " after command " + std::to_string(state_.linesSent) + of;
  if (state_.brokenBy != LinkBreak::None || state_.outcome == TransferOutcome::Incomplete) {
    if (state_.unitReached)
      ctx_.editor.messageLog.AppendLine("The unit may hold part of the new configuration.");
    const char* how = state_.brokenBy == LinkBreak::Reset      ? "the unit reset the connection"
                      : state_.brokenBy == LinkBreak::PortLost ? "the port was lost"
                                                               : "the unit closed the connection";
    return head + "Incomplete: " + how + StopPoint() + HalfWrittenTableEnding();
  }
  if (state_.outcome == TransferOutcome::NoReply && ctx_.deadlinePassed)
    return head + "Incomplete: the transfer reached its deadline of " + DurationText(ctx_.deadlineMs) +
           after + HalfWrittenTableEnding();
  if (state_.outcome == TransferOutcome::NoReply)
    return head + "Incomplete: no response in " + DurationText(limitMs) + after + HalfWrittenTableEnding();
  if (state_.errorReplies > 0)
    return head + "Complete: " + std::to_string(state_.errorReplies) + of + " commands refused";
  return head + "Complete";
}

void ExportRun::ExportSerial(const std::vector<std::string>& commands) {
  ctx_.Pause(100);
  ctx_.portLost = false;
  // A port that was lost or never chosen is opened again as an import
  // does; "Serial Export Complete" with nothing sent would be a lie.
  if (!ctx_.serial.IsPortOpen()) ctx_.OpenPortAsking();
  const auto throwIfLost = [this] {
    if (!ctx_.portLost) return;
    state_.brokenBy = LinkBreak::PortLost;
    throw LinkFailure("The serial port " + ctx_.serial.Device() + " was lost");
  };
  if (ctx_.serial.IsPortOpen()) {
    for (const std::string& line : commands) {
      throwIfLost();  // between two answers too: not sent to a closed port
      ctx_.ThrowIfStoppedBetweenLines();
      ctx_.editor.status.Set(SendingStatus(state_.linesSent, commands.size()));
      ctx_.editor.receivedText.AppendLine("Sending: " + line);
      ctx_.monitor.replyEndSeen = false;
      state_.countErrorReplies = true;
      replyWatchdog_.stop();
      replyWatchdog_.start();
      state_.unitReached = true;
      try {
        ctx_.serial.SendText(line);
      } catch (const LinkFailure&) {
        throwIfLost();  // a write that failed as the port went away
        throw;
      }
      ++state_.linesSent;
      state_.lastLineSent = line;
      AnswerWait shown(ctx_.editor.status, AwaitedCommand(state_.linesSent, commands.size()));
      while (!ctx_.monitor.replyEndSeen && replyWatchdog_.isActive() && !ctx_.deadline.hasExpired()) {
        ctx_.ThrowIfCancelled();
        throwIfLost();
        const qint64 slice = std::min(250, shown.MsToNextChange());
        ctx_.wait.Wait(ctx_.deadline.isForever()
                           ? static_cast<int>(slice)
                           : static_cast<int>(std::min<qint64>(ctx_.deadline.remainingTime(), slice)));
        shown.Show();
      }
      if (!ctx_.monitor.replyEndSeen) {
        ctx_.editor.receivedText.AppendLine(replyWatchdog_.isActive()
                                                ? "Breaking; " + ctx_.WaitEndText(false)
                                                : "Breaking; no response in " +
                                                      DurationText(replyWatchdog_.interval()));
        state_.outcome = TransferOutcome::NoReply;
        break;
      }
      ++state_.commandsAnswered;
    }
  }
  state_.countErrorReplies = false;
  ctx_.editor.status.Set(ExportEnding("Serial", replyWatchdog_.interval()));
}

}  // namespace zem
