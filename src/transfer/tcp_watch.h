#pragma once

#include <QtGlobal>

namespace zem {

// How the unit ended a TCP connection, as the system saw it: a second
// descriptor of the socket outlives Qt's, which closes its own at once, so
// the kernel can still be asked whether the unit closed its side (it waits
// for ours) or reset the connection. Linux tells (TCP_INFO); where the
// system does not, the state is never known and an ended link reads as
// closed.
class TcpWatch {
 public:
  enum class PeerState { Unknown, ClosedItsSide, Gone };

  TcpWatch() = default;
  ~TcpWatch() { Stop(); }
  TcpWatch(const TcpWatch&) = delete;
  TcpWatch& operator=(const TcpWatch&) = delete;

  // Starts watching the connected socket `descriptor` (Stop first).
  void Start(qintptr descriptor);
  void Stop();
  bool Watching() const { return fd_ >= 0; }
  PeerState State() const;

 private:
  int fd_ = -1;  // the second descriptor; -1 when none is held
};

}  // namespace zem
