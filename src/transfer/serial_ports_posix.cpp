#include "transfer/serial_ports.h"

namespace zem {

int PortChooserOrder(const std::string& /*name*/) { return 0; }

std::string PortOpenFailureText(const std::string& device, QSerialPort::SerialPortError /*error*/,
                                const std::string& reason) {
  return "Cannot open serial port " + device + ": " + reason;
}

}  // namespace zem
