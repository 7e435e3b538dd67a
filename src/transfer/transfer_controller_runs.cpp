// The import and export runs: from a file, over a serial port, over Telnet.
#include "transfer/transfer_controller.h"

#include <QFileInfo>
#include <algorithm>
#include <exception>

#include "command/command_writer.h"
#include "editor/read_back_check.h"
#include "transfer/file_io.h"

namespace zem {

namespace {

const char kZemFilter[] = "ZEM files (*.zem)|*.zem|All Files (*.*)|*.*";
const char kConfigurationKept[] = "Nothing was imported; the configuration is unchanged.";

const char kExportingStatus[] = " Exporting...";

std::string SendingStatus(int sent, std::size_t total) {
  return " Sending line " + std::to_string(sent + 1) + " of " + std::to_string(total);
}

}  // namespace

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
    outcome_ = Outcome::Cancelled;
    editor_.messageLog.AppendLine(std::string(what) + " cancelled.");
    editor_.status.Set(" " + std::string(what) + " cancelled");
  } else if (failure) {
    outcome_ = Outcome::Failed;
    lastFailure_ = *failure;
  }
}

// One import or export: busy while it runs; a cancel or a failure ends it
// and is logged. The failure's text is returned for the error box, which the
// caller shows once the run is over.
std::optional<std::string> TransferController::RunTransfer(const char* what,
                                                           void (TransferController::*run)()) {
  outcome_ = Outcome::None;
  lastFailure_.clear();
  runDeadline_ = QDeadlineTimer(deadlineMs_);
  deadlinePassed_ = false;
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
  serialImportActive_ = false;
  countErrorReplies_ = false;
  receivedBytes_ = 0;
  return failure;
}

void TransferController::ImportConfiguration() {
  if (busy_) return;
  if (mode_ == Mode::None) {
    editor_.status.Set(kChooseModeStatus);
    return;
  }
  editor_.status.Set(" Importing...");
  const std::optional<std::string> failure = RunTransfer("Import", &TransferController::RunImport);
  if (editor_.ImportPending()) {
    // Cancelled, failed or nothing read: the configuration the user had
    // comes back, whatever arrived meanwhile.
    if (failure) {
      editor_.messageLog.AppendLine(ErrorBoxText(*failure));
      editor_.status.Set(" Import failed");
    }
    editor_.RestoreKept();
    editor_.messageLog.AppendLine(kConfigurationKept);
  }
  ScheduleSerialReceive();
  if (failure) prompts_.ShowError(*failure);
}

void TransferController::RunImport() {
  importWarnings_.clear();
  receivedBytes_ = 0;
  nothingRead_.clear();
  collectLimitHit_ = false;
  lineLimitHit_ = false;
  collectLimitReported_ = false;
  editor_.KeepForImport();
  editor_.ResetModel();
  editor_.SetActivePage(Page::ConfigurationFile);
  // The page of the collected text is shown while the import waits.
  editor_.NotifyChanged();
  editor_.receivedText.Clear();
  if (mode_ == Mode::Serial) ImportSerial();
  if (mode_ == Mode::File) ImportFile();
  if (mode_ == Mode::Telnet) ImportTelnet();
  if (nothingRead_.empty() && editor_.receivedText.ByteCount() == 0)
    nothingRead_ = mode_ == Mode::Serial && portLost_
                       ? "The serial port " + serial_.Device() + " was lost before anything was received."
                       : "Nothing was received from the unit.";
  if (!nothingRead_.empty()) {
    editor_.messageLog.AppendLine(nothingRead_);
    editor_.status.Set(" Nothing imported");
    outcome_ = Outcome::NothingRead;
    return;
  }
  editor_.ReadReceivedCommands();
  if (!editor_.HasConfiguration()) {
    // Nothing that makes a configuration: taking it would leave every cell
    // "X" and nothing to export.
    nothingRead_ =
        NoConfigurationText(mode_ == Mode::File ? "The file " + lastOpenedFile_ : "The unit's answer") + ".";
    editor_.messageLog.AppendLine(nothingRead_);
    editor_.status.Set(" Nothing imported");
    outcome_ = Outcome::NothingRead;
    return;
  }
  editor_.FinishImport();
  for (const std::string& warning : importWarnings_) editor_.messageLog.AppendLine(warning);
  outcome_ = importWarnings_.empty() ? Outcome::Completed : Outcome::Incomplete;
}

void TransferController::ImportSerial() {
  monitor_.markerProgress = 0;
  monitor_.dumpEndSeen = false;
  portLost_ = false;
  if (!serial_.IsPortOpen()) OpenPortAsking();
  serialImportActive_ = true;
  lineWatch_ = CommandLineWatch();
  serial_.SendText("[QXSB]");
  // The unit may take its time, but once it falls silent for this long its
  // answer is over, whatever its length. A unit that is never silent but
  // sends no complete line ends at the wait limit, one that sends lines
  // without end at the deadline.
  sinceLastByte_.start();
  progressDeadline_ = QDeadlineTimer(waitLimitMs_);
  while (!monitor_.dumpEndSeen && !collectLimitHit_ && !portLost_) {
    ThrowIfCancelled();
    const qint64 quiet = sinceLastByte_.elapsed();
    if (quiet >= serialInactivityMs_) break;
    const QDeadlineTimer until = Bounded(progressDeadline_);
    if (until.hasExpired()) {
      const std::string why = WaitEndText(receivedBytes_ > 0);
      importWarnings_.push_back(why + " The import ended there.");
      if (receivedBytes_ == 0) nothingRead_ = why;
      break;
    }
    wait_.Wait(static_cast<int>(
        std::min<qint64>(std::min<qint64>(serialInactivityMs_ - quiet, 250),
                         until.isForever() ? 250 : std::max<qint64>(until.remainingTime(), 1))));
  }
  serialImportActive_ = false;
  if (collectLimitHit_) importWarnings_.push_back(CollectLimitText());
  if (portLost_)
    importWarnings_.push_back("The serial port " + serial_.Device() + " was lost during the import.");
  if (!monitor_.dumpEndSeen)
    importWarnings_.push_back(
        "The unit's end marker \"(QX)\" never came; the configuration may be incomplete.");
}

void TransferController::ImportFile() {
  std::optional<std::string> chosen =
      prompts_.OpenFile(Prompts::FileDialog{"zem", kZemFilter, lastOpenedFile_});
  if (!chosen) {
    nothingRead_ = "No file was chosen.";
    return;
  }
  lastOpenedFile_ = *chosen;
  std::string error, cut;
  const FileWaiter waiter = FileWaiterFor(*chosen);
  std::optional<std::string> text =
      ReadWholeFile(*chosen, &error, &cut, {collectLimit_, collectLineLimit_}, &waiter);
  if (!text) throw std::runtime_error("Cannot open file " + *chosen + ". " + error);
  if (text->empty()) {
    nothingRead_ = "The file " + *chosen + " is empty.";
    return;
  }
  if (!cut.empty())
    importWarnings_.push_back("The file reached the limit of " + cut + "; the rest was not read.");
  editor_.receivedText.Clear();
  editor_.LoadReceivedText(std::move(*text));
  editor_.status.Set(" Imported complete from file: " + *chosen);
}

void TransferController::ImportTelnet() {
  editor_.receivedText.Clear();
  if (telnet_.IsConnected()) {
    telnet_.Disconnect();
    telnet_.ClearInput();
  }
  telnet_.Port = 23;
  const std::string& host = telnet_.Host;
  editor_.status.Set(" Importing from host: " + host);
  if (!telnet_.IsConnected()) telnet_.Connect(runDeadline_);
  telnet_.SendText("[]");
  telnet_.SendText("[QXSB]");
  monitor_.markerProgress = 0;
  // The wait limit counts from the request and from each complete command
  // line, not from any byte.
  progressDeadline_ = QDeadlineTimer(waitLimitMs_);
  lineWatch_ = CommandLineWatch();

  ReceivedText text(editor_.receivedText);
  bool markerSeen = false;
  try {
    while (!markerSeen) {
      if (!telnet_.IsConnected()) break;
      ProcessPendingEvents();
      ThrowIfCancelled();
      telnet_.CheckPeerClosed();
      if (!telnet_.WaitForInput(Bounded(progressDeadline_)))
        throw LinkFailure(WaitEndText(receivedBytes_ > 0), LinkFailure::Kind::TimedOut);
      // Everything already received is taken in one pass; the bytes after
      // the end marker stay unread.
      const std::string_view unread = telnet_.Unread();
      std::size_t used = 0;
      for (const char c : unread) {
        if (c == '[') {
          text.Flush();
          editor_.status.Set(" Importing " + std::to_string(editor_.receivedText.LineCount() / 2) +
                             " lines from host: " + host);
        }
        // Every byte counts, kept or dropped; a CR takes two in the text.
        if (CollectLimitReached(std::max(text.ByteCount() + 2, receivedBytes_ + 1))) break;
        ++used;
        ++receivedBytes_;
        text.Add(c);
        if (lineWatch_.Add(c)) progressDeadline_ = QDeadlineTimer(waitLimitMs_);
        if (AdvanceQuerySeenMatcher(monitor_.markerProgress, c)) {
          markerSeen = true;
          break;
        }
      }
      telnet_.Consume(used);
      text.Flush();
      if (collectLimitHit_) break;
    }
  } catch (const LinkFailure& e) {
    // The unit closed the connection, or went silent past the wait limit:
    // the import goes on with what came.
    if (e.TimedOut()) {
      importWarnings_.push_back(std::string(e.what()) + " The import ended there.");
      // With nothing received, the wait limit is why nothing was imported.
      if (editor_.receivedText.ByteCount() == 0) nothingRead_ = e.what();
    }
  }
  text.Flush();
  try {
    telnet_.Disconnect();
  } catch (const std::exception&) {
  }
  telnet_.ClearInput();
  editor_.status.Set(" Import complete from host: " + host);
  if (collectLimitHit_) importWarnings_.push_back(CollectLimitText());
  if (!markerSeen)
    importWarnings_.push_back(
        "The unit's end marker \"[QXSB]\" never came; the configuration may be incomplete.");
}

void TransferController::ExportConfiguration() {
  if (busy_) return;
  if (!editor_.HasConfiguration()) return;
  if (mode_ == Mode::None) {
    editor_.status.Set(kChooseModeStatus);
    return;
  }
  linesSent_ = 0;
  lastLineSent_.clear();
  errorReplies_ = 0;
  errorReplyProgress_ = 0;
  refusedAt_ = 0;
  refusedCommands_.clear();
  const std::string before = editor_.status.Text();
  editor_.status.Set(kExportingStatus);
  const std::optional<std::string> failure = RunTransfer("Export", &TransferController::RunExport);
  commands_.clear();
  // Saved only once the unit took every command.
  if (outcome_ == Outcome::Completed && errorReplies_ == 0) editor_.MarkExported();
  // Nothing done (a dialog cancelled): the status line is as it was.
  if (editor_.status.Text() == kExportingStatus) editor_.status.Set(before);
  if (failure) {
    editor_.status.Set(" Export failed");
    prompts_.ShowError(*failure);
  }
}

void TransferController::RunExport() {
  const std::vector<std::string> lines = editor_.PrepareExport();
  // Nothing is written or sent that would not read back as itself.
  if (const std::vector<ReadBackProblem> problems = CheckReadBack(editor_.model, lines); !problems.empty()) {
    editor_.messageLog.Clear();
    editor_.messageLog.AppendLine("Export refused: these values would not read back as they are:");
    for (const ReadBackProblem& problem : problems) editor_.messageLog.AppendLine("  " + problem.Text());
    throw std::runtime_error(ReadBackRefusal(problems));
  }
  commands_.clear();
  for (const std::string& line : lines)
    if (!line.empty() && line.front() == '[') commands_.push_back(line);
  outcome_ = Outcome::Completed;
  if (mode_ == Mode::File) {
    ExportFile();
  } else if (mode_ == Mode::Telnet) {
    ExportTelnet();
  } else if (mode_ == Mode::Serial) {
    ExportSerial();
  }
}

void TransferController::ExportFile() {
  std::optional<std::string> chosen =
      prompts_.SaveFile(Prompts::FileDialog{"zem", kZemFilter, lastOpenedFile_});
  if (!chosen) {
    outcome_ = Outcome::None;
    return;
  }
  const std::string& name = *chosen;
  if (QFileInfo::exists(QString::fromLocal8Bit(name.c_str())) &&
      !prompts_.Confirm("File " + name + " exists. Overwrite?")) {
    outcome_ = Outcome::None;
    return;
  }
  std::string error;
  const FileWaiter waiter = FileWaiterFor(name);
  if (!WriteFileAtomically(name, ZemFileText(editor_.messageLog.Lines()), &error, &waiter))
    throw std::runtime_error("Cannot create file " + name + ". " + error);
  editor_.status.Set("Exported to file: " + name);
}

void TransferController::ExportTelnet() {
  if (telnet_.IsConnected()) {
    telnet_.Disconnect();
    telnet_.ClearInput();
  }
  telnet_.Port = 23;
  if (!telnet_.IsConnected()) {
    telnet_.ClearInput();
    telnet_.Connect(runDeadline_);
  }
  monitor_.markerProgress = 0;
  if (telnet_.IsConnected()) {
    telnet_.SendText("[]");
    if (WaitTelnetReply(false)) {
      for (const std::string& line : commands_) {
        editor_.status.Set(SendingStatus(linesSent_, commands_.size()));
        ProcessPendingEvents();
        ThrowIfCancelled();
        telnet_.CheckPeerClosed();
        if (!telnet_.IsConnected()) {
          outcome_ = Outcome::Incomplete;  // not everything reached the unit
          break;
        }
        editor_.receivedText.AppendLine("Sending: " + line + "\n\r");
        telnet_.SendText(line + "\n\r");
        ++linesSent_;
        lastLineSent_ = line;
        if (!WaitTelnetReply(true)) break;
      }
    }
  }
  if (telnet_.IsConnected()) telnet_.Disconnect();
  telnet_.ClearInput();  // what the unit sent after the last reply is of no use
  editor_.status.Set(ExportEnding("Telnet", waitLimitMs_));
}

// Reads until a ")" or "]" (the reply's end); what is read is dropped and
// what follows stays for the next wait. No time limit unless one is set
// (the unit may be slow, and the user can cancel): counted from the moment
// the line was sent, whatever bytes come without the reply's end. Past it,
// or past the run's deadline, the export stops as a serial one does and
// this returns false. `lineReply`: the answer to a line, whose "(ERROR)" is
// counted.
bool TransferController::WaitTelnetReply(bool lineReply) {
  countErrorReplies_ = lineReply;
  const QDeadlineTimer until = Bounded(QDeadlineTimer(waitLimitMs_));
  for (;;) {
    ThrowIfCancelled();
    telnet_.CheckPeerClosed();
    if (!telnet_.IsConnected()) return true;
    if (!telnet_.WaitForInput(until)) {
      editor_.receivedText.AppendLine(runDeadline_.hasExpired()
                                          ? "Breaking; " + WaitEndText(false)
                                          : "Breaking; no response in " + DurationText(waitLimitMs_));
      outcome_ = Outcome::NoReply;
      return false;
    }
    const std::string_view unread = telnet_.Unread();
    const std::size_t end = unread.find_first_of(")]");
    const std::string_view reply = unread.substr(0, end == std::string_view::npos ? unread.size() : end + 1);
    for (const char c : reply) NoteReplyByte(c);
    telnet_.Consume(reply.size());
    if (end != std::string_view::npos) return true;
    ProcessPendingEvents();
  }
}

void TransferController::NoteReplyByte(char byte) {
  if (!countErrorReplies_ || !AdvanceErrorReplyMatcher(errorReplyProgress_, byte)) return;
  // A command counts once, however many "(ERROR)"s its answer holds.
  if (refusedAt_ == linesSent_) return;
  refusedAt_ = linesSent_;
  ++errorReplies_;
  if (refusedCommands_.size() < kRefusedShown) refusedCommands_.push_back(lastLineSent_);
}

std::string TransferController::RefusedText() const {
  if (refusedCommands_.empty()) return {};
  std::string text = "Refused by the unit: ";
  for (std::size_t i = 0; i < refusedCommands_.size(); ++i) text += (i > 0 ? ", " : "") + refusedCommands_[i];
  return text;
}

std::string TransferController::ExportEnding(const char* link, int limitMs) {
  if (errorReplies_ > 0) editor_.messageLog.AppendLine(RefusedText());
  const std::string head = std::string(" ") + link + " Export ";
  const std::string of = " of " + std::to_string(commands_.size());
  const std::string after = linesSent_ == 0 ? std::string(" before the first command")
                                            : " after command " + std::to_string(linesSent_) + of;
  if (outcome_ == Outcome::NoReply && deadlinePassed_)
    return head + "Incomplete: the transfer reached its deadline of " + DurationText(deadlineMs_) + after;
  if (outcome_ == Outcome::NoReply)
    return head + "Incomplete: no response in " + DurationText(limitMs) + after;
  if (outcome_ == Outcome::Incomplete) return head + "Incomplete: the unit closed the connection" + after;
  if (errorReplies_ > 0)
    return head + "Complete: " + std::to_string(errorReplies_) + of + " commands refused";
  return head + "Complete";
}

void TransferController::ExportSerial() {
  Pause(100);
  portLost_ = false;
  // A port that was lost or never chosen is opened again as an import
  // does; "Serial Export Complete" with nothing sent would be a lie.
  if (!serial_.IsPortOpen()) OpenPortAsking();
  if (serial_.IsPortOpen()) {
    for (const std::string& line : commands_) {
      editor_.status.Set(SendingStatus(linesSent_, commands_.size()));
      editor_.receivedText.AppendLine("Sending: " + line);
      monitor_.replyEndSeen = false;
      countErrorReplies_ = true;
      replyWatchdog_.stop();
      replyWatchdog_.start();
      serial_.SendText(line);
      ++linesSent_;
      lastLineSent_ = line;
      while (!monitor_.replyEndSeen && replyWatchdog_.isActive() && !runDeadline_.hasExpired()) {
        ThrowIfCancelled();
        if (portLost_) throw LinkFailure("The serial port " + serial_.Device() + " was lost");
        wait_.Wait(runDeadline_.isForever()
                       ? 250
                       : static_cast<int>(std::min<qint64>(runDeadline_.remainingTime(), 250)));
      }
      if (!monitor_.replyEndSeen) {
        editor_.receivedText.AppendLine(replyWatchdog_.isActive()
                                            ? "Breaking; " + WaitEndText(false)
                                            : "Breaking; no response in " +
                                                  DurationText(replyWatchdog_.interval()));
        outcome_ = Outcome::NoReply;
        break;
      }
    }
  }
  countErrorReplies_ = false;
  editor_.status.Set(ExportEnding("Serial", replyWatchdog_.interval()));
}

}  // namespace zem
