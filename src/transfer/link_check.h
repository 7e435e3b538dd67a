#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/transfer_context.h"

namespace zem {

// How a check of the link ended: one cause and what to do about it.
enum class LinkVerdict {
  Unit,            // it answers
  NoSuchPort,      // serial: the port does not exist
  PortInUse,       // serial: another program holds it
  NoPermission,    // serial: the system refuses this user
  Silent,          // serial: nothing came back
  Echo,            // exactly what was sent came back
  Garbled,         // bytes came back, but no line of a unit's text
  NoHost,          // Telnet: the name does not resolve
  Refused,         // Telnet: nothing listens at the port
  ConnectTimeout,  // Telnet: no answer to the connection
  NoAnswer,        // Telnet: connected, but nothing answers
  Failed,          // the link failed otherwise (the system's text says how)
  Cancelled,       // the user ended the check
};

// The fixed code (for scripts) and the advice of a verdict.
struct VerdictText {
  LinkVerdict verdict;
  const char* code;
  const char* summary;  // what was found
  const char* advice;   // what to do
};
const VerdictText& VerdictInfo(LinkVerdict verdict);
// Whether the verdict means a unit answered (zemctl's exit status 0).
inline bool UnitAnswered(LinkVerdict verdict) { return verdict == LinkVerdict::Unit; }

// What the first bytes of an answer tell, from the bytes alone: nothing
// came; a line of a unit's text (a CR-ended line of plain text starting
// with "[" or "(" that is not one of the commands sent); exactly what was
// sent and nothing else; or anything else.
enum class AnswerKind { Nothing, UnitLine, Echo, Garbled };
// `sent`: every command sent, in order, without separators.
AnswerKind JudgeAnswer(const std::vector<std::string>& sent, std::string_view received);
// The verdict for an answer over serial or Telnet.
LinkVerdict VerdictForAnswer(AnswerKind kind, bool serial);

// One step of the check as it ran: what was done and how long it took.
struct LinkCheckStep {
  std::string text;
  qint64 ms = 0;  // from the start of the check
};

struct LinkCheckResult {
  LinkVerdict verdict = LinkVerdict::Failed;
  bool serial = false;
  std::string link;    // the device, or host:port
  std::string detail;  // the system's text of a failure, or what came back
  std::vector<LinkCheckStep> steps;
  qint64 firstByteMs = -1;  // from the first command sent to the first byte back
  qint64 verdictMs = -1;    // from the start to the verdict
  qint64 totalMs = -1;      // with the drain or the full read
  std::size_t bytesReceived = 0;
  bool endMarkerSeen = false;
  bool full = false;
  int sources = -1;  // with a full read: the unit's counts
  int zones = -1;

  // The first answer came after this long: "slow link".
  static constexpr qint64 kSlowMs = 2000;
  // The advice with what was measured: the time to the first byte, a slow
  // link, the counts; the system's text of a failure.
  std::string Advice() const;
};

// The connection check: a short probe of the current link that sends what
// an import sends and nothing else (Telnet "[]" then "[QXSB]", serial
// "[QXSB]"), so it never changes the unit's configuration. The verdict
// comes from the first bytes of the answer; the rest is drained (read and
// dropped up to its end marker or a quiet second) or, full, read whole for
// the counts. It waits in the event loop as the other jobs do; Cancel ends it.
class LinkCheck {
 public:
  explicit LinkCheck(TransferContext& context) : ctx_(context) {}
  LinkCheck(const LinkCheck&) = delete;
  LinkCheck& operator=(const LinkCheck&) = delete;

  // How long each wait may last (the defaults are the check's own).
  struct Limits {
    int serialSilenceMs = 3000;  // serial: no first byte
    int telnetAnswerMs = 5000;   // Telnet: no answer to "[]"
    int connectMs = 10000;       // Telnet: connecting
    int judgeQuietMs = 500;      // the first bytes are over once quiet this long
    int judgeMaxMs = 1500;       // or at most this long after the first byte
    int drainQuietMs = 1000;     // the answer is over once quiet this long
    int drainMaxMs = 150000;     // a unit's whole answer; beyond it the check stops draining
    int otherDrainMaxMs = 3000;  // what is not a unit's answer is drained no longer
    int fullQuietMs = 4000;      // a full read ends after this much silence
  };
  void SetLimits(const Limits& limits) { limits_ = limits; }
  const Limits& GetLimits() const { return limits_; }

  // Runs the check on the link of the current mode (Serial or Telnet);
  // `onStep` hears each step as it happens. In Serial Mode the open port is
  // used as it is, or opened when closed.
  LinkCheckResult Run(bool full, const std::function<void(const LinkCheckStep&)>& onStep = {});
  const LinkCheckResult& Last() const { return result_; }

  // Whether serial bytes are the check's: while it runs, and for a quiet
  // second after a cancel.
  bool TakesSerialBytes() const { return running_ || dropping_; }
  // The serial receive event while TakesSerialBytes().
  void OnSerialReceive();

 private:
  void Step(const std::string& text);
  // The verdict is known: it is given at once, before any drain.
  void Decide(LinkVerdict verdict);
  void RunSerial();
  void RunTelnet();
  // Waits until bytes come or `until` passes; true when bytes came.
  bool WaitBytes(QDeadlineTimer until);
  void TakeTelnetBytes();
  void Take(std::string_view bytes);
  // Waits for the first byte for `ms`: true when one came.
  bool WaitFirstByte(int ms);
  // Reads the first bytes and judges them.
  void Judge();
  // Reads the rest of the answer: dropped, or kept for the counts.
  void Drain(bool full);
  void Send(const std::string& text);
  void StartDropping();

  TransferContext& ctx_;
  Limits limits_;
  LinkCheckResult result_;
  std::function<void(const LinkCheckStep&)> onStep_;
  QElapsedTimer clock_;
  std::vector<std::string> sent_;
  qint64 sentAtMs_ = -1;
  std::string head_;  // the first bytes, for the verdict (bounded)
  std::string kept_;  // a full read's text (bounded)
  bool keep_ = false;
  int markerProgress_ = 0;
  bool peerClosed_ = false;
  qint64 lastByteMs_ = -1;
  bool running_ = false;
  bool dropping_ = false;
  QTimer dropQuiet_;
};

// The support file: `program` (name and version), the platform, `link`
// (the mode and link settings), the last check's steps (none when `check`
// has none) and the traffic, as plain text a support person can read.
std::string SupportFileText(const std::string& program, const std::string& link, const LinkCheckResult& check,
                            const TrafficRecord& traffic);

}  // namespace zem
