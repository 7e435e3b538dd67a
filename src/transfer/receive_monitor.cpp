#include "transfer/receive_monitor.h"

namespace zem {

namespace {

bool Printable(unsigned char c) { return c >= 32 && c <= 126; }

}  // namespace

void AppendReceivedChar(TextLog& receivedText, char byte) {
  const auto c = static_cast<unsigned char>(byte);
  if (Printable(c)) {
    receivedText.AppendText(std::string_view(&byte, 1));
  } else if (c == '\r') {
    receivedText.AppendText("\r\n");
  }
}

void ReceivedText::Add(char byte) {
  const auto c = static_cast<unsigned char>(byte);
  if (Printable(c)) {
    pending_ += byte;
  } else if (c == '\r') {
    pending_ += "\r\n";
  }
}

void ReceivedText::Flush() {
  if (pending_.empty()) return;
  receivedTextEdit_.AppendText(pending_);
  pending_.clear();
}

namespace {

bool AdvanceMatcher(int& progress, char byte, std::string_view marker) {
  const auto at = static_cast<std::size_t>(progress);
  if (at < marker.size() && byte == marker[at]) {
    if (at + 1 == marker.size()) return true;  // progress stays at the last step
    ++progress;
  } else {
    progress = 0;
  }
  return false;
}

}  // namespace

bool CommandLineWatch::Add(char byte) {
  if (byte == '\r') {
    const bool complete = commandLine_;
    atLineStart_ = true;
    commandLine_ = false;
    return complete;
  }
  const auto c = static_cast<unsigned char>(byte);
  if (c < 32 || c > 126) return false;  // dropped from the text
  if (atLineStart_) commandLine_ = byte == '[' || byte == '(';
  atLineStart_ = false;
  return false;
}

bool AdvanceDumpEndMatcher(int& progress, char byte) { return AdvanceMatcher(progress, byte, "(QX)"); }

bool AdvanceQuerySeenMatcher(int& progress, char byte) { return AdvanceMatcher(progress, byte, "[QXSB]"); }

bool AdvanceErrorReplyMatcher(int& progress, char byte) {
  if (!AdvanceMatcher(progress, byte, "(ERROR)")) return false;
  progress = 0;
  return true;
}

std::string DurationText(int ms) {
  const int seconds = (ms + 999) / 1000;
  return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
}

}  // namespace zem
