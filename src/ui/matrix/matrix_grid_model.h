#pragma once

#include <QAbstractTableModel>
#include <QString>

#include "editor/favorites_logic.h"
#include "model/config_model.h"
#include "model/text_grid.h"
#include "ui/matrix/matrix_grid_delegate.h"

namespace zem {

// A matrix grid (favorites, groups, restrictions) as Qt sees it: the data
// cells of the favorite shown or of a TextGrid of marks, with row 0 and
// column 0 of its labels given as header data and cell (0, 0) as the corner
// text. Table index (r, c) is grid cell (c + 1, r + 1). The favorites and
// the TextGrids stay the only copy of what the cells show.
// Assistive technology hears what a cell means rather than its letter
// ("Kitchen, source 4 Tuner: combined audio and video"), and a column by its
// number and the name of its source or group ("4 Tuner").
class MatrixGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // The data cells are `favorites`' for the favorites grid, else `marks`;
  // `labels` gives row 0 and column 0, `names` the source and group names.
  MatrixGridModel(const FavoritesLogic* favorites, const TextGrid* marks, const GridLabels& labels,
                  GridKind kind, const ConfigModel& names, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  QString CornerText() const;
  // The texts of the grid changed somewhere: repaint cells and headers.
  void Refresh();

  // Whether (column, row) is a cell of the grid, fixed cells included.
  bool Contains(int column, int row) const;
  // The text data cell (column, row) shows.
  std::string CellText(int column, int row) const;
  // What a data cell and a column are said as.
  QString SpokenCell(int column, int row) const;
  QString SpokenColumn(int column) const;
  // Whose a header is, as its tooltip and accessible description say:
  // "Source 4: Tuner", "Zone 12: Kitchen".
  QString HeaderOwner(int section, Qt::Orientation orientation) const;

 private:
  const std::string& Label(int column, int row) const { return labels_.Cell(column, row); }
  int Columns() const { return marks_ ? marks_->Columns() : kSources + 1; }
  int Rows() const { return marks_ ? marks_->Rows() : kZones + 1; }

  const FavoritesLogic* favorites_;
  const TextGrid* marks_;
  const GridLabels& labels_;
  GridKind kind_;
  const ConfigModel& names_;
};

}  // namespace zem
