#pragma once

// Real mouse input on the matrix grids through the window, as the window
// system delivers it (press, release, press-as-double-click, release).

#include <QtTest>

#include <QAbstractItemView>
#include <QImage>
#include <QWidget>
#include <QWindow>

#include "ui/matrix/matrix_grid_widget.h"

namespace zem::test {

// Shows a page as a top-level window of the size the main window gives it.
inline bool ShowPage(QWidget& page) {
  page.resize(689, 381);
  page.show();
  return QTest::qWaitForWindowExposed(&page);
}

// The centre of a grid cell in its window's coordinates; scrolls a data
// cell into view first.
inline QPoint CellCentre(MatrixGridWidget& grid, int column, int row) {
  if (column >= 1 && row >= 1) grid.scrollTo(grid.model()->index(row - 1, column - 1));
  const QRect cell = grid.CellRect(GridCellPos{column, row});
  if (cell.isEmpty()) qWarning("cell %d,%d is not in view", column, row);
  return grid.mapTo(grid.window(), cell.center());
}

inline void ClickCell(MatrixGridWidget& grid, int column, int row) {
  QTest::mouseClick(grid.window()->windowHandle(), Qt::LeftButton, {}, CellCentre(grid, column, row));
}

inline void DoubleClickCell(MatrixGridWidget& grid, int column, int row) {
  QTest::mouseDClick(grid.window()->windowHandle(), Qt::LeftButton, {}, CellCentre(grid, column, row));
}

inline void RightClickCell(MatrixGridWidget& grid, int column, int row) {
  QTest::mouseClick(grid.window()->windowHandle(), Qt::RightButton, {}, CellCentre(grid, column, row));
}

// The colour a cell is filled with, sampled away from its text.
inline QColor CellFill(MatrixGridWidget& grid, int column, int row) {
  CellCentre(grid, column, row);
  const QRect cell = grid.CellRect(GridCellPos{column, row});
  const QImage image = grid.grab().toImage();
  return image.pixelColor(cell.left() + 2, cell.top() + 2);
}

}  // namespace zem::test
