#pragma once

#include <QAccessibleWidget>

namespace zem {

class TextLogView;

// What assistive tools see of a text area: read-only multi-line text whose
// characters, lines, words, selection and caret they can ask for. Offsets
// count the shown text, LF between lines; the text is read from the log a
// line at a time, never copied whole except when the whole is asked for.
class TextLogAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit TextLogAccessible(TextLogView* view);

  // Makes the text areas known to the accessibility framework (once).
  static void InstallFactory();

  void* interface_cast(QAccessible::InterfaceType type) override;
  QAccessible::State state() const override;

  void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
  int selectionCount() const override;
  void addSelection(int startOffset, int endOffset) override;
  void removeSelection(int selectionIndex) override;
  void setSelection(int selectionIndex, int startOffset, int endOffset) override;
  int cursorPosition() const override;
  void setCursorPosition(int position) override;
  QString text(int startOffset, int endOffset) const override;
  using QAccessibleWidget::text;
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                           int* endOffset) const override;
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                          int* endOffset) const override;
  QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                       int* endOffset) const override;
  int characterCount() const override;
  QRect characterRect(int offset) const override;
  int offsetAtPoint(const QPoint& point) const override;
  void scrollToSubstring(int startIndex, int endIndex) override;
  QString attributes(int offset, int* startOffset, int* endOffset) const override;

 private:
  TextLogView* View() const;
  // The piece of the given kind around `offset`: a character, a word (within
  // its line) or a line (also for sentences and paragraphs).
  void PieceAt(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
               int* endOffset) const;
};

}  // namespace zem
