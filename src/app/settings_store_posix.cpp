#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <cerrno>

#include "app/settings_file_check.h"

namespace zem {

// Nothing at `path` (not even a dangling link), or, links followed, a
// regular file with one hard link that belongs to the user. Only stat is
// used: opening a device or FIFO may already do something, or block.
bool IsAbsentOrOwnFile(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  struct stat st {};
  if (::lstat(name.constData(), &st) != 0) return errno == ENOENT;
  if (::stat(name.constData(), &st) != 0) return false;
  return S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == ::geteuid();
}

// As `>` would refuse it, root too is held to the mode here.
bool IsWriteProtected(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  struct stat st {};
  if (::stat(name.constData(), &st) != 0) return false;
  return (st.st_mode & S_IWUSR) == 0 || ::faccessat(AT_FDCWD, name.constData(), W_OK, AT_EACCESS) != 0;
}

}  // namespace zem
