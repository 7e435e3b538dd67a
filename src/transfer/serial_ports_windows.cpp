#include "transfer/reserved_names.h"
#include "transfer/serial_ports.h"

namespace zem {

int PortChooserOrder(const std::string& name) {
  const int number = ChooserComPortNumber(name);
  return number > 0 ? number : -1;
}

// Windows opens a port for one program at a time: a port it refuses is
// almost always held by another one (a terminal program, a second copy).
std::string PortOpenFailureText(const std::string& device, QSerialPort::SerialPortError error,
                                const std::string& reason) {
  if (error == QSerialPort::PermissionError) return device + " is in use by another program";
  return "Cannot open serial port " + device + ": " + reason;
}

// Windows answers "access denied" for a port another program holds, and
// keeps no lock file to tell more.
PortRefusal WhyPortRefused(const std::string& /*device*/, QSerialPort::SerialPortError error,
                           std::string* detail) {
  switch (error) {
    case QSerialPort::DeviceNotFoundError:
      return PortRefusal::NoSuchPort;
    case QSerialPort::PermissionError:
    case QSerialPort::OpenError:
      *detail = "Windows answered \"access denied\".";
      return PortRefusal::InUse;
    default:
      return PortRefusal::Other;
  }
}

}  // namespace zem
