// What arrives from the unit: the serial receive event and the limits on
// collected text.
#include "transfer/transfer_controller.h"

#include <algorithm>

namespace zem {

std::string TransferController::CollectLimitText() const {
  if (run_.lineLimitHit)
    return "Received text reached the limit of " + std::to_string(collectLineLimit_) +
           " lines; the rest was not kept.";
  const std::size_t mib = std::size_t{1} << 20;
  const std::string size = collectLimit_ % mib == 0 ? std::to_string(collectLimit_ / mib) + " MiB"
                                                    : std::to_string(collectLimit_) + " bytes";
  return "Received text reached the limit of " + size + "; the rest was not kept.";
}

// True when `bytes` more would pass the limit on collected text; logs that
// once until the text is cleared again.
bool TransferController::CollectLimitReached(std::size_t bytes) {
  const bool tooManyLines = Target().receivedText.LineCount() >= collectLineLimit_;
  if (bytes < collectLimit_ && !tooManyLines) {
    collectLimitReported_ = false;
    return false;
  }
  run_.lineLimitHit = tooManyLines;
  run_.collectLimitHit = true;
  if (!collectLimitReported_) {
    collectLimitReported_ = true;
    if (!busy_) editor_.messageLog.AppendLine(CollectLimitText());
  }
  return true;
}

// The serial receive event: every byte waiting, in order, up to "(QX)";
// bytes after it stay for the next receive event.
void TransferController::OnSerialReceive() {
  serialReceiveScheduled_ = false;
  // While an import still has to notice its end marker, what follows the
  // marker must not reach the text it is about to parse.
  if (run_.serialImport && monitor_.dumpEndSeen) return;
  const QByteArray bytes = serial_.Peek();
  if (bytes.isEmpty()) return;
  run_.sinceLastByte.restart();
  ReceivedText text(Target().receivedText);
  qint64 used = 0;
  bool markerSeen = false;
  for (const char c : bytes) {
    ++used;
    if (c == '[') {
      text.Flush();
      ImportStatus(" Importing " + std::to_string(Target().receivedText.LineCount() / 2) +
                   " lines from serial port: " + serial_.PortName());
    }
    // An import counts every byte, so a stream of bytes that are dropped
    // (and keep the silence rule from firing) still ends it.
    if (run_.serialImport) {
      ++run_.receivedBytes;
      if (run_.lineWatch.Add(c)) run_.progressDeadline = QDeadlineTimer(waitLimitMs_);
    }
    if (!CollectLimitReached(std::max(text.ByteCount() + 2, run_.receivedBytes)))
      text.Add(c);  // a CR takes two
    NoteReplyByte(c);
    if (live_ && live_->awaiting && AdvanceErrorReplyMatcher(live_->errorProgress, c)) live_->refused = true;
    if (c == ')' || c == ']') monitor_.replyEndSeen = true;
    if (AdvanceDumpEndMatcher(monitor_.markerProgress, c)) {
      monitor_.dumpEndSeen = true;
      markerSeen = true;
      break;
    }
  }
  text.Flush();
  serial_.Consume(used);
  wait_.Wake();
  if (markerSeen && !run_.serialImport) ScheduleSerialReceive();
}

void TransferController::ScheduleSerialReceive() {
  if (serialReceiveScheduled_ || !serial_.IsPortOpen() || serial_.BytesWaiting() == 0) return;
  serialReceiveScheduled_ = true;
  QMetaObject::invokeMethod(this, &TransferController::OnSerialReceive, Qt::QueuedConnection);
}

}  // namespace zem
