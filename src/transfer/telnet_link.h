#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QTcpSocket>
#include <algorithm>
#include <functional>
#include <string>
#include <string_view>

#include "transfer/event_wait.h"
#include "transfer/receive_monitor.h"
#include "transfer/tcp_watch.h"
#include "transfer/traffic_record.h"

namespace zem {

// A plain TCP connection to the unit's Telnet port, one per transfer. The
// calls that wait do so in the event loop (window events keep flowing) and
// wake as soon as bytes arrive. Failures throw LinkFailure; a cancel
// request throws TransferCancelled out of any wait.
class TelnetLink : public QObject {
  Q_OBJECT

 public:
  explicit TelnetLink(QObject* parent = nullptr);
  ~TelnetLink() override;

  // The unit's Telnet port, where Host names none.
  static constexpr int kDefaultPort = 23;

  std::string Host;  // as the user typed it, maybe "host:port"
  int Port = 0;      // used when Host names no port

  // Splits "host:port"; without a port (or with an IPv6-looking text) the
  // whole text is the host and `defaultPort` applies.
  static void SplitHost(const std::string& text, int defaultPort, std::string* host, int* port);
  // What is wrong with a port `text` gives ("host:99999"): "port 99999 is
  // outside 1-65535"; empty when the port is fine or none is given.
  static std::string PortProblem(const std::string& text);

  void SetConnectLimitMs(int ms) { connectLimitMs_ = ms; }
  int ConnectLimitMs() const { return connectLimitMs_; }
  // Where what is sent and received is recorded (none: nullptr).
  void SetTrafficRecord(TrafficRecord* record) { record_ = record; }
  // Asked at every wait; true makes the wait throw TransferCancelled.
  void SetCancelCheck(std::function<bool()> cancelled) { cancelled_ = std::move(cancelled); }
  // Ends the current wait at once (the cancel check decides what follows).
  void WakeWaiter() { wait_.Wake(); }

  // Gives up at the connect limit, or at `until` when that comes first.
  void Connect(QDeadlineTimer until = QDeadlineTimer(QDeadlineTimer::Forever));
  void Disconnect();
  bool IsConnected();
  void ClearInput() {
    input_.clear();
    inputAt_ = 0;
  }
  bool HasInput() const { return inputAt_ < input_.size(); }
  void SendText(std::string_view text);
  // The next received byte, waiting without limit.
  char ReadChar();
  // Throws LinkFailure(Closed) when the unit has closed and nothing is left.
  void CheckPeerClosed();
  // Waits until bytes are unread or the connection has ended: true; false
  // when `until` passed first.
  bool WaitForInput(QDeadlineTimer until = QDeadlineTimer(QDeadlineTimer::Forever));
  // The received bytes not yet read, and taking some of them.
  std::string_view Unread() const { return std::string_view(input_).substr(inputAt_); }
  void Consume(std::size_t count);
  // Bytes received and held, here and in the socket, not yet read.
  std::size_t BufferedBytes() const {
    return input_.size() - inputAt_ + static_cast<std::size_t>(std::max<qint64>(socket_.bytesAvailable(), 0));
  }

 signals:
  void LinkStatus(const std::string& text);

 private:
  void TakeIn();
  void ThrowIfCancelled();
  bool PeerGone() const;
  // The socket reports a reset by the unit as a close; the connection's own
  // state tells them apart. Qt closes its descriptor as it reports the end,
  // so a second one is held while connected.
  void WatchConnection();
  void NoteHowPeerEnded();
  void StopWatching();
  // How the unit ended the connection, as the failure to report.
  LinkFailure ClosedFailure() const;

  QTcpSocket socket_;
  EventWait wait_;
  std::string input_;
  std::size_t inputAt_ = 0;
  bool closingByUs_ = false;
  int connectLimitMs_ = 120000;
  std::function<bool()> cancelled_;
  TrafficRecord* record_ = nullptr;
  TcpWatch watch_;
  bool peerFinished_ = false;  // the unit closed its side before it was seen to end
  bool peerReset_ = false;
};

}  // namespace zem
