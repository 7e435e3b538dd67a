// The import run: the unit's configuration from a file, over a serial port or
// over Telnet into the editor.
#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include "transfer/file_io.h"
#include "transfer/transfer_controller.h"

namespace zem {

namespace {

const char kConfigurationKept[] = "Nothing was imported; the configuration is unchanged.";

}  // namespace

void TransferController::ImportConfiguration() {
  if (busy_) return;
  if (mode_ == Mode::None) {
    editor_.status.Set(kChooseModeStatus);
    return;
  }
  editor_.status.Set(" Importing...");
  const std::optional<std::string> failure = RunTransfer("Import", &TransferController::RunImport);
  NoteUnitAfterImport();
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
  if (run_.outcome == Outcome::Completed || run_.outcome == Outcome::Incomplete) {
    if (mode_ == Mode::File) settings_.AddRecentFile(lastOpenedFile_);
    documentName_ =
        mode_ == Mode::File ? std::filesystem::path(lastOpenedFile_).filename().string() : UnitName();
  }
  ScheduleSerialReceive();
  if (failure) prompts_.ShowError(*failure);
}

void TransferController::ImportConfigurationFrom(const std::string& path) {
  if (busy_ || mode_ != Mode::File) return;
  givenFile_ = path;
  ImportConfiguration();
  givenFile_.reset();
}

void TransferController::NoteUnitAfterImport() {
  // Only a whole configuration read from a unit tells what it holds; a file,
  // or an answer cut short or empty, leaves it unknown.
  if (run_.outcome == Outcome::Completed && mode_ != Mode::File)
    editor_.unitBaseline.Remember(LinkKey(), editor_.model.unit);
  else
    editor_.unitBaseline.Forget();
}

void TransferController::RunImport() {
  // The received text starts empty, so the limit on it may be logged again.
  collectLimitReported_ = false;
  Editor& into = Target();
  if (!readInto_) {
    editor_.KeepForImport();
    editor_.ResetModel();
    editor_.SetActivePage(Page::ConfigurationFile);
    // The page of the collected text is shown while the import waits.
    editor_.NotifyChanged();
  } else {
    into.ResetModel();
  }
  into.receivedText.Clear();
  if (mode_ == Mode::Serial) ImportSerial();
  if (mode_ == Mode::File) ImportFile();
  if (mode_ == Mode::Telnet) ImportTelnet();
  if (run_.nothingRead.empty() && into.receivedText.ByteCount() == 0)
    run_.nothingRead = mode_ == Mode::Serial && run_.portLost
                           ? "The serial port " + serial_.Device() + " was lost before anything was received."
                           : "Nothing was received from the unit.";
  if (!run_.nothingRead.empty()) {
    into.messageLog.AppendLine(run_.nothingRead);
    ImportStatus(" Nothing imported");
    run_.outcome = Outcome::NothingRead;
    return;
  }
  ReadReceivedCommandsInSlices();
  if (!into.HasConfiguration()) {
    // Nothing that makes a configuration: taking it would leave every cell
    // "X" and nothing to export.
    run_.nothingRead =
        NoConfigurationText(mode_ == Mode::File ? "The file " + lastOpenedFile_ : "The unit's answer") + ".";
    into.messageLog.AppendLine(run_.nothingRead);
    ImportStatus(" Nothing imported");
    run_.outcome = Outcome::NothingRead;
    return;
  }
  into.FinishImport();
  for (const std::string& warning : run_.importWarnings) into.messageLog.AppendLine(warning);
  run_.outcome = run_.importWarnings.empty() ? Outcome::Completed : Outcome::Incomplete;
}

void TransferController::ReadReceivedCommandsInSlices() {
  // A real configuration is one slice. A text of many configurations is
  // read a slice at a time, the window answering (and Cancel heard) between
  // slices rather than waiting for the whole text.
  constexpr std::size_t kLinesPerSlice = 20000;
  Target().StartReadingCommands();
  const std::size_t lines = Target().receivedText.LineCount();
  for (std::size_t first = 0; first < lines; first += kLinesPerSlice) {
    if (first > 0) {
      ProcessPendingEvents();
      ThrowIfCancelled();
    }
    Target().ReadReceivedLines(first, kLinesPerSlice);
  }
}

void TransferController::ImportSerial() {
  monitor_.markerProgress = 0;
  monitor_.dumpEndSeen = false;
  run_.portLost = false;
  if (!serial_.IsPortOpen()) OpenPortAsking();
  run_.serialImport = true;
  run_.lineWatch = CommandLineWatch();
  serial_.SendText("[QXSB]");
  // The unit may take its time, but once it falls silent for this long its
  // answer is over, whatever its length. A unit that is never silent but
  // sends no complete line ends at the wait limit, one that sends lines
  // without end at the deadline.
  run_.sinceLastByte.start();
  run_.progressDeadline = QDeadlineTimer(waitLimitMs_);
  while (!monitor_.dumpEndSeen && !run_.collectLimitHit && !run_.portLost) {
    ThrowIfCancelled();
    const qint64 quiet = run_.sinceLastByte.elapsed();
    if (quiet >= serialInactivityMs_) break;
    const QDeadlineTimer until = Bounded(run_.progressDeadline);
    if (until.hasExpired()) {
      const std::string why = WaitEndText(run_.receivedBytes > 0);
      run_.importWarnings.push_back(why + " The import ended there.");
      if (run_.receivedBytes == 0) run_.nothingRead = why;
      break;
    }
    wait_.Wait(static_cast<int>(
        std::min<qint64>(std::min<qint64>(serialInactivityMs_ - quiet, 250),
                         until.isForever() ? 250 : std::max<qint64>(until.remainingTime(), 1))));
  }
  run_.serialImport = false;
  if (run_.collectLimitHit) run_.importWarnings.push_back(CollectLimitText());
  if (run_.portLost)
    run_.importWarnings.push_back("The serial port " + serial_.Device() + " was lost during the import.");
  if (!monitor_.dumpEndSeen)
    run_.importWarnings.push_back(
        "The unit's end marker \"(QX)\" never came; the configuration may be incomplete.");
}

void TransferController::ImportFile() {
  std::optional<std::string> chosen = std::exchange(givenFile_, std::nullopt);
  if (!chosen) chosen = prompts_.OpenFile(Prompts::FileDialog{"zem", kZemFilter, lastOpenedFile_});
  if (!chosen) {
    run_.nothingRead = "No file was chosen.";
    return;
  }
  lastOpenedFile_ = *chosen;
  std::string error, cut;
  const FileWaiter waiter = FileWaiterFor(*chosen);
  std::optional<std::string> text =
      ReadWholeFile(*chosen, &error, &cut, {collectLimit_, collectLineLimit_}, &waiter);
  if (!text) throw std::runtime_error("Cannot open file " + *chosen + ". " + error);
  if (text->empty()) {
    run_.nothingRead = "The file " + *chosen + " is empty.";
    return;
  }
  if (!cut.empty())
    run_.importWarnings.push_back("The file reached the limit of " + cut + "; the rest was not read.");
  editor_.receivedText.Clear();
  editor_.LoadReceivedText(std::move(*text));
  editor_.status.Set(" Imported complete from file: " + *chosen);
}

void TransferController::ImportTelnet() {
  Target().receivedText.Clear();
  if (telnet_.IsConnected()) {
    telnet_.Disconnect();
    telnet_.ClearInput();
  }
  telnet_.Port = TelnetLink::kDefaultPort;
  const std::string& host = telnet_.Host;
  ImportStatus(" Importing from host: " + host);
  if (!telnet_.IsConnected()) telnet_.Connect(run_.deadline);
  telnet_.SendText("[]");
  telnet_.SendText("[QXSB]");
  monitor_.markerProgress = 0;
  // The wait limit counts from the request and from each complete command
  // line, not from any byte.
  run_.progressDeadline = QDeadlineTimer(waitLimitMs_);
  run_.lineWatch = CommandLineWatch();

  ReceivedText text(Target().receivedText);
  bool markerSeen = false;
  try {
    while (!markerSeen) {
      if (!telnet_.IsConnected()) break;
      ProcessPendingEvents();
      ThrowIfCancelled();
      telnet_.CheckPeerClosed();
      if (!telnet_.WaitForInput(Bounded(run_.progressDeadline)))
        throw LinkFailure(WaitEndText(run_.receivedBytes > 0), LinkFailure::Kind::TimedOut);
      // Everything already received is taken in one pass; the bytes after
      // the end marker stay unread.
      const std::string_view unread = telnet_.Unread();
      std::size_t used = 0;
      for (const char c : unread) {
        if (c == '[') {
          text.Flush();
          ImportStatus(" Importing " + std::to_string(Target().receivedText.LineCount() / 2) +
                       " lines from host: " + host);
        }
        // Every byte counts, kept or dropped; a CR takes two in the text.
        if (CollectLimitReached(std::max(text.ByteCount() + 2, run_.receivedBytes + 1))) break;
        ++used;
        ++run_.receivedBytes;
        text.Add(c);
        if (run_.lineWatch.Add(c)) run_.progressDeadline = QDeadlineTimer(waitLimitMs_);
        if (AdvanceQuerySeenMatcher(monitor_.markerProgress, c)) {
          markerSeen = true;
          break;
        }
      }
      telnet_.Consume(used);
      text.Flush();
      if (run_.collectLimitHit) break;
    }
  } catch (const LinkFailure& e) {
    // The unit closed the connection, or went silent past the wait limit:
    // the import goes on with what came.
    if (e.TimedOut()) {
      run_.importWarnings.push_back(std::string(e.what()) + " The import ended there.");
      // With nothing received, the wait limit is why nothing was imported.
      if (Target().receivedText.ByteCount() == 0) run_.nothingRead = e.what();
    }
  }
  text.Flush();
  try {
    telnet_.Disconnect();
  } catch (const std::exception&) {
  }
  telnet_.ClearInput();
  ImportStatus(" Import complete from host: " + host);
  if (run_.collectLimitHit) run_.importWarnings.push_back(CollectLimitText());
  if (!markerSeen)
    run_.importWarnings.push_back(
        "The unit's end marker \"[QXSB]\" never came; the configuration may be incomplete.");
}

}  // namespace zem
