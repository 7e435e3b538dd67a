#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include "transfer/tcp_watch.h"

namespace zem {

void TcpWatch::Start(qintptr descriptor) {
  Stop();
  fd_ = ::fcntl(static_cast<int>(descriptor), F_DUPFD_CLOEXEC, 0);
}

void TcpWatch::Stop() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

TcpWatch::PeerState TcpWatch::State() const {
  tcp_info info{};
  socklen_t length = sizeof info;
  if (fd_ < 0 || getsockopt(fd_, IPPROTO_TCP, TCP_INFO, &info, &length) != 0) return PeerState::Unknown;
  if (info.tcpi_state == TCP_CLOSE_WAIT) return PeerState::ClosedItsSide;
  if (info.tcpi_state == TCP_CLOSE) return PeerState::Gone;
  return PeerState::Unknown;
}

}  // namespace zem
