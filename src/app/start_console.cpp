#include "app/start_console.h"

namespace zem {

TextOutput ChooseTextOutput(OutputKind out, bool consoleWindow) {
  switch (out) {
    case OutputKind::File:
    case OutputKind::Pipe:
    case OutputKind::Device:
      return TextOutput::Program;
    case OutputKind::Console:
      return consoleWindow ? TextOutput::Qt : TextOutput::Program;
    case OutputKind::None:
      break;
  }
  return TextOutput::Qt;
}

}  // namespace zem
