#include "transfer/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pthread.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
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
bool WriteAll(int fd, const std::string& bytes, std::string* error, const FileWaiter* waiter = nullptr) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (waiter) {
        (*waiter)(fd, true);
      } else {
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, -1);  // a descriptor handed to us non-blocking
      }
    } else {
      SetError(error, n < 0 ? SystemReason(errno) : "Nothing could be written");
      return false;
    }
  }
  return true;
}

// A FIFO or a character device: written where it is, never replaced. With
// a waiter nothing blocks: a FIFO without a reader is opened again after
// each wait.
bool WriteInPlace(const std::string& path, const std::string& bytes, std::string* error,
                  const FileWaiter* waiter) {
  const int flags = O_WRONLY | O_CLOEXEC | O_NOCTTY | (waiter ? O_NONBLOCK : 0);
  int raw = -1;
  while ((raw = ::open(path.c_str(), flags)) < 0) {
    if (errno == EINTR) continue;
    struct stat st {};
    if (waiter && errno == ENXIO && ::stat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode)) {
      (*waiter)(-1, true);
      continue;
    }
    SetError(error, SystemReason(errno));
    return false;
  }
  OwnedFd fd(raw);
  if (!WriteAll(fd.Get(), bytes, error, waiter)) return false;
  if (!fd.Close()) {
    SetError(error, SystemReason(errno));
    return false;
  }
  return true;
}

// The file a write to `path` replaces or makes, in `target`: symbolic links
// followed as opening the path would, a dangling one to the file it names.
// The reason when it cannot be followed; another user's link in a sticky
// world-writable folder is not followed, as the system does not follow it.
std::optional<std::string> FollowLinks(const std::string& path, std::string* target) {
  fs::path current(path);
  for (int hops = 0;; ++hops) {
    struct stat link {};
    if (::lstat(current.c_str(), &link) != 0) {
      if (errno != ENOENT) return SystemReason(errno);
      break;  // a new file
    }
    if (!S_ISLNK(link.st_mode)) break;
    if (hops == 40) return SystemReason(ELOOP);
    const fs::path folder = current.has_parent_path() ? current.parent_path() : fs::path(".");
    struct stat dir {};
    if (::stat(folder.c_str(), &dir) == 0 && (dir.st_mode & S_ISVTX) && (dir.st_mode & S_IWOTH) &&
        link.st_uid != ::geteuid() && link.st_uid != dir.st_uid)
      return "A symbolic link of another user in a sticky world-writable folder: not followed";
    std::error_code ec;
    const fs::path next = fs::read_symlink(current, ec);
    if (ec) return ec.message();
    current = next.is_absolute() ? next : folder / next;
  }
  // The folders on the way, with their own links, as the system finds them.
  std::error_code ec;
  const fs::path canonical = fs::weakly_canonical(current, ec);
  *target = ec ? current.string() : canonical.string();
  return std::nullopt;
}

// The folder a new file or the replacement of `target` is written in.
std::string FolderOf(const std::string& target) {
  const fs::path folder = fs::path(target).parent_path();
  return folder.empty() ? std::string(".") : folder.string();
}

std::string RandomSuffix() {
  thread_local std::mt19937_64 random{std::random_device{}()};
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string suffix;
  for (int i = 0; i < 8; ++i) suffix += kDigits[random() % 36];
  return suffix;
}

std::string UserName(uid_t uid) {
  const passwd* user = ::getpwuid(uid);
  return user ? std::string(user->pw_name) : "uid " + std::to_string(uid);
}

std::string GroupName(gid_t gid) {
  const group* g = ::getgrgid(gid);
  return g ? std::string(g->gr_name) : "gid " + std::to_string(gid);
}

// Why an existing regular file may not be replaced, before anything is made.
std::optional<std::string> ReplaceProblem(const std::string& target, const struct stat& old) {
  if (old.st_nlink > 1)
    return "It has " + std::to_string(old.st_nlink) + " hard links; replacing it would split them";
  // What `>` would be allowed: the user's own rights, root's included.
  if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return SystemReason(errno);
  return std::nullopt;
}

// The temporary file being filled, removed if SIGINT, SIGTERM or SIGHUP end
// the program first. One at a time: the program writes one file at a time.
std::array<char, 4096> gTempPath{};
volatile std::sig_atomic_t gTempGuarded = 0;
constexpr std::array<int, 3> kEndingSignals{SIGINT, SIGTERM, SIGHUP};

extern "C" void RemoveTempAndEnd(int signal) {
  if (gTempGuarded) ::unlink(gTempPath.data());
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  ::sigaction(signal, &standard, nullptr);
  ::raise(signal);  // delivered as the handler returns: the program ends as it would have
}

// While a file is written: SIGXFSZ and SIGPIPE ignored, so that a write past
// the file-size limit or to a FIFO whose reader left fails with its reason
// instead of ending the program without a word; and, once Guard() names the
// temporary file, the ending signals that would end the program remove it
// first. A signal the program handles or ignores itself is left alone.
class WriteSignals {
 public:
  WriteSignals() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &oldFileSize_);
    ::sigaction(SIGPIPE, &ignore, &oldPipe_);
  }
  ~WriteSignals() {
    Unguard();
    ::sigaction(SIGXFSZ, &oldFileSize_, nullptr);
    ::sigaction(SIGPIPE, &oldPipe_, nullptr);
  }
  WriteSignals(const WriteSignals&) = delete;
  WriteSignals& operator=(const WriteSignals&) = delete;

  void Guard(const std::string& temp) {
    if (guarded_ || temp.size() >= gTempPath.size()) return;
    std::memcpy(gTempPath.data(), temp.c_str(), temp.size() + 1);
    gTempGuarded = 1;
    guarded_ = true;
    struct sigaction remove {};
    remove.sa_handler = RemoveTempAndEnd;
    ::sigemptyset(&remove.sa_mask);
    for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
      ::sigaction(kEndingSignals[i], nullptr, &oldEnding_[i]);
      installed_[i] = oldEnding_[i].sa_handler == SIG_DFL && !(oldEnding_[i].sa_flags & SA_SIGINFO);
      if (installed_[i]) ::sigaction(kEndingSignals[i], &remove, nullptr);
    }
  }
  void Unguard() {
    if (!guarded_) return;
    for (std::size_t i = 0; i < kEndingSignals.size(); ++i)
      if (installed_[i]) ::sigaction(kEndingSignals[i], &oldEnding_[i], nullptr);
    gTempGuarded = 0;
    guarded_ = false;
  }

 private:
  struct sigaction oldFileSize_ {};
  struct sigaction oldPipe_ {};
  std::array<struct sigaction, 3> oldEnding_{};
  std::array<bool, 3> installed_{};
  bool guarded_ = false;
};

// A hidden temporary file beside the target, holding the target's owner and
// group from the start; removed unless renamed over the target.
class TempFile {
 public:
  explicit TempFile(WriteSignals& signals) : signals_(signals) {}
  ~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
    signals_.Unguard();
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  // Makes the file; the reason when it cannot, or when the owner or group
  // of the replaced file (`old`, when `existed`) cannot be given to it.
  std::optional<std::string> Create(const std::string& target, bool existed, const struct stat& old) {
    // Room for the suffix within the longest name a folder allows.
    const fs::path folder = FolderOf(target);
    const std::string base = "." + fs::path(target).filename().string().substr(0, 200) + ".";
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
      const std::string name = (folder / (base + RandomSuffix())).string();
      // A new file gets the usual permissions (the umask applies); a replaced
      // one keeps its own, given once it is filled.
      // No ending signal between making the file and knowing its name.
      sigset_t ending, saved;
      ::sigemptyset(&ending);
      for (const int signal : kEndingSignals) ::sigaddset(&ending, signal);
      ::pthread_sigmask(SIG_BLOCK, &ending, &saved);
      fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, existed ? 0600 : 0666);
      const int openError = errno;
      if (fd_ >= 0) {
        path_ = name;
        signals_.Guard(path_);
      }
      ::pthread_sigmask(SIG_SETMASK, &saved, nullptr);
      if (fd_ < 0 && openError != EEXIST) return SystemReason(openError);
    }
    if (fd_ < 0) return SystemReason(EEXIST);
    struct stat made {};
    if (!existed || (::fstat(fd_, &made) == 0 && made.st_uid == old.st_uid && made.st_gid == old.st_gid))
      return std::nullopt;
    if (::fchown(fd_, old.st_uid, old.st_gid) == 0) return std::nullopt;
    if (made.st_uid != old.st_uid)
      return "It belongs to " + UserName(old.st_uid) + "; a replacement could not keep its owner";
    return "Its group is " + GroupName(old.st_gid) + "; a replacement could not keep it";
  }
  int Fd() const { return fd_; }
  // Closes the file; the system's errno when that fails.
  int Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? 0 : errno;
  }
  // Renames the file over `target`; the system's errno when that fails.
  int RenameOver(const std::string& target) {
    if (::rename(path_.c_str(), target.c_str()) != 0) return errno;
    path_.clear();
    return 0;
  }

 private:
  WriteSignals& signals_;
  std::string path_;
  int fd_ = -1;
};

// The file a regular write makes or replaces, after every rule for
// replacing it: its name, whether it exists and its state.
std::optional<std::string> ReplacementTarget(const std::string& path, std::string* target, bool* existed,
                                             struct stat* old) {
  if (const std::optional<std::string> problem = FollowLinks(path, target)) return problem;
  *existed = ::stat(target->c_str(), old) == 0;
  if (*existed && !S_ISREG(old->st_mode)) return KindText(old->st_mode);
  if (*existed) return ReplaceProblem(*target, *old);
  return std::nullopt;
}

// A temporary file beside the target, filled, synced, closed and renamed
// over it; each step checked, and the temporary file removed on any
// failure. (QSaveFile is not used: its commit() ignores a failed flush of
// its buffer, and a short write loses the system's reason.)
bool WriteBesideAndRename(const std::string& path, const std::string& bytes, std::string* error) {
  std::string target;
  bool existed = false;
  struct stat old {};
  if (const std::optional<std::string> problem = ReplacementTarget(path, &target, &existed, &old)) {
    SetError(error, *problem);
    return false;
  }
  WriteSignals signals;
  TempFile temp(signals);
  if (const std::optional<std::string> problem = temp.Create(target, existed, old)) {
    SetError(error, *problem);
    return false;
  }
  const auto fail = [&](int reason) {
    if (reason) SetError(error, SystemReason(reason));
    return false;
  };
  if (!WriteAll(temp.Fd(), bytes, error)) return false;
  // After the writing, which would clear a set-user-ID bit.
  if (existed && ::fchmod(temp.Fd(), old.st_mode & 07777) != 0) return fail(errno);
  // Some file systems report a full disk only now.
  if (::fsync(temp.Fd()) != 0 && errno != EINVAL && errno != EROFS) return fail(errno);
  if (const int reason = temp.Close()) return fail(reason);
  if (const int reason = temp.RenameOver(target)) return fail(reason);
  return true;
}

// A FIFO read without blocking gives nothing both before its first writer
// came and after the last one left; only then does the system report the
// hang-up.
bool WriterLeft(int fd) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP) != 0;
}

}  // namespace

bool NamesOwnDescriptor(const std::string& path) { return OwnDescriptor(path) >= 0; }

std::optional<std::string> ReadWholeFile(const std::string& path, std::string* error, std::string* cut,
                                         const ReadLimits& limits, const FileWaiter* waiter) {
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
  // Opening a FIFO without a writer does not wait when asked not to block;
  // its first read then tells whether one has come (see below).
  const bool waiting = waiter && S_ISFIFO(st.st_mode);
  OwnedFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | (waiting ? O_NONBLOCK : 0)));
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
  if (S_ISREG(st.st_mode) && st.st_size > 0)
    text.reserve(std::min<std::size_t>(static_cast<std::size_t>(st.st_size), limits.bytes) + 2);
  std::size_t sinceWait = 0;
  char chunk[64 * 1024];
  while (text.size() < wanted) {
    // A writer that never pauses still lets the waiter's events run.
    if (waiting && sinceWait >= (std::size_t{1} << 20)) {
      sinceWait = 0;
      (*waiter)(fd.Get(), false);
    }
    const ssize_t n = ::read(fd.Get(), chunk, std::min(sizeof chunk, wanted - text.size()));
    if (n < 0 && errno == EINTR) continue;
    if (waiting &&
        ((n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) || (n == 0 && !WriterLeft(fd.Get())))) {
      sinceWait = 0;
      (*waiter)(fd.Get(), false);
      continue;
    }
    if (n < 0) {
      SetError(error, SystemReason(errno));
      return std::nullopt;
    }
    if (n == 0) break;
    sinceWait += static_cast<std::size_t>(n);
    text.append(chunk, static_cast<std::size_t>(n));
  }
  CutToReadLimits(text, limits, cut);
  return text;
}

bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* error,
                         const FileWaiter* waiter) {
  if (const int own = OwnDescriptor(path); own >= 0) {
    const WriteSignals signals;
    return WriteAll(own, bytes, error);
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    const WriteSignals signals;
    if (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)) return WriteInPlace(path, bytes, error, waiter);
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
  // A new file, or the replacement of a regular one, is made in its folder,
  // by the rules of the write itself.
  std::string target;
  bool existed = false;
  struct stat old {};
  if (const std::optional<std::string> problem = ReplacementTarget(path, &target, &existed, &old))
    return problem;
  const std::string folder = FolderOf(target);
  struct stat dir {};
  if (::stat(folder.c_str(), &dir) != 0) return "Folder " + folder + ": " + SystemReason(errno);
  if (!S_ISDIR(dir.st_mode)) return "Folder " + folder + ": " + SystemReason(ENOTDIR);
  if (::access(folder.c_str(), W_OK | X_OK) != 0) return "Folder " + folder + ": " + SystemReason(errno);
  if (!existed) return std::nullopt;
  // Whether the owner and group can be kept is known only by trying, on a
  // temporary file that goes again at once.
  WriteSignals signals;
  TempFile probe(signals);
  return probe.Create(target, existed, old);
}

NewName WriteNewFile(const std::string& path, const std::string& bytes, std::string* error) {
  // O_EXCL with O_CREAT never follows a link, dangling or not.
  OwnedFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
  if (fd.Get() < 0) {
    if (errno == EEXIST) return NewName::kTaken;
    SetError(error, SystemReason(errno));
    return NewName::kFailed;
  }
  std::size_t done = 0;
  int failure = 0;
  while (done < bytes.size() && !failure) {
    const ssize_t n = ::write(fd.Get(), bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EINTR) {
      failure = errno;
    } else if (n == 0) {
      failure = EIO;
    }
  }
  if (!failure && ::fsync(fd.Get()) != 0 && errno != EINVAL && errno != EROFS) failure = errno;
  if (!fd.Close() && !failure) failure = errno;
  if (!failure) return NewName::kMade;
  ::unlink(path.c_str());
  SetError(error, SystemReason(failure));
  return NewName::kFailed;
}

NewName RenameNoReplace(const std::string& from, const std::string& to, std::string* error) {
  int failure = 0;
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return NewName::kMade;
  failure = errno;
#endif
  // A file system without it: a hard link is never made over a name either.
  if (failure == 0 || failure == EINVAL || failure == ENOSYS) {
    failure = ::link(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    if (failure == 0) {
      ::unlink(from.c_str());
      return NewName::kMade;
    }
  }
  if (failure == EEXIST) return NewName::kTaken;
  SetError(error, SystemReason(failure));
  return NewName::kFailed;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

std::vector<FolderFile> PlainFilesIn(const std::string& folder) {
  std::vector<FolderFile> files;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return files;
  while (const dirent* entry = ::readdir(dir)) {
    struct stat st {};
    if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
      continue;
    files.push_back({entry->d_name, std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec});
  }
  ::closedir(dir);
  return files;
}

bool IsFifo(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

}  // namespace zem
