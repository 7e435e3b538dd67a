#pragma once

#include <QHeaderView>
#include <QPoint>
#include <QTableView>

#include "model/config_model.h"
#include "ui/matrix/matrix_grid_delegate.h"
#include "ui/matrix/matrix_grid_model.h"

namespace zem {

class Editor;

// The number row and the zone label column, painted as fixed cells of the
// grid in the grid's own colours; they never select anything.
class MatrixHeaderView : public QHeaderView {
  Q_OBJECT

 public:
  MatrixHeaderView(Qt::Orientation orientation, QWidget* parent = nullptr);

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

// The corner cell (0, 0): white, with the name of a source.
class MatrixCornerCell : public QWidget {
  Q_OBJECT

 public:
  MatrixCornerCell(const MatrixGridModel& model, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const MatrixGridModel& model_;
};

// One matrix grid: row 0 and column 0 of the TextGrid stay in view as fixed
// cells while the data cells scroll. Column 0 is 100 pixels wide, the data
// columns 25, every row 24, with a one-pixel line between all cells. Cells are
// never edited in place; a rectangle of cells can be selected, and the
// selected cell is its top-left cell. Positions in signals are grid cells
// (column, row) as the TextGrid counts them.
class MatrixGridWidget : public QTableView {
  Q_OBJECT

 public:
  static constexpr int kLabelColumnWidth = 100;
  static constexpr int kDataColumnWidth = 25;
  static constexpr int kRowHeight = 24;

  // Shows the grid of `model` that `kind` names.
  MatrixGridWidget(const Editor& editor, GridKind kind, QWidget* parent = nullptr);

  // What Space and Enter do on the selected cell: what a double-click does
  // there, or open the context menu as the Menu key does.
  enum class ActivateKeys { ToggleCell, OpenMenu };
  void SetActivateKeys(ActivateKeys keys) { activateKeys_ = keys; }

  // The grid's texts changed: repaint every cell, headers and corner.
  void Refresh();
  // The top-left cell of the selection.
  GridCellPos SelectedCell() const;
  // The cell under a point of the grid widget, -1 for a column or row outside
  // all cells.
  GridCellPos CellAtGridPoint(QPoint point) const;
  // Where a cell lies, without the line after it, in the grid widget's
  // coordinates (empty when the cell is scrolled out of view or does not
  // exist).
  QRect CellRect(GridCellPos cell) const;
  MatrixGridModel& GridModel() { return *model_; }
  // The selected rectangle's top-left and bottom-right cells, and the cell
  // where the selection began (Shift+arrows, Shift+click and drags move only
  // the other corner).
  GridCellPos SelectionFirst() const;
  GridCellPos SelectionLast() const;
  GridCellPos AnchorCell() const;
  bool RangeSelected() const { return SelectionFirst() != SelectionLast(); }
  // Keeps the selection to the anchor's column, as a favorites range is.
  void SetOneColumn(bool oneColumn) { oneColumn_ = oneColumn; }
  // No type-ahead search: a letter must not move the current cell.
  void keyboardSearch(const QString& search) override;

 signals:
  // A left click on a data cell, once, on release; also a keyboard move of
  // the current cell. Gives the selected cell.
  void CellClicked(int column, int row);
  // The second press of a double-click, after the CellClicked of the first;
  // also Space or Enter on a single selected cell.
  void CellDoubleClicked(int column, int row);
  // Space or Enter on a selected range of cells.
  void RangeActivated();
  // A right-button press anywhere on the grid, with the cell under the
  // pointer; it does not move the selection.
  void CellRightPressed(int column, int row);
  // The context menu was asked for, by the mouse or by the keyboard (the
  // Menu key, Shift+F10), then at the selected cell.
  void ContextMenuRequest(QPoint globalPos, bool fromKeyboard);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void updateGeometries() override;
  void paintEvent(QPaintEvent* event) override;
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

 private:
  GridCellPos CellAtViewport(QPoint pos) const;
  void RequestKeyboardMenu();

  MatrixGridModel* model_;
  ActivateKeys activateKeys_ = ActivateKeys::ToggleCell;
  MatrixCornerCell* corner_ = nullptr;
  // A left press on a data cell waits for its release to raise CellClicked.
  bool leftPressPending_ = false;
  QModelIndex anchor_;
  bool oneColumn_ = false;
};

// Draws the one-pixel lines at the right and bottom edge of a fixed cell.
void PaintCellLines(QPainter& painter, const QRect& section, const QColor& color);
// The line colour the table view uses between its cells.
QColor GridLineColor(const QWidget& widget);

}  // namespace zem
