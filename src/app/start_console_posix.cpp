#include "app/start_console.h"

namespace zem {

// The program has the terminal it was started from, and Qt writes there.
TextOutput UseStartingConsole() { return TextOutput::Qt; }

}  // namespace zem
