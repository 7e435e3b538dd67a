// The import run: the unit's configuration from a file, over a serial port or
// over Telnet into the editor; and what arrives on the serial port, within
// the limits on collected text.
#include "transfer/import_run.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include "transfer/file_io.h"

namespace zem {

namespace {

const char kConfigurationKept[] = "Nothing was imported; the configuration is unchanged.";
// Over a link, where the connection check can tell what is wrong.
const char kNothingCameBack[] = " Import failed: nothing came back. File > Check Connection... can tell why";

}  // namespace

ImportRun::ImportRun(TransferContext& context) : ctx_(context) {}

void ImportRun::ImportStatus(const std::string& text) {
  if (!readInto_) ctx_.editor.status.Set(text);
}

void ImportRun::IntoEditor() {
  ctx_.editor.status.Set(" Importing...");
  readInto_ = nullptr;
  const std::optional<std::string> failure = RunGuarded("Import");
  givenFile_.reset();
  NoteUnitAfterImport();
  if (ctx_.editor.ImportPending()) {
    // Cancelled, failed or nothing read: the configuration the user had
    // comes back, whatever arrived meanwhile.
    if (failure) {
      ctx_.editor.messageLog.AppendLine(ErrorBoxText(*failure));
      ctx_.editor.status.Set(ctx_.OverLink() ? kNothingCameBack : " Import failed");
    }
    ctx_.editor.RestoreKept();
    ctx_.editor.messageLog.AppendLine(kConfigurationKept);
  }
  if (state_.outcome == TransferOutcome::Completed || state_.outcome == TransferOutcome::Incomplete) {
    if (ctx_.mode == TransferMode::File) ctx_.settings.AddRecentFile(ctx_.lastOpenedFile);
    ctx_.documentName = ctx_.mode == TransferMode::File
                            ? std::filesystem::path(ctx_.lastOpenedFile).filename().string()
                            : ctx_.UnitName();
  }
  ScheduleSerialReceive();
  if (failure) ctx_.prompts.ShowError(*failure);
}

std::optional<std::string> ImportRun::ReadInto(Editor& into) {
  readInto_ = &into;
  const std::optional<std::string> failure = RunGuarded("Read");
  readInto_ = nullptr;
  ScheduleSerialReceive();
  return failure;
}

std::optional<std::string> ImportRun::RunGuarded(const char* what) {
  state_ = State{};
  ctx_.lastJob = TransferContext::Job::Import;
  const TransferContext::RunEnd end = ctx_.Run(
      what, [this] { RunImport(); },
      [&](const TransferContext::RunEnd& e) {
        if (e.cancelled) {
          state_.outcome = TransferOutcome::Cancelled;
          ctx_.editor.status.Set(" " + std::string(what) + " cancelled");
        } else if (e.failure) {
          state_.outcome = TransferOutcome::Failed;
          state_.failure = *e.failure;
        }
        state_.deadlinePassed = ctx_.deadlinePassed;
        // Bytes that come after the run answer nothing of it, and what it took
        // counts no more against the limit on received text.
        state_.serialImport = false;
        state_.receivedBytes = 0;
      });
  return end.failure;
}

void ImportRun::NoteUnitAfterImport() {
  // Only a whole configuration read from a unit tells what it holds; a file,
  // or an answer cut short or empty, leaves it unknown.
  if (state_.outcome == TransferOutcome::Completed && ctx_.mode != TransferMode::File)
    ctx_.editor.unitBaseline.Remember(ctx_.LinkKey(), ctx_.editor.model.unit);
  else
    ctx_.editor.unitBaseline.Forget();
}

void ImportRun::RunImport() {
  // The received text starts empty, so the limit on it may be logged again.
  collectLimitReported_ = false;
  Editor& into = Target();
  if (!readInto_) {
    ctx_.editor.KeepForImport();
    ctx_.editor.ResetModel();
    ctx_.editor.SetActivePage(Page::ConfigurationFile);
    // The page of the collected text is shown while the import waits.
    ctx_.editor.NotifyChanged();
  } else {
    into.ResetModel();
  }
  into.receivedText.Clear();
  if (ctx_.mode == TransferMode::Serial) ImportSerial();
  if (ctx_.mode == TransferMode::File) ImportFile();
  if (ctx_.mode == TransferMode::Telnet) ImportTelnet();
  if (state_.nothingRead.empty() && into.receivedText.ByteCount() == 0)
    state_.nothingRead =
        ctx_.mode == TransferMode::Serial && ctx_.portLost
            ? "The serial port " + ctx_.serial.Device() + " was lost before anything was received."
            : "Nothing was received from the unit.";
  if (!state_.nothingRead.empty()) {
    into.messageLog.AppendLine(state_.nothingRead);
    ImportStatus(ctx_.OverLink() && into.receivedText.ByteCount() == 0 ? kNothingCameBack
                                                                       : " Nothing imported");
    state_.outcome = TransferOutcome::NothingRead;
    return;
  }
  ReadReceivedCommandsInSlices();
  if (!into.HasConfiguration()) {
    // Nothing that makes a configuration: taking it would leave every cell
    // "X" and nothing to export.
    state_.nothingRead =
        NoConfigurationText(ctx_.mode == TransferMode::File ? "The file " + ctx_.lastOpenedFile
                                                            : "The unit's answer") +
        ".";
    into.messageLog.AppendLine(state_.nothingRead);
    ImportStatus(" Nothing imported");
    state_.outcome = TransferOutcome::NothingRead;
    return;
  }
  into.FinishImport();
  for (const std::string& warning : state_.importWarnings) into.messageLog.AppendLine(warning);
  state_.outcome = state_.importWarnings.empty() ? TransferOutcome::Completed : TransferOutcome::Incomplete;
}

void ImportRun::ReadReceivedCommandsInSlices() {
  // A real configuration is one slice. A text of many configurations is
  // read a slice at a time, the window answering (and Cancel heard) between
  // slices rather than waiting for the whole text.
  constexpr std::size_t kLinesPerSlice = 20000;
  Target().StartReadingCommands();
  const std::size_t lines = Target().receivedText.LineCount();
  for (std::size_t first = 0; first < lines; first += kLinesPerSlice) {
    if (first > 0) {
      ProcessPendingEvents();
      ctx_.ThrowIfCancelled();
    }
    Target().ReadReceivedLines(first, kLinesPerSlice);
  }
}

void ImportRun::ImportSerial() {
  ctx_.monitor.markerProgress = 0;
  ctx_.monitor.dumpEndSeen = false;
  ctx_.portLost = false;
  if (!ctx_.serial.IsPortOpen()) ctx_.OpenPortAsking();
  state_.serialImport = true;
  state_.lineWatch = CommandLineWatch();
  ctx_.serial.SendText("[QXSB]");
  // The unit may take its time, but once it falls silent for this long its
  // answer is over, whatever its length. A unit that is never silent but
  // sends no complete line ends at the wait limit, one that sends lines
  // without end at the deadline.
  state_.sinceLastByte.start();
  state_.progressDeadline = QDeadlineTimer(ctx_.waitLimitMs);
  while (!ctx_.monitor.dumpEndSeen && !state_.collectLimitHit && !ctx_.portLost) {
    ctx_.ThrowIfCancelled();
    const qint64 quiet = state_.sinceLastByte.elapsed();
    if (quiet >= serialInactivityMs_) break;
    const QDeadlineTimer until = ctx_.Bounded(state_.progressDeadline);
    if (until.hasExpired()) {
      const std::string why = ctx_.WaitEndText(state_.receivedBytes > 0);
      state_.importWarnings.push_back(why + " The import ended there.");
      if (state_.receivedBytes == 0) state_.nothingRead = why;
      break;
    }
    ctx_.wait.Wait(static_cast<int>(
        std::min<qint64>(std::min<qint64>(serialInactivityMs_ - quiet, 250),
                         until.isForever() ? 250 : std::max<qint64>(until.remainingTime(), 1))));
  }
  state_.serialImport = false;
  if (state_.collectLimitHit) state_.importWarnings.push_back(CollectLimitText());
  if (ctx_.portLost)
    state_.importWarnings.push_back("The serial port " + ctx_.serial.Device() +
                                    " was lost during the import.");
  if (!ctx_.monitor.dumpEndSeen)
    state_.importWarnings.push_back(
        "The unit's end marker \"(QX)\" never came; the configuration may be incomplete.");
}

void ImportRun::ImportFile() {
  std::optional<std::string> chosen = std::exchange(givenFile_, std::nullopt);
  if (!chosen)
    chosen =
        ctx_.prompts.OpenFile(Prompts::FileDialog{"zem", TransferContext::kZemFilter, ctx_.lastOpenedFile});
  if (!chosen) {
    state_.nothingRead = "No file was chosen.";
    return;
  }
  ctx_.lastOpenedFile = *chosen;
  std::string error, cut;
  const FileWaiter waiter = ctx_.FileWaiterFor(*chosen);
  std::optional<std::string> text =
      ReadWholeFile(*chosen, &error, &cut, {collectLimit_, collectLineLimit_}, &waiter);
  if (!text) throw std::runtime_error("Cannot open file " + *chosen + ". " + error);
  if (text->empty()) {
    state_.nothingRead = "The file " + *chosen + " is empty.";
    return;
  }
  if (!cut.empty())
    state_.importWarnings.push_back("The file reached the limit of " + cut + "; the rest was not read.");
  ctx_.editor.receivedText.Clear();
  ctx_.editor.LoadReceivedText(std::move(*text));
  ctx_.editor.status.Set(" Imported complete from file: " + *chosen);
}

void ImportRun::ImportTelnet() {
  Target().receivedText.Clear();
  if (ctx_.telnet.IsConnected()) {
    ctx_.telnet.Disconnect();
    ctx_.telnet.ClearInput();
  }
  ctx_.telnet.Port = TelnetLink::kDefaultPort;
  const std::string& host = ctx_.telnet.Host;
  ImportStatus(" Importing from host: " + host);
  if (!ctx_.telnet.IsConnected()) ctx_.telnet.Connect(ctx_.deadline);
  ctx_.telnet.SendText("[]");
  ctx_.telnet.SendText("[QXSB]");
  ctx_.monitor.markerProgress = 0;
  // The wait limit counts from the request and from each complete command
  // line, not from any byte.
  state_.progressDeadline = QDeadlineTimer(ctx_.waitLimitMs);
  state_.lineWatch = CommandLineWatch();

  ReceivedText text(Target().receivedText);
  bool markerSeen = false;
  try {
    while (!markerSeen) {
      if (!ctx_.telnet.IsConnected()) break;
      ProcessPendingEvents();
      ctx_.ThrowIfCancelled();
      ctx_.telnet.CheckPeerClosed();
      if (!ctx_.telnet.WaitForInput(ctx_.Bounded(state_.progressDeadline)))
        throw LinkFailure(ctx_.WaitEndText(state_.receivedBytes > 0), LinkFailure::Kind::TimedOut);
      // Everything already received is taken in one pass; the bytes after
      // the end marker stay unread.
      const std::string_view unread = ctx_.telnet.Unread();
      std::size_t used = 0;
      for (const char c : unread) {
        if (c == '[') {
          text.Flush();
          ImportStatus(" Importing " + std::to_string(Target().receivedText.LineCount() / 2) +
                       " lines from host: " + host);
        }
        // Every byte counts, kept or dropped; a CR takes two in the text.
        if (CollectLimitReached(std::max(text.ByteCount() + 2, state_.receivedBytes + 1))) break;
        ++used;
        ++state_.receivedBytes;
        text.Add(c);
        if (state_.lineWatch.Add(c)) state_.progressDeadline = QDeadlineTimer(ctx_.waitLimitMs);
        if (AdvanceQuerySeenMatcher(ctx_.monitor.markerProgress, c)) {
          markerSeen = true;
          break;
        }
      }
      ctx_.telnet.Consume(used);
      text.Flush();
      if (state_.collectLimitHit) break;
    }
  } catch (const LinkFailure& e) {
    // The unit closed the connection, or went silent past the wait limit:
    // the import goes on with what came.
    if (e.TimedOut()) {
      state_.importWarnings.push_back(std::string(e.what()) + " The import ended there.");
      // With nothing received, the wait limit is why nothing was imported.
      if (Target().receivedText.ByteCount() == 0) state_.nothingRead = e.what();
    }
  }
  text.Flush();
  try {
    ctx_.telnet.Disconnect();
  } catch (const std::exception&) {
  }
  ctx_.telnet.ClearInput();
  ImportStatus(" Import complete from host: " + host);
  if (state_.collectLimitHit) state_.importWarnings.push_back(CollectLimitText());
  if (!markerSeen)
    state_.importWarnings.push_back(
        "The unit's end marker \"[QXSB]\" never came; the configuration may be incomplete.");
}

std::string ImportRun::CollectLimitText() const {
  if (state_.lineLimitHit)
    return "Received text reached the limit of " + std::to_string(collectLineLimit_) +
           " lines; the rest was not kept.";
  const std::size_t mib = std::size_t{1} << 20;
  const std::string size = collectLimit_ % mib == 0 ? std::to_string(collectLimit_ / mib) + " MiB"
                                                    : std::to_string(collectLimit_) + " bytes";
  return "Received text reached the limit of " + size + "; the rest was not kept.";
}

// True when `bytes` more would pass the limit on collected text; logs that
// once until the text is cleared again.
bool ImportRun::CollectLimitReached(std::size_t bytes) {
  const bool tooManyLines = Target().receivedText.LineCount() >= collectLineLimit_;
  if (bytes < collectLimit_ && !tooManyLines) {
    collectLimitReported_ = false;
    return false;
  }
  state_.lineLimitHit = tooManyLines;
  state_.collectLimitHit = true;
  if (!collectLimitReported_) {
    collectLimitReported_ = true;
    if (!ctx_.busy) ctx_.editor.messageLog.AppendLine(CollectLimitText());
  }
  return true;
}

// The serial receive event: every byte waiting, in order, up to "(QX)";
// bytes after it stay for the next receive event.
void ImportRun::OnSerialReceive() {
  serialReceiveScheduled_ = false;
  // While an import still has to notice its end marker, what follows the
  // marker must not reach the text it is about to parse.
  if (state_.serialImport && ctx_.monitor.dumpEndSeen) return;
  const QByteArray bytes = ctx_.serial.Peek();
  if (bytes.isEmpty()) return;
  state_.sinceLastByte.restart();
  ReceivedText text(Target().receivedText);
  qint64 used = 0;
  bool markerSeen = false;
  for (const char c : bytes) {
    ++used;
    if (c == '[') {
      text.Flush();
      ImportStatus(" Importing " + std::to_string(Target().receivedText.LineCount() / 2) +
                   " lines from serial port: " + ctx_.serial.PortName());
    }
    // An import counts every byte, so a stream of bytes that are dropped
    // (and keep the silence rule from firing) still ends it.
    if (state_.serialImport) {
      ++state_.receivedBytes;
      if (state_.lineWatch.Add(c)) state_.progressDeadline = QDeadlineTimer(ctx_.waitLimitMs);
    }
    if (!CollectLimitReached(std::max(text.ByteCount() + 2, state_.receivedBytes)))
      text.Add(c);  // a CR takes two
    // An export or Live awaiting the answer to a line.
    if (ctx_.onSerialByte) ctx_.onSerialByte(c);
    if (c == ')' || c == ']') ctx_.monitor.replyEndSeen = true;
    if (AdvanceDumpEndMatcher(ctx_.monitor.markerProgress, c)) {
      ctx_.monitor.dumpEndSeen = true;
      markerSeen = true;
      break;
    }
  }
  text.Flush();
  ctx_.serial.Consume(used);
  ctx_.wait.Wake();
  if (markerSeen && !state_.serialImport) ScheduleSerialReceive();
}

void ImportRun::ScheduleSerialReceive() {
  if (serialReceiveScheduled_ || !ctx_.serial.IsPortOpen() || ctx_.serial.BytesWaiting() == 0) return;
  serialReceiveScheduled_ = true;
  QMetaObject::invokeMethod(
      &receiveCalls_, [this] { OnSerialReceive(); }, Qt::QueuedConnection);
}

}  // namespace zem
