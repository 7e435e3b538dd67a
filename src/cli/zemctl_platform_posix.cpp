// What zemctl does its own way on Linux and other POSIX systems.
#include <langinfo.h>
#include <poll.h>
#include <sys/stat.h>

#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "cli/zemctl_platform.h"

namespace zem {

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

}  // namespace zem
