// The simulated unit on Windows: its TCP side only. A serial program there
// is tried against a COM port pair or over TCP.
#include <winsock2.h>

#include "sim/sim_system.h"

namespace zem {

bool OpenRawPty(PtyPair* pair, std::string* error) {
  *pair = PtyPair{};
  if (error) *error = "pseudo-terminals exist only on Linux; use the TCP side (--port N)";
  return false;
}

void ClosePtyEnd(int /*fd*/) {}

long ReadPty(int /*fd*/, char* /*buffer*/, std::size_t /*size*/) { return kPtyBroken; }

long WritePty(int /*fd*/, const char* /*data*/, std::size_t /*size*/) { return kPtyBroken; }

void ResetOnClose(qintptr socket) {
  const linger noLinger{1, 0};
  ::setsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&noLinger),
               sizeof noLinger);
}

void ShutdownSending(qintptr socket) { ::shutdown(static_cast<SOCKET>(socket), SD_SEND); }

bool OpenFullBacklog(quint16 /*wanted*/, int* listener, int* filler, quint16* port, std::string* error) {
  *listener = *filler = -1;
  *port = 0;
  if (error) *error = "a port that never answers is made only on Linux";
  return false;
}

void CloseSocket(int /*fd*/) {}

}  // namespace zem
