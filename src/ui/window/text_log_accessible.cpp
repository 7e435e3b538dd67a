#include "ui/window/text_log_accessible.h"

#include <QAccessible>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <climits>
#include <cstdint>

#include "ui/pages/accessible_factory.h"
#include "ui/window/text_log_view.h"

namespace zem {

namespace {

int ToInt(std::size_t value) { return static_cast<int>(std::min<std::size_t>(value, INT_MAX)); }
std::size_t FromInt(int value) { return value < 0 ? 0 : static_cast<std::size_t>(value); }

}  // namespace

TextLogAccessible::TextLogAccessible(TextLogView* view)
    : QAccessibleWidget(view, QAccessible::EditableText) {}

void TextLogAccessible::InstallFactory() { InstallAccessibleFactory<TextLogView, TextLogAccessible>(); }

TextLogView* TextLogAccessible::View() const { return static_cast<TextLogView*>(widget()); }

void* TextLogAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
  return QAccessibleWidget::interface_cast(type);
}

QAccessible::State TextLogAccessible::state() const {
  QAccessible::State state = QAccessibleWidget::state();
  state.readOnly = true;
  state.multiLine = true;
  state.selectableText = true;
  return state;
}

void TextLogAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
  *startOffset = *endOffset = 0;
  if (selectionIndex != 0 || !View()->HasSelection()) return;
  const auto anchor = View()->SelectionAnchor();
  const auto cursor = View()->CursorPosition();
  *startOffset = ToInt(View()->OffsetOf(std::min(anchor, cursor)));
  *endOffset = ToInt(View()->OffsetOf(std::max(anchor, cursor)));
}

int TextLogAccessible::selectionCount() const { return View()->HasSelection() ? 1 : 0; }

void TextLogAccessible::addSelection(int startOffset, int endOffset) {
  setSelection(0, startOffset, endOffset);
}

void TextLogAccessible::removeSelection(int selectionIndex) {
  if (selectionIndex == 0) View()->Select(View()->CursorPosition(), View()->CursorPosition());
}

void TextLogAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
  if (selectionIndex != 0) return;
  View()->Select(View()->PositionOfOffset(FromInt(startOffset)),
                 View()->PositionOfOffset(FromInt(endOffset)));
}

int TextLogAccessible::cursorPosition() const { return ToInt(View()->OffsetOf(View()->CursorPosition())); }

void TextLogAccessible::setCursorPosition(int position) {
  const auto place = View()->PositionOfOffset(FromInt(position));
  View()->Select(place, place);
}

QString TextLogAccessible::text(int startOffset, int endOffset) const {
  if (endOffset <= startOffset) return {};
  return View()->TextBetween(View()->PositionOfOffset(FromInt(startOffset)),
                             View()->PositionOfOffset(FromInt(endOffset)));
}

int TextLogAccessible::characterCount() const { return ToInt(View()->CharacterCount()); }

void TextLogAccessible::PieceAt(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                                int* endOffset) const {
  const int count = characterCount();
  offset = std::clamp(offset, 0, count);
  if (boundaryType == QAccessible::NoBoundary) {
    *startOffset = 0;
    *endOffset = count;
    return;
  }
  if (boundaryType == QAccessible::CharBoundary) {
    *startOffset = offset;
    *endOffset = std::min(offset + 1, count);
    return;
  }
  const auto at = View()->PositionOfOffset(FromInt(offset));
  const int lineStart = ToInt(View()->OffsetOf({at.line, 0}));
  const int lineEnd = ToInt(View()->OffsetOf({at.line, SIZE_MAX}));
  if (boundaryType != QAccessible::WordBoundary) {
    // Sentences and paragraphs are lines here; a line takes its line break.
    *startOffset = lineStart;
    *endOffset = std::min(lineEnd + 1, count);
    return;
  }
  if (offset >= lineEnd) {  // the line break itself
    *startOffset = lineEnd;
    *endOffset = std::min(lineEnd + 1, count);
    return;
  }
  const QString line = View()->TextBetween({at.line, 0}, {at.line, SIZE_MAX});
  const int column = offset - lineStart;
  QTextBoundaryFinder finder(QTextBoundaryFinder::Word, line);
  finder.setPosition(column);
  const int start =
      finder.isAtBoundary() ? column : std::max(0, static_cast<int>(finder.toPreviousBoundary()));
  finder.setPosition(column);
  const qsizetype next = finder.toNextBoundary();
  *startOffset = lineStart + start;
  *endOffset = lineStart + (next < 0 ? static_cast<int>(line.size()) : static_cast<int>(next));
}

QString TextLogAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                        int* startOffset, int* endOffset) const {
  PieceAt(offset, boundaryType, startOffset, endOffset);
  return text(*startOffset, *endOffset);
}

QString TextLogAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                            int* startOffset, int* endOffset) const {
  int start = 0, end = 0;
  PieceAt(offset, boundaryType, &start, &end);
  if (start <= 0 || boundaryType == QAccessible::NoBoundary) {
    *startOffset = *endOffset = 0;
    return {};
  }
  return textAtOffset(start - 1, boundaryType, startOffset, endOffset);
}

QString TextLogAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                           int* startOffset, int* endOffset) const {
  int start = 0, end = 0;
  PieceAt(offset, boundaryType, &start, &end);
  const int count = characterCount();
  if (end >= count || boundaryType == QAccessible::NoBoundary) {
    *startOffset = *endOffset = count;
    return {};
  }
  return textAtOffset(end, boundaryType, startOffset, endOffset);
}

QRect TextLogAccessible::characterRect(int offset) const {
  const auto place = View()->PositionOfOffset(FromInt(offset));
  const QString character = text(offset, offset + 1);
  const QFontMetrics metrics = View()->fontMetrics();
  const int width =
      metrics.horizontalAdvance(character.isEmpty() || character == "\n" ? QString(" ") : character);
  const QPoint topLeft = View()->viewport()->mapToGlobal(View()->PointOf(place));
  return QRect(topLeft, QSize(width, metrics.height()));
}

int TextLogAccessible::offsetAtPoint(const QPoint& point) const {
  const QPoint local = View()->viewport()->mapFromGlobal(point);
  if (!View()->viewport()->rect().contains(local)) return -1;
  return ToInt(View()->OffsetOf(View()->PositionAt(local)));
}

void TextLogAccessible::scrollToSubstring(int startIndex, int endIndex) {
  View()->EnsureVisible(View()->PositionOfOffset(FromInt(endIndex)));
  View()->EnsureVisible(View()->PositionOfOffset(FromInt(startIndex)));
}

QString TextLogAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
  (void)offset;
  *startOffset = 0;
  *endOffset = characterCount();
  return {};
}

}  // namespace zem
