// What every transfer job shares: the link's name, the serial port's
// chooser, and the frame and waits of one run.
#include "transfer/transfer_context.h"

#include <QSocketNotifier>
#include <exception>
#include <utility>
#include <vector>

namespace zem {

std::string TransferContext::LinkKey() const {
  if (mode == TransferMode::Telnet && !telnet.Host.empty()) {
    // "host" and "host:23" are one unit.
    std::string host;
    int port = 0;
    TelnetLink::SplitHost(telnet.Host, TelnetLink::kDefaultPort, &host, &port);
    return "telnet " + host + ":" + std::to_string(port);
  }
  if (mode == TransferMode::Serial && !serial.Device().empty()) return "serial " + serial.Device();
  return {};
}

std::string TransferContext::UnitName() const {
  const std::string key = LinkKey();
  const std::size_t blank = key.find(' ');
  return blank == std::string::npos ? std::string() : key.substr(blank + 1);
}

void TransferContext::OpenPortAsking() {
  bool asked = false;
  if (serial.Device().empty()) {
    const std::vector<SerialLink::PortEntry> ports = SerialLink::AvailablePorts();
    std::vector<std::string> entries;
    // The device opened last is offered: its entry when listed, else its path.
    std::string offered = settings.SerialDevice();
    for (const auto& p : ports) {
      entries.push_back(p.text);
      if (!p.device.empty() && p.device == settings.SerialDevice()) offered = p.text;
    }
    std::optional<std::string> choice = prompts.ChoosePort(entries, offered);
    if (!choice || choice->empty()) throw LinkFailure("No serial port selected");
    // A listed port is known by its short name, a typed path as typed.
    std::string device = *choice;
    std::string name = *choice;
    for (const auto& p : ports) {
      if (p.text == *choice) {
        device = p.device;
        name = p.name;
      }
    }
    serial.SetDevice(device, name);
    asked = true;
  }
  serial.OpenPort();
  if (asked) settings.SetSerialDevice(serial.Device());
}

void TransferContext::Pause(int ms) {
  QDeadlineTimer until(ms);
  while (!until.hasExpired()) {
    ThrowIfCancelled();
    wait.Wait(static_cast<int>(std::min<qint64>(until.remainingTime(), 250)));
  }
}

std::string TransferContext::WaitEndText(bool heard) {
  if (deadline.hasExpired()) {
    deadlinePassed = true;
    return "The transfer reached its deadline of " + DurationText(deadlineMs) + ".";
  }
  return std::string(heard ? "No complete line from the unit in " : "No answer from the unit in ") +
         DurationText(waitLimitMs) + ".";
}

FileWaiter TransferContext::FileWaiterFor(const std::string& name) {
  return [this, name, told = false](int fd, bool forWrite) mutable {
    if (!std::exchange(told, true)) editor.status.Set(" Waiting for file: " + name);
    WaitForFile(fd, forWrite);
  };
}

void TransferContext::WaitForFile(int fd, bool forWrite) {
  ThrowIfCancelled();
  if (fd < 0) {
    wait.Wait(50);  // a FIFO's reader comes unannounced: look again soon
  } else {
    QSocketNotifier ready(fd, forWrite ? QSocketNotifier::Write : QSocketNotifier::Read);
    QObject::connect(&ready, &QSocketNotifier::activated, &wait, &EventWait::Wake);
    wait.Wait(250);
  }
  ThrowIfCancelled();
}

namespace {

// Marks a run: busy, the cancel request cleared; off again however the run
// ends.
class BusyScope {
 public:
  explicit BusyScope(TransferContext& c) : c_(c) { Set(true); }
  ~BusyScope() { Set(false); }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  void Set(bool busy) {
    c_.busy = busy;
    c_.cancelRequested = false;
    if (c_.onBusy) c_.onBusy(busy);
  }
  TransferContext& c_;
};

}  // namespace

TransferContext::RunEnd TransferContext::Run(const char* what, const std::function<void()>& body,
                                             const std::function<void(const RunEnd&)>& ended) {
  deadline = QDeadlineTimer(deadlineMs);
  deadlinePassed = false;
  portLost = false;
  RunEnd end;
  BusyScope scope(*this);
  try {
    body();
  } catch (const TransferCancelled&) {
    end.cancelled = true;
  } catch (const std::exception& e) {
    end.failure = e.what();
  }
  if (end.cancelled || end.failure) {
    if (telnet.IsConnected()) telnet.Disconnect();
    telnet.ClearInput();
    if (end.cancelled) editor.messageLog.AppendLine(std::string(what) + " cancelled.");
  }
  ended(end);
  return end;
}

}  // namespace zem
