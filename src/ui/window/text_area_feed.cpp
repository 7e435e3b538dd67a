#include "ui/window/text_area_feed.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <algorithm>

#include "model/config_model.h"
#include "transfer/latin1.h"

namespace zem {

namespace {

// The log's bytes a text area shows: all but a CR at the very end.
std::string_view ShownBytes(const TextLog& log) {
  std::string_view text = log.Text();
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  return text;
}

// Where line `index` starts in the log's text.
std::size_t LineOffset(const TextLog& log, std::size_t index) {
  return static_cast<std::size_t>(log.LineView(index).data() - log.Text().data());
}

// The start of block `number`, or the end of the text when there is none.
int BlockPosition(const QTextDocument& document, std::size_t number) {
  const QTextBlock block = document.findBlockByNumber(static_cast<int>(number));
  return block.isValid() ? block.position() : document.characterCount() - 1;
}

}  // namespace

ShownLines ShownLinesOf(std::size_t lineCount) {
  if (lineCount <= kShownLinesLimit) return {lineCount, lineCount};
  return {kShownEndLines, lineCount - kShownEndLines};
}

QString LeftOutLinesText(std::size_t count) {
  return QString("... %1 %2 not shown ...").arg(count).arg(count == 1 ? "line" : "lines");
}

QString TextAreaText(std::string_view text) {
  LineCut line;
  return TextAreaText(text, line);
}

QString TextAreaText(std::string_view text, LineCut& line) {
  QString shown;
  shown.reserve(static_cast<qsizetype>(text.size()));
  const char* in = text.data();
  const char* const end = in + text.size();
  for (; in < end; ++in) {
    const auto c = static_cast<unsigned char>(*in);
    if (c == '\r' && in + 1 < end && in[1] == '\n') {
      shown += QLatin1Char('\n');
      ++in;
      line = LineCut{};
    } else if (line.shown < kShownLineChars) {
      shown += IsControlByte(c) ? QLatin1Char(' ') : QLatin1Char(static_cast<char>(c));
      ++line.shown;
    } else if (!line.cut) {
      shown += QLatin1String(kCutLineText);
      line.cut = true;
    }
  }
  return shown;
}

QString TextAreaText(const TextLog& log) {
  const std::string_view text = ShownBytes(log);
  const ShownLines shown = ShownLinesOf(log.LineCount());
  if (shown.LeftOut() == 0) return TextAreaText(text);
  // The head's bytes end with the break after its last line.
  return TextAreaText(text.substr(0, LineOffset(log, shown.head))) + LeftOutLinesText(shown.LeftOut()) +
         QLatin1Char('\n') + TextAreaText(text.substr(LineOffset(log, shown.tailStart)));
}

TextAreaFeed::TextAreaFeed(TextLog& log, QPlainTextEdit* area) : QObject(area), log_(log), area_(area) {
  // The log is the truth and only grows or is cleared: nothing to undo, and
  // an undo record of every insertion would only cost memory.
  area_->document()->setUndoRedoEnabled(false);
  syncTimer_.setSingleShot(true);
  connect(&syncTimer_, &QTimer::timeout, this, &TextAreaFeed::Sync);
  log_.SetListener(this);
  // What the log already holds is shown at once.
  while (TakeIn()) {
  }
}

TextAreaFeed::~TextAreaFeed() { log_.SetListener(nullptr); }

void TextAreaFeed::TextAppended(std::string_view) { ScheduleSync(); }

void TextAreaFeed::Cleared() {
  // At once, not on the next pass: the area shows nothing the log no longer holds.
  taken_ = tailStart_ = 0;
  tailPending_ = false;
  lastLine_ = LineCut{};
  area_->clear();
}

void TextAreaFeed::ScheduleSync() {
  if (syncTimer_.isActive()) return;
  // The first text after a quiet spell shows on the next pass; a steady
  // stream is shown in slices of kSyncIntervalMs.
  const int interval = tailStart_ > 0 && !tailPending_ ? kLongLogSyncIntervalMs : kSyncIntervalMs;
  int wait = 0;
  if (sinceSync_.isValid() && sinceSync_.elapsed() < interval)
    wait = interval - static_cast<int>(sinceSync_.elapsed());
  syncTimer_.start(wait);
}

void TextAreaFeed::Sync() {
  syncTimer_.stop();
  sinceSync_.start();
  QScrollBar* bar = area_->verticalScrollBar();
  const bool atEnd = bar->value() >= bar->maximum();
  // A large gain is taken in over several passes, the window answering
  // between them.
  if (TakeIn()) ScheduleSync();
  // Following the end while it is in sight, as a log window does.
  if (atEnd) bar->setValue(bar->maximum());
}

bool TextAreaFeed::TakeIn() {
  const std::string_view text = ShownBytes(log_);
  if (text.size() <= taken_ && !tailPending_) return false;
  const ShownLines shown = ShownLinesOf(log_.LineCount());
  QTextDocument& document = *area_->document();
  QTextCursor cursor(&document);
  cursor.beginEditBlock();
  bool more = false;
  if (shown.LeftOut() == 0) {
    // At most kShownEndLines lines a pass, from the line shown last on.
    std::size_t end = text.size();
    const std::size_t limit = static_cast<std::size_t>(document.blockCount() - 1) + kShownEndLines;
    if (limit < log_.LineCount()) {
      end = LineOffset(log_, limit);
      more = true;
    }
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(TextAreaText(text.substr(taken_, end - taken_), lastLine_));
    taken_ = end;
  } else if (tailStart_ == 0) {
    // The first time lines are left out, the lines of the head not yet shown
    // whole are written anew, then the line counting what is left out. The
    // tail follows on the next pass: no pass writes both.
    const std::size_t kept = std::min(static_cast<std::size_t>(document.blockCount() - 1), shown.head);
    const std::size_t from = LineOffset(log_, kept);
    cursor.setPosition(BlockPosition(document, kept));
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.insertText(TextAreaText(text.substr(from, LineOffset(log_, shown.head) - from)) +
                      LeftOutLinesText(shown.LeftOut()));
    tailPending_ = more = true;
  } else if (tailPending_ || shown.tailStart - tailStart_ >= kShownEndLines) {
    // None of the tail shown stays: it is written anew.
    cursor.setPosition(BlockPosition(document, shown.head));
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    lastLine_ = LineCut{};
    cursor.insertText(LeftOutLinesText(shown.LeftOut()) + QLatin1Char('\n') +
                      TextAreaText(text.substr(LineOffset(log_, shown.tailStart)), lastLine_));
    tailPending_ = false;
  } else {
    // The new text goes at the end, as many lines go from the tail's start,
    // and the count of lines left out grows by as many.
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(TextAreaText(text.substr(taken_), lastLine_));
    if (const std::size_t dropped = shown.tailStart - tailStart_; dropped > 0) {
      const std::size_t tailBlock = shown.head + 1;
      cursor.setPosition(BlockPosition(document, tailBlock));
      cursor.setPosition(BlockPosition(document, tailBlock + dropped), QTextCursor::KeepAnchor);
      cursor.removeSelectedText();
      cursor.setPosition(BlockPosition(document, shown.head));
      cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
      cursor.insertText(LeftOutLinesText(shown.LeftOut()));
    }
  }
  cursor.endEditBlock();
  if (shown.LeftOut() > 0) {
    tailStart_ = shown.tailStart;
    if (!tailPending_) taken_ = text.size();
  }
  return more;
}

}  // namespace zem
