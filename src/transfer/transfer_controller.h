#pragma once

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/editor.h"
#include "editor/read_back_check.h"
#include "editor/user_settings.h"
#include "transfer/event_wait.h"
#include "transfer/file_io.h"
#include "transfer/live_sender.h"
#include "transfer/prompts.h"
#include "transfer/receive_monitor.h"
#include "transfer/serial_link.h"
#include "transfer/telnet_link.h"

namespace zem {

// The File menu's commands: the connection mode, the links to the unit and
// the import and export runs. The window and zemctl drive the same object.
//
// A run waits in the event loop, so the window stays live; while it runs
// Busy() is true, Import and Export and the mode items do nothing (runs
// never nest and a mode never changes under a run), and Cancel() ends it.
class TransferController : public QObject {
  Q_OBJECT

 public:
  enum class Mode { None, File, Serial, Telnet };

  // How the last import or export ended.
  enum class Outcome {
    None,         // nothing run yet, or nothing to do (no configuration)
    Completed,    // every step done
    Incomplete,   // import: the end marker never came or the text was cut; export: the connection ended early
    NoReply,      // export: a command went unanswered within the limit
    Cancelled,    // the user cancelled
    Failed,       // a failure went to the error box
    NothingRead,  // import: no file, no bytes or no source; the earlier configuration is back
  };

  TransferController(Editor& editor, Prompts& prompts, QObject* parent = nullptr);
  ~TransferController() override;

  // The checked radio item of the File menu (None after a cancelled host prompt).
  Mode CheckedMode() const { return mode_; }

  // Each choice of a mode forgets what the unit was known to hold.
  void ChooseFileMode();
  void ChooseSerialMode();
  void ChooseTelnetMode();
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
  UserSettings& Settings() { return settings_; }
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
  const std::string& ReadProblem() const { return readProblem_; }
  // The unit on the current link as the user knows it: "192.168.1.50:23",
  // "/dev/ttyUSB0"; empty in File Mode.
  std::string UnitName() const;
  // What the configuration was last imported from or exported to: the
  // file's base name in File Mode, else the unit's name; empty before.
  const std::string& DocumentName() const { return documentName_; }

  // The checks around an export to the unit (the window's; zemctl does its
  // own): Back Up Before Export and Verify After Export, as remembered in
  // Settings(). Off until switched on.
  void UseUnitChecks(bool on) { unitChecks_ = on; }
  // Verify After Export for the current link (Serial or Telnet Mode).
  bool VerifyAfterExport() const;
  void SetVerifyAfterExport(bool on);
  // Where the backups go: <root>/<unit>/; unit_backups::DefaultRoot() at first.
  void SetBackupRoot(std::string root) { backupRoot_ = std::move(root); }
  // The file the last backup went to; empty when none was written.
  const std::string& LastBackup() const { return lastBackup_; }

  // File > Live: while on, the link stays open (Telnet: one connection,
  // "[]" first) and every change of what an export writes goes to the unit
  // as its change lines (BuildChangedCommands against what was queued
  // last), one command in flight, only the newest value of each setting
  // waiting. A refusal, a reply past the limit or a lost link ends Live,
  // drops what waits (named in the message log) and forgets the baseline;
  // the configuration stays as edited.
  // Why Live cannot start now (no leading blank); empty when it can.
  std::string LiveRefusal() const;
  // Sends what the unit lacks as ExportChanges does, then holds the link.
  bool StartLive();
  // The configuration changed: its change lines are queued and sent.
  void LiveEdit();
  // Sends what waits, then "[EC]", then closes the connection; while a line
  // is in flight, once it is answered.
  void StopLive();
  bool LiveOn() const { return live_.has_value(); }
  // Lines queued or in flight; 0 with Live on: the unit holds the configuration.
  std::size_t LiveWaiting() const { return live_ ? live_->queue.Size() + (live_->inFlight ? 1 : 0) : 0; }
  // Live's reply limits: 30 s on serial, 10 s over Telnet.
  void SetLiveReplyLimitsMs(int serial, int telnet) {
    liveSerialLimitMs_ = serial;
    liveTelnetLimitMs_ = telnet;
  }

  // Whether an import or export is under way (Import and Export are refused
  // then), or Live is sending.
  bool Busy() const { return busy_ || (live_ && live_->inFlight); }
  // Ends the running transfer cleanly (Escape, the status line's Cancel).
  void Cancel();
  // The window closes: a running transfer is cancelled and an open Telnet
  // connection is closed.
  void WindowClosing();

  // Limits, changeable for tests and tools.
  void SetReplyLimitMs(int ms) { replyWatchdog_.setInterval(ms); }         // serial export reply: 30 s
  void SetSerialInactivityMs(int ms) { serialInactivityMs_ = ms; }         // serial import silence: 4 s
  void SetCollectLimitBytes(std::size_t bytes) { collectLimit_ = bytes; }  // received text: 64 MiB
  // Received lines: a million, far beyond any unit, so that a stream of
  // bare line ends cannot fill memory with empty lines under the byte cap.
  void SetCollectLimitLines(std::size_t lines) { collectLineLimit_ = lines; }
  void SetConnectLimitMs(int ms) { telnet_.SetConnectLimitMs(ms); }  // Telnet connect: 120 s
  // How long a wait for the unit may last (none by default; the user can
  // cancel): an import's from the request or from the last complete command
  // line, however many other bytes come; over Telnet an export's for each
  // reply from the moment its line was sent.
  void SetWaitLimitMs(int ms) { waitLimitMs_ = ms; }
  // How long a whole import or export may last, for a unit that keeps
  // sending without end (none by default). A run that reaches it ends as
  // one whose wait limit ran out.
  void SetDeadlineMs(int ms) { deadlineMs_ = ms; }

  const ReceiveMonitor& Monitor() const { return monitor_; }
  SerialLink& Serial() { return serial_; }
  TelnetLink& Telnet() { return telnet_; }
  // The file last chosen in the import's open dialog.
  const std::string& LastOpenedFile() const { return lastOpenedFile_; }

  // What the last import or export found; each run starts afresh.
  Outcome LastOutcome() const { return run_.outcome; }
  // Whether the last run ended at its deadline.
  bool DeadlinePassed() const { return run_.deadlinePassed; }
  // Why the last import may be incomplete, as logged at its end.
  const std::vector<std::string>& ImportWarnings() const { return run_.importWarnings; }
  // Why the last import read nothing (empty unless its outcome was NothingRead).
  const std::string& NothingReadReason() const { return run_.nothingRead; }
  // The text the error box showed for a Failed run.
  const std::string& LastFailure() const { return run_.failure; }
  // Export to the unit: command lines sent, and the last one.
  int LinesSent() const { return run_.linesSent; }
  const std::string& LastLineSent() const { return run_.lastLineSent; }
  // Export to the unit: how many commands the unit answered "(ERROR)".
  int ErrorReplies() const { return run_.errorReplies; }
  // "Refused by the unit: " and the first kRefusedShown of them, as the
  // export logs it; empty when the unit refused none.
  std::string RefusedText() const;
  static constexpr std::size_t kRefusedShown = 5;

 signals:
  void ModeChanged();
  void BusyChanged(bool busy);
  // Live went on or off, or what waits changed.
  void LiveChanged();

 private:
  class BusyScope;

  // How the unit ended the link under an export.
  enum class LinkBreak { None, Closed, Reset, PortLost };

  // Everything one import or export knows and finds. It starts afresh with
  // each run and stays for the caller to read once the run is over.
  struct RunState {
    Outcome outcome = Outcome::None;
    std::string failure;  // the error box's text of a Failed run
    QDeadlineTimer deadline;
    bool deadlinePassed = false;
    bool portLost = false;  // the serial port went away during the run

    // Import.
    bool serialImport = false;        // the serial receive event feeds the import
    std::size_t receivedBytes = 0;    // every byte the import took, kept or not
    QElapsedTimer sinceLastByte;      // the serial import's silence
    QDeadlineTimer progressDeadline;  // the wait limit from the request or the last command line
    CommandLineWatch lineWatch;
    bool collectLimitHit = false;
    bool lineLimitHit = false;  // the limit reached was the one on lines
    std::vector<std::string> importWarnings;
    std::string nothingRead;  // why the import read nothing, once it knows

    // Export.
    std::size_t commandCount = 0;  // command lines the export sends
    std::vector<std::string> commands;  // and the lines themselves
    int linesSent = 0;
    int commandsAnswered = 0;        // of them, answered by the unit
    const char* sentOver = nullptr;  // "Telnet" or "Serial" once the export goes to the unit
    LinkBreak brokenBy = LinkBreak::None;
    std::string lastLineSent;
    bool countErrorReplies = false;  // bytes received now answer a line sent
    int errorReplyProgress = 0;
    int errorReplies = 0;
    int refusedAt = 0;  // the command whose refusal was counted last
    std::vector<std::string> refusedCommands;
    bool unitReached = false;                       // a command line went (partly) to the unit
    std::optional<UnitConfiguration> exportedUnit;  // the configuration the export sends
    std::vector<std::string> exportWarnings;        // values written as they are, though lost on reading back
  };

  // After a cancelled host prompt no mode is checked: Import and Export are
  // greyed until one is chosen.
  static constexpr char kChooseModeStatus[] =
      " No mode chosen: choose File, Serial or Telnet Mode in the File menu";
  static constexpr char kZemFilter[] = "ZEM files (*.zem)|*.zem|All Files (*.*)|*.*";

  void SetMode(Mode mode);
  void ThrowIfCancelled() const;
  void Pause(int ms);
  void OpenPortAsking();
  // Ends a run that did not complete: the Telnet connection closed, the
  // reason logged or shown.
  std::optional<std::string> RunTransfer(const char* what, void (TransferController::*run)());
  void EndRun(const char* what, const std::string* failure, bool cancelled);
  // The earlier of `until` and the run's deadline.
  QDeadlineTimer Bounded(QDeadlineTimer until) const { return std::min(until, run_.deadline); }
  // Why a wait that ran out ended: the run's deadline or the wait limit
  // (`heard`: bytes came, but no complete line).
  std::string WaitEndText(bool heard);
  // Reading or writing a file that may keep the window waiting (a FIFO):
  // the window stays live and Cancel ends the wait; the status line says
  // what is awaited.
  FileWaiter FileWaiterFor(const std::string& name);
  void WaitForFile(int fd, bool forWrite);

  // transfer_controller_live.cpp
  void PumpLive();
  // Every queued line was answered: the unit holds Live's target.
  void NoteLiveInStep();
  // The status line while many lines go for one edit.
  void ShowLiveProgress();
  // Sends one line and waits for its answer; why Live must stop, if it must.
  std::optional<std::string> SendLiveLine(const std::string& line);
  std::optional<std::string> AwaitTelnetLiveReply(const std::string& line);
  std::optional<std::string> AwaitSerialLiveReply(const std::string& line);
  // Live off; with `fault`, what waits is dropped and the unit not known.
  void EndLive(const std::optional<std::string>& fault);
  void CheckLiveIdle();

  // transfer_controller_receiving.cpp
  void OnSerialReceive();
  void ScheduleSerialReceive();
  bool CollectLimitReached(std::size_t bytes);
  std::string CollectLimitText() const;

  // transfer_controller_unit.cpp
  // The editor a read fills: the side configuration of ReadUnit, else the editor.
  Editor& Target() { return readInto_ ? *readInto_ : editor_; }
  // The status line as an import changes it; a side read keeps its own text.
  void ImportStatus(const std::string& text);
  // Back Up Before Export: true when the export may go on (no backup asked,
  // or one written); false, said why, when nothing may be sent.
  bool BackUpBeforeSending();
  // Verify After Export, after an export to the unit whose every command
  // was answered: the ending on the status line says what the unit holds.
  void VerifyExport();

  // transfer_controller_import.cpp
  void RunImport();
  void ReadReceivedCommandsInSlices();
  void ImportSerial();
  void ImportFile();
  void ImportTelnet();
  // What the unit is known to hold after an import: new or forgotten.
  void NoteUnitAfterImport();

  // transfer_controller_export.cpp
  // Not while a run is under way or with no configuration; with no mode
  // chosen the status line says so.
  bool ExportMayStart();
  // The frame of an export run: the status line, the unsaved mark, the
  // baseline and the error box after it.
  void RunExportFrame(void (TransferController::*run)());
  // The full sequence, built and shown in the message log; throws when a value would
  // read back as something else or (to a unit) is an address the unit cannot
  // use. What would only be lost is kept for AppendExportWarnings.
  std::vector<std::string> PrepareCheckedExport(ExportTarget target);
  // Names in the message log, after the export, each value it wrote though it is lost
  // on reading back (or, to a file, an address a unit cannot use).
  void AppendExportWarnings();
  void RunExport();
  // Export Changes, or ExportLines with linesToSend_.
  void RunExportLines();
  // What the unit is known to hold after an export: new, kept or forgotten.
  void NoteUnitAfterExport();
  // The command lines among `lines`, over the link.
  void SendToUnit(const std::vector<std::string>& lines);
  void ExportFile(const std::vector<std::string>& lines);
  void ExportTelnet(const std::vector<std::string>& commands);
  void ExportSerial(const std::vector<std::string>& commands);
  bool WaitTelnetReply(bool lineReply);
  void NoteReplyByte(char byte);
  // The status text an export to the unit ends with; logs the refused commands.
  std::string ExportEnding(const char* link, int limitMs);
  // How far an export that the unit broke off or the user cancelled got.
  std::string StopPoint() const;
  std::string CancelledExportEnding() const;
  // ". The unit's restrictions are incomplete: ..." when the export stopped
  // inside a table it had emptied (said in the message log too); else empty.
  std::string HalfWrittenTableEnding() const;

  Editor& editor_;
  Prompts& prompts_;
  Mode mode_ = Mode::File;
  bool busy_ = false;
  // What ExportLines sends instead of the whole sequence, during its run.
  std::optional<std::vector<std::string>> linesToSend_;
  bool cancelRequested_ = false;
  RunState run_;

  SerialLink serial_;
  TelnetLink telnet_;
  EventWait wait_;
  QTimer replyWatchdog_;  // one-shot: off means the reply period ran out
  int waitLimitMs_ = -1;
  int deadlineMs_ = -1;
  int serialInactivityMs_ = 4000;
  std::size_t collectLimit_ = std::size_t{64} << 20;
  std::size_t collectLineLimit_ = 1000000;

  // What arrives on the serial port between runs too.
  ReceiveMonitor monitor_;
  bool serialReceiveScheduled_ = false;
  bool collectLimitReported_ = false;  // logged once until the received text is cleared

  Editor* readInto_ = nullptr;
  std::string readProblem_;
  std::string documentName_;
  bool unitChecks_ = false;
  std::string backupRoot_;
  std::string lastBackup_;

  std::string lastOpenedFile_;
  std::optional<std::string> givenFile_;  // the next import's file, instead of the dialog
  UserSettings settings_;

  std::optional<LiveState> live_;
  QTimer liveIdleCheck_;  // a connection or port lost while nothing is sent
  int liveSerialLimitMs_ = 30000;
  int liveTelnetLimitMs_ = 10000;
};

}  // namespace zem
