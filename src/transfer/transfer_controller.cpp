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
  connect(&ctx_.serial, &SerialLink::ReceiveEvent, this, [this] { import_.OnSerialReceive(); });
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
  connect(&ctx_.telnet, &TelnetLink::LinkStatus, this,
          [this](const std::string& text) { ctx_.editor.messageLog.AppendLine(text); });
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
  if (export_.Run(what, std::move(lines), checks_.LastBackup(), [this] { return checks_.VerifyWanted(); }))
    checks_.VerifyExport(*export_.Last().exportedUnit);
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

}  // namespace zem
