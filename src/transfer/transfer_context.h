#pragma once

#include <QDeadlineTimer>
#include <algorithm>
#include <functional>
#include <optional>
#include <string>

#include "editor/editor.h"
#include "editor/user_settings.h"
#include "transfer/event_wait.h"
#include "transfer/file_io.h"
#include "transfer/prompts.h"
#include "transfer/receive_monitor.h"
#include "transfer/serial_link.h"
#include "transfer/telnet_link.h"

namespace zem {

// The File menu's connection mode.
enum class TransferMode { None, File, Serial, Telnet };

// How an import or export ended.
enum class TransferOutcome {
  None,         // nothing run yet, or nothing to do (no configuration)
  Completed,    // every step done
  Incomplete,   // import: the end marker never came or the text was cut; export: the connection ended early
  NoReply,      // export: a command went unanswered within the limit
  Cancelled,    // the user cancelled
  Failed,       // a failure went to the error box
  NothingRead,  // import: no file, no bytes or no source; the earlier configuration is back
};

// What every transfer job shares: the editor and the prompts, the mode and
// the links, the settings, and the waits of the one run under way (cancel,
// deadline, files that keep the window waiting). The jobs get it by
// reference from the TransferController that owns it.
class TransferContext {
 public:
  TransferContext(Editor& editor, Prompts& prompts) : editor(editor), prompts(prompts) {}
  TransferContext(const TransferContext&) = delete;
  TransferContext& operator=(const TransferContext&) = delete;

  // The File dialogs' filter for configuration files.
  static constexpr char kZemFilter[] = "ZEM files (*.zem)|*.zem|All Files (*.*)|*.*";

  Editor& editor;
  Prompts& prompts;
  TransferMode mode = TransferMode::File;
  SerialLink serial;
  TelnetLink telnet;
  // What arrives on the serial port between runs too.
  ReceiveMonitor monitor;
  EventWait wait;
  UserSettings settings;

  // How long a wait for the unit, and a whole run, may last (none: -1).
  int waitLimitMs = -1;
  int deadlineMs = -1;
  // The file last chosen in the import's open dialog.
  std::string lastOpenedFile;
  // What the configuration was last imported from or exported to.
  std::string documentName;

  // The run under way: Busy() is true while it runs.
  bool busy = false;
  bool cancelRequested = false;
  QDeadlineTimer deadline;
  bool deadlinePassed = false;
  bool portLost = false;  // the serial port went away during the run
  // Told when a run starts and ends.
  std::function<void(bool)> onBusy;
  // Each byte the serial receive event takes, for a job awaiting an answer.
  std::function<void(char)> onSerialByte;
  // Which job ran last: its outcome is the controller's LastOutcome().
  enum class Job { None, Import, Export };
  Job lastJob = Job::None;

  bool OverLink() const { return mode == TransferMode::Serial || mode == TransferMode::Telnet; }
  // The current link as the baseline knows it: mode plus host:port, or the
  // serial device; empty in File Mode or with no host or device yet.
  std::string LinkKey() const;
  // The unit on the current link as the user knows it; empty in File Mode.
  std::string UnitName() const;
  // Opens the serial port, asking which one when none is chosen yet.
  void OpenPortAsking();

  void ThrowIfCancelled() const {
    if (cancelRequested) throw TransferCancelled{};
  }
  // Asked by an export before each line it sends: when it says so, the run
  // ends there as a cancelled one, the line before answered.
  std::function<bool()> stopBetweenLines;
  void ThrowIfStoppedBetweenLines() const {
    if (stopBetweenLines && stopBetweenLines()) throw TransferCancelled{};
  }
  void Pause(int ms);
  // The earlier of `until` and the run's deadline.
  QDeadlineTimer Bounded(QDeadlineTimer until) const { return std::min(until, deadline); }
  // Why a wait that ran out ended: the run's deadline or the wait limit
  // (`heard`: bytes came, but no complete line).
  std::string WaitEndText(bool heard);
  // Reading or writing a file that may keep the window waiting (a FIFO):
  // the window stays live and Cancel ends the wait; the status line says
  // what is awaited.
  FileWaiter FileWaiterFor(const std::string& name);

  // How a run ended: cancelled, or failed with the error box's text.
  struct RunEnd {
    bool cancelled = false;
    std::optional<std::string> failure;
  };
  // One import or export: busy while it runs, the deadline set; a cancel or
  // a failure ends it, the Telnet connection closed and a cancel logged as
  // "<what> cancelled.". `ended` is told how, before the run stops being
  // busy.
  RunEnd Run(const char* what, const std::function<void()>& body,
             const std::function<void(const RunEnd&)>& ended);

 private:
  void WaitForFile(int fd, bool forWrite);
};

}  // namespace zem
