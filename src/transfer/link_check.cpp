// The connection check: what the link does when asked what an import asks,
// judged from the first bytes of the answer.
#include "transfer/link_check.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include <QDateTime>
#include <QSysInfo>
#include <QtGlobal>

#include "model/escaped_bytes.h"
#include "transfer/serial_ports.h"

namespace zem {

namespace {

// One row per verdict: its code for scripts, what was found, what to do.
constexpr VerdictText kVerdicts[] = {
    {LinkVerdict::Unit, "unit", "The unit answers.", "The link works: import and export can run."},
    {LinkVerdict::NoSuchPort, "no-such-port", "The serial port does not exist.",
     "Check the port's name; plug in the USB adapter (it may have come back under another name)."},
    {LinkVerdict::PortInUse, "port-in-use", "Another program holds the serial port.",
     "Close the other program (a terminal, another copy of this program) or choose another port."},
    {LinkVerdict::NoPermission, "no-permission", "The system does not let this user open the serial port.",
     "On Linux, add the user to the 'dialout' group (sudo usermod -aG dialout $USER) and log in again; "
     "on Windows, close what holds the port or run as a user who may use it."},
    {LinkVerdict::Silent, "silent", "Nothing came back in 3 s.",
     "The unit is off, the cable is not connected, or a straight cable stands where a null-modem cable is "
     "needed: check power, cable and port."},
    {LinkVerdict::Echo, "echo", "Exactly what was sent came back, and nothing else.",
     "A loopback plug or an echoing adapter is on the line, not the unit: connect the unit's cable."},
    {LinkVerdict::Garbled, "garbled", "Bytes came back, but no line of the unit's text.",
     "The speed or frame differs: the unit needs 9600 bps, 8 data bits, no parity, 1 stop bit. "
     "Set the unit (or the adapter) to 9600 8N1."},
    {LinkVerdict::NoHost, "no-host", "The host name does not resolve.",
     "Check the name, or give the unit's IP address instead."},
    {LinkVerdict::Refused, "refused", "Nothing listens at that port.",
     "Check the address and the port (the unit's Telnet port is 23) and that the unit's network is on."},
    {LinkVerdict::ConnectTimeout, "connect-timeout", "No answer to the connection in 10 s.",
     "Check the address, the routing and any firewall between this computer and the unit."},
    {LinkVerdict::NoAnswer, "no-answer", "Connected, but nothing answers \"[]\" in 5 s.",
     "Another client may hold the unit's only session (close it), or what answers at that address "
     "is not a unit."},
    {LinkVerdict::Failed, "failed", "The link failed.", "Read the system's text below; then check the link."},
    {LinkVerdict::Cancelled, "cancelled", "The check was cancelled.",
     "Run the check again to get a verdict."},
};

std::string Seconds(qint64 ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(ms) / 1000.0);
  return text;
}

// The first bytes as the steps show them: at most 40, escaped.
std::string Shown(std::string_view bytes) {
  const std::string text = EscapedBytes(bytes.substr(0, 40));
  return "\"" + text + (bytes.size() > 40 ? "\"..." : "\"");
}

constexpr std::size_t kHeadLimit = 4096;                  // the first bytes judged
constexpr std::size_t kKeptLimit = std::size_t{8} << 20;  // a full read's text

}  // namespace

const VerdictText& VerdictInfo(LinkVerdict verdict) {
  for (const VerdictText& row : kVerdicts)
    if (row.verdict == verdict) return row;
  return kVerdicts[std::size(kVerdicts) - 2];  // Failed
}

AnswerKind JudgeAnswer(const std::vector<std::string>& sent, std::string_view received) {
  if (received.empty()) return AnswerKind::Nothing;
  std::string all;
  for (const std::string& s : sent) all += s;
  // A line: from the start or after a CR (an LF after the CR skipped) up to
  // the next CR, every byte plain text.
  std::size_t at = 0;
  while (at < received.size()) {
    if (received[at] == '\n') {
      ++at;
      continue;
    }
    const std::size_t cr = received.find('\r', at);
    if (cr == std::string_view::npos) break;
    const std::string_view line = received.substr(at, cr - at);
    const bool plain = std::all_of(line.begin(), line.end(), [](char c) {
      return static_cast<unsigned char>(c) >= 32 && static_cast<unsigned char>(c) <= 126;
    });
    const bool echoed = std::find(sent.begin(), sent.end(), line) != sent.end();
    if (plain && !line.empty() && (line.front() == '[' || line.front() == '(') && !echoed)
      return AnswerKind::UnitLine;
    at = cr + 1;
  }
  return received == all ? AnswerKind::Echo : AnswerKind::Garbled;
}

LinkVerdict VerdictForAnswer(AnswerKind kind, bool serial) {
  switch (kind) {
    case AnswerKind::Nothing:
      return serial ? LinkVerdict::Silent : LinkVerdict::NoAnswer;
    case AnswerKind::UnitLine:
      return LinkVerdict::Unit;
    case AnswerKind::Echo:
      return LinkVerdict::Echo;
    case AnswerKind::Garbled:
      break;
  }
  return LinkVerdict::Garbled;
}

std::string LinkCheckResult::Advice() const {
  const VerdictText& info = VerdictInfo(verdict);
  std::string text = info.summary;
  if (verdict == LinkVerdict::Unit) {
    text += " First byte after " + std::to_string(firstByteMs) + " ms";
    if (firstByteMs > kSlowMs) text += " (slow link: " + Seconds(firstByteMs) + ")";
    text += ".";
    if (sources >= 0)
      text += " " + std::to_string(sources) + " sources, " + std::to_string(zones) + " zones.";
  }
  // Over the network there is no plug and no speed: what answers so is no unit.
  if ((verdict == LinkVerdict::Garbled || verdict == LinkVerdict::Echo) && !serial)
    return text +
           " What answers at that address is not a unit, or not its Telnet port: check the address and "
           "port." +
           (detail.empty() ? "" : " " + detail);
  text += std::string(" ") + info.advice;
  if (!detail.empty()) text += " " + detail;
  return text;
}

void LinkCheck::Step(const std::string& text) {
  result_.steps.push_back({text, clock_.elapsed()});
  if (onStep_) onStep_(result_.steps.back());
}

void LinkCheck::Decide(LinkVerdict verdict) {
  result_.verdict = verdict;
  result_.verdictMs = clock_.elapsed();
  Step("Verdict: " + std::string(VerdictInfo(verdict).code) + " after " + Seconds(result_.verdictMs) + ". " +
       result_.Advice());
}

void LinkCheck::Send(const std::string& text) {
  if (result_.serial) {
    ctx_.serial.SendText(text);
  } else {
    ctx_.telnet.SendText(text);
  }
  sent_.push_back(text);
  if (sentAtMs_ < 0) sentAtMs_ = clock_.elapsed();
  Step("Sent " + Shown(text) + ".");
}

void LinkCheck::Take(std::string_view bytes) {
  if (bytes.empty()) return;
  if (result_.bytesReceived == 0) result_.firstByteMs = clock_.elapsed() - std::max<qint64>(sentAtMs_, 0);
  result_.bytesReceived += bytes.size();
  lastByteMs_ = clock_.elapsed();
  if (head_.size() < kHeadLimit) head_.append(bytes.substr(0, kHeadLimit - head_.size()));
  if (keep_ && kept_.size() < kKeptLimit) kept_.append(bytes.substr(0, kKeptLimit - kept_.size()));
  for (const char c : bytes) {
    const bool end = result_.serial ? AdvanceDumpEndMatcher(markerProgress_, c)
                                    : AdvanceQuerySeenMatcher(markerProgress_, c);
    if (end) result_.endMarkerSeen = true;
  }
}

void LinkCheck::OnSerialReceive() {
  const QByteArray bytes = ctx_.serial.Peek();
  ctx_.serial.Consume(bytes.size());
  if (dropping_) {
    dropQuiet_.start();  // quiet again from now
    return;
  }
  Take(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  ctx_.wait.Wake();
}

void LinkCheck::TakeTelnetBytes() {
  const std::string_view unread = ctx_.telnet.Unread();
  Take(unread);
  ctx_.telnet.Consume(unread.size());
}

bool LinkCheck::WaitBytes(QDeadlineTimer until) {
  const std::size_t before = result_.bytesReceived;
  until = ctx_.Bounded(until);
  if (result_.serial) {
    while (result_.bytesReceived == before && !until.hasExpired() && !ctx_.portLost) {
      ctx_.ThrowIfCancelled();
      ctx_.wait.Wait(static_cast<int>(std::min<qint64>(std::max<qint64>(until.remainingTime(), 1), 250)));
    }
    if (ctx_.portLost) throw LinkFailure("The serial port " + ctx_.serial.Device() + " was lost.");
  } else if (!peerClosed_) {
    if (ctx_.telnet.WaitForInput(until)) {
      TakeTelnetBytes();
      if (!ctx_.telnet.HasInput() && !ctx_.telnet.IsConnected()) peerClosed_ = true;
    }
  }
  ctx_.ThrowIfCancelled();
  return result_.bytesReceived > before;
}

bool LinkCheck::WaitFirstByte(int ms) {
  const QDeadlineTimer until(ms);
  while (result_.bytesReceived == 0 && !until.hasExpired() && !peerClosed_) WaitBytes(until);
  return result_.bytesReceived > 0;
}

void LinkCheck::Judge() {
  const qint64 first = clock_.elapsed();
  while (JudgeAnswer(sent_, head_) != AnswerKind::UnitLine && head_.size() < kHeadLimit && !peerClosed_) {
    const qint64 now = clock_.elapsed();
    const qint64 quietLeft = limits_.judgeQuietMs - (now - lastByteMs_);
    const qint64 maxLeft = limits_.judgeMaxMs - (now - first);
    if (quietLeft <= 0 || maxLeft <= 0) break;
    WaitBytes(QDeadlineTimer(std::min(quietLeft, maxLeft)));
  }
  const AnswerKind kind = JudgeAnswer(sent_, head_);
  if (kind == AnswerKind::UnitLine) {
    Step("A line of the unit's text came back, first byte after " + std::to_string(result_.firstByteMs) +
         " ms.");
  } else {
    result_.detail = "Came back: " + Shown(head_) + ".";
    Step(std::to_string(result_.bytesReceived) + " bytes came back: " + Shown(head_) + ".");
  }
  Decide(VerdictForAnswer(kind, result_.serial));
}

void LinkCheck::Drain(bool full) {
  const bool unit = result_.verdict == LinkVerdict::Unit;
  full = full && unit;
  const int quietMs = full ? limits_.fullQuietMs : limits_.drainQuietMs;
  const QDeadlineTimer until(unit ? limits_.drainMaxMs : limits_.otherDrainMaxMs);
  if (!result_.endMarkerSeen)
    Step(full ? "Reading the whole answer for the counts..." : "Draining the rest of the answer...");
  while (!result_.endMarkerSeen && !peerClosed_ && !until.hasExpired()) {
    const qint64 quietLeft = quietMs - (clock_.elapsed() - lastByteMs_);
    if (quietLeft <= 0) break;
    WaitBytes(QDeadlineTimer(std::min<qint64>(quietLeft, std::max<qint64>(until.remainingTime(), 1))));
  }
  const std::string how = result_.endMarkerSeen ? "its end marker came"
                          : peerClosed_         ? "the connection was closed"
                          : until.hasExpired()  ? "the check stopped waiting for its end"
                                                : "the line fell quiet";
  Step(std::to_string(result_.bytesReceived) + " bytes in all; " + how + ".");
  if (full) {
    // The counts as an import reads them: plain text, CR ends a line.
    std::string text;
    for (const char c : kept_)
      if (c == '\r' || (static_cast<unsigned char>(c) >= 32 && static_cast<unsigned char>(c) <= 126))
        text += c;
    Editor counted;
    counted.ImportFileText(std::move(text), "");
    result_.sources = counted.model.unit.SourceCount;
    result_.zones = counted.model.unit.ZoneCount;
    Step("The unit names " + std::to_string(result_.sources) + " sources and " +
         std::to_string(result_.zones) + " zones.");
  }
  if (result_.serial) ctx_.serial.FlushPort();
}

void LinkCheck::RunSerial() {
  SerialLink& port = ctx_.serial;
  if (port.IsPortOpen()) {
    Step("Using the open port " + port.Device() + " (9600 bps, 8N1).");
  } else {
    if (port.Device().empty()) ctx_.OpenPortAsking();
    result_.link = port.Device();
    try {
      port.OpenPort();
    } catch (const LinkFailure& e) {
      std::string detail;
      LinkVerdict verdict = LinkVerdict::Failed;
      switch (WhyPortRefused(port.Device(), port.LastOpenError(), &detail)) {
        case PortRefusal::NoSuchPort:
          verdict = LinkVerdict::NoSuchPort;
          break;
        case PortRefusal::InUse:
          verdict = LinkVerdict::PortInUse;
          break;
        case PortRefusal::NoPermission:
          verdict = LinkVerdict::NoPermission;
          break;
        case PortRefusal::Other:
          break;
      }
      result_.detail = detail.empty() ? ErrorBoxText(e.what()) : detail;
      Step("Opening " + port.Device() + " failed: " + ErrorBoxText(e.what()));
      Decide(verdict);
      return;
    }
    Step("Opened " + port.Device() + " (9600 bps, 8N1).");
  }
  result_.link = port.Device();
  port.FlushPort();
  markerProgress_ = 0;
  Send("[QXSB]");
  if (!WaitFirstByte(limits_.serialSilenceMs)) {
    Step("Nothing came back in " + Seconds(limits_.serialSilenceMs) + ".");
    Decide(LinkVerdict::Silent);
    return;
  }
  Judge();
}

void LinkCheck::RunTelnet() {
  TelnetLink& link = ctx_.telnet;
  std::string host;
  int port = 0;
  TelnetLink::SplitHost(link.Host, TelnetLink::kDefaultPort, &host, &port);
  result_.link = host + ":" + std::to_string(port);
  if (link.IsConnected()) link.Disconnect();
  link.ClearInput();
  link.Port = TelnetLink::kDefaultPort;
  // The check's own connect limit, the link's back however the connect ends.
  struct ConnectLimit {
    TelnetLink& link;
    int kept;
    ~ConnectLimit() { link.SetConnectLimitMs(kept); }
  } restore{link, link.ConnectLimitMs()};
  link.SetConnectLimitMs(limits_.connectMs);
  Step("Connecting to " + result_.link + "...");
  try {
    link.Connect(ctx_.deadline);
  } catch (const LinkFailure& e) {
    result_.detail = ErrorBoxText(e.what());
    Step(result_.detail);
    switch (e.What()) {
      case LinkFailure::Kind::HostNotFound:
        Decide(LinkVerdict::NoHost);
        break;
      case LinkFailure::Kind::Refused:
        Decide(LinkVerdict::Refused);
        break;
      case LinkFailure::Kind::ConnectTimedOut:
        Decide(LinkVerdict::ConnectTimeout);
        break;
      default:
        Decide(LinkVerdict::Failed);
        break;
    }
    return;
  }
  Step("Connected.");
  markerProgress_ = 0;
  Send("[]");
  if (!WaitFirstByte(limits_.telnetAnswerMs)) {
    if (peerClosed_) result_.detail = "The other side closed the connection without a word.";
    Step(peerClosed_ ? "The connection was closed without an answer."
                     : "Nothing answered in " + Seconds(limits_.telnetAnswerMs) + ".");
    Decide(LinkVerdict::NoAnswer);
    return;
  }
  Step("First byte after " + std::to_string(result_.firstByteMs) + " ms.");
  // The answer to "[]" ends at its ")" or "]"; then the query, as an import sends it.
  const QDeadlineTimer replyEnd(limits_.judgeMaxMs);
  while (head_.find_first_of(")]") == std::string::npos && !replyEnd.hasExpired() && !peerClosed_) {
    // An answer with no end of its own is over once the line is quiet.
    const qint64 quietLeft = limits_.judgeQuietMs - (clock_.elapsed() - lastByteMs_);
    if (quietLeft <= 0) break;
    WaitBytes(std::min(replyEnd, QDeadlineTimer(quietLeft)));
  }
  if (!peerClosed_) Send("[QXSB]");
  markerProgress_ = 0;
  Judge();
}

LinkCheckResult LinkCheck::Run(bool full, const std::function<void(const LinkCheckStep&)>& onStep) {
  result_ = LinkCheckResult{};
  result_.full = full;
  result_.serial = ctx_.mode == TransferMode::Serial;
  onStep_ = onStep;
  sent_.clear();
  sentAtMs_ = -1;
  head_.clear();
  kept_.clear();
  keep_ = full;
  peerClosed_ = false;
  lastByteMs_ = -1;
  dropping_ = false;
  clock_.start();
  if (!ctx_.OverLink()) {
    result_.detail = "The check needs Serial or Telnet Mode.";
    return result_;
  }
  running_ = true;
  const TransferContext::RunEnd end = ctx_.Run(
      "Check",
      [&] {
        if (result_.serial) {
          RunSerial();
        } else {
          RunTelnet();
        }
        if (result_.bytesReceived > 0) Drain(full);
      },
      [](const TransferContext::RunEnd&) {});
  running_ = false;
  const bool decided = result_.verdictMs >= 0;
  if (end.cancelled) {
    // A verdict already given stands; only the drain was cut short.
    if (decided) {
      Step("Cancelled; the rest of the answer is dropped.");
    } else {
      Decide(LinkVerdict::Cancelled);
    }
    if (result_.serial) StartDropping();
  } else if (end.failure) {
    result_.detail = ErrorBoxText(*end.failure);
    Step(result_.detail);
    if (!decided) Decide(LinkVerdict::Failed);
  }
  if (ctx_.telnet.IsConnected()) ctx_.telnet.Disconnect();
  ctx_.telnet.ClearInput();
  result_.totalMs = clock_.elapsed();
  // With the counts of a full read, the advice says them too.
  if (result_.sources >= 0) Step(result_.Advice());
  onStep_ = nullptr;
  return result_;
}

void LinkCheck::StartDropping() {
  // What the unit still sends after a cancel is dropped until the line has
  // been quiet for a second, so that it does not land in the received text.
  ctx_.serial.FlushPort();
  dropping_ = true;
  dropQuiet_.setSingleShot(true);
  dropQuiet_.setInterval(limits_.drainQuietMs);
  QObject::disconnect(&dropQuiet_, nullptr, nullptr, nullptr);
  QObject::connect(&dropQuiet_, &QTimer::timeout, [this] { dropping_ = false; });
  dropQuiet_.start();
}

std::string SupportFileText(const std::string& program, const std::string& link, const LinkCheckResult& check,
                            const TrafficRecord& traffic) {
  std::string text = "ZEM Configuration support file\n";
  text += "Program: " + program + " (Qt " + qVersion() + ")\n";
  text += "Platform: " + QSysInfo::prettyProductName().toStdString() + ", " +
          QSysInfo::kernelType().toStdString() + " " + QSysInfo::kernelVersion().toStdString() + ", " +
          QSysInfo::currentCpuArchitecture().toStdString() + "\n";
  text += "Written: " + QDateTime::currentDateTime().toString(Qt::ISODate).toStdString() + "\n";
  text += "Link: " + link + "\n\n";
  if (check.steps.empty()) {
    text += "Last connection check: none\n\n";
  } else {
    text += "Last connection check (" + check.link + (check.full ? ", full" : "") +
            "): " + VerdictInfo(check.verdict).code + "\n";
    for (const LinkCheckStep& step : check.steps)
      text += "  " + std::to_string(step.ms) + " ms: " + EscapedBytes(step.text) + "\n";
    text += "\n";
  }
  text +=
      "Traffic (> sent, < received, * the program's notes; times are local; bytes outside\n"
      "32-126 and the backslash as \\xNN; at most the last " +
      std::to_string(traffic.LimitBytes()) + " bytes):\n";
  text += traffic.Empty() ? std::string("(none)\n") : traffic.Text();
  return text;
}

}  // namespace zem
