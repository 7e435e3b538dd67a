#include "transfer/serial_link.h"

#include <QSerialPortInfo>
#include <algorithm>
#include <utility>

#include "transfer/receive_monitor.h"
#include "transfer/serial_ports.h"

namespace zem {

SerialLink::SerialLink(QObject* parent) : QObject(parent), port_(this) {
  connect(&port_, &QSerialPort::readyRead, this, &SerialLink::ReceiveEvent);
  connect(&port_, &QSerialPort::errorOccurred, this, &SerialLink::OnError);
}

SerialLink::~SerialLink() { ClosePort(); }

std::vector<SerialLink::PortEntry> SerialLink::AvailablePorts() {
  std::vector<std::pair<int, PortEntry>> listed;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    const std::string name = info.portName().toLatin1().toStdString();
    const int order = PortChooserOrder(name);
    if (order < 0) continue;
    std::string text = name;
    if (!info.description().isEmpty()) text += " - " + info.description().toLatin1().toStdString();
    listed.emplace_back(order, PortEntry{text, info.systemLocation().toLatin1().toStdString(), name});
  }
  std::stable_sort(listed.begin(), listed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<PortEntry> entries;
  for (auto& [order, entry] : listed) entries.push_back(std::move(entry));
  return entries;
}

void SerialLink::SetDevice(std::string device, std::string name) {
  device_ = std::move(device);
  name_ = name.empty() ? device_ : std::move(name);
}

void SerialLink::OpenPort() {
  if (port_.isOpen()) return;
  lastOpenError_ = QSerialPort::NoError;
  port_.setPortName(QString::fromLatin1(device_.c_str()));
  port_.setBaudRate(QSerialPort::Baud9600);
  port_.setDataBits(QSerialPort::Data8);
  port_.setParity(QSerialPort::NoParity);
  port_.setStopBits(QSerialPort::OneStop);
  port_.setFlowControl(QSerialPort::NoFlowControl);
  if (!port_.open(QIODevice::ReadWrite)) {
    const std::string reason = port_.errorString().toLatin1().toStdString();
    const QSerialPort::SerialPortError error = port_.error();
    lastOpenError_ = error;
    port_.clearError();
    throw LinkFailure(PortOpenFailureText(device_, error, reason));
  }
  // A pseudo-terminal has no modem lines; that is no reason to give up.
  port_.setDataTerminalReady(false);
  port_.setRequestToSend(true);
  port_.clearError();
  if (record_) record_->Note("Serial port " + device_ + " opened (9600 8N1).");
}

void SerialLink::ClosePort() {
  if (!port_.isOpen()) return;
  port_.close();
  if (record_) record_->Note("Serial port " + device_ + " closed.");
}

void SerialLink::FlushPort() {
  if (!port_.isOpen()) return;
  port_.clear(QSerialPort::Input);
  const QByteArray dropped = port_.readAll();
  if (record_)
    record_->Add(TrafficRecord::Direction::Received, std::string_view(dropped.constData(), dropped.size()));
  port_.clear(QSerialPort::Output);
}

void SerialLink::Consume(qint64 count) {
  if (record_ && count > 0) {
    const QByteArray taken = port_.peek(count);
    record_->Add(TrafficRecord::Direction::Received,
                 std::string_view(taken.constData(), static_cast<std::size_t>(taken.size())));
  }
  port_.skip(count);
}

void SerialLink::SendText(const std::string& text) {
  if (!port_.isOpen()) throw LinkFailure("Serial port " + device_ + " is not open");
  if (record_) record_->Add(TrafficRecord::Direction::Sent, text);
  if (port_.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
    throw LinkFailure("Cannot write to serial port " + device_ + ": " +
                      port_.errorString().toLatin1().toStdString());
}

void SerialLink::OnError(QSerialPort::SerialPortError error) {
  switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
      // The device went away (adapter unplugged, far side of a pty hung
      // up). The port stays "open" and a hung-up one reports a read error
      // on every pass of the event loop, so close it here.
      if (port_.isOpen()) {
        port_.close();
        emit PortLost();
      }
      return;
    default:
      // Modem lines on a pty (UnsupportedOperationError), timeouts: harmless.
      return;
  }
}

}  // namespace zem
