#pragma once

#include <QObject>
#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "editor/editor.h"
#include "editor/user_settings.h"
#include "transfer/export_run.h"
#include "transfer/import_run.h"
#include "transfer/link_check.h"
#include "transfer/live_session.h"
#include "transfer/prompts.h"
#include "transfer/transfer_context.h"
#include "transfer/unit_checks.h"

namespace zem {

// The File menu's commands: a front over the connection mode, the links to
// the unit, the prompts and the settings, which hands each command to its
// job: ImportRun, ExportRun, LiveSession, UnitChecks. The window and zemctl
// drive the same object.
//
// A run waits in the event loop, so the window stays live; while it runs
// Busy() is true, Import and Export and the mode items do nothing (runs
// never nest and a mode never changes under a run), and Cancel() ends it.
class TransferController : public QObject {
  Q_OBJECT

 public:
  using Mode = TransferMode;
  // How the last import or export ended.
  using Outcome = TransferOutcome;

  TransferController(Editor& editor, Prompts& prompts, QObject* parent = nullptr);
  ~TransferController() override;

  // The checked radio item of the File menu (None after a cancelled host prompt).
  Mode CheckedMode() const { return ctx_.mode; }

  // Each choice of a mode forgets what the unit was known to hold.
  void ChooseFileMode();
  void ChooseSerialMode();
  void ChooseTelnetMode();
  // Telnet Mode with `address` as its host, or Serial Mode on the device
  // `address`, as those items do but with the answer known (a site's unit):
  // no prompt is shown. A port that cannot be opened is shown as an error.
  void ChooseUnitLink(bool serial, const std::string& address);
  void ImportConfiguration();
  // To the unit, with the unit checks on: backed up first and verified
  // after, as Settings() ask (ExportChanges too).
  void ExportConfiguration();
  // File > Import of `path` without the open dialog (a file named on the
  // command line, dropped on the window or chosen from Open Recent); in
  // File Mode only.
  void ImportConfigurationFrom(const std::string& path);
  // The host, serial device and files imported or exported, remembered from
  // here on in `store` (read now; nullptr: for this run only). A remembered
  // host or device is only offered in the prompts, never connected to.
  void UseSettingsStore(SettingsStore* store);
  UserSettings& Settings() { return ctx_.settings; }
  // File > Export Changes: sends only the lines that bring the unit from
  // what it is known to hold (editor's unitBaseline) to the configuration
  // now, as an export to the unit sends its lines. Says why when it cannot.
  void ExportChanges();
  // Whether Export Changes can run now (the configuration against what the
  // unit on the current link holds); `lines`: how many it would send.
  ChangesState ExportChangesState(std::size_t* lines = nullptr) const;
  // Why Export Changes cannot run (no leading blank); empty when it can.
  static std::string ChangesStateText(ChangesState state);
  // The current link as the baseline knows it: mode plus host:port, or the
  // serial device; empty in File Mode or with no host or device yet.
  std::string LinkKey() const;
  // An export to the unit that sends `lines` (command lines of the
  // configuration's export, such as BuildChangedCommands gives) instead of
  // the whole sequence: the same read-back check of the whole export first,
  // the same run, waits, replies, cancel, "(ERROR)" count, outcome and
  // status texts, and MarkExported once every line was answered without
  // "(ERROR)". The message log shows the lines sent. Over a link only: in
  // File Mode, or with no command line to send, nothing runs. Once the unit
  // took them all, it is known to hold the configuration.
  void ExportLines(std::vector<std::string> lines);

  // Reads the unit on the current link into `into` (a configuration of its
  // own: the editor's configuration, texts and unsaved mark stay as they
  // are) as an import would read it, the status line showing `status`
  // meanwhile; Serial and Telnet Mode only (else Outcome::None). The link's
  // messages and how the read ended go to the message log. Completed only
  // for a whole configuration; why not is in ReadProblem().
  Outcome ReadUnit(Editor& into, const std::string& status);
  const std::string& ReadProblem() const { return checks_.ReadProblem(); }
  // The unit checks on the current link: the backup's read and the
  // read-back that verifies an export, as zemctl runs them too.
  UnitChecks& Checks() { return checks_; }
  // The unit on the current link as the user knows it: "192.168.1.50:23",
  // "/dev/ttyUSB0"; empty in File Mode.
  std::string UnitName() const;
  // What the configuration was last imported from or exported to: the
  // file's base name in File Mode, else the unit's name; empty before.
  const std::string& DocumentName() const { return ctx_.documentName; }

  // The checks around the window's export to the unit (zemctl runs their
  // reads through Checks() itself): Back Up Before Export and Verify After
  // Export, as remembered in Settings(). Off until switched on.
  void UseUnitChecks(bool on) { checks_.UseUnitChecks(on); }
  // Verify After Export for the current link (Serial or Telnet Mode).
  bool VerifyAfterExport() const { return checks_.VerifyAfterExport(); }
  void SetVerifyAfterExport(bool on) { checks_.SetVerifyAfterExport(on); }
  // Where the backups go: <root>/<unit>/; unit_backups::DefaultRoot() at first.
  void SetBackupRoot(std::string root) { checks_.SetBackupRoot(std::move(root)); }
  // The file the last backup went to; empty when none was written.
  const std::string& LastBackup() const { return checks_.LastBackup(); }

  // File > Check Connection...: a short probe of the current link (Serial
  // or Telnet Mode) ending in one verdict and its advice; `full` reads the
  // unit's whole answer for its counts. Nothing runs while a transfer runs
  // or Live is on (then the result's verdict is Failed with why). `onStep`
  // hears each step as it runs; each also goes to the message log.
  LinkCheckResult CheckConnection(bool full, const std::function<void(const LinkCheckStep&)>& onStep = {});
  // Why Check Connection cannot run now (no leading blank); empty when it can.
  std::string CheckRefusal() const;
  // The last check's result; its verdict is Failed with no steps before any.
  const LinkCheckResult& LastCheck() const { return check_.Last(); }
  LinkCheck& Check() { return check_; }
  // Whether the last import or export over a link failed or heard nothing,
  // and no check ran since: the window points to the check then.
  bool LinkTrouble() const { return linkTrouble_; }
  // What passed on the links (the support file's traffic); `record` makes
  // the links record into another one (nullptr: this controller's own).
  TrafficRecord& Traffic() { return *ctx_.traffic; }
  void RecordTrafficTo(TrafficRecord* record) { ctx_.RecordTo(record ? record : &ctx_.ownTraffic); }
  // File > Save Support File...: the program (`program`: name and version),
  // the platform, the mode and link settings, the last check's steps and
  // the traffic, as one plain text.
  std::string SupportFileText(const std::string& program) const;

  // File > Live, held by LiveSession.
  // Why Live cannot start now (no leading blank); empty when it can.
  std::string LiveRefusal() const;
  // Sends what the unit lacks as ExportChanges does, then holds the link.
  bool StartLive();
  // The configuration changed: its change lines are queued and sent.
  void LiveEdit() { live_.Edit(); }
  // Sends what waits, then "[EC]", then closes the connection; while a line
  // is in flight, once it is answered.
  void StopLive() { live_.Stop(); }
  bool LiveOn() const { return live_.On(); }
  // Lines queued or in flight; 0 with Live on: the unit holds the configuration.
  std::size_t LiveWaiting() const { return live_.Waiting(); }
  // Live's reply limits: 30 s on serial, 10 s over Telnet.
  void SetLiveReplyLimitsMs(int serial, int telnet) { live_.SetReplyLimitsMs(serial, telnet); }

  // Whether an import or export is under way (Import and Export are refused
  // then), or Live is sending.
  bool Busy() const { return ctx_.busy || live_.InFlight(); }
  // Ends the running transfer cleanly (Escape, the status line's Cancel).
  void Cancel();
  // An export to the unit asks `stop` before sending each line; once it
  // says so the export ends there, the line in flight answered, as a
  // cancelled one ("Export cancelled after command K of M"). Empty: never.
  void SetStopBetweenLines(std::function<bool()> stop) { ctx_.stopBetweenLines = std::move(stop); }
  // The window closes: a running transfer is cancelled and an open Telnet
  // connection is closed.
  void WindowClosing();

  // Limits, changeable for tests and tools.
  void SetReplyLimitMs(int ms) { export_.SetReplyLimitMs(ms); }              // serial export reply: 30 s
  void SetSerialInactivityMs(int ms) { import_.SetSerialInactivityMs(ms); }  // serial import silence: 4 s
  // Received text: 64 MiB.
  void SetCollectLimitBytes(std::size_t bytes) { import_.SetCollectLimitBytes(bytes); }
  // Received lines: a million, far beyond any unit, so that a stream of
  // bare line ends cannot fill memory with empty lines under the byte cap.
  void SetCollectLimitLines(std::size_t lines) { import_.SetCollectLimitLines(lines); }
  void SetConnectLimitMs(int ms) { ctx_.telnet.SetConnectLimitMs(ms); }  // Telnet connect: 120 s
  // How long a wait for the unit may last (none by default; the user can
  // cancel): an import's from the request or from the last complete command
  // line, however many other bytes come; over Telnet an export's for each
  // reply from the moment its line was sent.
  void SetWaitLimitMs(int ms) { ctx_.waitLimitMs = ms; }
  // How long a whole import or export may last, for a unit that keeps
  // sending without end (none by default). A run that reaches it ends as
  // one whose wait limit ran out.
  void SetDeadlineMs(int ms) { ctx_.deadlineMs = ms; }

  const ReceiveMonitor& Monitor() const { return ctx_.monitor; }
  SerialLink& Serial() { return ctx_.serial; }
  TelnetLink& Telnet() { return ctx_.telnet; }
  // The file last chosen in the import's open dialog.
  const std::string& LastOpenedFile() const { return ctx_.lastOpenedFile; }

  // What the last import or export found; each run starts afresh.
  Outcome LastOutcome() const { return LastExport() ? export_.Last().outcome : import_.Last().outcome; }
  // Whether the last run ended at its deadline.
  bool DeadlinePassed() const {
    return LastExport() ? export_.Last().deadlinePassed : import_.Last().deadlinePassed;
  }
  // Why the last import may be incomplete, as logged at its end.
  const std::vector<std::string>& ImportWarnings() const;
  // Why the last import read nothing (empty unless its outcome was NothingRead).
  const std::string& NothingReadReason() const;
  // The text the error box showed for a Failed run.
  const std::string& LastFailure() const {
    return LastExport() ? export_.Last().failure : import_.Last().failure;
  }
  // Export to the unit: command lines sent, and the last one.
  int LinesSent() const { return LastExport() ? export_.Last().linesSent : 0; }
  const std::string& LastLineSent() const;
  // Export to the unit: how many commands the unit answered "(ERROR)".
  int ErrorReplies() const { return LastExport() ? export_.Last().errorReplies : 0; }
  // "Refused by the unit: " and the first kRefusedShown of them, as the
  // export logs it; empty when the unit refused none.
  std::string RefusedText() const { return LastExport() ? export_.RefusedText() : std::string(); }
  static constexpr std::size_t kRefusedShown = ExportRun::kRefusedShown;

 signals:
  void ModeChanged();
  void BusyChanged(bool busy);
  // Live went on or off, or what waits changed.
  void LiveChanged();

 private:
  // After a cancelled host prompt no mode is checked: Import and Export are
  // greyed until one is chosen.
  static constexpr char kChooseModeStatus[] =
      " No mode chosen: choose File, Serial or Telnet Mode in the File menu";

  void SetMode(Mode mode);
  // Whether the last run was an export (else an import, or none).
  bool LastExport() const { return ctx_.lastJob == TransferContext::Job::Export; }
  // Not while a run is under way or with no configuration; with no mode
  // chosen the status line says so.
  bool ExportMayStart();
  // An export, then Verify After Export if asked.
  void RunExport(ExportRun::What what, std::vector<std::string> lines = {});

  TransferContext ctx_;
  ImportRun import_{ctx_};
  ExportRun export_{ctx_};
  UnitChecks checks_{ctx_, import_};
  LiveSession live_{ctx_};
  LinkCheck check_{ctx_};
  bool linkTrouble_ = false;
  void NoteLinkTrouble();
};

}  // namespace zem
