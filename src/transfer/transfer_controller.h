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
#include "transfer/event_wait.h"
#include "transfer/file_io.h"
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

  void ChooseFileMode();
  void ChooseSerialMode();
  void ChooseTelnetMode();
  void ImportConfiguration();
  void ExportConfiguration();

  // Whether an import or export is under way (Import and Export are refused then).
  bool Busy() const { return busy_; }
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
  // Whether the last run ended at that deadline.
  bool DeadlinePassed() const { return deadlinePassed_; }

  const ReceiveMonitor& Monitor() const { return monitor_; }
  SerialLink& Serial() { return serial_; }
  TelnetLink& Telnet() { return telnet_; }
  // The file last chosen in the import's open dialog.
  const std::string& LastOpenedFile() const { return lastOpenedFile_; }

  Outcome LastOutcome() const { return outcome_; }
  // Why the last import may be incomplete, as logged at its end.
  const std::vector<std::string>& ImportWarnings() const { return importWarnings_; }
  // Why the last import read nothing (empty unless its outcome was NothingRead).
  const std::string& NothingReadReason() const { return nothingRead_; }
  // The text the error box showed for a Failed run.
  const std::string& LastFailure() const { return lastFailure_; }
  // Export to the unit: command lines sent, and the last one.
  int LinesSent() const { return linesSent_; }
  const std::string& LastLineSent() const { return lastLineSent_; }
  // Export to the unit: how many commands the unit answered "(ERROR)".
  int ErrorReplies() const { return errorReplies_; }
  // "Refused by the unit: " and the first kRefusedShown of them, as the
  // export logs it; empty when the unit refused none.
  std::string RefusedText() const;
  static constexpr std::size_t kRefusedShown = 5;

 signals:
  void ModeChanged();
  void BusyChanged(bool busy);

 private:
  class BusyScope;

  // After a cancelled host prompt no mode is checked: Import and Export are
  // greyed until one is chosen.
  static constexpr char kChooseModeStatus[] =
      " No mode chosen: choose File, Serial or Telnet Mode in the File menu";

  void SetMode(Mode mode);
  void ThrowIfCancelled() const;
  void Pause(int ms);
  void OpenPortAsking();
  void OnSerialReceive();
  void ScheduleSerialReceive();
  bool CollectLimitReached(std::size_t bytes);
  std::string CollectLimitText() const;
  // Ends a run that did not complete: the Telnet connection closed, the
  // reason logged or shown.
  std::optional<std::string> RunTransfer(const char* what, void (TransferController::*run)());
  void EndRun(const char* what, const std::string* failure, bool cancelled);

  void RunImport();
  void ImportSerial();
  void ImportFile();
  void ImportTelnet();

  void RunExport();
  void ExportFile();
  void ExportTelnet();
  void ExportSerial();
  bool WaitTelnetReply(bool lineReply);
  // The earlier of `until` and the run's deadline.
  QDeadlineTimer Bounded(QDeadlineTimer until) const { return std::min(until, runDeadline_); }
  // Why a wait that ran out ended: the run's deadline or the wait limit
  // (`heard`: bytes came, but no complete line).
  std::string WaitEndText(bool heard);
  // Reading or writing a file that may keep the window waiting (a FIFO):
  // the window stays live and Cancel ends the wait; the status line says
  // what is awaited.
  FileWaiter FileWaiterFor(const std::string& name);
  void WaitForFile(int fd, bool forWrite);
  void NoteReplyByte(char byte);
  // The status text an export to the unit ends with; logs the refused commands.
  std::string ExportEnding(const char* link, int limitMs);

  Editor& editor_;
  Prompts& prompts_;
  Mode mode_ = Mode::File;
  bool busy_ = false;
  bool cancelRequested_ = false;

  SerialLink serial_;
  TelnetLink telnet_;
  ReceiveMonitor monitor_;
  EventWait wait_;
  QTimer replyWatchdog_;  // one-shot: off means the reply period ran out
  QElapsedTimer sinceLastByte_;
  int waitLimitMs_ = -1;
  int deadlineMs_ = -1;
  QDeadlineTimer runDeadline_;
  QDeadlineTimer progressDeadline_;  // the wait limit from the request or the last command line
  CommandLineWatch lineWatch_;
  bool deadlinePassed_ = false;
  int serialInactivityMs_ = 4000;
  std::size_t collectLimit_ = std::size_t{64} << 20;
  std::size_t collectLineLimit_ = 1000000;
  bool lineLimitHit_ = false;
  bool collectLimitReported_ = false;
  bool collectLimitHit_ = false;
  bool serialImportActive_ = false;
  bool serialReceiveScheduled_ = false;
  bool portLost_ = false;
  std::size_t receivedBytes_ = 0;  // every byte an import took, kept or not
  bool countErrorReplies_ = false;
  int errorReplyProgress_ = 0;
  int errorReplies_ = 0;
  int refusedAt_ = 0;  // the command whose refusal was counted last
  std::vector<std::string> refusedCommands_;
  std::vector<std::string> commands_;  // the command lines of the running export
  std::vector<std::string> importWarnings_;
  std::string nothingRead_;  // why an import read nothing, once it knows

  std::string lastOpenedFile_;
  Outcome outcome_ = Outcome::None;
  std::string lastFailure_;
  int linesSent_ = 0;
  std::string lastLineSent_;
};

}  // namespace zem
