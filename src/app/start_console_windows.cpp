#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "app/start_console.h"

namespace zem {

void UseStartingConsole() {
  // Output redirected to a file or a pipe is written there as it is (Qt
  // would show a box, having no console).
  const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if (out != nullptr && out != INVALID_HANDLE_VALUE && ::GetFileType(out) != FILE_TYPE_UNKNOWN) {
    ::_putenv_s("QT_COMMAND_LINE_PARSER_NO_GUI_MESSAGE_BOXES", "1");
    return;
  }
  // With no console to attach to, Qt shows the text in a message box.
  if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return;
  std::FILE* stream = nullptr;
  ::freopen_s(&stream, "CONOUT$", "w", stdout);
  ::freopen_s(&stream, "CONOUT$", "w", stderr);
}

}  // namespace zem
