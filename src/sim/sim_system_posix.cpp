#include <fcntl.h>
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

}  // namespace zem
