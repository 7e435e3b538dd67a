#pragma once

#include <QAbstractTableModel>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace zem {

// One name grid as a two-column table over a table of names of the model:
// column 0 the fixed label ("Zone 7"), column 1 the name, editable. Names are
// single-byte text, shown and taken back as Latin-1.
class NameGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // Sets the name of item `number` (1-based) in the configuration.
  using SetName = std::function<void(int number, std::string name)>;

  // `rows` gives how many of `names` the grid lists (the unit's count after an
  // import); it is kept within 1 and the table's size. An edited name goes
  // to `setName`.
  NameGridModel(std::string word, std::span<const std::string> names, std::function<int()> rows,
                SetName setName, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Headers for assistive technology (the grid does not show them): columns
  // "Zone" and "Zone name", rows "Zone 1", "Zone 2"...
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  // What the name cell of `row` is, said in full: "Zone name of zone 3".
  QString CellName(int row) const;

  // Shows the names afresh: a new row count resets the grid, otherwise the
  // cells are repainted and an open editor stays open.
  void Reload();
  // The names of the rows shown, and what one of them names ("zone").
  std::vector<std::string> Names() const;
  std::string Word() const;

 signals:
  // The user is about to change the name of item `number` (1-based).
  void NameAboutToChange(int number);
  // The name of item `number` (1-based) was changed by the user.
  void NameEdited(int number);

 private:
  int RowsWanted() const;

  std::string word_;
  std::span<const std::string> names_;
  std::function<int()> rows_;
  SetName setName_;
  int shownRows_ = 0;
};

}  // namespace zem
