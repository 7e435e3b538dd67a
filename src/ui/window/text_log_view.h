#pragma once

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QFont>
#include <QString>
#include <QTimer>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "model/text_log.h"

class QMenu;

namespace zem {

// The text of a TextLog as a text area shows it: CR LF breaks the line; any
// other control byte (a lone CR or LF, TAB, DEL) shows as a blank, never as a
// line break; other bytes are Latin-1 characters.
QString TextLogDisplayText(std::string_view text);

// A read-only text area that shows a TextLog through a view over its lines:
// it paints only the lines in sight, reading them from the log, and keeps no
// copy of the text. A log of hundreds of thousands of lines costs a repaint,
// whatever arrives at once.
//
// The log's changes reach the view one byte or one line at a time; the view
// takes them in (scroll range, following the end, a repaint) at most once per
// event-loop pass, and a steady stream at most every kSyncIntervalMs.
//
// As a read-only multi-line edit does, it scrolls both ways, follows the end
// while its last line is in sight, and lets the user select with the mouse or
// the keyboard, Select All and copy (Ctrl+C, the context menu). A copy holds
// the selected bytes themselves, lines separated by LF.
class TextLogView : public QAbstractScrollArea, public TextLog::Listener {
  Q_OBJECT

 public:
  static constexpr int kSyncIntervalMs = 20;
  // Space between the frame and the text, as a text document leaves it.
  static constexpr int kMargin = 4;

  // A place in the text: a shown line and a byte within it (0 to its length).
  struct Position {
    std::size_t line = 0;
    std::size_t column = 0;
    friend bool operator==(const Position&, const Position&) = default;
    friend auto operator<=>(const Position&, const Position&) = default;
  };

  explicit TextLogView(TextLog& log, QWidget* parent = nullptr);
  ~TextLogView() override;

  void TextAppended(std::string_view text) override;
  void Cleared() override;

  // Takes in what the log gained now rather than on the next pass.
  void Sync();
  // How often the view has taken in changes: once per batch, never per byte.
  int SyncCount() const { return syncCount_; }

  // The lines shown: the log's lines, and an empty one after a final line
  // break (an empty area still shows one empty line).
  std::size_t ShownLineCount() const;
  // The whole shown text, LF between lines. It copies the whole log: for
  // tests and small logs.
  QString ShownText() const;

  bool HasSelection() const { return anchor_ != cursor_; }
  Position SelectionAnchor() const { return anchor_; }
  Position CursorPosition() const { return cursor_; }
  // Selects from `anchor` to `cursor` (either order), each kept inside the text.
  void Select(Position anchor, Position cursor);
  void SelectAll();
  // The selected bytes, as Latin-1 characters, LF between lines.
  QString SelectedText() const;
  // The text from one place to another, as SelectedText gives it.
  QString TextBetween(Position one, Position other) const;
  // Places as offsets into the shown text (LF between lines), for assistive
  // tools. The first use indexes the line starts, 8 bytes a line.
  std::size_t OffsetOf(Position place) const;
  Position PositionOfOffset(std::size_t offset) const;
  std::size_t CharacterCount() const;
  // Puts the selected text on the clipboard (nothing when none is selected).
  void Copy();

  // Where a point of the viewport falls in the text, and back: the top left
  // corner of the character at a place, in viewport coordinates.
  Position PositionAt(QPoint point) const;
  QPoint PointOf(Position place) const;

  // Scrolls as little as needed to bring a place into sight.
  void EnsureVisible(Position place);

  // The context menu: Copy and Select All.
  std::unique_ptr<QMenu> MakeContextMenu();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void ScheduleSync();
  // Follows the text as it arrives: the width of the open line, the widest
  // line, whether the text ends with a line break.
  void TakeIn(std::string_view text);
  void EndLine();
  // Measures the font's characters and the log's lines afresh.
  void Remeasure();
  void UpdateScrollRanges();
  int LineHeight() const { return lineHeight_; }
  // The margin above the first line: scrolled down, lines start at the top.
  int TopMargin() const;
  int VisibleLines() const;
  // A byte's width in pixels; the widths are kept in 64ths of a pixel, as
  // the font engine gives them, so sums over long lines stay exact.
  double Advance(unsigned char byte) const { return advances_[byte] / 64.0; }
  std::int64_t RunWidth(std::string_view run) const;
  // The length of a shown line in bytes (a CR that may yet pair with an LF
  // is not shown).
  std::size_t ShownLength(std::size_t line) const;
  // The shown part of line `index`, whose bytes are `line`.
  std::string_view ShownPart(std::size_t index, std::string_view line) const;
  Position Clamped(Position place) const;
  Position EndOfText() const;
  // Moves the cursor, keeping the anchor when extending the selection.
  void MoveCursor(Position to, bool extend);
  // Tells assistive tools where the caret and the selection are.
  void NotifySelection();
  void SelectWordAt(Position place);
  void CopyToSelectionClipboard();
  void ExtendLineStarts() const;

  TextLog& log_;
  QFont shownFont_;
  std::array<std::int32_t, 256> advances_{};
  int lineHeight_ = 1;
  int ascent_ = 0;

  // Stream state, kept as the log changes.
  std::int64_t openWidth_ = 0;
  std::int64_t widest_ = 0;
  bool pendingCR_ = false;
  bool endsWithBreak_ = false;

  Position anchor_;
  Position cursor_;
  bool selecting_ = false;

  // Where each shown line starts in the shown text; built on first use.
  mutable std::vector<std::size_t> lineStarts_;

  QTimer syncTimer_;
  QElapsedTimer sinceSync_;
  int syncCount_ = 0;
};

}  // namespace zem
