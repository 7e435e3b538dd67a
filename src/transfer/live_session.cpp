// File > Live: the link held open and every edit sent as it is made.
#include "transfer/live_session.h"

#include <stdexcept>

#include "command/change_set.h"
#include "command/command_writer.h"
#include "editor/read_back_check.h"

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

LiveSession::LiveSession(TransferContext& context, QObject* parent) : QObject(parent), ctx_(context) {
  idleCheck_.setInterval(250);
  connect(&idleCheck_, &QTimer::timeout, this, &LiveSession::CheckIdle);
}

bool LiveSession::Start() {
  live_.emplace();
  live_->target = ctx_.editor.model.unit;
  // Edits made while the link opens wait in the queue.
  live_->inFlight = true;
  std::optional<std::string> fault;
  try {
    if (ctx_.mode == TransferMode::Telnet) {
      if (ctx_.telnet.IsConnected()) ctx_.telnet.Disconnect();
      ctx_.telnet.ClearInput();
      ctx_.telnet.Port = TelnetLink::kDefaultPort;
      ctx_.telnet.Connect();
      if (!ctx_.telnet.IsConnected()) throw LinkFailure("Cannot connect to " + ctx_.UnitName());
      // An export opens with "[]": so does Live's connection.
      ctx_.telnet.SendText("[]");
      fault = AwaitTelnetReply("[]");
    } else {
      ctx_.portLost = false;
      if (!ctx_.serial.IsPortOpen()) ctx_.serial.OpenPort();
    }
  } catch (const LinkFailure& e) {
    fault = e.what();
  }
  if (fault) {
    End(fault);
    return false;
  }
  live_->inFlight = false;
  // In step now: the configuration counts as sent.
  ctx_.editor.MarkSentAsIs();
  ctx_.editor.status.Set(kLiveOnStatus);
  idleCheck_.start();
  emit Changed();
  Pump();
  return true;
}

void LiveSession::Edit() {
  if (!live_ || live_->stopAsked) return;
  const UnitConfiguration& next = ctx_.editor.model.unit;
  if (!ChangesCanBeSent(live_->target, next))
    return End("the source or zone count changed: a full export is needed");
  std::vector<std::string> lines = BuildChangedCommands(live_->target, next);
  if (lines.empty()) return;
  // Nothing goes out that would read back as something else, as for an export.
  const std::vector<ReadBackProblem> refused =
      ProblemsWhere(CheckReadBack(ctx_.editor.model, BuildCommandSequence(ctx_.editor.model)),
                    ExportTarget::Unit, false, true);
  if (!refused.empty()) return End(ReadBackRefusal(refused));
  // A later edit may add entries to the table being written, or take some.
  std::optional<TableCut>& rewrite = live_->rewrite;
  const std::size_t entriesBefore = rewrite ? live_->queue.EntriesWaiting(rewrite->table) : 0;
  live_->queue.Add(lines);
  live_->target = next;
  if (rewrite) rewrite->total = rewrite->total + live_->queue.EntriesWaiting(rewrite->table) - entriesBefore;
  emit Changed();
  Pump();
}

void LiveSession::Stop() {
  if (!live_) return;
  live_->stopAsked = true;
  Pump();
}

void LiveSession::Pump() {
  // Called again while a line is in flight (an edit, a switch-off), the
  // loop below takes what was queued.
  if (!live_ || live_->inFlight) return;
  idleCheck_.stop();
  while (live_ && (!live_->queue.Empty() || live_->stopAsked)) {
    const bool closing = live_->queue.Empty();
    const std::string line = closing ? std::string("[EC]") : live_->queue.Take();
    const TableLine kind = closing ? TableLine{} : ClassifyTableLine(line);
    // The opening line empties the table: its entries follow it in the queue.
    if (kind.opening) live_->rewrite = TableCut{kind.table, 0, live_->queue.EntriesWaiting(kind.table)};
    live_->inFlight = true;
    if (!closing) ShowProgress();
    emit Changed();
    const std::optional<std::string> fault = SendLine(line);
    if (!live_) return;
    live_->inFlight = false;
    if (fault) return End(fault);
    ++live_->burstSent;
    if (std::optional<TableCut>& rewrite = live_->rewrite) {
      if (!kind.opening && kind.table == rewrite->table) ++rewrite->sent;
      if (rewrite->sent >= rewrite->total) rewrite.reset();
    }
    if (closing) {
      // Switched off with lines still in flight: they all went, so the
      // unit holds what was queued last.
      NoteInStep();
      return End(std::nullopt);
    }
  }
  if (!live_) return;
  NoteInStep();
  idleCheck_.start();
  emit Changed();
}

void LiveSession::NoteInStep() {
  live_->burstSent = 0;
  if (live_->progressShown) ctx_.editor.status.Set(kLiveOnStatus);
  live_->progressShown = false;
  ctx_.editor.unitBaseline.Remember(ctx_.LinkKey(), live_->target);
  if (ctx_.editor.model.unit == live_->target) ctx_.editor.MarkSentAsIs();
}

void LiveSession::ShowProgress() {
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
  ctx_.editor.status.Set(text);
}

std::optional<std::string> LiveSession::SendLine(const std::string& line) {
  try {
    if (ctx_.mode == TransferMode::Telnet) {
      ctx_.telnet.CheckPeerClosed();
      ctx_.editor.receivedText.AppendLine("Sending: " + line + "\n\r");
      ctx_.telnet.SendText(line + "\n\r");
      return AwaitTelnetReply(line);
    }
    if (!ctx_.serial.IsPortOpen() || ctx_.portLost) return "the port was lost";
    ctx_.editor.receivedText.AppendLine("Sending: " + line);
    ctx_.monitor.replyEndSeen = false;
    live_->awaiting = true;
    live_->errorProgress = 0;
    live_->refused = false;
    ctx_.onSerialByte = [this](char c) {
      if (live_ && live_->awaiting && AdvanceErrorReplyMatcher(live_->errorProgress, c))
        live_->refused = true;
    };
    ctx_.serial.SendText(line);
    return AwaitSerialReply(line);
  } catch (const LinkFailure& e) {
    if (ctx_.mode == TransferMode::Serial) return "the port was lost";
    return e.Reset() ? "the unit reset the connection" : "the unit closed the connection";
  }
}

std::optional<std::string> LiveSession::AwaitTelnetReply(const std::string& line) {
  const QDeadlineTimer until(telnetLimitMs_);
  int progress = 0;
  bool refused = false;
  // The answer is shown, up to a length no answer needs.
  std::size_t shown = 0;
  const auto show = [&](std::string_view bytes) {
    bytes = bytes.substr(0, std::min(bytes.size(), kLiveAnswerShown - std::min(shown, kLiveAnswerShown)));
    shown += bytes.size();
    if (!bytes.empty()) ctx_.editor.receivedText.AppendText(std::string(bytes));
  };
  for (;;) {
    ctx_.telnet.CheckPeerClosed();
    if (!ctx_.telnet.IsConnected()) return "the unit closed the connection";
    if (!ctx_.telnet.WaitForInput(until)) return "no answer to " + line + " in " + Seconds(telnetLimitMs_);
    const std::string_view unread = ctx_.telnet.Unread();
    for (std::size_t i = 0; i < unread.size(); ++i) {
      const char c = unread[i];
      if (AdvanceErrorReplyMatcher(progress, c)) refused = true;
      if (c != ')' && c != ']') continue;
      show(unread.substr(0, i + 1));
      ctx_.telnet.Consume(i + 1);
      // The opening "[]" is answered as an export's is: whatever it says.
      if (refused && line != "[]") return "the unit refused " + line;
      return std::nullopt;
    }
    show(unread);
    ctx_.telnet.Consume(unread.size());
  }
}

std::optional<std::string> LiveSession::AwaitSerialReply(const std::string& line) {
  const QDeadlineTimer until(serialLimitMs_);
  while (!ctx_.monitor.replyEndSeen && !until.hasExpired() && !ctx_.portLost && ctx_.serial.IsPortOpen())
    ctx_.wait.Wait(static_cast<int>(std::min<qint64>(until.remainingTime(), 250)));
  live_->awaiting = false;
  ctx_.onSerialByte = nullptr;
  if (ctx_.portLost || !ctx_.serial.IsPortOpen()) return "the port was lost";
  if (!ctx_.monitor.replyEndSeen) return "no answer to " + line + " in " + Seconds(serialLimitMs_);
  if (live_->refused) return "the unit refused " + line;
  return std::nullopt;
}

void LiveSession::End(const std::optional<std::string>& fault) {
  if (!live_) return;
  idleCheck_.stop();
  const std::vector<std::string> dropped = live_->queue.Drop();
  const std::optional<TableCut> cut = live_->rewrite;
  live_.reset();
  if (ctx_.mode == TransferMode::Telnet) {
    if (ctx_.telnet.IsConnected()) ctx_.telnet.Disconnect();
    ctx_.telnet.ClearInput();
  }
  if (fault) {
    // The edits stay; only what the unit holds is no longer known.
    ctx_.editor.unitBaseline.Forget();
    std::string text = "Live stopped: " + *fault;
    ctx_.editor.messageLog.AppendLine(text);
    if (cut && cut->sent < cut->total) {
      // What the unit now lacks is worse than a setting not sent: say it first.
      ctx_.editor.messageLog.AppendLine(TableCutText(*cut));
      text += ". " + TableCutText(*cut);
    }
    if (!dropped.empty()) {
      ctx_.editor.messageLog.AppendLine("Not sent:");
      for (const std::string& line : dropped) ctx_.editor.messageLog.AppendLine("  " + line);
    }
    ctx_.editor.status.Set(" " + text);
  } else {
    ctx_.editor.status.Set(" Live off");
  }
  emit Changed();
}

void LiveSession::CheckIdle() {
  if (!live_ || live_->inFlight) return;
  if (ctx_.mode == TransferMode::Serial) {
    if (!ctx_.serial.IsPortOpen() || ctx_.portLost) End("the port was lost");
    return;
  }
  try {
    // What came after the last answer (its line end) is let go, so that
    // the end of the connection behind it is seen.
    while (ctx_.telnet.IsConnected() && ctx_.telnet.HasInput())
      ctx_.telnet.Consume(ctx_.telnet.Unread().size());
    ctx_.telnet.CheckPeerClosed();
  } catch (const LinkFailure& e) {
    End(e.Reset() ? "the unit reset the connection" : "the unit closed the connection");
  }
}

}  // namespace zem
