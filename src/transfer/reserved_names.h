#pragma once

#include <string_view>

namespace zem {

// Whether `path` names one of Windows' devices rather than a file: a last
// component that is CON, PRN, AUX, NUL, COM1 to COM9 or LPT1 to LPT9 in any
// case, with or without an extension ("nul.txt", "C:\\out\\CON"), or a path
// in the device namespace ("\\\\.\\COM12"). Windows opens the device for
// such a name in any folder, so it is written in place, never replaced.
bool IsReservedDeviceName(std::string_view path);

// The number of a Windows serial port the port chooser lists, "COM1" to
// "COM50" (any case); 0 for any other name.
int ChooserComPortNumber(std::string_view name);

}  // namespace zem
