#include "transfer/file_io.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <random>
#include <system_error>

#include "model/text_log.h"

namespace zem {
namespace {

namespace fs = std::filesystem;

std::string SystemReason(int error) { return std::error_code(error, std::generic_category()).message(); }

void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

// Asks the system for the pages of a large buffer about to be filled in one
// call rather than a page fault for each. Only a hint: a system without it
// (before Linux 5.14) faults them in as they are written.
void PopulateForWriting(char* data, std::size_t size) {
#if defined(MADV_POPULATE_WRITE)
  constexpr std::size_t kWorthIt = 1 << 20;
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  if (size < kWorthIt || page == 0 || (page & (page - 1)) != 0) return;
  // The whole pages inside the buffer; those at its ends may hold the
  // allocator's own data and are left as they are.
  const auto first = (reinterpret_cast<std::uintptr_t>(data) + page - 1) & ~(page - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(page - 1);
  if (end > first) ::madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
#else
  (void)data;
  (void)size;
#endif
}

// Closes a descriptor it opened when it goes out of scope.
class OwnedFd {
 public:
  explicit OwnedFd(int fd) : fd_(fd) {}
  OwnedFd(const OwnedFd&) = delete;
  OwnedFd& operator=(const OwnedFd&) = delete;
  ~OwnedFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int Get() const { return fd_; }
  // Closes now; false (errno set) when the system reports a failure.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// What a file that is neither a regular file nor a FIFO is, for the messages.
std::string KindText(mode_t mode) {
  if (S_ISDIR(mode)) return "Is a directory";
  if (S_ISCHR(mode)) return "A character device, not a regular file";
  if (S_ISBLK(mode)) return "A block device, not a regular file";
  if (S_ISSOCK(mode)) return "A socket, not a regular file";
  return "Not a regular file";
}

// /dev/stdout, /dev/stderr, /dev/fd/N and /proc/self/fd/N name a descriptor
// the program already has open: its number, or -1.
int OwnDescriptor(const std::string& path) {
  if (path == "/dev/stdout") return STDOUT_FILENO;
  if (path == "/dev/stderr") return STDERR_FILENO;
  std::string_view number;
  for (std::string_view prefix : {"/dev/fd/", "/proc/self/fd/"})
    if (path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0)
      number = std::string_view(path).substr(prefix.size());
  int fd = -1;
  const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), fd);
  if (number.empty() || ec != std::errc() || end != number.data() + number.size()) return -1;
  return fd;
}

// Writes every byte to `fd`; false with `error` set when the system refuses.
bool WriteAll(int fd, const std::string& bytes, std::string* error) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd p{fd, POLLOUT, 0};
      ::poll(&p, 1, -1);  // a descriptor handed to us non-blocking
    } else {
      SetError(error, n < 0 ? SystemReason(errno) : "Nothing could be written");
      return false;
    }
  }
  return true;
}

// A FIFO or a character device: written where it is, never replaced.
bool WriteInPlace(const std::string& path, const std::string& bytes, std::string* error) {
  OwnedFd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
  if (fd.Get() < 0) {
    SetError(error, SystemReason(errno));
    return false;
  }
  if (!WriteAll(fd.Get(), bytes, error)) return false;
  if (!fd.Close()) {
    SetError(error, SystemReason(errno));
    return false;
  }
  return true;
}

// Where a regular file is written: the target of a symbolic link, so the
// link stays and the file it points to is replaced.
fs::path ReplacedFile(const std::string& path) {
  std::error_code ec;
  const fs::path target = fs::weakly_canonical(fs::path(path), ec);
  return ec ? fs::path(path) : target;
}

// The folder a new file or the replacement of `path` is written in.
std::string FolderOf(const std::string& path) {
  const fs::path folder = ReplacedFile(path).parent_path();
  return folder.empty() ? std::string(".") : folder.string();
}

std::string RandomSuffix() {
  thread_local std::mt19937_64 random{std::random_device{}()};
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string suffix;
  for (int i = 0; i < 8; ++i) suffix += kDigits[random() % 36];
  return suffix;
}

// A hidden temporary file beside the target, filled, synced, closed and
// renamed over it; each step checked, and the temporary file removed on any
// failure. (QSaveFile is not used: its commit() ignores a failed flush of
// its buffer, and a short write loses the system's reason.)
bool WriteBesideAndRename(const std::string& path, const std::string& bytes, std::string* error) {
  const fs::path target = ReplacedFile(path);
  const fs::path folder = FolderOf(path);
  struct stat old {};
  const bool existed = ::stat(target.c_str(), &old) == 0;
  // Room for the suffix within the longest name a folder allows.
  const std::string base = "." + target.filename().string().substr(0, 200) + ".";

  std::string temp;
  int rawFd = -1;
  for (int attempt = 0; attempt < 100 && rawFd < 0; ++attempt) {
    temp = (folder / (base + RandomSuffix())).string();
    // A new file gets the usual permissions (the umask applies); a replaced
    // one keeps its own, given once the file is ours alone.
    rawFd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, existed ? 0600 : 0666);
    if (rawFd < 0 && errno != EEXIST) break;
  }
  if (rawFd < 0) {
    SetError(error, SystemReason(errno));
    return false;
  }
  OwnedFd fd(rawFd);
  const auto fail = [&](int reason) {
    if (reason) SetError(error, SystemReason(reason));
    ::unlink(temp.c_str());
    return false;
  };
  if (existed) ::fchmod(fd.Get(), old.st_mode & 07777);
  if (!WriteAll(fd.Get(), bytes, error)) return fail(0);
  // Some file systems report a full disk only now.
  if (::fsync(fd.Get()) != 0 && errno != EINVAL && errno != EROFS) return fail(errno);
  if (!fd.Close()) return fail(errno);
  if (::rename(temp.c_str(), target.c_str()) != 0) return fail(errno);
  return true;
}

// "64 MiB" or "1000 bytes".
std::string ByteLimitText(std::size_t bytes) {
  const std::size_t mib = std::size_t{1} << 20;
  return bytes % mib == 0 && bytes > 0 ? std::to_string(bytes / mib) + " MiB"
                                       : std::to_string(bytes) + " bytes";
}

}  // namespace

bool NamesOwnDescriptor(const std::string& path) { return OwnDescriptor(path) >= 0; }

std::optional<std::string> ReadWholeFile(const std::string& path, std::string* error, std::string* cut,
                                         const ReadLimits& limits) {
  if (cut) cut->clear();
  // Looked at before opening: opening a device may already do something.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    SetError(error, SystemReason(errno));
    return std::nullopt;
  }
  if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode)) {
    SetError(error, KindText(st.st_mode));
    return std::nullopt;
  }
  OwnedFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
  if (fd.Get() < 0) {
    SetError(error, SystemReason(errno));
    return std::nullopt;
  }
  if (::fstat(fd.Get(), &st) != 0 || (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode))) {
    SetError(error, KindText(st.st_mode));
    return std::nullopt;
  }

  // One byte more than the limit tells whether the file goes on; the room
  // for two bytes lets the import end a last line in place.
  const std::size_t wanted = limits.bytes + 1;
  std::string text;
  if (S_ISREG(st.st_mode) && st.st_size > 0) {
    text.reserve(std::min<std::size_t>(static_cast<std::size_t>(st.st_size), limits.bytes) + 2);
    PopulateForWriting(text.data(), text.capacity());
  }
  // Line ends as the import counts them: CR LF, a lone CR, a lone LF. No
  // more of them than CR and LF bytes, counted in each chunk while it is in
  // the cache (with the byte past the limit: a count too high only asks for
  // the closer look below). Most files need no closer look.
  std::size_t breakBytes = 0;
  char chunk[64 * 1024];
  while (text.size() < wanted) {
    const ssize_t n = ::read(fd.Get(), chunk, std::min(sizeof chunk, wanted - text.size()));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      SetError(error, SystemReason(errno));
      return std::nullopt;
    }
    if (n == 0) break;
    breakBytes += CountLineEndBytes(std::string_view(chunk, static_cast<std::size_t>(n)));
    text.append(chunk, static_cast<std::size_t>(n));
  }
  if (text.size() > limits.bytes) {
    text.resize(limits.bytes);
    if (cut) *cut = ByteLimitText(limits.bytes);
  }

  std::size_t lines = 0;
  if (breakBytes >= limits.lines)
    for (std::size_t i = 0; (i = FindLineEnd(text, i)) != std::string::npos; ++i) {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      if (++lines == limits.lines && i + 1 < text.size()) {
        text.resize(i + 1);
        if (cut) *cut = std::to_string(limits.lines) + " lines";
        break;
      }
    }
  return text;
}

bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* error) {
  if (const int own = OwnDescriptor(path); own >= 0) return WriteAll(own, bytes, error);
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    if (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)) return WriteInPlace(path, bytes, error);
    SetError(error, KindText(st.st_mode));
    return false;
  }
  return WriteBesideAndRename(path, bytes, error);
}

std::optional<std::string> WriteProblem(const std::string& path) {
  if (path.empty()) return std::string("No file name");
  if (const int own = OwnDescriptor(path); own >= 0) {
    if (::fcntl(own, F_GETFL) == -1) return SystemReason(errno);
    return std::nullopt;
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)) {
      if (::access(path.c_str(), W_OK) != 0) return SystemReason(errno);
      return std::nullopt;
    }
    if (!S_ISREG(st.st_mode)) return KindText(st.st_mode);
  } else if (errno != ENOENT) {
    return SystemReason(errno);
  }
  // A new file, or the replacement of a regular one, is made in its folder.
  const std::string folder = FolderOf(path);
  struct stat dir {};
  if (::stat(folder.c_str(), &dir) != 0) return "Folder " + folder + ": " + SystemReason(errno);
  if (!S_ISDIR(dir.st_mode)) return "Folder " + folder + ": " + SystemReason(ENOTDIR);
  if (::access(folder.c_str(), W_OK | X_OK) != 0) return "Folder " + folder + ": " + SystemReason(errno);
  return std::nullopt;
}

}  // namespace zem
