#include "ui/window/text_area_feed.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

#include "transfer/latin1.h"

namespace zem {

QString TextAreaText(std::string_view text) {
  QString shown = Latin1(text);
  QChar* out = shown.data();
  const QChar* in = out;
  const QChar* const end = in + shown.size();
  for (; in < end; ++in) {
    const char16_t c = in->unicode();
    if (c == '\r' && in + 1 < end && in[1] == QLatin1Char('\n')) {
      *out++ = QLatin1Char('\n');
      ++in;
    } else {
      *out++ = c < 32 || c == 127 ? QChar(QLatin1Char(' ')) : *in;
    }
  }
  shown.truncate(out - shown.constData());
  return shown;
}

TextAreaFeed::TextAreaFeed(TextLog& log, QPlainTextEdit* area) : QObject(area), log_(log), area_(area) {
  // The log is the truth and only grows or is cleared: nothing to undo, and
  // an undo record of every insertion would only cost memory.
  area_->document()->setUndoRedoEnabled(false);
  syncTimer_.setSingleShot(true);
  connect(&syncTimer_, &QTimer::timeout, this, &TextAreaFeed::Sync);
  log_.SetListener(this);
  AppendFrom(0);
}

TextAreaFeed::~TextAreaFeed() { log_.SetListener(nullptr); }

void TextAreaFeed::TextAppended(std::string_view) { ScheduleSync(); }

void TextAreaFeed::Cleared() {
  // At once, not on the next pass: the area shows nothing the log no longer holds.
  taken_ = 0;
  area_->clear();
}

void TextAreaFeed::ScheduleSync() {
  if (syncTimer_.isActive()) return;
  // The first text after a quiet spell shows on the next pass; a steady
  // stream is shown in slices of kSyncIntervalMs.
  int wait = 0;
  if (sinceSync_.isValid() && sinceSync_.elapsed() < kSyncIntervalMs)
    wait = kSyncIntervalMs - static_cast<int>(sinceSync_.elapsed());
  syncTimer_.start(wait);
}

void TextAreaFeed::Sync() {
  syncTimer_.stop();
  sinceSync_.start();
  QScrollBar* bar = area_->verticalScrollBar();
  const bool atEnd = bar->value() >= bar->maximum();
  AppendFrom(taken_);
  // Following the end while it is in sight, as a log window does.
  if (atEnd) bar->setValue(bar->maximum());
}

void TextAreaFeed::AppendFrom(std::size_t from) {
  std::string_view text = log_.Text();
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  if (text.size() <= from) return;
  QTextCursor cursor(area_->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(TextAreaText(text.substr(from)));
  taken_ = text.size();
}

}  // namespace zem
