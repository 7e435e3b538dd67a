#include <unistd.h>

#include <QFileInfo>
#include <QLockFile>

#include "transfer/serial_ports.h"

namespace zem {

namespace {

// Where Qt's serial port keeps its lock files: the first of these folders
// it may write to, each port's "LCK.." and its name under /dev with "/" as "_".
std::string LockFileOf(const std::string& device) {
  const char* const folders[] = {"/var/lock",       "/etc/locks", "/var/spool/locks",
                                 "/var/spool/uucp", "/tmp",       "/run/lock"};
  std::string name = device.rfind("/dev/", 0) == 0 ? device.substr(5) : device;
  for (char& c : name)
    if (c == '/') c = '_';
  for (const char* folder : folders) {
    const QFileInfo info(QString::fromLatin1(folder));
    if (info.isDir() && info.isWritable()) return std::string(folder) + "/LCK.." + name;
  }
  return {};
}

}  // namespace

int PortChooserOrder(const std::string& /*name*/) { return 0; }

std::string PortOpenFailureText(const std::string& device, QSerialPort::SerialPortError /*error*/,
                                const std::string& reason) {
  return "Cannot open serial port " + device + ": " + reason;
}

PortRefusal WhyPortRefused(const std::string& device, QSerialPort::SerialPortError error,
                           std::string* detail) {
  if (error == QSerialPort::DeviceNotFoundError || ::access(device.c_str(), F_OK) != 0)
    return PortRefusal::NoSuchPort;
  if (error != QSerialPort::PermissionError && error != QSerialPort::OpenError) return PortRefusal::Other;
  // A lock file of a living program tells that one holds the port; without
  // one, a device this user may not read and write is a permission refusal,
  // and one it may is held by an exclusive open.
  const std::string lock = LockFileOf(device);
  if (!lock.empty()) {
    QLockFile file(QString::fromLatin1(lock.c_str()));
    qint64 pid = 0;
    QString host, program;
    if (file.getLockInfo(&pid, &host, &program)) {
      *detail = "Lock file " + lock + " held by " +
                (program.isEmpty() ? std::string("a program") : program.toLocal8Bit().toStdString()) +
                " (process " + std::to_string(pid) + ").";
      return PortRefusal::InUse;
    }
  }
  if (::access(device.c_str(), R_OK | W_OK) != 0) {
    *detail = "This user may not read and write " + device + ".";
    return PortRefusal::NoPermission;
  }
  return PortRefusal::InUse;
}

}  // namespace zem
