// The settings file on Windows: an INI file in the user's own application
// data folder (%LOCALAPPDATA%\zem-config), never the registry.
#include <windows.h>

#include "app/settings_file_check.h"
#include "transfer/reserved_names.h"

namespace zem {

// Nothing at `path`, or a plain file on a disk with one hard link. A link
// (a reparse point) or a device name is not used: the settings are written
// only to a file that is the user's own plain file, as on Linux. Who may
// write it is the folder's permissions' business: the user's profile.
bool IsAbsentOrOwnFile(const QString& path) {
  if (IsReservedDeviceName(path.toStdString())) return false;
  const std::wstring name = path.toStdWString();
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data)) {
    const DWORD code = ::GetLastError();
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
  }
  if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) return false;
  const HANDLE file = ::CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool plain = ::GetFileType(file) == FILE_TYPE_DISK && ::GetFileInformationByHandle(file, &info) &&
                     info.nNumberOfLinks == 1;
  ::CloseHandle(file);
  return plain;
}

// The read-only attribute, as Explorer's Properties sets it. A file the
// folder's permissions keep from this user fails where it is written.
bool IsWriteProtected(const QString& path) {
  const DWORD attributes = ::GetFileAttributesW(path.toStdWString().c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

}  // namespace zem
