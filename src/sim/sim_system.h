#pragma once

// What the simulated unit does its own way on each system: the
// pseudo-terminal (Linux only) and two socket options. One file per system.
#include <QtGlobal>
#include <cstddef>
#include <string>

namespace zem {

// A pseudo-terminal pair in raw mode at 9600 bps: the master (non-blocking,
// not inherited by programs started from here), the slave held open so the
// pair lives while no client has it open, and the slave's name.
struct PtyPair {
  int master = -1;
  int slave = -1;
  std::string path;
};
// False with `error` set when the pair cannot be made (and nothing left open).
bool OpenRawPty(PtyPair* pair, std::string* error);
void ClosePtyEnd(int fd);

// ReadPty and WritePty give the bytes moved (0: the other end is gone), or:
inline constexpr long kPtyWouldBlock = -1;  // nothing to read, or no room to write, now
inline constexpr long kPtyBroken = -2;      // the pair is broken
long ReadPty(int fd, char* buffer, std::size_t size);
long WritePty(int fd, const char* data, std::size_t size);

// Closing the socket sends a reset rather than a FIN.
void ResetOnClose(qintptr socket);
// Sends the FIN now; the socket still reads what comes.
void ShutdownSending(qintptr socket);

// A TCP port on 127.0.0.1 whose queue of connections is full, so that a
// connection to it is never answered: the listener and the connection that
// fills the queue. False with `error` set where that cannot be made.
bool OpenFullBacklog(quint16 wanted, int* listener, int* filler, quint16* port, std::string* error);
void CloseSocket(int fd);

}  // namespace zem
