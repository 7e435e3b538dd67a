#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstddef>
#include <string_view>

#include "model/text_log.h"

class QPlainTextEdit;

namespace zem {

// A text area shows a log of up to kShownLinesLimit lines whole, a longer
// one its first and last kShownEndLines lines with one line between them
// saying how many are not shown: laying out hundreds of thousands of lines
// would stall the window, and the log keeps them all.
inline constexpr std::size_t kShownLinesLimit = 20000;
inline constexpr std::size_t kShownEndLines = 10000;

// Which of a log's `lineCount` lines a text area shows: lines 0 to head - 1
// and tailStart to the last; none is left out when tailStart == head.
struct ShownLines {
  std::size_t head = 0;
  std::size_t tailStart = 0;
  std::size_t LeftOut() const { return tailStart - head; }
  friend bool operator==(const ShownLines&, const ShownLines&) = default;
};
ShownLines ShownLinesOf(std::size_t lineCount);

// The line shown in place of `count` lines left out.
QString LeftOutLinesText(std::size_t count);

// A line shows at most kShownLineChars characters, then kCutLineText: a text
// area lays out a line whole, and a line of a million characters would stall
// the window for most of a second.
inline constexpr int kShownLineChars = 10000;
inline constexpr char kCutLineText[] = " ... (the rest of this line is not shown)";
// How much of the line being written is shown, carried from one piece of
// text to the next.
struct LineCut {
  int shown = 0;
  bool cut = false;
};

// The text of a TextLog as a text area shows it: CR LF breaks the line; any
// other control byte (a lone CR or LF, TAB, DEL) shows as a blank, never as a
// line break; other bytes are Latin-1 characters.
QString TextAreaText(std::string_view text);
// The same for a piece that continues the line `line` tells of.
QString TextAreaText(std::string_view text, LineCut& line);
// All a text area shows of `log`: the shown lines, and the line saying how
// many are left out. A CR at the very end, which may yet pair with an LF, is
// not shown.
QString TextAreaText(const TextLog& log);

// Keeps a read-only text area showing a TextLog. The log's changes arrive a
// byte or a line at a time; the area takes them in at most once per
// event-loop pass, and a steady stream at most every kSyncIntervalMs, as one
// insertion (a text edit appending line by line is slow), of at most about
// kShownEndLines lines. Once lines are left out, a pass replaces only the
// tail and the line counting what is left out.
//
// A child of the area: it lets go of the log when the area goes.
class TextAreaFeed : public QObject, public TextLog::Listener {
  Q_OBJECT

 public:
  static constexpr int kSyncIntervalMs = 20;
  // Once lines are left out, a growing log rewrites the tail each time:
  // taken in less often.
  static constexpr int kLongLogSyncIntervalMs = 200;

  TextAreaFeed(TextLog& log, QPlainTextEdit* area);
  ~TextAreaFeed() override;

  void TextAppended(std::string_view text) override;
  void Cleared() override;

  // Takes in what the log gained now rather than on the next pass.
  void Sync();

 private:
  void ScheduleSync();
  // Takes in what the log gained, or the first part of it; true when more
  // is left for another pass.
  bool TakeIn();

  TextLog& log_;
  QPlainTextEdit* area_;
  // How far into the log's bytes the area shows them.
  std::size_t taken_ = 0;
  // The first line of the tail while lines are left out, else 0.
  std::size_t tailStart_ = 0;
  // Lines are left out and the tail is not written yet.
  bool tailPending_ = false;
  // The last line shown, which the next piece may continue.
  LineCut lastLine_;
  QTimer syncTimer_;
  QElapsedTimer sinceSync_;
};

}  // namespace zem
