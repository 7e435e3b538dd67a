#include "ui/naming/name_grid_model.h"

#include <algorithm>

#include "editor/naming_logic.h"
#include "model/config_model.h"
#include "transfer/latin1.h"

namespace zem {

NameGridModel::NameGridModel(std::string word, std::span<const std::string> names, std::function<int()> rows,
                             SetName setName, QObject* parent)
    : QAbstractTableModel(parent),
      word_(std::move(word)),
      names_(names),
      rows_(std::move(rows)),
      setName_(std::move(setName)) {
  shownRows_ = RowsWanted();
}

int NameGridModel::RowsWanted() const {
  const int size = static_cast<int>(names_.size());
  return std::clamp(rows_ ? rows_() : size, std::min(1, size), size);
}

int NameGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shownRows_; }

int NameGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant NameGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= shownRows_) return {};
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  if (index.column() == 0) {
    if (role == Qt::EditRole) return {};
    const std::string label = NumberedLabel(word_, index.row() + 1);
    return Latin1(label);
  }
  const std::string& name = names_[static_cast<std::size_t>(index.row())];
  return Latin1(name);
}

bool NameGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid() || index.column() != 1 || index.row() >= shownRows_)
    return false;
  // Characters beyond Latin-1 cannot be kept in single-byte text; the key
  // rule refuses them when typed, a paste turns them into "?". Whatever
  // way the text came, the name ends at a line break and at its length.
  const std::string& name = names_[static_cast<std::size_t>(index.row())];
  const QString given = value.toString();
  const std::string edited = CommittedName(Latin1Bytes(given));
  // A cut name goes back to the open editor, which still shows all it took.
  const bool cut = Latin1(edited) != given;
  const bool changed = edited != name;
  if (!changed && !cut) return true;
  if (changed) {
    emit NameAboutToChange(index.row() + 1);
    setName_(index.row() + 1, edited);
  }
  emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
  if (changed) emit NameEdited(index.row() + 1);
  return true;
}

Qt::ItemFlags NameGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  // The label column is fixed: neither selectable nor editable.
  if (index.column() == 0) return Qt::ItemIsEnabled;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QVariant NameGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
  if (orientation == Qt::Horizontal) {
    if (section == 0) return Latin1(word_);
    if (section == 1) return Latin1(word_ + " name");
    return {};
  }
  if (section < 0 || section >= shownRows_) return {};
  return Latin1(NumberedLabel(word_, section + 1)).trimmed();
}

QString NameGridModel::CellName(int row) const {
  return QString("%1 of %2")
      .arg(headerData(1, Qt::Horizontal).toString(), headerData(row, Qt::Vertical).toString().toLower());
}

void NameGridModel::Reload() {
  const int wanted = RowsWanted();
  if (wanted != shownRows_) {
    beginResetModel();
    shownRows_ = wanted;
    endResetModel();
  } else if (shownRows_ > 0) {
    emit dataChanged(index(0, 0), index(shownRows_ - 1, 1), {Qt::DisplayRole, Qt::EditRole});
  }
}

}  // namespace zem

namespace zem {

std::vector<std::string> NameGridModel::Names() const {
  return {names_.begin(), names_.begin() + shownRows_};
}

std::string NameGridModel::Word() const {
  std::string word = word_;
  for (char& c : word)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return word;
}

}  // namespace zem
