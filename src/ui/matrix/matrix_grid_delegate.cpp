#include "ui/matrix/matrix_grid_delegate.h"

#include <QFontMetrics>
#include <QPainter>

#include "ui/pages/page_controls.h"

namespace zem {

QColor ButtonFace(const QPalette& palette) { return palette.color(QPalette::Active, QPalette::Button); }

QColor InactiveCaptionText(const QPalette& palette) {
  return palette.color(QPalette::Disabled, QPalette::Text);
}

CellColors DataCellColors(GridKind kind, const QString& text, const QPalette& palette, bool enabled) {
  using namespace grid_colors;
  const QColor normalText = enabled ? kBlack : InactiveCaptionText(palette);
  const QChar first = text.isEmpty() ? QChar() : text.front();
  if (first == u'X') return {ButtonFace(palette), normalText};
  switch (kind) {
    case GridKind::Favorites:
      // The marker stays readable while the grid is disabled.
      if (first == u'?') return {kBlue, kWhite};
      if (first == u'A') return {kAqua, normalText};
      if (first == u'C') return {kLightGreen, normalText};
      if (first == u'V') return {kYellow, normalText};
      if (first == u'R') return {kLightRed, normalText};
      break;
    case GridKind::Groups:
      if (first == u'G') return {kLightGreen, normalText};
      break;
    case GridKind::Restrictions:
      if (first == u'R') return {kLightRed, normalText};
      break;
  }
  return {kWhite, normalText};
}

CellColors HeaderRowColors(const QPalette& palette, bool enabled) {
  return {grid_colors::kHeaderGrey, enabled ? grid_colors::kBlack : InactiveCaptionText(palette)};
}

CellColors LabelColumnColors(const QPalette& palette, bool enabled) {
  return {ButtonFace(palette), enabled ? grid_colors::kBlack : InactiveCaptionText(palette)};
}

CellColors CornerColors(const QPalette& palette, bool enabled) {
  return {grid_colors::kWhite, enabled ? grid_colors::kBlack : InactiveCaptionText(palette)};
}

void PaintGridCell(QPainter& painter, const QRect& cell, const QString& text, const CellColors& colors,
                   const QFont& font) {
  painter.save();
  painter.fillRect(cell, colors.background);
  if (!text.isEmpty()) {
    const QFontMetrics metrics(font);
    // Integer division truncates toward zero, so a text wider than its cell
    // starts left of it by half the excess and is clipped on both sides.
    const int dx = (cell.width() - metrics.horizontalAdvance(text)) / 2;
    const int dy = (cell.height() - metrics.height()) / 2;
    painter.setClipRect(cell, Qt::IntersectClip);
    painter.setFont(font);
    painter.setPen(colors.text);
    painter.drawText(QPoint(cell.left() + dx, cell.top() + dy + metrics.ascent()), text);
  }
  painter.restore();
}

MatrixGridDelegate::MatrixGridDelegate(GridKind kind, QObject* parent)
    : QStyledItemDelegate(parent), kind_(kind) {}

void MatrixGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
  const QString text = index.data(Qt::DisplayRole).toString();
  const bool enabled = option.state.testFlag(QStyle::State_Enabled);
  const CellColors colors = DataCellColors(kind_, text, option.palette, enabled);
  PaintGridCell(*painter, option.rect, text, colors, option.font);
  pages::PaintFocusFrame(*painter, option, colors.background);
}

}  // namespace zem
