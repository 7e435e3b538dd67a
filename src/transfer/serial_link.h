#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <string>
#include <vector>

#include "transfer/traffic_record.h"

namespace zem {

// The serial port to the unit: 9600 bps, 8N1, no flow control, DTR off and
// RTS on while open. Failures throw LinkFailure with the text for the error
// box. The port chooser is the caller's business (it needs the dialogs).
class SerialLink : public QObject {
  Q_OBJECT

 public:
  explicit SerialLink(QObject* parent = nullptr);
  ~SerialLink() override;

  // The entries of the port chooser ("ttyUSB0 - FT232R USB UART") and the
  // device each one stands for.
  struct PortEntry {
    std::string text;    // as the chooser lists it
    std::string device;  // what to open
    std::string name;    // the port's short name
  };
  static std::vector<PortEntry> AvailablePorts();

  // The device to open; empty means none is chosen, so opening must ask.
  const std::string& Device() const { return device_; }
  // `name` is how the status line shows the port (the device by default).
  void SetDevice(std::string device, std::string name = std::string());
  const std::string& PortName() const { return name_; }

  // Opens Device() with the fixed settings. Throws LinkFailure.
  void OpenPort();
  void ClosePort();
  bool IsPortOpen() const { return port_.isOpen(); }
  // Discards received bytes not yet read, then bytes not yet sent.
  void FlushPort();
  // Sends the bytes exactly as given; the port must be open.
  void SendText(const std::string& text);

  // The received bytes not yet taken, without taking them.
  QByteArray Peek() { return port_.peek(port_.bytesAvailable()); }
  // Takes `count` received bytes.
  void Consume(qint64 count);
  // Where what is sent and received is recorded (none: nullptr).
  void SetTrafficRecord(TrafficRecord* record) { record_ = record; }
  // The error of the last failed OpenPort, for telling why it failed.
  QSerialPort::SerialPortError LastOpenError() const { return lastOpenError_; }
  qint64 BytesWaiting() const { return port_.bytesAvailable(); }

 signals:
  // Bytes arrived and wait to be read (the receive event).
  void ReceiveEvent();
  // The far side went away and the port was closed.
  void PortLost();

 private:
  void OnError(QSerialPort::SerialPortError error);

  QSerialPort port_;
  std::string device_;
  std::string name_;
  TrafficRecord* record_ = nullptr;
  QSerialPort::SerialPortError lastOpenError_ = QSerialPort::NoError;
};

}  // namespace zem
