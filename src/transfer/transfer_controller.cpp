// The controller's set-up, the connection modes, the links and what every
// run shares: its start and end, cancelling and the waits. The import run is
// in transfer_controller_import.cpp, the export run in
// transfer_controller_export.cpp, what arrives on the serial port in
// transfer_controller_receiving.cpp.
#include "transfer/transfer_controller.h"

#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <algorithm>
#include <exception>
#include <utility>

#include "transfer/unit_backups.h"

namespace zem {

TransferController::TransferController(Editor& editor, Prompts& prompts, QObject* parent)
    : QObject(parent), editor_(editor), prompts_(prompts), backupRoot_(unit_backups::DefaultRoot()) {
  replyWatchdog_.setSingleShot(true);
  replyWatchdog_.setInterval(30000);
  connect(&replyWatchdog_, &QTimer::timeout, &wait_, &EventWait::Wake);
  connect(&serial_, &SerialLink::ReceiveEvent, this, &TransferController::OnSerialReceive);
  connect(&serial_, &SerialLink::PortLost, this, [this] {
    run_.portLost = true;
    // Whatever is on the port when it comes back may be another unit.
    editor_.unitBaseline.Forget();
    wait_.Wake();
    // A run reports the loss itself; an idle window says so at once.
    if (busy_) return;
    const std::string text = "The serial port " + serial_.Device() + " was lost.";
    editor_.messageLog.AppendLine(text);
    editor_.status.Set(" " + text);
  });
  connect(&telnet_, &TelnetLink::LinkStatus, this,
          [this](const std::string& text) { editor_.messageLog.AppendLine(text); });
  telnet_.SetCancelCheck([this] { return cancelRequested_; });
  liveIdleCheck_.setInterval(250);
  connect(&liveIdleCheck_, &QTimer::timeout, this, &TransferController::CheckLiveIdle);
}

TransferController::~TransferController() = default;

void TransferController::SetMode(Mode mode) {
  mode_ = mode;
  emit ModeChanged();
}

void TransferController::ThrowIfCancelled() const {
  if (cancelRequested_) throw TransferCancelled{};
}

void TransferController::Pause(int ms) {
  QDeadlineTimer deadline(ms);
  while (!deadline.hasExpired()) {
    ThrowIfCancelled();
    wait_.Wait(static_cast<int>(std::min<qint64>(deadline.remainingTime(), 250)));
  }
}

std::string TransferController::WaitEndText(bool heard) {
  if (run_.deadline.hasExpired()) {
    run_.deadlinePassed = true;
    return "The transfer reached its deadline of " + DurationText(deadlineMs_) + ".";
  }
  return std::string(heard ? "No complete line from the unit in " : "No answer from the unit in ") +
         DurationText(waitLimitMs_) + ".";
}

FileWaiter TransferController::FileWaiterFor(const std::string& name) {
  return [this, name, told = false](int fd, bool forWrite) mutable {
    if (!std::exchange(told, true)) editor_.status.Set(" Waiting for file: " + name);
    WaitForFile(fd, forWrite);
  };
}

void TransferController::WaitForFile(int fd, bool forWrite) {
  ThrowIfCancelled();
  if (fd < 0) {
    wait_.Wait(50);  // a FIFO's reader comes unannounced: look again soon
  } else {
    QSocketNotifier ready(fd, forWrite ? QSocketNotifier::Write : QSocketNotifier::Read);
    connect(&ready, &QSocketNotifier::activated, &wait_, &EventWait::Wake);
    wait_.Wait(250);
  }
  ThrowIfCancelled();
}

// Marks a run: Busy() on, the cancel request cleared; off again however the
// run ends.
class TransferController::BusyScope {
 public:
  explicit BusyScope(TransferController& c) : c_(c) {
    c_.busy_ = true;
    c_.cancelRequested_ = false;
    emit c_.BusyChanged(true);
  }
  ~BusyScope() {
    c_.busy_ = false;
    c_.cancelRequested_ = false;
    emit c_.BusyChanged(false);
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  TransferController& c_;
};

void TransferController::EndRun(const char* what, const std::string* failure, bool cancelled) {
  if (telnet_.IsConnected()) telnet_.Disconnect();
  telnet_.ClearInput();
  if (cancelled) {
    run_.outcome = Outcome::Cancelled;
    editor_.messageLog.AppendLine(std::string(what) + " cancelled.");
    // An export to the unit says how far it got.
    editor_.status.Set(run_.sentOver ? CancelledExportEnding() : " " + std::string(what) + " cancelled");
  } else if (failure) {
    run_.outcome = Outcome::Failed;
    run_.failure = *failure;
  }
}

// One import or export: busy while it runs; a cancel or a failure ends it
// and is logged. The failure's text is returned for the error box, which the
// caller shows once the run is over.
std::optional<std::string> TransferController::RunTransfer(const char* what,
                                                           void (TransferController::*run)()) {
  run_ = RunState{};
  run_.deadline = QDeadlineTimer(deadlineMs_);
  std::optional<std::string> failure;
  BusyScope scope(*this);
  try {
    (this->*run)();
  } catch (const TransferCancelled&) {
    EndRun(what, nullptr, true);
  } catch (const std::exception& e) {
    failure = e.what();
    EndRun(what, &*failure, false);
  }
  // Bytes that come after the run answer nothing of it, and what it took
  // counts no more against the limit on received text.
  run_.serialImport = false;
  run_.countErrorReplies = false;
  run_.receivedBytes = 0;
  return failure;
}

void TransferController::ChooseFileMode() {
  if (busy_) return;
  editor_.ClearTexts();
  SetMode(Mode::File);
  serial_.ClosePort();
  editor_.unitBaseline.Forget();
}

void TransferController::ChooseSerialMode() {
  if (busy_) return;
  editor_.ClearTexts();
  editor_.messageLog.AppendLine("Please make sure the ZEM is set to 9600 bps.");
  SetMode(Mode::Serial);
  serial_.SetDevice(std::string());  // none chosen: opening asks
  serial_.ClosePort();
  try {
    OpenPortAsking();
    serial_.FlushPort();
  } catch (const std::exception& e) {
    prompts_.ShowError(e.what());
  }
  editor_.unitBaseline.Forget();
}

void TransferController::ChooseTelnetMode() {
  if (busy_) return;
  editor_.ClearTexts();
  serial_.ClosePort();
  SetMode(Mode::Telnet);
  std::optional<std::string> host =
      prompts_.HostPrompt("Enter the address for the ZEM4100", "Hostname or IP Address: ", telnet_.Host);
  if (host && !host->empty()) {
    telnet_.Host = *host;
    settings_.SetTelnetHost(*host);
    editor_.messageLog.AppendLine("Using host: " + *host);
  } else {
    SetMode(Mode::None);
    editor_.messageLog.AppendLine("No host entered.  Telnet disabled.");
    editor_.status.Set(kChooseModeStatus);
  }
  // A new connection is a new unit: one restarted or replaced may answer at the same address.
  editor_.unitBaseline.Forget();
}

std::string TransferController::LinkKey() const {
  if (mode_ == Mode::Telnet && !telnet_.Host.empty()) {
    // "host" and "host:23" are one unit.
    std::string host;
    int port = 0;
    TelnetLink::SplitHost(telnet_.Host, TelnetLink::kDefaultPort, &host, &port);
    return "telnet " + host + ":" + std::to_string(port);
  }
  if (mode_ == Mode::Serial && !serial_.Device().empty()) return "serial " + serial_.Device();
  return {};
}

void TransferController::UseSettingsStore(SettingsStore* store) {
  settings_.Attach(store);
  telnet_.Host = settings_.TelnetHost();
}

void TransferController::OpenPortAsking() {
  bool asked = false;
  if (serial_.Device().empty()) {
    const std::vector<SerialLink::PortEntry> ports = SerialLink::AvailablePorts();
    std::vector<std::string> entries;
    // The device opened last is offered: its entry when listed, else its path.
    std::string offered = settings_.SerialDevice();
    for (const auto& p : ports) {
      entries.push_back(p.text);
      if (!p.device.empty() && p.device == settings_.SerialDevice()) offered = p.text;
    }
    std::optional<std::string> choice = prompts_.ChoosePort(entries, offered);
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
    serial_.SetDevice(device, name);
    asked = true;
  }
  serial_.OpenPort();
  if (asked) settings_.SetSerialDevice(serial_.Device());
}

void TransferController::Cancel() {
  if (!busy_) return;
  cancelRequested_ = true;
  wait_.Wake();
  telnet_.WakeWaiter();
}

void TransferController::WindowClosing() {
  Cancel();
  if (telnet_.IsConnected()) telnet_.Disconnect();
}

}  // namespace zem
