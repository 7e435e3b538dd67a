#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <string>
#include <string_view>

#include "model/text_log.h"

class QPlainTextEdit;

namespace zem {

// The text of a TextLog as a read-only text area shows it: CR LF breaks the
// line; any other control byte (a lone CR or LF, TAB, DEL) shows as a blank,
// never as a line break; other bytes are Latin-1 characters.
QString TextLogDisplayText(std::string_view text);

// Binds a TextLog to a QPlainTextEdit. Received text arrives a byte at a time,
// and appending to the widget per byte is quadratic in the line length, so
// appended text is collected and written to the widget at most once per event
// loop pass and at most every kFlushInterval ms.
class TextLogView : public QObject, public TextLog::Listener {
  Q_OBJECT

 public:
  static constexpr int kFlushIntervalMs = 20;

  TextLogView(TextLog& log, QPlainTextEdit* edit, QObject* parent = nullptr);
  ~TextLogView() override;

  void TextAppended(std::string_view text) override;
  void Cleared() override;

  // Writes what is waiting into the widget now.
  void Flush();
  // Bytes collected but not yet shown.
  std::size_t PendingBytes() const { return pending_.size(); }

 private:
  void ScheduleFlush();

  TextLog& log_;
  QPlainTextEdit* edit_;
  std::string pending_;
  QTimer flushTimer_;
  QElapsedTimer sinceFlush_;
};

}  // namespace zem
