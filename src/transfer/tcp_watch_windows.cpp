#include "transfer/tcp_watch.h"

namespace zem {

// Windows keeps no state of a connection its socket has closed that a
// program could ask for: nothing is watched.
void TcpWatch::Start(qintptr) {}

void TcpWatch::Stop() { fd_ = -1; }

TcpWatch::PeerState TcpWatch::State() const { return PeerState::Unknown; }

}  // namespace zem
