#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sim/sim_system.h"

namespace zem {

bool OpenRawPty(PtyPair* pair, std::string* error) {
  auto fail = [&](const char* what) {
    if (error) *error = std::string(what) + ": " + std::strerror(errno);
    ClosePtyEnd(pair->master);
    ClosePtyEnd(pair->slave);
    *pair = PtyPair{};
    return false;
  };
  pair->master = posix_openpt(O_RDWR | O_NOCTTY);
  if (pair->master < 0) return fail("posix_openpt");
  // A program started from here (zemctl in a test) must not inherit the
  // pair, or closing it would hang up nothing.
  if (fcntl(pair->master, F_SETFD, FD_CLOEXEC) != 0) return fail("fcntl");
  if (grantpt(pair->master) != 0 || unlockpt(pair->master) != 0) return fail("grantpt");
  const char* name = ptsname(pair->master);
  if (!name) return fail("ptsname");
  pair->path = name;
  // Holding the slave open keeps the pair alive while no client has it
  // open, and lets us put it in raw mode so CR and LF pass untouched.
  pair->slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (pair->slave < 0) return fail("open slave");
  termios tio{};
  if (tcgetattr(pair->slave, &tio) != 0) return fail("tcgetattr");
  cfmakeraw(&tio);
  cfsetispeed(&tio, B9600);
  cfsetospeed(&tio, B9600);
  if (tcsetattr(pair->slave, TCSANOW, &tio) != 0) return fail("tcsetattr");
  if (fcntl(pair->master, F_SETFL, fcntl(pair->master, F_GETFL) | O_NONBLOCK) != 0) return fail("fcntl");
  return true;
}

void ClosePtyEnd(int fd) {
  if (fd >= 0) ::close(fd);
}

long ReadPty(int fd, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd, buffer, size);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EWOULDBLOCK ? kPtyWouldBlock : kPtyBroken;
  }
}

long WritePty(int fd, const char* data, std::size_t size) {
  for (;;) {
    const ssize_t n = ::write(fd, data, size);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EWOULDBLOCK ? kPtyWouldBlock : kPtyBroken;
  }
}

void ResetOnClose(qintptr socket) {
  const linger noLinger{1, 0};
  ::setsockopt(static_cast<int>(socket), SOL_SOCKET, SO_LINGER, &noLinger, sizeof noLinger);
}

void ShutdownSending(qintptr socket) { ::shutdown(static_cast<int>(socket), SHUT_WR); }

bool OpenFullBacklog(quint16 wanted, int* listener, int* filler, quint16* port, std::string* error) {
  *listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  *filler = -1;
  auto fail = [&](const char* what) {
    if (error) *error = std::string(what) + ": " + std::strerror(errno);
    CloseSocket(*listener);
    CloseSocket(*filler);
    *listener = *filler = -1;
    return false;
  };
  if (*listener < 0) return fail("socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(wanted);
  socklen_t length = sizeof address;
  // A backlog of 0 holds one connection that is never accepted; the kernel
  // drops the handshakes of every connection after it.
  if (::bind(*listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return fail("bind");
  if (::listen(*listener, 0) != 0) return fail("listen");
  if (::getsockname(*listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    return fail("getsockname");
  *port = ntohs(address.sin_port);
  *filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (*filler < 0) return fail("socket");
  if (::connect(*filler, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 && errno != EINPROGRESS)
    return fail("connect");
  return true;
}

void CloseSocket(int fd) {
  if (fd >= 0) ::close(fd);
}

}  // namespace zem
