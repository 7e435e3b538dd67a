// What zemctl does its own way on Windows.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include <QProcess>

#include "cli/zemctl_platform.h"

namespace zem {

namespace {

std::wstring Wide(const std::string& path) {
  const int size = ::MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
  if (size > 0)
    ::MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), wide.data(), size);
  return wide;
}

}  // namespace

void PrepareProcess() {
  // Every file and stream is bytes: text mode would turn each LF of a
  // CR LF file into CR LF again (CR CR LF) and end a read at a byte 26.
  _fmode = _O_BINARY;
  for (std::FILE* stream : {stdin, stdout, stderr}) ::_setmode(::_fileno(stream), _O_BINARY);
}

void SetEnvironmentDefault(const char* name, const char* value) {
  if (const char* set = std::getenv(name); !set || !*set) ::_putenv_s(name, value);
}

// A console shows single bytes in its own code page; only one set to UTF-8
// gets UTF-8. Redirected output keeps the file's bytes.
bool TerminalIsUtf8() {
  static const bool utf8 = [] {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_OUTPUT_HANDLE), &mode) && ::GetConsoleOutputCP() == CP_UTF8;
  }();
  return utf8;
}

// No FIFOs here: nothing to wait for but time.
void WaitForDescriptor(int /*fd*/, bool /*forWrite*/, int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

FileIdentity SystemFileIdentity(const std::string& path) {
  FileIdentity id;
  const HANDLE file =
      ::CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return id;
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileInformationByHandle(file, &info)) {
    id.exists = true;
    id.regular = ::GetFileType(file) == FILE_TYPE_DISK && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    id.device = info.dwVolumeSerialNumber;
    id.inode = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  }
  ::CloseHandle(file);
  return id;
}

namespace {

volatile LONG gInterrupts = 0;

BOOL WINAPI NoteInterrupt(DWORD event) {
  if (event != CTRL_C_EVENT) return FALSE;
  ::InterlockedIncrement(&gInterrupts);
  return TRUE;
}

}  // namespace

void WatchInterrupts() { ::SetConsoleCtrlHandler(NoteInterrupt, TRUE); }

int InterruptCount() { return static_cast<int>(gInterrupts); }

// A console's Ctrl+C reaches a whole process group only; the children are
// not asked one by one here.
bool InterruptProcess(std::int64_t) { return false; }

void DetachFromTerminalInterrupt(QProcess& process) {
  process.setCreateProcessArgumentsModifier(
      [](QProcess::CreateProcessArguments* args) { args->flags |= CREATE_NEW_PROCESS_GROUP; });
}

}  // namespace zem
