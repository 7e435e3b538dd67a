#include "transfer/unit_backups.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

namespace zem::unit_backups {

namespace {

namespace fs = std::filesystem;

const QRegularExpression& BackupPattern() {
  static const QRegularExpression pattern(
      QStringLiteral("^(\\d{4}-\\d{2}-\\d{2}-\\d{6})(?:-([2-9]|[1-9]\\d+))?\\.zem$"));
  return pattern;
}

std::string Reason(int error) { return std::error_code(error, std::generic_category()).message(); }

bool Before(const timespec& a, const timespec& b) {
  return a.tv_sec != b.tv_sec ? a.tv_sec < b.tv_sec : a.tv_nsec < b.tv_nsec;
}

// The folder's backups by age: their modification times, not their names,
// which a wrong clock or another time zone may have stamped in the future.
// Only files modified before the one just written (`kept`) may go, and
// never `kept` itself, so the newest backup always stays.
void RemoveOldest(const fs::path& folder, const std::string& kept) {
  struct stat newest {};
  if (::lstat((folder / kept).c_str(), &newest) != 0) return;
  struct Backup {
    timespec modified;
    std::string name;
  };
  std::vector<Backup> older;
  std::size_t count = 0;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    struct stat st {};
    // Links are not backups: never followed, never counted.
    if (!IsBackupName(name) || ::lstat(entry.path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    ++count;
    if (name != kept && Before(st.st_mtim, newest.st_mtim)) older.push_back({st.st_mtim, name});
  }
  if (count <= kKept) return;
  std::sort(older.begin(), older.end(), [](const Backup& a, const Backup& b) {
    return Before(a.modified, b.modified) || (!Before(b.modified, a.modified) && a.name < b.name);
  });
  for (std::size_t i = 0; i < older.size() && count > kKept; ++i)
    if (::unlink((folder / older[i].name).c_str()) == 0) --count;
}

// Gives the filled temporary file `temp` the name `name` only if nothing
// has it, not even a link: 0, or the system's reason (EEXIST: taken).
int RenameNoReplace(const fs::path& temp, const fs::path& name) {
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
#endif
  // A file system without it: a hard link is never made over a name either.
  if (::link(temp.c_str(), name.c_str()) != 0) return errno;
  ::unlink(temp.c_str());
  return 0;
}

// The backup's bytes in a new hidden file of the folder, synced; its name,
// or nothing with `error` set.
std::optional<fs::path> WriteTemp(const fs::path& folder, const std::string& text, std::string* error) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path temp = folder / (".backup-" + std::to_string(::getpid()) + "-" + std::to_string(attempt));
    // O_EXCL with O_CREAT never follows a link, dangling or not.
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) {
      *error = Reason(errno);
      return std::nullopt;
    }
    std::size_t done = 0;
    int failure = 0;
    while (done < text.size() && !failure) {
      const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
      } else if (n < 0 && errno != EINTR) {
        failure = errno;
      } else if (n == 0) {
        failure = EIO;
      }
    }
    if (!failure && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) failure = errno;
    if (::close(fd) != 0 && !failure) failure = errno;
    if (failure) {
      ::unlink(temp.c_str());
      *error = Reason(failure);
      return std::nullopt;
    }
    return temp;
  }
  *error = Reason(EEXIST);
  return std::nullopt;
}

}  // namespace

std::string DefaultRoot() {
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  // No data folder known (no home): no place, rather than one under "/".
  if (data.isEmpty()) return {};
  return QFile::encodeName(data + "/zem-config/backups").toStdString();
}

std::string FolderName(const std::string& unit) {
  std::string name = unit;
  for (char& c : name) {
    const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '_' || c == '-';
    if (!kept) c = '_';
  }
  // "." and ".." would name the folder above.
  if (name.empty() || name.find_first_not_of('.') == std::string::npos) name.insert(0, "_");
  return name;
}

bool IsBackupName(const std::string& name) {
  return BackupPattern().match(QString::fromLatin1(name.c_str())).hasMatch();
}

std::optional<std::string> Write(const std::string& root, const std::string& unit, const std::string& text,
                                 const QDateTime& when, std::string* error) {
  if (root.empty()) {
    *error = "there is no data folder to keep backups in";
    return std::nullopt;
  }
  QDir folder(QFile::decodeName(root.c_str()) + "/" + QString::fromLatin1(FolderName(unit).c_str()));
  if (!folder.mkpath(".")) {
    *error = "cannot make the folder " + QFile::encodeName(folder.path()).toStdString();
    return std::nullopt;
  }
  const fs::path where(QFile::encodeName(folder.path()).toStdString());
  const std::optional<fs::path> temp = WriteTemp(where, text, error);
  if (!temp) return std::nullopt;
  // A new name, never over anything: a clash (another backup of the same
  // second, a file or a link put there) takes the next "-N".
  const std::string stamp = when.toString(QStringLiteral("yyyy-MM-dd-HHmmss")).toStdString();
  int failure = EEXIST;
  for (int n = 1; n < 10000 && failure == EEXIST; ++n) {
    const std::string name = stamp + (n == 1 ? "" : "-" + std::to_string(n)) + ".zem";
    failure = RenameNoReplace(*temp, where / name);
    if (failure) continue;
    RemoveOldest(where, name);
    return (where / name).string();
  }
  ::unlink(temp->c_str());
  *error = Reason(failure);
  return std::nullopt;
}

}  // namespace zem::unit_backups
