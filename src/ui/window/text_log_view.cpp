#include "ui/window/text_log_view.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QScrollBar>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "transfer/latin1.h"
#include "ui/window/text_log_accessible.h"

namespace zem {

namespace {

bool ShownAsBlank(unsigned char byte) { return byte < 32 || byte == 127; }

// Latin-1, with the control bytes as blanks.
QString ShownCharacters(std::string_view bytes) {
  QString shown = Latin1(bytes);
  for (QChar& c : shown)
    if (ShownAsBlank(static_cast<unsigned char>(c.unicode()))) c = QLatin1Char(' ');
  return shown;
}

bool IsWordByte(unsigned char byte) { return byte == '_' || QChar(byte).isLetterOrNumber(); }

int ClampToInt(std::size_t value) { return static_cast<int>(std::min<std::size_t>(value, INT_MAX / 2)); }

}  // namespace

QString TextLogDisplayText(std::string_view text) {
  QString shown;
  shown.reserve(static_cast<qsizetype>(text.size()));
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = text.find("\r\n", start);
    shown += ShownCharacters(text.substr(start, at == std::string_view::npos ? at : at - start));
    if (at == std::string_view::npos) break;
    shown += QLatin1Char('\n');
    start = at + 2;
  }
  return shown;
}

TextLogView::TextLogView(TextLog& log, QWidget* parent) : QAbstractScrollArea(parent), log_(log) {
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setCursor(Qt::IBeamCursor);
  verticalScrollBar()->setSingleStep(1);
  horizontalScrollBar()->setSingleStep(20);
  syncTimer_.setSingleShot(true);
  connect(&syncTimer_, &QTimer::timeout, this, &TextLogView::Sync);
  TextLogAccessible::InstallFactory();
  Remeasure();
  UpdateScrollRanges();
  log_.SetListener(this);
}

TextLogView::~TextLogView() { log_.SetListener(nullptr); }

void TextLogView::TextAppended(std::string_view text) {
  TakeIn(text);
  ScheduleSync();
}

void TextLogView::Cleared() {
  lineStarts_.clear();
  openWidth_ = widest_ = 0;
  pendingCR_ = endsWithBreak_ = false;
  anchor_ = cursor_ = Position{};
  selecting_ = false;
  UpdateScrollRanges();
  viewport()->update();
}

void TextLogView::ScheduleSync() {
  if (syncTimer_.isActive()) return;
  // The first text after a quiet spell shows on the next pass; a steady
  // stream is shown in slices of kSyncIntervalMs.
  int wait = 0;
  if (sinceSync_.isValid() && sinceSync_.elapsed() < kSyncIntervalMs)
    wait = kSyncIntervalMs - static_cast<int>(sinceSync_.elapsed());
  syncTimer_.start(wait);
}

void TextLogView::Sync() {
  syncTimer_.stop();
  sinceSync_.start();
  ++syncCount_;
  QScrollBar* bar = verticalScrollBar();
  const bool atEnd = bar->value() >= bar->maximum();
  UpdateScrollRanges();
  if (atEnd) bar->setValue(bar->maximum());
  viewport()->update();
}

void TextLogView::TakeIn(std::string_view text) {
  std::size_t at = 0;
  if (pendingCR_ && !text.empty()) {
    pendingCR_ = false;
    if (text.front() == '\n') {
      EndLine();
      at = 1;
    } else {
      openWidth_ += advances_['\r'];  // a lone CR shows as a blank
    }
  }
  // Runs of bytes up to each CR: most text has one per line.
  while (at < text.size()) {
    const auto* cr = static_cast<const char*>(std::memchr(text.data() + at, '\r', text.size() - at));
    const std::size_t runEnd = cr ? static_cast<std::size_t>(cr - text.data()) : text.size();
    if (runEnd > at) {
      openWidth_ += RunWidth(text.substr(at, runEnd - at));
      endsWithBreak_ = false;
    }
    if (!cr) break;
    endsWithBreak_ = false;
    if (runEnd + 1 == text.size()) {
      pendingCR_ = true;
      break;
    }
    if (text[runEnd + 1] == '\n') {
      EndLine();
      at = runEnd + 2;
    } else {
      openWidth_ += advances_['\r'];
      at = runEnd + 1;
    }
  }
}

std::int64_t TextLogView::RunWidth(std::string_view run) const {
  // Two sums, so the additions need not wait on each other.
  std::int64_t even = 0, odd = 0;
  std::size_t i = 0;
  for (; i + 1 < run.size(); i += 2) {
    even += advances_[static_cast<unsigned char>(run[i])];
    odd += advances_[static_cast<unsigned char>(run[i + 1])];
  }
  if (i < run.size()) even += advances_[static_cast<unsigned char>(run[i])];
  return even + odd;
}

void TextLogView::EndLine() {
  widest_ = std::max(widest_, openWidth_);
  openWidth_ = 0;
  endsWithBreak_ = true;
}

void TextLogView::Remeasure() {
  // Without shaping and kerning a line is exactly as wide as its characters'
  // advances: the widths follow the text as it arrives, and a place in a
  // line of any length is found without laying the line out.
  shownFont_ = font();
  shownFont_.setKerning(false);
  shownFont_.setStyleStrategy(QFont::PreferNoShaping);
  const QFontMetricsF metrics(shownFont_);
  for (int byte = 0; byte < 256; ++byte)
    advances_[byte] = static_cast<std::int32_t>(
        std::lround(64 * metrics.horizontalAdvance(ShownAsBlank(byte) ? QChar(' ') : QChar(byte))));
  // Whole pixels per line, rounded up as a text document lays lines out.
  lineHeight_ = std::max(1, static_cast<int>(std::ceil(metrics.lineSpacing())));
  ascent_ = static_cast<int>(std::round(metrics.ascent()));

  openWidth_ = widest_ = 0;
  pendingCR_ = endsWithBreak_ = false;
  const std::size_t lines = log_.LineCount();
  std::size_t lineBytes = 0;
  for (std::size_t i = 0; i < lines; ++i) {
    const auto line = log_.Line(i);
    lineBytes += line.size();
    TakeIn(line);
    if (i + 1 < lines) TakeIn("\r\n");
  }
  // The bytes not in lines are the line breaks: one after every line means
  // the text ends with one.
  const std::size_t breaks = (log_.ByteCount() - std::min(lineBytes, log_.ByteCount())) / 2;
  if (lines > 0 && breaks >= lines) TakeIn("\r\n");
}

std::size_t TextLogView::ShownLineCount() const {
  const std::size_t lines = log_.LineCount();
  return lines + (endsWithBreak_ || lines == 0 ? 1 : 0);
}

std::string_view TextLogView::ShownPart(std::size_t index, std::string_view line) const {
  if (pendingCR_ && index + 1 == log_.LineCount() && !line.empty()) line.remove_suffix(1);
  return line;
}

std::size_t TextLogView::ShownLength(std::size_t index) const {
  if (index >= log_.LineCount()) return 0;
  const auto line = log_.Line(index);
  return ShownPart(index, line).size();
}

QString TextLogView::ShownText() const {
  QString shown;
  const std::size_t count = ShownLineCount();
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) shown += QLatin1Char('\n');
    if (i >= log_.LineCount()) continue;
    const auto line = log_.Line(i);
    shown += ShownCharacters(ShownPart(i, line));
  }
  return shown;
}

int TextLogView::TopMargin() const { return verticalScrollBar()->value() == 0 ? kMargin : 0; }

int TextLogView::VisibleLines() const {
  return std::max(1, (viewport()->height() - 2 * kMargin) / LineHeight());
}

void TextLogView::UpdateScrollRanges() {
  QScrollBar* vertical = verticalScrollBar();
  const int lines = VisibleLines();
  vertical->setPageStep(lines);
  vertical->setRange(0, std::max(0, ClampToInt(ShownLineCount()) - lines));
  QScrollBar* horizontal = horizontalScrollBar();
  // Room for the margins and a caret after the widest line.
  const std::int64_t width = (std::max(widest_, openWidth_) + 63) / 64;
  const int content = static_cast<int>(std::min<std::int64_t>(width, INT_MAX / 4)) + 2 * kMargin + 1;
  horizontal->setPageStep(viewport()->width());
  horizontal->setRange(0, std::max(0, content - viewport()->width()));
}

TextLogView::Position TextLogView::Clamped(Position place) const {
  const std::size_t count = ShownLineCount();
  if (place.line >= count) return EndOfText();
  place.column = std::min(place.column, ShownLength(place.line));
  return place;
}

TextLogView::Position TextLogView::EndOfText() const {
  const std::size_t last = ShownLineCount() - 1;
  return {last, ShownLength(last)};
}

void TextLogView::Select(Position anchor, Position cursor) {
  anchor_ = Clamped(anchor);
  cursor_ = Clamped(cursor);
  viewport()->update();
  NotifySelection();
}

void TextLogView::NotifySelection() {
  if (!QAccessible::isActive()) return;
  QAccessibleTextSelectionEvent event(this, static_cast<int>(OffsetOf(std::min(anchor_, cursor_))),
                                      static_cast<int>(OffsetOf(std::max(anchor_, cursor_))));
  event.setCursorPosition(static_cast<int>(OffsetOf(cursor_)));
  QAccessible::updateAccessibility(&event);
}

void TextLogView::SelectAll() { Select({}, EndOfText()); }

QString TextLogView::SelectedText() const { return TextBetween(anchor_, cursor_); }

QString TextLogView::TextBetween(Position one, Position other) const {
  QString text;
  const Position from = Clamped(std::min(one, other));
  const Position to = Clamped(std::max(one, other));
  for (std::size_t i = from.line; i <= to.line; ++i) {
    if (i < log_.LineCount()) {
      const auto line = log_.Line(i);
      const std::size_t start = i == from.line ? from.column : 0;
      const std::string_view bytes = ShownPart(i, line);
      const std::size_t end = i == to.line ? to.column : bytes.size();
      text += Latin1(bytes.substr(start, end - start));
    }
    if (i < to.line) text += QLatin1Char('\n');
  }
  return text;
}

void TextLogView::ExtendLineStarts() const {
  // A line's start is known once the line exists: the lines before it are
  // complete and no longer change.
  const std::size_t count = ShownLineCount();
  if (lineStarts_.empty()) lineStarts_.push_back(0);
  while (lineStarts_.size() < count) {
    const std::size_t previous = lineStarts_.size() - 1;
    lineStarts_.push_back(lineStarts_.back() + ShownLength(previous) + 1);
  }
}

std::size_t TextLogView::OffsetOf(Position place) const {
  place = Clamped(place);
  ExtendLineStarts();
  return lineStarts_[place.line] + place.column;
}

TextLogView::Position TextLogView::PositionOfOffset(std::size_t offset) const {
  ExtendLineStarts();
  const std::size_t count = ShownLineCount();
  const auto after =
      std::upper_bound(lineStarts_.begin(), lineStarts_.begin() + static_cast<long>(count), offset);
  const auto line = static_cast<std::size_t>(after - lineStarts_.begin()) - 1;
  return Clamped({line, offset - lineStarts_[line]});
}

std::size_t TextLogView::CharacterCount() const { return OffsetOf(EndOfText()); }

void TextLogView::Copy() {
  if (HasSelection()) QApplication::clipboard()->setText(SelectedText());
}

void TextLogView::CopyToSelectionClipboard() {
  QClipboard* clipboard = QApplication::clipboard();
  if (HasSelection() && clipboard->supportsSelection())
    clipboard->setText(SelectedText(), QClipboard::Selection);
}

TextLogView::Position TextLogView::PositionAt(QPoint point) const {
  const long long first = verticalScrollBar()->value();
  const int offset = point.y() - TopMargin();
  const long long row = offset >= 0 ? offset / LineHeight() : -((-offset + LineHeight() - 1) / LineHeight());
  const long long last = static_cast<long long>(ShownLineCount()) - 1;
  const auto line = static_cast<std::size_t>(std::clamp(first + row, 0LL, last));
  if (line >= log_.LineCount()) return {line, 0};
  const auto text = log_.Line(line);
  const std::string_view bytes = ShownPart(line, text);
  const std::size_t length = bytes.size();
  double x = kMargin - horizontalScrollBar()->value();
  for (std::size_t column = 0; column < length; ++column) {
    const double advance = Advance(static_cast<unsigned char>(bytes[column]));
    if (point.x() < x + advance / 2) return {line, column};
    x += advance;
  }
  return {line, length};
}

QPoint TextLogView::PointOf(Position place) const {
  place = Clamped(place);
  double x = kMargin - horizontalScrollBar()->value();
  if (place.line < log_.LineCount()) {
    const auto bytes = log_.Line(place.line);
    for (std::size_t column = 0; column < place.column; ++column)
      x += Advance(static_cast<unsigned char>(bytes[column]));
  }
  const long long row = static_cast<long long>(place.line) - verticalScrollBar()->value();
  return {static_cast<int>(std::floor(x)), TopMargin() + static_cast<int>(row * LineHeight())};
}

void TextLogView::EnsureVisible(Position place) {
  UpdateScrollRanges();
  QScrollBar* vertical = verticalScrollBar();
  const int line = ClampToInt(place.line);
  if (line < vertical->value()) vertical->setValue(line);
  if (line >= vertical->value() + VisibleLines()) vertical->setValue(line - VisibleLines() + 1);
  QScrollBar* horizontal = horizontalScrollBar();
  const int x = PointOf(place).x() - kMargin + horizontal->value();  // in the text
  const int room = std::max(1, viewport()->width() - 2 * kMargin);
  if (x < horizontal->value()) horizontal->setValue(x);
  if (x >= horizontal->value() + room) horizontal->setValue(x - room + 1);
}

void TextLogView::MoveCursor(Position to, bool extend) {
  cursor_ = Clamped(to);
  if (!extend) anchor_ = cursor_;
  EnsureVisible(cursor_);
  viewport()->update();
  NotifySelection();
}

void TextLogView::SelectWordAt(Position place) {
  place = Clamped(place);
  if (place.line >= log_.LineCount()) return;
  const auto line = log_.Line(place.line);
  const std::string_view bytes = ShownPart(place.line, line);
  std::size_t start = std::min(place.column, bytes.size());
  std::size_t end = start;
  if (start < bytes.size() && IsWordByte(static_cast<unsigned char>(bytes[start]))) {
    while (start > 0 && IsWordByte(static_cast<unsigned char>(bytes[start - 1]))) --start;
    while (end < bytes.size() && IsWordByte(static_cast<unsigned char>(bytes[end]))) ++end;
  } else if (end < bytes.size()) {
    ++end;
  }
  Select({place.line, start}, {place.line, end});
}

void TextLogView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.setFont(shownFont_);
  const QPalette::ColorGroup group =
      !isEnabled() ? QPalette::Disabled : (hasFocus() ? QPalette::Active : QPalette::Inactive);
  const QColor textColor = palette().color(group, QPalette::Text);
  const QColor highlight = palette().color(group, QPalette::Highlight);
  const QColor highlightedText = palette().color(group, QPalette::HighlightedText);

  const std::size_t count = ShownLineCount();
  const std::size_t lines = log_.LineCount();
  const auto first = static_cast<std::size_t>(verticalScrollBar()->value());
  const double left = kMargin - horizontalScrollBar()->value();
  const double right = viewport()->width();
  const Position from = std::min(anchor_, cursor_);
  const Position to = std::max(anchor_, cursor_);

  for (std::size_t index = first; index < count; ++index) {
    const int top = TopMargin() + static_cast<int>(index - first) * LineHeight();
    if (top >= viewport()->height()) break;
    const bool selected = HasSelection() && index >= from.line && index <= to.line;
    const std::size_t selectStart = selected && index == from.line ? from.column : 0;
    const std::size_t selectEnd = selected && index == to.line ? to.column : SIZE_MAX;

    // Walk the line up to the right edge: the characters in sight and the
    // selection's ends among them.
    QString shown;
    double shownX = left;
    double selectFromX = right;
    double selectToX = right;
    if (index < lines) {
      const auto line = log_.Line(index);
      const std::string_view bytes = ShownPart(index, line);
      double x = left;
      std::size_t column = 0;
      std::size_t firstShown = bytes.size();
      for (; column < bytes.size() && x < right; ++column) {
        if (column == selectStart) selectFromX = x;
        if (column == selectEnd) selectToX = x;
        const double advance = Advance(static_cast<unsigned char>(bytes[column]));
        if (firstShown == bytes.size() && x + advance > 0) {
          firstShown = column;
          shownX = x;
        }
        x += advance;
      }
      if (column == bytes.size()) {
        if (selectStart >= bytes.size()) selectFromX = std::min(selectFromX, x);
        if (selectEnd >= bytes.size()) selectToX = selected && index < to.line ? x + Advance(' ') : x;
      }
      if (firstShown < column) shown = ShownCharacters(bytes.substr(firstShown, column - firstShown));
    } else {
      selectFromX = left;
      selectToX = left;
    }

    const QRectF selection(QPointF(std::max(selectFromX, 0.0), top), QPointF(selectToX, top + LineHeight()));
    const QPointF baseline(shownX, top + ascent_);
    if (selected && selection.width() > 0) {
      painter.fillRect(selection, highlight);
      painter.save();
      painter.setClipRect(selection);
      painter.setPen(highlightedText);
      painter.drawText(baseline, shown);
      painter.restore();
      // The rest of the line, outside the selection.
      painter.save();
      QRegion outside(viewport()->rect());
      outside -= QRegion(selection.toAlignedRect());
      painter.setClipRegion(outside);
      painter.setPen(textColor);
      painter.drawText(baseline, shown);
      painter.restore();
    } else if (!shown.isEmpty()) {
      painter.setPen(textColor);
      painter.drawText(baseline, shown);
    }
  }
}

void TextLogView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  QScrollBar* bar = verticalScrollBar();
  const bool atEnd = bar->value() >= bar->maximum();
  UpdateScrollRanges();
  if (atEnd) bar->setValue(bar->maximum());
}

void TextLogView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    Remeasure();
    UpdateScrollRanges();
    viewport()->update();
  }
}

void TextLogView::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update();
}

void TextLogView::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
}

void TextLogView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    Copy();
    return;
  }
  if (event->matches(QKeySequence::SelectAll)) {
    SelectAll();
    return;
  }
  const Position at = Clamped(cursor_);
  const std::size_t last = ShownLineCount() - 1;
  const auto page = static_cast<std::size_t>(VisibleLines());
  const auto onLine = [&](std::size_t line) {
    return Position{line, std::min(at.column, ShownLength(line))};
  };
  struct Move {
    QKeySequence::StandardKey move;
    QKeySequence::StandardKey select;
    Position to;
  };
  const Move moves[] = {
      {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar,
       at.column < ShownLength(at.line) ? Position{at.line, at.column + 1}
                                        : (at.line < last ? Position{at.line + 1, 0} : at)},
      {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar,
       at.column > 0 ? Position{at.line, at.column - 1}
                     : (at.line > 0 ? Position{at.line - 1, ShownLength(at.line - 1)} : at)},
      {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, onLine(std::min(at.line + 1, last))},
      {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine,
       onLine(at.line > 0 ? at.line - 1 : 0)},
      {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, onLine(std::min(at.line + page, last))},
      {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage,
       onLine(at.line > page ? at.line - page : 0)},
      {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, Position{at.line, 0}},
      {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, Position{at.line, ShownLength(at.line)}},
      {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, Position{}},
      {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, EndOfText()},
  };
  for (const Move& move : moves) {
    if (event->matches(move.move) || event->matches(move.select)) {
      MoveCursor(move.to, event->matches(move.select));
      return;
    }
  }
  QAbstractScrollArea::keyPressEvent(event);
}

void TextLogView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
  MoveCursor(PositionAt(event->position().toPoint()), event->modifiers().testFlag(Qt::ShiftModifier));
  selecting_ = true;
}

void TextLogView::mouseMoveEvent(QMouseEvent* event) {
  if (!selecting_ || !event->buttons().testFlag(Qt::LeftButton))
    return QAbstractScrollArea::mouseMoveEvent(event);
  MoveCursor(PositionAt(event->position().toPoint()), true);
}

void TextLogView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mouseReleaseEvent(event);
  selecting_ = false;
  CopyToSelectionClipboard();
}

void TextLogView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mouseDoubleClickEvent(event);
  SelectWordAt(PositionAt(event->position().toPoint()));
  selecting_ = false;
  CopyToSelectionClipboard();
}

std::unique_ptr<QMenu> TextLogView::MakeContextMenu() {
  auto menu = std::make_unique<QMenu>(this);
  QAction* copy = menu->addAction("&Copy", this, &TextLogView::Copy);
  copy->setObjectName("CopyAction");
  copy->setShortcut(QKeySequence::Copy);
  copy->setEnabled(HasSelection());
  QAction* selectAll = menu->addAction("Select All", this, &TextLogView::SelectAll);
  selectAll->setObjectName("SelectAllAction");
  selectAll->setShortcut(QKeySequence::SelectAll);
  selectAll->setEnabled(log_.LineCount() > 0);
  return menu;
}

void TextLogView::contextMenuEvent(QContextMenuEvent* event) {
  const std::unique_ptr<QMenu> menu = MakeContextMenu();
  menu->exec(event->globalPos());
}

}  // namespace zem
