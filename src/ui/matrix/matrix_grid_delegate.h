#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>
#include <QString>
#include <QStyledItemDelegate>

class QPainter;

namespace zem {

// Which of the three matrices a grid shows: it decides which letters are
// coloured.
enum class GridKind { Favorites, Groups, Restrictions };

struct CellColors {
  QColor background;
  QColor text;
};

// The fixed colours of the matrices.
namespace grid_colors {
inline const QColor kWhite{255, 255, 255};
inline const QColor kHeaderGrey{170, 170, 170};
inline const QColor kBlue{0, 0, 255};
inline const QColor kAqua{0, 255, 255};
inline const QColor kLightGreen{119, 255, 119};
inline const QColor kYellow{255, 255, 0};
inline const QColor kLightRed{255, 119, 119};
inline const QColor kBlack{0, 0, 0};
}  // namespace grid_colors

// The system button face, the colour of the zone labels and "X" cells.
QColor ButtonFace(const QPalette& palette);
// The text colour of a disabled grid.
QColor InactiveCaptionText(const QPalette& palette);

// Colours of a data cell: only the first character of its text counts.
CellColors DataCellColors(GridKind kind, const QString& text, const QPalette& palette, bool enabled);
// Colours of the source/group number row, the zone label column and the corner.
CellColors HeaderRowColors(const QPalette& palette, bool enabled);
CellColors LabelColumnColors(const QPalette& palette, bool enabled);
CellColors CornerColors(const QPalette& palette, bool enabled);

// Fills `cell` and writes `text` centred in it, offsets truncated toward zero,
// clipped to the cell.
void PaintGridCell(QPainter& painter, const QRect& cell, const QString& text, const CellColors& colors,
                   const QFont& font);

// Paints the data cells of a matrix grid; no selection highlight, the
// favorites marker is the only sign of the selected cell. While the grid has
// the keyboard focus its current cell carries the style's focus frame.
class MatrixGridDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  MatrixGridDelegate(GridKind kind, QObject* parent = nullptr);

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  GridKind kind_;
};

}  // namespace zem
