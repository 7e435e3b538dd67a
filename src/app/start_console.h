#pragma once

namespace zem {

// Lets --help and --version be read where the program was started from. On
// Windows the window program has no console of its own: it writes to the
// console it was started from, and with none Qt shows the text in a box.
void UseStartingConsole();

}  // namespace zem
