#pragma once

// What zemctl does differently on each system; one file per system.
#include <cstdint>
#include <string>

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

}  // namespace zem
