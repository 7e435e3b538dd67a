#include "ui/matrix/matrix_grid_model.h"

#include "transfer/latin1.h"

namespace zem {

namespace {

// What a mark's letter means; only its first character counts, as for its colour.
QString MarkMeaning(GridKind kind, std::string_view text) {
  const char first = text.empty() ? '\0' : text.front();
  if (first == 'X') return "not used";
  if (kind == GridKind::Groups) return first == 'G' ? "member" : "not a member";
  return first == 'R' ? "restricted" : "allowed";
}

QString RouteMeaning(Route route) {
  switch (route) {
    case Route::Combined:
      return "combined audio and video";
    case Route::Audio:
      return "audio only";
    case Route::Video:
      return "video only";
    case Route::Restricted:
      return "restricted";
    case Route::None:
      break;
  }
  return "no connection";
}

QString FavoriteMeaning(ShownFavoriteCell cell) {
  switch (cell.mark) {
    case FavoriteMark::NotUsed:
      return "not used";
    case FavoriteMark::Marker:
      return "selected, " + RouteMeaning(cell.route);
    case FavoriteMark::Route:
      break;
  }
  return RouteMeaning(cell.route);
}

// The letter a favorites cell shows: the marker "?" over any route, "X"
// where not used.
std::string FavoriteText(ShownFavoriteCell cell) {
  switch (cell.mark) {
    case FavoriteMark::NotUsed:
      return "X";
    case FavoriteMark::Marker:
      return "?";
    case FavoriteMark::Route:
      break;
  }
  if (cell.route == Route::Restricted) return "R";
  const char* letter = RouteLetter(cell.route);
  return letter ? letter : "";
}

}  // namespace

MatrixGridModel::MatrixGridModel(const FavoritesLogic* favorites, const TextGrid* marks,
                                 const GridLabels& labels, GridKind kind, const ConfigModel& names,
                                 QObject* parent)
    : QAbstractTableModel(parent),
      favorites_(favorites),
      marks_(marks),
      labels_(labels),
      kind_(kind),
      names_(names) {}

bool MatrixGridModel::Contains(int column, int row) const {
  return column >= 0 && column < Columns() && row >= 0 && row < Rows();
}

std::string MatrixGridModel::CellText(int column, int row) const {
  if (!Contains(column, row) || column < 1 || row < 1) return {};
  if (marks_) return marks_->Cell(column, row);
  return favorites_ ? FavoriteText(favorites_->Shown(column, row)) : std::string();
}

QString MatrixGridModel::SpokenColumn(int column) const {
  std::string name;
  if (kind_ == GridKind::Groups) {
    if (NumberedTable<int, kGroups>::Contains(column)) name = names_.unit.GroupNames[column];
  } else if (NumberedTable<int, kSources>::Contains(column)) {
    name = names_.unit.SourceNames[column];
  }
  const QString number = QString::number(column);
  return name.empty() ? number : number + ' ' + Latin1(name);
}

QString MatrixGridModel::SpokenCell(int column, int row) const {
  if (!Contains(column, row) || column < 1 || row < 1) return {};
  const std::string& label = Label(0, row);
  const QString zone = label.empty() ? QString("Zone %1").arg(row) : Latin1(label);
  const QString word = kind_ == GridKind::Groups ? "group" : "source";
  QString meaning;
  if (marks_) {
    meaning = MarkMeaning(kind_, marks_->Cell(column, row));
  } else if (favorites_) {
    meaning = FavoriteMeaning(favorites_->Shown(column, row));
  }
  return QString("%1, %2 %3: %4").arg(zone, word, SpokenColumn(column), meaning);
}

int MatrixGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Rows() - 1; }

int MatrixGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : Columns() - 1;
}

QVariant MatrixGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !Contains(index.column() + 1, index.row() + 1)) return {};
  if (role == Qt::AccessibleTextRole) return SpokenCell(index.column() + 1, index.row() + 1);
  if (role != Qt::DisplayRole) return {};
  return Latin1(CellText(index.column() + 1, index.row() + 1));
}

QVariant MatrixGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole)
    return HeaderOwner(section, orientation);
  if ((role != Qt::DisplayRole && role != Qt::AccessibleTextRole) || section < 0) return {};
  if (orientation == Qt::Horizontal) {
    if (section + 1 >= Columns()) return {};
    // The painted header stays the number.
    if (role == Qt::AccessibleTextRole) return SpokenColumn(section + 1);
    return Latin1(Label(section + 1, 0));
  }
  if (section + 1 >= Rows()) return {};
  return Latin1(Label(0, section + 1));
}

QString MatrixGridModel::HeaderOwner(int section, Qt::Orientation orientation) const {
  if (section < 0) return {};
  const int n = section + 1;
  if (orientation == Qt::Vertical) {
    if (!NumberedTable<int, kZones>::Contains(n)) return {};
    const std::string& name = names_.unit.ZoneNames[n];
    return name.empty() ? QString("Zone %1").arg(n) : QString("Zone %1: %2").arg(n).arg(Latin1(name));
  }
  const bool groups = kind_ == GridKind::Groups;
  if (groups ? !NumberedTable<int, kGroups>::Contains(n) : !NumberedTable<int, kSources>::Contains(n))
    return {};
  const std::string& name = groups ? names_.unit.GroupNames[n] : names_.unit.SourceNames[n];
  const QString word = groups ? "Group" : "Source";
  return name.empty() ? QString("%1 %2").arg(word).arg(n)
                      : QString("%1 %2: %3").arg(word).arg(n).arg(Latin1(name));
}

Qt::ItemFlags MatrixGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

QString MatrixGridModel::CornerText() const { return Latin1(Label(0, 0)); }

void MatrixGridModel::Refresh() {
  if (rowCount() > 0 && columnCount() > 0)
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole});
  emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
  emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

}  // namespace zem
