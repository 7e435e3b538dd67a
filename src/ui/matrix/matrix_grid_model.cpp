#include "ui/matrix/matrix_grid_model.h"

#include "ui/latin1.h"

namespace zem {

MatrixGridModel::MatrixGridModel(TextGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid) {}

int MatrixGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : grid_.Rows() - 1;
}

int MatrixGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : grid_.Columns() - 1;
}

QVariant MatrixGridModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  if (!grid_.Contains(index.column() + 1, index.row() + 1)) return {};
  return Latin1(grid_.Cell(index.column() + 1, index.row() + 1));
}

QVariant MatrixGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || section < 0) return {};
  if (orientation == Qt::Horizontal) {
    if (section + 1 >= grid_.Columns()) return {};
    return Latin1(grid_.Cell(section + 1, 0));
  }
  if (section + 1 >= grid_.Rows()) return {};
  return Latin1(grid_.Cell(0, section + 1));
}

Qt::ItemFlags MatrixGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

QString MatrixGridModel::CornerText() const { return Latin1(grid_.Cell(0, 0)); }

void MatrixGridModel::Refresh() {
  if (rowCount() > 0 && columnCount() > 0)
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole});
  emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
  emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

}  // namespace zem
