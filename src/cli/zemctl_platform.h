#pragma once

// What zemctl does differently on each system; one file per system.
#include <cstdint>
#include <string>

class QProcess;

namespace zem {

// Sets up the process before anything is written (signals, standard streams).
void PrepareProcess();

// Sets the environment variable `name` to `value` unless it holds a value.
void SetEnvironmentDefault(const char* name, const char* value);

// Whether text for the terminal is to be UTF-8 rather than single bytes.
bool TerminalIsUtf8();

// Waits at most `ms` for descriptor `fd` to be ready (`forWrite`: for room
// to write), or just `ms` when fd is -1.
void WaitForDescriptor(int fd, bool forWrite, int ms);

// What tells two names of one file apart from two files.
struct FileIdentity {
  bool exists = false;
  bool regular = false;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::string resolved;  // for files not made yet
};

// The file's identity as the system knows it (`resolved` left empty).
FileIdentity SystemFileIdentity(const std::string& path);

// Ctrl+C (SIGINT) from here on is counted by InterruptCount() rather than
// ending the program, and SIGTERM counts as two at once (stop everything
// now); a Ctrl+C the caller ignores (a job started with '&') stays ignored.
void WatchInterrupts();
int InterruptCount();
// Asks the process `pid` (a child zemctl) to stop as Ctrl+C would; false
// when this system cannot.
bool InterruptProcess(std::int64_t pid);
// The child `process`, when started, gets no Ctrl+C of the terminal: its
// parent decides whether and when to ask it to stop.
void DetachFromTerminalInterrupt(QProcess& process);

}  // namespace zem
