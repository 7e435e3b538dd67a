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

// The text of a TextLog as a text area shows it: CR LF breaks the line; any
// other control byte (a lone CR or LF, TAB, DEL) shows as a blank, never as a
// line break; other bytes are Latin-1 characters.
QString TextAreaText(std::string_view text);

// Keeps a read-only text area showing a TextLog. The log's changes arrive a
// byte or a line at a time; the area takes them in at most once per
// event-loop pass, and a steady stream at most every kSyncIntervalMs, as one
// insertion (a text edit appending line by line is slow).
//
// A child of the area: it lets go of the log when the area goes.
class TextAreaFeed : public QObject, public TextLog::Listener {
  Q_OBJECT

 public:
  static constexpr int kSyncIntervalMs = 20;

  TextAreaFeed(TextLog& log, QPlainTextEdit* area);
  ~TextAreaFeed() override;

  void TextAppended(std::string_view text) override;
  void Cleared() override;

  // Takes in what the log gained now rather than on the next pass.
  void Sync();

 private:
  void ScheduleSync();
  // Appends the log's bytes from `from` on at the end of the area, all but a
  // CR at the very end, which may yet pair with an LF.
  void AppendFrom(std::size_t from);

  TextLog& log_;
  QPlainTextEdit* area_;
  // How many of the log's bytes the area shows.
  std::size_t taken_ = 0;
  QTimer syncTimer_;
  QElapsedTimer sinceSync_;
};

}  // namespace zem
