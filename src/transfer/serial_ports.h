#pragma once

#include <QSerialPort>
#include <string>

namespace zem {

// How the port chooser orders the system's port `name`: the order key, or
// -1 for a port it does not list. On Windows only COM1 to COM50, by number;
// elsewhere every port, in the system's order (0). One file per system.
int PortChooserOrder(const std::string& name);

// The error box's text when `device` cannot be opened for `error`.
std::string PortOpenFailureText(const std::string& device, QSerialPort::SerialPortError error,
                                const std::string& reason);

// Why `device` could not be opened with `error`, as the connection check
// tells it; `detail` gets what tells it apart (the lock file and its holder).
enum class PortRefusal { NoSuchPort, InUse, NoPermission, Other };
PortRefusal WhyPortRefused(const std::string& device, QSerialPort::SerialPortError error,
                           std::string* detail);

}  // namespace zem
