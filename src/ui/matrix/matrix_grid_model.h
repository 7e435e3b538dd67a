#pragma once

#include <QAbstractTableModel>
#include <QString>

#include "model/config_model.h"
#include "model/text_grid.h"
#include "ui/matrix/matrix_grid_delegate.h"

namespace zem {

// A matrix grid (favorites, groups, restrictions) as Qt sees it: the data
// cells of a TextGrid, with row 0 and column 0 of its labels given as header
// data and cell (0, 0) as the corner text. Table index (r, c) is grid cell
// (c + 1, r + 1). The TextGrids stay the only copy of the texts.
// Assistive technology hears what a cell means rather than its letter
// ("Kitchen, source 4 Tuner: combined audio and video"), and a column by its
// number and the name of its source or group ("4 Tuner").
class MatrixGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // `grid` gives the data cells and, for the favorites, its own row 0 and
  // column 0 as labels; the other grids keep theirs in `labels`. `names`
  // gives the source and group names and the favorites marker.
  MatrixGridModel(const TextGrid& grid, const GridLabels* labels, GridKind kind, const ConfigModel& names,
                  QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  QString CornerText() const;
  // The texts of the grid changed somewhere: repaint cells and headers.
  void Refresh();

  const TextGrid& Grid() const { return grid_; }
  // What a data cell and a column are said as.
  QString SpokenCell(int column, int row) const;
  QString SpokenColumn(int column) const;
  // Whose a header is, as its tooltip and accessible description say:
  // "Source 4: Tuner", "Zone 12: Kitchen".
  QString HeaderOwner(int section, Qt::Orientation orientation) const;

 private:
  const std::string& Label(int column, int row) const {
    return labels_ ? labels_->Cell(column, row) : grid_.Cell(column, row);
  }

  const TextGrid& grid_;
  const GridLabels* labels_;
  GridKind kind_;
  const ConfigModel& names_;
};

}  // namespace zem
