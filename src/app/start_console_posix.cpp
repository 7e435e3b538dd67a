#include "app/start_console.h"

namespace zem {

// The program has the terminal it was started from.
void UseStartingConsole() {}

}  // namespace zem
