// File > Live: the link held open and every edit sent as it is made.
#include <stdexcept>

#include "command/change_set.h"
#include "command/command_writer.h"
#include "editor/read_back_check.h"
#include "transfer/transfer_controller.h"

namespace zem {

namespace {

constexpr std::size_t kLiveAnswerShown = 256;
constexpr char kLiveOnStatus[] = " Live: the unit follows every change";
// Longer runs of lines for one edit show their progress.
constexpr std::size_t kLiveLinesUnseen = 20;

std::string Seconds(int ms) {
  const int s = (ms + 999) / 1000;
  return std::to_string(s) + (s == 1 ? " second" : " seconds");
}

}  // namespace

std::string TransferController::LiveRefusal() const {
  if (mode_ != Mode::Serial && mode_ != Mode::Telnet) return "Live works in Serial or Telnet Mode";
  const ChangesState state = ExportChangesState();
  if (state == ChangesState::NoBaseline || state == ChangesState::CountsDiffer)
    return ChangesStateText(state);
  return {};
}

bool TransferController::StartLive() {
  if (live_ || Busy() || !editor_.HasConfiguration()) return false;
  if (const std::string why = LiveRefusal(); !why.empty()) {
    editor_.status.Set(" " + why);
    return false;
  }
  if (ExportChangesState() == ChangesState::Ready) {
    ExportChanges();
    // The export said why it did not bring the unit in step.
    if (ExportChangesState() != ChangesState::NothingChanged) return false;
  }
  live_.emplace();
  live_->target = editor_.model.unit;
  // Edits made while the link opens wait in the queue.
  live_->inFlight = true;
  std::optional<std::string> fault;
  try {
    if (mode_ == Mode::Telnet) {
      if (telnet_.IsConnected()) telnet_.Disconnect();
      telnet_.ClearInput();
      telnet_.Port = TelnetLink::kDefaultPort;
      telnet_.Connect();
      if (!telnet_.IsConnected()) throw LinkFailure("Cannot connect to " + UnitName());
      // An export opens with "[]": so does Live's connection.
      telnet_.SendText("[]");
      fault = AwaitTelnetLiveReply("[]");
    } else {
      run_.portLost = false;
      if (!serial_.IsPortOpen()) serial_.OpenPort();
    }
  } catch (const LinkFailure& e) {
    fault = e.what();
  }
  if (fault) {
    EndLive(fault);
    return false;
  }
  live_->inFlight = false;
  // In step now: the configuration counts as sent.
  editor_.MarkSentAsIs();
  editor_.status.Set(kLiveOnStatus);
  liveIdleCheck_.start();
  emit LiveChanged();
  PumpLive();
  return true;
}

void TransferController::LiveEdit() {
  if (!live_ || live_->stopAsked) return;
  const UnitConfiguration& next = editor_.model.unit;
  if (!ChangesCanBeSent(live_->target, next))
    return EndLive("the source or zone count changed: a full export is needed");
  std::vector<std::string> lines = BuildChangedCommands(live_->target, next);
  if (lines.empty()) return;
  // Nothing goes out that would read back as something else, as for an export.
  const std::vector<ReadBackProblem> refused = ProblemsWhere(
      CheckReadBack(editor_.model, BuildCommandSequence(editor_.model)), ExportTarget::Unit, false, true);
  if (!refused.empty()) return EndLive(ReadBackRefusal(refused));
  // A later edit may add entries to the table being written, or take some.
  std::optional<TableCut>& rewrite = live_->rewrite;
  const std::size_t entriesBefore = rewrite ? live_->queue.EntriesWaiting(rewrite->table) : 0;
  live_->queue.Add(lines);
  live_->target = next;
  if (rewrite) rewrite->total = rewrite->total + live_->queue.EntriesWaiting(rewrite->table) - entriesBefore;
  emit LiveChanged();
  PumpLive();
}

void TransferController::StopLive() {
  if (!live_) return;
  live_->stopAsked = true;
  PumpLive();
}

void TransferController::PumpLive() {
  // Called again while a line is in flight (an edit, a switch-off), the
  // loop below takes what was queued.
  if (!live_ || live_->inFlight) return;
  liveIdleCheck_.stop();
  while (live_ && (!live_->queue.Empty() || live_->stopAsked)) {
    const bool closing = live_->queue.Empty();
    const std::string line = closing ? std::string("[EC]") : live_->queue.Take();
    const TableLine kind = closing ? TableLine{} : ClassifyTableLine(line);
    // The opening line empties the table: its entries follow it in the queue.
    if (kind.opening) live_->rewrite = TableCut{kind.table, 0, live_->queue.EntriesWaiting(kind.table)};
    live_->inFlight = true;
    if (!closing) ShowLiveProgress();
    emit LiveChanged();
    const std::optional<std::string> fault = SendLiveLine(line);
    if (!live_) return;
    live_->inFlight = false;
    if (fault) return EndLive(fault);
    ++live_->burstSent;
    if (std::optional<TableCut>& rewrite = live_->rewrite) {
      if (!kind.opening && kind.table == rewrite->table) ++rewrite->sent;
      if (rewrite->sent >= rewrite->total) rewrite.reset();
    }
    if (closing) {
      // Switched off with lines still in flight: they all went, so the
      // unit holds what was queued last.
      NoteLiveInStep();
      return EndLive(std::nullopt);
    }
  }
  if (!live_) return;
  NoteLiveInStep();
  liveIdleCheck_.start();
  emit LiveChanged();
}

void TransferController::NoteLiveInStep() {
  live_->burstSent = 0;
  if (live_->progressShown) editor_.status.Set(kLiveOnStatus);
  live_->progressShown = false;
  editor_.unitBaseline.Remember(LinkKey(), live_->target);
  if (editor_.model.unit == live_->target) editor_.MarkSentAsIs();
}

void TransferController::ShowLiveProgress() {
  // A few lines go by unseen; a long run of them is counted.
  const std::size_t total = live_->burstSent + live_->queue.Size() + 1;
  std::string text;
  if (const std::optional<TableCut>& rewrite = live_->rewrite; rewrite && rewrite->total > kLiveLinesUnseen) {
    text = std::string(" Live: rewriting the ") + TableOnUnitName(rewrite->table) + " table, " +
           std::to_string(rewrite->sent) + " of " + std::to_string(rewrite->total);
  } else if (total > kLiveLinesUnseen) {
    text = " Live: sending the changes, " + std::to_string(live_->burstSent) + " of " + std::to_string(total);
  } else {
    return;
  }
  live_->progressShown = true;
  editor_.status.Set(text);
}

std::optional<std::string> TransferController::SendLiveLine(const std::string& line) {
  try {
    if (mode_ == Mode::Telnet) {
      telnet_.CheckPeerClosed();
      editor_.receivedText.AppendLine("Sending: " + line + "\n\r");
      telnet_.SendText(line + "\n\r");
      return AwaitTelnetLiveReply(line);
    }
    if (!serial_.IsPortOpen() || run_.portLost) return "the port was lost";
    editor_.receivedText.AppendLine("Sending: " + line);
    monitor_.replyEndSeen = false;
    live_->awaiting = true;
    live_->errorProgress = 0;
    live_->refused = false;
    serial_.SendText(line);
    return AwaitSerialLiveReply(line);
  } catch (const LinkFailure& e) {
    if (mode_ == Mode::Serial) return "the port was lost";
    return e.Reset() ? "the unit reset the connection" : "the unit closed the connection";
  }
}

std::optional<std::string> TransferController::AwaitTelnetLiveReply(const std::string& line) {
  const QDeadlineTimer until(liveTelnetLimitMs_);
  int progress = 0;
  bool refused = false;
  // The answer is shown, up to a length no answer needs.
  std::size_t shown = 0;
  const auto show = [&](std::string_view bytes) {
    bytes = bytes.substr(0, std::min(bytes.size(), kLiveAnswerShown - std::min(shown, kLiveAnswerShown)));
    shown += bytes.size();
    if (!bytes.empty()) editor_.receivedText.AppendText(std::string(bytes));
  };
  for (;;) {
    telnet_.CheckPeerClosed();
    if (!telnet_.IsConnected()) return "the unit closed the connection";
    if (!telnet_.WaitForInput(until)) return "no answer to " + line + " in " + Seconds(liveTelnetLimitMs_);
    const std::string_view unread = telnet_.Unread();
    for (std::size_t i = 0; i < unread.size(); ++i) {
      const char c = unread[i];
      if (AdvanceErrorReplyMatcher(progress, c)) refused = true;
      if (c != ')' && c != ']') continue;
      show(unread.substr(0, i + 1));
      telnet_.Consume(i + 1);
      // The opening "[]" is answered as an export's is: whatever it says.
      if (refused && line != "[]") return "the unit refused " + line;
      return std::nullopt;
    }
    show(unread);
    telnet_.Consume(unread.size());
  }
}

std::optional<std::string> TransferController::AwaitSerialLiveReply(const std::string& line) {
  const QDeadlineTimer until(liveSerialLimitMs_);
  while (!monitor_.replyEndSeen && !until.hasExpired() && !run_.portLost && serial_.IsPortOpen())
    wait_.Wait(static_cast<int>(std::min<qint64>(until.remainingTime(), 250)));
  live_->awaiting = false;
  if (run_.portLost || !serial_.IsPortOpen()) return "the port was lost";
  if (!monitor_.replyEndSeen) return "no answer to " + line + " in " + Seconds(liveSerialLimitMs_);
  if (live_->refused) return "the unit refused " + line;
  return std::nullopt;
}

void TransferController::EndLive(const std::optional<std::string>& fault) {
  if (!live_) return;
  liveIdleCheck_.stop();
  const std::vector<std::string> dropped = live_->queue.Drop();
  const std::optional<TableCut> cut = live_->rewrite;
  live_.reset();
  if (mode_ == Mode::Telnet) {
    if (telnet_.IsConnected()) telnet_.Disconnect();
    telnet_.ClearInput();
  }
  if (fault) {
    // The edits stay; only what the unit holds is no longer known.
    editor_.unitBaseline.Forget();
    std::string text = "Live stopped: " + *fault;
    editor_.messageLog.AppendLine(text);
    if (cut && cut->sent < cut->total) {
      // What the unit now lacks is worse than a setting not sent: say it first.
      editor_.messageLog.AppendLine(TableCutText(*cut));
      text += ". " + TableCutText(*cut);
    }
    if (!dropped.empty()) {
      editor_.messageLog.AppendLine("Not sent:");
      for (const std::string& line : dropped) editor_.messageLog.AppendLine("  " + line);
    }
    editor_.status.Set(" " + text);
  } else {
    editor_.status.Set(" Live off");
  }
  emit LiveChanged();
}

void TransferController::CheckLiveIdle() {
  if (!live_ || live_->inFlight) return;
  if (mode_ == Mode::Serial) {
    if (!serial_.IsPortOpen() || run_.portLost) EndLive("the port was lost");
    return;
  }
  try {
    // What came after the last answer (its line end) is let go, so that
    // the end of the connection behind it is seen.
    while (telnet_.IsConnected() && telnet_.HasInput()) telnet_.Consume(telnet_.Unread().size());
    telnet_.CheckPeerClosed();
  } catch (const LinkFailure& e) {
    EndLive(e.Reset() ? "the unit reset the connection" : "the unit closed the connection");
  }
}

}  // namespace zem
