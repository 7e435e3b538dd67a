#pragma once

namespace zem {

// Who writes the text of --help and --version, and of a mistyped option.
enum class TextOutput {
  Qt,       // Qt: to the terminal or console, or in a message box with neither
  Program,  // the program, to its standard output and error as they are
};

// What the standard output of a window program started on Windows is.
enum class OutputKind {
  None,     // no handle: started from the desktop, or from a console it has not joined
  File,     // redirected to a file
  Pipe,     // redirected to a pipe
  Console,  // a console handle
  Device,   // another character device, such as NUL
};

// Output the user redirected is written there, a console the program has a
// window for is Qt's (it writes there), and with no handle Qt shows a box
// (after UseStartingConsole has joined the console it was started from, if
// any). Qt 6.4 shows a box for the others, as it sees no console window.
TextOutput ChooseTextOutput(OutputKind out, bool consoleWindow);

// Lets --help and --version be read where the program was started from. On
// Windows the window program has no console of its own: it joins the console
// it was started from; with none Qt shows the text in a box.
TextOutput UseStartingConsole();

}  // namespace zem
