#include <windows.h>

#include <cstdio>

#include "app/start_console.h"

namespace zem {

namespace {

OutputKind StandardOutputKind() {
  const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return OutputKind::None;
  switch (::GetFileType(out)) {
    case FILE_TYPE_DISK:
      return OutputKind::File;
    case FILE_TYPE_PIPE:
      return OutputKind::Pipe;
    case FILE_TYPE_CHAR: {
      DWORD mode = 0;
      return ::GetConsoleMode(out, &mode) ? OutputKind::Console : OutputKind::Device;
    }
    default:
      return OutputKind::None;
  }
}

}  // namespace

TextOutput UseStartingConsole() {
  const OutputKind out = StandardOutputKind();
  const bool joinable = out == OutputKind::None || (out == OutputKind::Console && !::GetConsoleWindow());
  if (joinable && ::AttachConsole(ATTACH_PARENT_PROCESS)) {
    // The console of the command prompt it was started from (a console
    // handle handed in works only there): Qt sees its window now and
    // writes there.
    std::FILE* stream = nullptr;
    ::freopen_s(&stream, "CONOUT$", "w", stdout);
    ::freopen_s(&stream, "CONOUT$", "w", stderr);
  }
  return ChooseTextOutput(out, ::GetConsoleWindow() != nullptr);
}

}  // namespace zem
