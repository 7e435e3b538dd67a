#include "ui/window/text_log_view.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

namespace zem {

QString TextLogDisplayText(std::string_view text) {
  QString shown;
  shown.reserve(static_cast<qsizetype>(text.size()));
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      shown += QChar('\n');
      ++i;
    } else if (c < 32 || c == 127) {
      shown += QChar(' ');
    } else {
      shown += QChar(c);  // Latin-1: the byte is the code point
    }
  }
  return shown;
}

TextLogView::TextLogView(TextLog& log, QPlainTextEdit* edit, QObject* parent)
    : QObject(parent), log_(log), edit_(edit) {
  flushTimer_.setSingleShot(true);
  connect(&flushTimer_, &QTimer::timeout, this, &TextLogView::Flush);
  std::string text = log_.Text();
  // A CR at the very end may still pair with an LF to come.
  if (!text.empty() && text.back() == '\r') {
    pending_.push_back('\r');
    text.pop_back();
  }
  edit_->setPlainText(TextLogDisplayText(text));
  log_.SetListener(this);
}

TextLogView::~TextLogView() { log_.SetListener(nullptr); }

void TextLogView::TextAppended(std::string_view text) {
  pending_.append(text);
  ScheduleFlush();
}

void TextLogView::Cleared() {
  pending_.clear();
  flushTimer_.stop();
  edit_->clear();
}

void TextLogView::ScheduleFlush() {
  if (flushTimer_.isActive()) return;
  // The first text after a quiet spell shows on the next pass; a steady
  // stream is shown in slices of kFlushIntervalMs.
  int wait = 0;
  if (sinceFlush_.isValid() && sinceFlush_.elapsed() < kFlushIntervalMs)
    wait = kFlushIntervalMs - static_cast<int>(sinceFlush_.elapsed());
  flushTimer_.start(wait);
}

void TextLogView::Flush() {
  flushTimer_.stop();
  sinceFlush_.start();
  if (pending_.empty()) return;
  std::string_view ready(pending_);
  // Hold back a trailing CR: the LF that makes it a line break may follow.
  const bool heldCR = ready.back() == '\r';
  if (heldCR) ready.remove_suffix(1);
  if (!ready.empty()) {
    QScrollBar* bar = edit_->verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    QTextCursor cursor(edit_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(TextLogDisplayText(ready));
    if (atEnd) bar->setValue(bar->maximum());
  }
  pending_.clear();
  if (heldCR) pending_.push_back('\r');
}

}  // namespace zem
