// The front of the transfer jobs: the connection modes, the settings, and
// each File menu command handed to its job. An export reads top-down from
// here to export_run.cpp, an import to import_run.cpp; Live is
// live_session.cpp, the backup, the read-back and reading the unit apart
// unit_checks.cpp.
#include "transfer/transfer_controller.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace zem {

TransferController::TransferController(Editor& editor, Prompts& prompts, QObject* parent)
    : QObject(parent), ctx_(editor, prompts) {
  ctx_.onBusy = [this](bool busy) { emit BusyChanged(busy); };
  connect(&ctx_.serial, &SerialLink::ReceiveEvent, this, [this] {
    if (check_.TakesSerialBytes()) {
      check_.OnSerialReceive();
    } else {
      import_.OnSerialReceive();
    }
  });
  connect(&ctx_.serial, &SerialLink::PortLost, this, [this] {
    ctx_.portLost = true;
    // Whatever is on the port when it comes back may be another unit.
    ctx_.editor.unitBaseline.Forget();
    ctx_.wait.Wake();
    // A run reports the loss itself; an idle window says so at once.
    if (ctx_.busy) return;
    const std::string text = "The serial port " + ctx_.serial.Device() + " was lost.";
    ctx_.editor.messageLog.AppendLine(text);
    ctx_.editor.status.Set(" " + text);
  });
  connect(&ctx_.telnet, &TelnetLink::LinkStatus, this, [this](const std::string& text) {
    ctx_.editor.messageLog.AppendLine(text);
    ctx_.traffic->Note(text);
  });
  ctx_.telnet.SetCancelCheck([this] { return ctx_.cancelRequested; });
  connect(&live_, &LiveSession::Changed, this, &TransferController::LiveChanged);
}

TransferController::~TransferController() = default;

void TransferController::SetMode(Mode mode) {
  ctx_.mode = mode;
  emit ModeChanged();
}

void TransferController::ChooseFileMode() {
  if (ctx_.busy) return;
  ctx_.editor.ClearTexts();
  SetMode(Mode::File);
  ctx_.serial.ClosePort();
  ctx_.editor.unitBaseline.Forget();
}

void TransferController::ChooseSerialMode() {
  if (ctx_.busy) return;
  ctx_.editor.ClearTexts();
  ctx_.editor.messageLog.AppendLine("Please make sure the ZEM is set to 9600 bps.");
  SetMode(Mode::Serial);
  ctx_.serial.SetDevice(std::string());  // none chosen: opening asks
  ctx_.serial.ClosePort();
  try {
    ctx_.OpenPortAsking();
    ctx_.serial.FlushPort();
  } catch (const std::exception& e) {
    ctx_.prompts.ShowError(e.what());
  }
  ctx_.editor.unitBaseline.Forget();
}

void TransferController::ChooseTelnetMode() {
  if (ctx_.busy) return;
  ctx_.editor.ClearTexts();
  ctx_.serial.ClosePort();
  SetMode(Mode::Telnet);
  std::optional<std::string> host = ctx_.prompts.HostPrompt("Enter the address for the ZEM4100",
                                                            "Hostname or IP Address: ", ctx_.telnet.Host);
  if (host && !host->empty()) {
    ctx_.telnet.Host = *host;
    ctx_.settings.SetTelnetHost(*host);
    ctx_.editor.messageLog.AppendLine("Using host: " + *host);
  } else {
    SetMode(Mode::None);
    ctx_.editor.messageLog.AppendLine("No host entered.  Telnet disabled.");
    ctx_.editor.status.Set(kChooseModeStatus);
  }
  // A new connection is a new unit: one restarted or replaced may answer at the same address.
  ctx_.editor.unitBaseline.Forget();
}

void TransferController::ChooseUnitLink(bool serial, const std::string& address) {
  if (ctx_.busy || address.empty()) return;
  ctx_.editor.ClearTexts();
  ctx_.serial.ClosePort();
  if (serial) {
    ctx_.editor.messageLog.AppendLine("Please make sure the ZEM is set to 9600 bps.");
    SetMode(Mode::Serial);
    ctx_.serial.SetDevice(address);  // named: opening asks nothing
    try {
      ctx_.OpenPortAsking();
      ctx_.serial.FlushPort();
    } catch (const std::exception& e) {
      ctx_.prompts.ShowError(e.what());
    }
  } else {
    SetMode(Mode::Telnet);
    ctx_.telnet.Host = address;
    ctx_.settings.SetTelnetHost(address);
    ctx_.editor.messageLog.AppendLine("Using host: " + address);
  }
  ctx_.editor.unitBaseline.Forget();
}

std::string TransferController::LinkKey() const { return ctx_.LinkKey(); }

std::string TransferController::UnitName() const { return ctx_.UnitName(); }

void TransferController::UseSettingsStore(SettingsStore* store) {
  ctx_.settings.Attach(store);
  ctx_.telnet.Host = ctx_.settings.TelnetHost();
}

void TransferController::ImportConfiguration() {
  if (ctx_.busy) return;
  if (ctx_.mode == Mode::None) {
    ctx_.editor.status.Set(kChooseModeStatus);
    return;
  }
  import_.IntoEditor();
  NoteLinkTrouble();
}

void TransferController::ImportConfigurationFrom(const std::string& path) {
  if (ctx_.busy || ctx_.mode != Mode::File) return;
  import_.GiveFile(path);
  ImportConfiguration();
}

const std::vector<std::string>& TransferController::ImportWarnings() const {
  static const std::vector<std::string> none;
  return LastExport() ? none : import_.Last().importWarnings;
}

const std::string& TransferController::NothingReadReason() const {
  static const std::string none;
  return LastExport() ? none : import_.Last().nothingRead;
}

const std::string& TransferController::LastLineSent() const {
  static const std::string none;
  return LastExport() ? export_.Last().lastLineSent : none;
}

TransferController::Outcome TransferController::ReadUnit(Editor& into, const std::string& status) {
  return checks_.ReadUnit(into, status);
}

void TransferController::ExportLines(std::vector<std::string> lines) {
  if (ctx_.busy || !ctx_.OverLink()) return;
  if (std::none_of(lines.begin(), lines.end(), ExportRun::IsCommandLine)) return;
  if (!ctx_.editor.HasConfiguration()) return;
  RunExport(ExportRun::What::Lines, std::move(lines));
}

bool TransferController::ExportMayStart() {
  if (ctx_.busy || !ctx_.editor.HasConfiguration()) return false;
  if (ctx_.mode == Mode::None) {
    ctx_.editor.status.Set(kChooseModeStatus);
    return false;
  }
  return true;
}

void TransferController::ExportConfiguration() {
  if (ExportMayStart() && checks_.BackUpBeforeSending()) RunExport(ExportRun::What::Whole);
}

void TransferController::ExportChanges() {
  if (!ExportMayStart()) return;
  // Asked again after a backup, which tells what the unit holds now.
  for (const bool backedUp : {false, true}) {
    if (const ChangesState state = ExportChangesState(); state != ChangesState::Ready) {
      ctx_.editor.status.Set(" " + ChangesStateText(state));
      return;
    }
    if (backedUp) break;
    if (!checks_.BackUpBeforeSending()) return;
  }
  RunExport(ExportRun::What::Changes);
}

std::string TransferController::ChangesStateText(ChangesState state) {
  switch (state) {
    case ChangesState::NoBaseline:
      return "What the unit holds is not known: import from it or export the whole configuration first";
    case ChangesState::CountsDiffer:
      return "The source or zone count changed: a full export is needed";
    case ChangesState::NothingChanged:
      return "No changes to export";
    case ChangesState::Ready:
      break;
  }
  return {};
}

ChangesState TransferController::ExportChangesState(std::size_t* lines) const {
  if (lines) *lines = 0;
  if (!ctx_.editor.HasConfiguration() || !ctx_.editor.unitBaseline.For(LinkKey()))
    return ChangesState::NoBaseline;
  return ctx_.editor.unitBaseline.StateFor(LinkKey(), ctx_.editor.model.unit, lines);
}

void TransferController::RunExport(ExportRun::What what, std::vector<std::string> lines) {
  const bool sent =
      export_.Run(what, std::move(lines), checks_.LastBackup(), [this] { return checks_.VerifyWanted(); });
  NoteLinkTrouble();
  if (sent) checks_.VerifyExport(*export_.Last().exportedUnit);
}

void TransferController::NoteLinkTrouble() {
  if (!ctx_.OverLink()) {
    linkTrouble_ = false;
    return;
  }
  const Outcome outcome = LastOutcome();
  linkTrouble_ = outcome == Outcome::Failed || outcome == Outcome::NoReply || outcome == Outcome::NothingRead;
}

std::string TransferController::CheckRefusal() const {
  if (!ctx_.OverLink()) return "Check Connection works in Serial or Telnet Mode";
  if (live_.On()) return "Switch Live off to check the connection";
  if (Busy()) return "A transfer is running";
  return {};
}

LinkCheckResult TransferController::CheckConnection(bool full,
                                                    const std::function<void(const LinkCheckStep&)>& onStep) {
  if (const std::string why = CheckRefusal(); !why.empty()) {
    ctx_.editor.status.Set(" " + why);
    LinkCheckResult refused;
    refused.detail = why;
    return refused;
  }
  ctx_.editor.status.Set(" Checking the connection...");
  ctx_.editor.messageLog.AppendLine("Checking the connection to " + UnitName() + ":");
  bool verdictShown = false;
  const LinkCheckResult& result = check_.Run(full, [&](const LinkCheckStep& step) {
    // The message log is narrow and does not wrap: a long step (the
    // verdict's advice) is broken at blanks into lines of its own.
    constexpr std::size_t kWidth = 48;
    std::string line = "  " + std::to_string(step.ms) + " ms: ";
    const std::string indent(line.size() + 2, ' ');
    std::size_t at = 0;
    while (at < step.text.size()) {
      std::size_t end = step.text.size();
      if (end - at > kWidth) {
        const std::size_t blank = step.text.rfind(' ', at + kWidth);
        end = blank != std::string::npos && blank > at ? blank : at + kWidth;
      }
      ctx_.editor.messageLog.AppendLine(line + step.text.substr(at, end - at));
      line = indent;
      at = end;
      while (at < step.text.size() && step.text[at] == ' ') ++at;
    }
    ctx_.traffic->Note("Check: " + step.text);
    // The verdict shows at once; a unit's answer may take long to drain.
    if (!verdictShown && check_.Last().verdictMs >= 0) {
      verdictShown = true;
      const VerdictText& told = VerdictInfo(check_.Last().verdict);
      ctx_.editor.status.Set(" Check Connection: " + std::string(told.code) + ". " + told.summary +
                             " Reading the rest of the answer...");
    }
    if (onStep) onStep(step);
  });
  const VerdictText& verdict = VerdictInfo(result.verdict);
  ctx_.editor.status.Set(" Check Connection: " + std::string(verdict.code) + ". " + verdict.summary);
  // The check has said why: the unit's field no longer points to it.
  linkTrouble_ = false;
  // Whatever is on the port when it comes back may be another unit.
  if (!UnitAnswered(result.verdict)) ctx_.editor.unitBaseline.Forget();
  import_.ScheduleSerialReceive();
  return result;
}

std::string TransferController::LiveRefusal() const {
  if (!ctx_.OverLink()) return "Live works in Serial or Telnet Mode";
  const ChangesState state = ExportChangesState();
  if (state == ChangesState::NoBaseline || state == ChangesState::CountsDiffer)
    return ChangesStateText(state);
  return {};
}

bool TransferController::StartLive() {
  if (live_.On() || Busy() || !ctx_.editor.HasConfiguration()) return false;
  if (const std::string why = LiveRefusal(); !why.empty()) {
    ctx_.editor.status.Set(" " + why);
    return false;
  }
  if (ExportChangesState() == ChangesState::Ready) {
    ExportChanges();
    // The export said why it did not bring the unit in step.
    if (ExportChangesState() != ChangesState::NothingChanged) return false;
  }
  return live_.Start();
}

void TransferController::Cancel() {
  if (!ctx_.busy) return;
  ctx_.cancelRequested = true;
  ctx_.wait.Wake();
  ctx_.telnet.WakeWaiter();
}

void TransferController::WindowClosing() {
  Cancel();
  if (ctx_.telnet.IsConnected()) ctx_.telnet.Disconnect();
}

std::string TransferController::SupportFileText(const std::string& program) const {
  std::string link;
  switch (ctx_.mode) {
    case Mode::File:
      link = "File Mode";
      break;
    case Mode::Serial:
      link = "Serial Mode, port " +
             (ctx_.serial.Device().empty() ? std::string("(none chosen)") : ctx_.serial.Device()) +
             ", 9600 bps, 8 data bits, no parity, 1 stop bit, no flow control" +
             (ctx_.serial.IsPortOpen() ? ", open" : ", closed");
      break;
    case Mode::Telnet:
      link = "Telnet Mode, host " + ctx_.telnet.Host + " (port " + std::to_string(TelnetLink::kDefaultPort) +
             " unless the host names one)";
      break;
    case Mode::None:
      link = "no mode chosen";
      break;
  }
  return zem::SupportFileText(program, link, check_.Last(), *ctx_.traffic);
}

}  // namespace zem
