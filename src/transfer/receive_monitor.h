#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include "model/text_log.h"

namespace zem {

// What the serial receive handler tells the import and export loops.
struct ReceiveMonitor {
  bool replyEndSeen = false;  // a ")" or "]" arrived on the serial link
  bool dumpEndSeen = false;   // the serial link received "(QX)"
  int markerProgress = 0;     // bytes of the current end marker matched so far
};

// The one rule by which received bytes become text: 32 to 126 are appended,
// CR starts a new line, everything else is dropped.
void AppendReceivedChar(TextLog& receivedText, char byte);

// Collects received bytes for AppendReceivedChar and appends them in one
// piece, so a long answer does not cost one text-area update per byte. The
// text is the same as byte by byte; Flush before anything reads receivedText.
class ReceivedText {
 public:
  explicit ReceivedText(TextLog& receivedText) : receivedTextEdit_(receivedText) {}
  ~ReceivedText() { Flush(); }
  ReceivedText(const ReceivedText&) = delete;
  ReceivedText& operator=(const ReceivedText&) = delete;

  void Add(char byte);
  void Flush();
  // Bytes receivedText will hold once flushed.
  std::size_t ByteCount() const { return receivedTextEdit_.ByteCount() + pending_.size(); }

 private:
  TextLog& receivedTextEdit_;
  std::string pending_;
};

// The serial dump's end "(QX)". Returns true when `byte` completes it. After
// a partial match a wrong byte starts over and is not itself taken as "(".
bool AdvanceDumpEndMatcher(int& progress, char byte);
// The Telnet dump's end "[QXSB]", with the same rule.
bool AdvanceQuerySeenMatcher(int& progress, char byte);
// The unit's "(ERROR)" answer, with the same rule; starts over after a match.
bool AdvanceErrorReplyMatcher(int& progress, char byte);

// Tells, byte by byte as received, when a command line is complete: a line
// of the received text (bytes AppendReceivedChar keeps) that opens with "["
// or "(" and ends at CR. A unit that sends bytes but no such line is making
// no progress, however many bytes come.
class CommandLineWatch {
 public:
  // True when `byte` completes a command line.
  bool Add(char byte);

 private:
  bool atLineStart_ = true;
  bool commandLine_ = false;
};

// A link failure the running command does not handle: it ends the command
// and its text goes to the error box.
class LinkFailure : public std::runtime_error {
 public:
  // HostNotFound, Refused and ConnectTimedOut: why a connection could not be made.
  enum class Kind { Other, Closed, Reset, TimedOut, HostNotFound, Refused, ConnectTimedOut };
  explicit LinkFailure(const std::string& text, Kind kind = Kind::Other)
      : std::runtime_error(text), kind_(kind) {}
  // The unit ended the connection, by a close or a reset.
  bool Closed() const { return kind_ == Kind::Closed || kind_ == Kind::Reset; }
  bool Reset() const { return kind_ == Kind::Reset; }
  bool TimedOut() const { return kind_ == Kind::TimedOut; }
  Kind What() const { return kind_; }

 private:
  Kind kind_;
};

// The user cancelled the running transfer.
struct TransferCancelled {};

inline constexpr char kLinkClosedText[] = "Connection Closed Gracefully.";
inline constexpr char kLinkResetText[] = "Connection reset by the unit.";

// A wait's limit as a text, in whole seconds rounded up: "30 seconds".
std::string DurationText(int ms);

}  // namespace zem
