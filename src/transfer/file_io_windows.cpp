// Reading and replacing files on Windows. Paths are UTF-8 (what the
// program's manifest makes the code page) and go to the system's wide calls.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string_view>

#include "model/text_log.h"
#include "transfer/file_io.h"
#include "transfer/reserved_names.h"

namespace zem {
namespace {

void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string text(static_cast<std::size_t>(std::max(size, 0)), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size, nullptr,
                        nullptr);
  return text;
}

// UTF-8, or else the ANSI code page (a name typed on an older system).
std::wstring Wide(const std::string& path) {
  if (path.empty()) return {};
  for (const UINT page : {static_cast<UINT>(CP_UTF8), static_cast<UINT>(CP_ACP)}) {
    const DWORD flags = page == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    const int size =
        ::MultiByteToWideChar(page, flags, path.data(), static_cast<int>(path.size()), nullptr, 0);
    if (size <= 0) continue;
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(page, flags, path.data(), static_cast<int>(path.size()), wide.data(), size);
    return wide;
  }
  return {};
}

// The system's text for an error code, without its closing period.
std::string SystemReason(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length && buffer ? std::wstring(buffer, length) : std::wstring();
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() &&
         (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.'))
    text.pop_back();
  return text.empty() ? "Error " + std::to_string(code) : Utf8(text);
}

std::string LastReason() { return SystemReason(::GetLastError()); }

class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  ~OwnedHandle() { Close(); }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE Get() const { return handle_; }
  void Reset(HANDLE handle) {
    Close();
    handle_ = handle;
  }
  bool Close() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle == INVALID_HANDLE_VALUE || handle == nullptr || ::CloseHandle(handle) != 0;
  }

 private:
  HANDLE handle_;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// /dev/stdout and /dev/stderr name the program's own streams, as on Linux.
int OwnDescriptor(const std::string& path) {
  if (path == "/dev/stdout") return 1;
  if (path == "/dev/stderr") return 2;
  return -1;
}

bool WriteAllToHandle(HANDLE handle, const std::string& bytes, std::string* error) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
    DWORD written = 0;
    if (!::WriteFile(handle, bytes.data() + done, chunk, &written, nullptr)) {
      SetError(error, LastReason());
      return false;
    }
    if (written == 0) {
      SetError(error, "Nothing could be written");
      return false;
    }
    done += written;
  }
  return true;
}

// A device (NUL, CON, COM1...): written where it is, never replaced.
bool WriteInPlace(const std::string& path, const std::string& bytes, std::string* error) {
  OwnedHandle file(::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    SetError(error, LastReason());
    return false;
  }
  if (!WriteAllToHandle(file.Get(), bytes, error)) return false;
  if (!file.Close()) {
    SetError(error, LastReason());
    return false;
  }
  return true;
}

// What is at a path, links not followed.
struct PathState {
  bool exists = false;
  DWORD attributes = 0;
};

std::optional<std::string> LookAt(const std::wstring& path, PathState* state) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    const DWORD code = ::GetLastError();
    if (code == ERROR_FILE_NOT_FOUND) return std::nullopt;
    return SystemReason(code);
  }
  state->exists = true;
  state->attributes = data.dwFileAttributes;
  return std::nullopt;
}

// The file a write replaces: a link (a reparse point) is followed to the
// file it names, as opening the path would; one whose file is missing is
// refused rather than replaced by a plain file.
std::optional<std::string> ReplacementTarget(const std::string& path, std::wstring* target, bool* existed,
                                             BY_HANDLE_FILE_INFORMATION* info) {
  *target = Wide(path);
  if (target->empty()) return std::string("The name is not valid text");
  PathState state;
  if (std::optional<std::string> problem = LookAt(*target, &state)) return problem;
  *existed = state.exists;
  if (!state.exists) return std::nullopt;
  if (state.attributes & FILE_ATTRIBUTE_DIRECTORY) return std::string("Is a directory");
  OwnedHandle file(
      ::CreateFileW(target->c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    if (state.attributes & FILE_ATTRIBUTE_REPARSE_POINT)
      return std::string("A link whose target cannot be opened");
    return LastReason();
  }
  if (::GetFileType(file.Get()) != FILE_TYPE_DISK) return std::string("Not a regular file");
  if (!::GetFileInformationByHandle(file.Get(), info)) return LastReason();
  if (info->nNumberOfLinks > 1)
    return "It has " + std::to_string(info->nNumberOfLinks) + " hard links; replacing it would split them";
  if (info->dwFileAttributes & FILE_ATTRIBUTE_READONLY) return std::string("The file is read-only");
  if (state.attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    std::wstring final(MAX_PATH, L'\0');
    for (;;) {
      const DWORD n = ::GetFinalPathNameByHandleW(file.Get(), final.data(), static_cast<DWORD>(final.size()),
                                                  FILE_NAME_NORMALIZED);
      if (n == 0) return LastReason();
      if (n < final.size()) {
        final.resize(n);
        break;
      }
      final.resize(n + 1);
    }
    *target = final;
  }
  return std::nullopt;
}

std::wstring FolderOf(const std::wstring& target) {
  const std::size_t slash = target.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return target.size() == 2 && target[1] == L':' ? target : L".";
  return target.substr(0, slash == 0 || (slash == 2 && target[1] == L':') ? slash + 1 : slash);
}

std::wstring NameOf(const std::wstring& target) {
  const std::size_t slash = target.find_last_of(L"\\/:");
  return slash == std::wstring::npos ? target : target.substr(slash + 1);
}

std::wstring RandomSuffix() {
  thread_local std::mt19937_64 random{std::random_device{}()};
  static const wchar_t kDigits[] = L"0123456789abcdefghijklmnopqrstuvwxyz";
  std::wstring suffix;
  for (int i = 0; i < 8; ++i) suffix += kDigits[random() % 36];
  return suffix;
}

// A temporary file beside the target; removed unless moved over it.
class TempFile {
 public:
  TempFile() = default;
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    handle_.Close();
    if (!path_.empty()) ::DeleteFileW(path_.c_str());
  }
  std::optional<std::string> Create(const std::wstring& target) {
    const std::wstring folder = FolderOf(target);
    const std::wstring separator = folder.back() == L'\\' || folder.back() == L'/' ? L"" : L"\\";
    const std::wstring base = folder + separator + L"." + NameOf(target).substr(0, 200) + L".";
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::wstring name = base + RandomSuffix();
      HANDLE made =
          ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (made != INVALID_HANDLE_VALUE) {
        handle_.Reset(made);
        path_ = name;
        return std::nullopt;
      }
      if (::GetLastError() != ERROR_FILE_EXISTS) return LastReason();
    }
    return SystemReason(ERROR_FILE_EXISTS);
  }
  HANDLE Handle() const { return handle_.Get(); }
  bool Close() { return handle_.Close(); }
  // Puts the file in place of `target` in one step: ReplaceFileW keeps the
  // old file whole on failure and gives the new one its attributes and
  // permissions.
  std::optional<std::string> MoveOver(const std::wstring& target, bool existed) {
    const bool moved = existed ? ::ReplaceFileW(target.c_str(), path_.c_str(), nullptr,
                                                REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
                               : ::MoveFileExW(path_.c_str(), target.c_str(),
                                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!moved) return LastReason();
    path_.clear();
    return std::nullopt;
  }

 private:
  OwnedHandle handle_{INVALID_HANDLE_VALUE};
  std::wstring path_;
};

bool WriteBesideAndReplace(const std::string& path, const std::string& bytes, std::string* error) {
  std::wstring target;
  bool existed = false;
  BY_HANDLE_FILE_INFORMATION info{};
  if (std::optional<std::string> problem = ReplacementTarget(path, &target, &existed, &info)) {
    SetError(error, *problem);
    return false;
  }
  TempFile temp;
  if (std::optional<std::string> problem = temp.Create(target)) {
    SetError(error, *problem);
    return false;
  }
  if (!WriteAllToHandle(temp.Handle(), bytes, error)) return false;
  // A full disk may be reported only now.
  if (!::FlushFileBuffers(temp.Handle()) || !temp.Close()) {
    SetError(error, LastReason());
    return false;
  }
  if (std::optional<std::string> problem = temp.MoveOver(target, existed)) {
    SetError(error, *problem);
    return false;
  }
  return true;
}

}  // namespace

bool NamesOwnDescriptor(const std::string& path) { return OwnDescriptor(path) >= 0; }

std::optional<std::string> ReadWholeFile(const std::string& path, std::string* error, std::string* cut,
                                         const ReadLimits& limits,
                                         const FileWaiter* /*waiter: no FIFOs here*/) {
  if (cut) cut->clear();
  // Opening a device may already do something.
  if (IsReservedDeviceName(path)) {
    SetError(error, "A device, not a regular file");
    return std::nullopt;
  }
  const std::wstring wide = Wide(path);
  PathState state;
  if (std::optional<std::string> problem = LookAt(wide, &state)) {
    SetError(error, *problem);
    return std::nullopt;
  }
  if (!state.exists) {
    SetError(error, SystemReason(ERROR_FILE_NOT_FOUND));
    return std::nullopt;
  }
  if (state.attributes & FILE_ATTRIBUTE_DIRECTORY) {
    SetError(error, "Is a directory");
    return std::nullopt;
  }
  OwnedHandle file(::CreateFileW(wide.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.Valid()) {
    SetError(error, LastReason());
    return std::nullopt;
  }
  if (::GetFileType(file.Get()) != FILE_TYPE_DISK) {
    SetError(error, "Not a regular file");
    return std::nullopt;
  }
  // One byte more than the limit tells whether the file goes on.
  const std::size_t wanted = limits.bytes + 1;
  std::string text;
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(file.Get(), &size) && size.QuadPart > 0)
    text.reserve(std::min<std::size_t>(static_cast<std::size_t>(size.QuadPart), limits.bytes) + 2);
  char chunk[64 * 1024];
  while (text.size() < wanted) {
    DWORD n = 0;
    if (!::ReadFile(file.Get(), chunk, static_cast<DWORD>(std::min(sizeof chunk, wanted - text.size())), &n,
                    nullptr)) {
      SetError(error, LastReason());
      return std::nullopt;
    }
    if (n == 0) break;
    text.append(chunk, n);
  }
  CutToReadLimits(text, limits, cut);
  return text;
}

bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* error,
                         const FileWaiter* /*waiter: no FIFOs here*/) {
  if (const int own = OwnDescriptor(path); own >= 0) {
    std::FILE* stream = own == 1 ? stdout : stderr;
    std::fflush(stream);
    ::_setmode(own, _O_BINARY);
    std::size_t done = 0;
    while (done < bytes.size()) {
      const unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
      const int n = ::_write(own, bytes.data() + done, chunk);
      if (n <= 0) {
        SetError(error, n < 0 ? std::string(std::strerror(errno)) : "Nothing could be written");
        return false;
      }
      done += static_cast<std::size_t>(n);
    }
    return true;
  }
  if (IsReservedDeviceName(path)) return WriteInPlace(path, bytes, error);
  return WriteBesideAndReplace(path, bytes, error);
}

std::optional<std::string> WriteProblem(const std::string& path) {
  if (path.empty()) return std::string("No file name");
  if (NamesOwnDescriptor(path) || IsReservedDeviceName(path)) return std::nullopt;
  std::wstring target;
  bool existed = false;
  BY_HANDLE_FILE_INFORMATION info{};
  if (std::optional<std::string> problem = ReplacementTarget(path, &target, &existed, &info)) return problem;
  const std::wstring folder = FolderOf(target);
  PathState state;
  if (std::optional<std::string> problem = LookAt(folder, &state))
    return "Folder " + Utf8(folder) + ": " + *problem;
  if (!state.exists) return "Folder " + Utf8(folder) + ": " + SystemReason(ERROR_PATH_NOT_FOUND);
  if (!(state.attributes & FILE_ATTRIBUTE_DIRECTORY))
    return "Folder " + Utf8(folder) + ": " + SystemReason(ERROR_DIRECTORY);
  // Whether a file can be made beside it is known only by trying.
  TempFile probe;
  if (std::optional<std::string> problem = probe.Create(target))
    return "Folder " + Utf8(folder) + ": " + *problem;
  return std::nullopt;
}

namespace {

NewName Failed(std::string* error) {
  const DWORD code = ::GetLastError();
  if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) return NewName::kTaken;
  SetError(error, SystemReason(code));
  return NewName::kFailed;
}

}  // namespace

NewName WriteNewFile(const std::string& path, const std::string& bytes, std::string* error) {
  // CREATE_NEW fails on any existing name, a link's included.
  const std::wstring name = Wide(path);
  OwnedHandle file(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file.Valid()) return Failed(error);
  bool written = WriteAllToHandle(file.Get(), bytes, error);
  if (written && !::FlushFileBuffers(file.Get())) {
    SetError(error, LastReason());
    written = false;
  }
  if (!file.Close() && written) {
    SetError(error, LastReason());
    written = false;
  }
  if (written) return NewName::kMade;
  ::DeleteFileW(name.c_str());
  return NewName::kFailed;
}

NewName RenameNoReplace(const std::string& from, const std::string& to, std::string* error) {
  // Without MOVEFILE_REPLACE_EXISTING nothing at `to` is replaced.
  if (::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_WRITE_THROUGH)) return NewName::kMade;
  return Failed(error);
}

bool RemoveFile(const std::string& path) { return ::DeleteFileW(Wide(path).c_str()) != 0; }

std::vector<FolderFile> PlainFilesIn(const std::string& folder) {
  std::vector<FolderFile> files;
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW((Wide(folder) + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return files;
  constexpr DWORD kNotPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
  do {
    if (found.dwFileAttributes & kNotPlain) continue;
    // FILETIME counts 100 ns steps.
    const std::int64_t ticks =
        (std::int64_t{found.ftLastWriteTime.dwHighDateTime} << 32) | found.ftLastWriteTime.dwLowDateTime;
    files.push_back({Utf8(found.cFileName), ticks * 100});
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return files;
}

bool IsFifo(const std::string& /*path*/) { return false; }

}  // namespace zem
