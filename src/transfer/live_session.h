#pragma once

#include <QObject>
#include <QTimer>
#include <cstddef>
#include <optional>
#include <string>

#include "command/change_set.h"
#include "model/config_model.h"
#include "transfer/live_queue.h"
#include "transfer/transfer_context.h"

namespace zem {

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

// File > Live: while on, the link stays open (Telnet: one connection, "[]"
// first) and every change of what an export writes goes to the unit as its
// change lines (BuildChangedCommands against what was queued last), one
// command in flight, only the newest value of each setting waiting. A
// refusal, a reply past the limit or a lost link ends Live, drops what waits
// (named in the message log) and forgets the baseline; the configuration
// stays as edited.
class LiveSession : public QObject {
  Q_OBJECT

 public:
  explicit LiveSession(TransferContext& context, QObject* parent = nullptr);

  // Holds the link open, the unit known to hold the configuration now;
  // false, said why, when the link cannot be held.
  bool Start();
  // The configuration changed: its change lines are queued and sent.
  void Edit();
  // Sends what waits, then "[EC]", then closes the connection; while a line
  // is in flight, once it is answered.
  void Stop();
  bool On() const { return live_.has_value(); }
  bool InFlight() const { return live_ && live_->inFlight; }
  // Lines queued or in flight; 0 with Live on: the unit holds the configuration.
  std::size_t Waiting() const { return live_ ? live_->queue.Size() + (live_->inFlight ? 1 : 0) : 0; }
  // The reply limits: 30 s on serial, 10 s over Telnet.
  void SetReplyLimitsMs(int serial, int telnet) {
    serialLimitMs_ = serial;
    telnetLimitMs_ = telnet;
  }

 signals:
  // Live went on or off, or what waits changed.
  void Changed();

 private:
  void Pump();
  // Every queued line was answered: the unit holds Live's target.
  void NoteInStep();
  // The status line while many lines go for one edit.
  void ShowProgress();
  // Sends one line and waits for its answer; why Live must stop, if it must.
  std::optional<std::string> SendLine(const std::string& line);
  std::optional<std::string> AwaitTelnetReply(const std::string& line);
  std::optional<std::string> AwaitSerialReply(const std::string& line);
  // Live off; with `fault`, what waits is dropped and the unit not known.
  void End(const std::optional<std::string>& fault);
  void CheckIdle();

  TransferContext& ctx_;
  std::optional<LiveState> live_;
  QTimer idleCheck_;  // a connection or port lost while nothing is sent
  int serialLimitMs_ = 30000;
  int telnetLimitMs_ = 10000;
};

}  // namespace zem
