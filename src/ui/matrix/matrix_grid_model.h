#pragma once

#include <QAbstractTableModel>
#include <QString>

#include "model/text_grid.h"

namespace zem {

// A matrix grid (favorites, groups, restrictions) as Qt sees it: the data
// cells of a TextGrid, with row 0 and column 0 of the grid given as header
// data and cell (0, 0) as the corner text. Table index (r, c) is grid cell
// (c + 1, r + 1). The TextGrid stays the only copy of the texts.
class MatrixGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  MatrixGridModel(TextGrid& grid, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  QString CornerText() const;
  // The texts of the grid changed somewhere: repaint cells and headers.
  void Refresh();

  const TextGrid& Grid() const { return grid_; }

 private:
  TextGrid& grid_;
};

}  // namespace zem
