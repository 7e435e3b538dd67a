// What zemctl does its own way on Linux and other POSIX systems.
#include <langinfo.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <QProcess>

#include "cli/zemctl_platform.h"

namespace zem {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void CountInterrupt(int) { gInterrupted = gInterrupted + 1; }

extern "C" void CountTermination(int) { gInterrupted = 2; }

}  // namespace

void PrepareProcess() {
  // Past a file-size limit (ulimit -f) a write to standard output fails
  // with "File too large" and is reported, rather than ending the program
  // without a word.
  std::signal(SIGXFSZ, SIG_IGN);
}

void SetEnvironmentDefault(const char* name, const char* value) {
  if (const char* set = std::getenv(name); !set || !*set) setenv(name, value, 1);
}

bool TerminalIsUtf8() {
  static const bool utf8 = [] {
    std::setlocale(LC_CTYPE, "");
    const char* set = nl_langinfo(CODESET);
    return set != nullptr && (std::strcmp(set, "UTF-8") == 0 || std::strcmp(set, "utf8") == 0);
  }();
  return utf8;
}

void WaitForDescriptor(int fd, bool forWrite, int ms) {
  pollfd ready{fd, static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
  ::poll(fd < 0 ? nullptr : &ready, fd < 0 ? 0 : 1, ms);
}

FileIdentity SystemFileIdentity(const std::string& path) {
  FileIdentity id;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    id.exists = true;
    id.regular = S_ISREG(st.st_mode);
    id.device = st.st_dev;
    id.inode = st.st_ino;
  }
  return id;
}

void WatchInterrupts() {
  struct sigaction before {};
  ::sigaction(SIGINT, nullptr, &before);
  struct sigaction note {};
  note.sa_handler = CountInterrupt;
  sigemptyset(&note.sa_mask);
  if (before.sa_handler != SIG_IGN) ::sigaction(SIGINT, &note, nullptr);
  struct sigaction terminate {};
  terminate.sa_handler = CountTermination;
  sigemptyset(&terminate.sa_mask);
  ::sigaction(SIGTERM, &terminate, nullptr);
}

int InterruptCount() { return gInterrupted; }

bool InterruptProcess(std::int64_t pid) { return pid > 0 && ::kill(static_cast<pid_t>(pid), SIGINT) == 0; }

void DetachFromTerminalInterrupt(QProcess& process) {
  // A process group of its own: the terminal sends Ctrl+C to its
  // foreground group, the parent's.
  process.setChildProcessModifier([] { ::setpgid(0, 0); });
}

}  // namespace zem
