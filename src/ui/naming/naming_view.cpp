#include "ui/naming/naming_view.h"

#include <algorithm>
#include <functional>

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTableView>

#include "editor/bulk_edits.h"
#include "editor/naming_logic.h"
#include "ui/naming/name_grid_delegate.h"
#include "ui/naming/name_grid_model.h"
#include "ui/pages/find_bar.h"
#include "ui/pages/page_controls.h"

namespace zem {

namespace {

constexpr int kLabelColumnWidth = 64;
constexpr int kRowHeight = 20;

template <typename Table>
std::span<const std::string> NamesOf(const Table& table) {
  return std::span<const std::string>(table.begin(), table.end());
}

std::span<const std::string> NamesOf(const UnitConfiguration& unit, NameTable table) {
  switch (table) {
    case NameTable::Zones:
      return NamesOf(unit.ZoneNames);
    case NameTable::Sources:
      return NamesOf(unit.SourceNames);
    case NameTable::Favorites:
      return NamesOf(unit.FavoriteNames);
    case NameTable::Groups:
      break;
  }
  return NamesOf(unit.GroupNames);
}

// A grid's names of `table`; an edited name goes through the editor.
NameGridModel* NamesGrid(Editor& editor, std::string word, NameTable table, std::function<int()> rows,
                         QObject* parent) {
  return new NameGridModel(
      std::move(word), NamesOf(editor.Model().unit, table), std::move(rows),
      [&editor, table](int number, std::string name) { editor.SetName(table, number, std::move(name)); },
      parent);
}

QTableView* MakeNameGrid(const char* name, NameGridModel* model, QPoint at, int nameWidth, QWidget* page) {
  auto* grid = new QTableView(page);
  grid->setObjectName(name);
  grid->setGeometry(at.x(), at.y(), 297, 340);
  grid->setModel(model);
  grid->setItemDelegate(new NameGridDelegate(grid));
  grid->horizontalHeader()->hide();
  grid->verticalHeader()->hide();
  grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid->verticalHeader()->setMinimumSectionSize(kRowHeight);
  grid->verticalHeader()->setDefaultSectionSize(kRowHeight);
  grid->setColumnWidth(0, kLabelColumnWidth);
  grid->setColumnWidth(1, nameWidth);
  // A range of names (Shift+arrows, Shift+click, drag; Ctrl+A the column)
  // for Ctrl+C and Delete.
  grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
  grid->setSelectionBehavior(QAbstractItemView::SelectItems);
  grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                        QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
  grid->setTabKeyNavigation(false);
  grid->setCornerButtonEnabled(false);
  grid->setWordWrap(false);
  grid->setCurrentIndex(model->index(0, 1));
  return grid;
}

// Runs `action` whenever the watched widget paints.
class PaintHook : public QObject {
 public:
  PaintHook(QObject* watched, std::function<void()> action) : QObject(watched), action_(std::move(action)) {
    watched->installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) action_();
    return false;
  }

 private:
  std::function<void()> action_;
};

}  // namespace

NamingPageView::NamingPageView(Editor& editor, const char* pageName, QWidget* parent)
    : QWidget(parent), editor_(editor) {
  setObjectName(pageName);
}

QTableView* NamingPageView::AddNameGrids(const NameColumn& left, const NameColumn& right) {
  QTableView* leftGrid = nullptr;
  for (const NameColumn* column : {&left, &right}) {
    const int x = column == &left ? 16 : 368;
    QLabel* caption = pages::MakeLabel(this, column->captionName, column->caption, x, 8, true);
    QTableView* grid = MakeNameGrid(column->gridName, column->names, QPoint(x, 28), column->nameWidth, this);
    pages::NameAfterCaption(grid, caption);
    if (!leftGrid) leftGrid = grid;
    // The cell editor hands over each key at once; all it changes until it
    // closes is one step, as is a name set without it.
    const StepKind rename = column->rename;
    connect(column->names, &NameGridModel::NameAboutToChange, this, [this, rename](int number) {
      editor_.BeginStep(StepId{rename, number});
    });
    connect(column->names, &NameGridModel::NameEdited, this, [this, grid](int number) {
      if (!grid->indexWidget(grid->model()->index(number - 1, 1))) editor_.EndStep();
    });
    connect(grid->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [this, rename, grid](QWidget* cellEditor, QAbstractItemDelegate::EndEditHint hint) {
              // Escape: the name the cell held when its editor opened, as if
              // never typed; the step then holds no change and is dropped.
              const QVariant opened =
                  cellEditor ? cellEditor->property(NameGridDelegate::kNameWhenOpened) : QVariant();
              if (hint == QAbstractItemDelegate::RevertModelCache && opened.isValid())
                grid->model()->setData(grid->currentIndex(), opened);
              const std::optional<StepId> open = editor_.history.OpenStep();
              if (open && open->kind == rename) editor_.EndStep();
              emit NameEditorClosed();
            });
  }
  leftNames_ = left.names;
  rightNames_ = right.names;
  columns_ = {left, right};
  grids_ = {leftGrid, findChild<QTableView*>(right.gridName)};
  lastGrid_ = leftGrid;
  for (QTableView* grid : grids_) {
    grid->installEventFilter(this);
    // A name's colours depend on the whole selection, not only its own cell.
    connect(grid->selectionModel(), &QItemSelectionModel::selectionChanged, grid->viewport(),
            qOverload<>(&QWidget::update));
  }
  findBar_ = new FindBar(this, QRect(16, 344, 649, 26), [this] {
    QTableView* grid = lastGrid_;
    auto* names = static_cast<NameGridModel*>(grid->model());
    return FindBar::Target{names->Word(), [names] { return names->Names(); },
                           [grid] { return grid->currentIndex().row(); },
                           [grid](int row) {
                             grid->setCurrentIndex(grid->model()->index(row, 1));
                             grid->scrollTo(grid->currentIndex());
                           },
                           grid};
  });
  SyncFromEditor();
  return leftGrid;
}

const NamingPageView::NameColumn& NamingPageView::ColumnOf(const QTableView* grid) const {
  return grid == grids_[1] ? columns_[1] : columns_[0];
}

std::vector<int> NamingPageView::SelectedRows(const QTableView* grid) {
  std::vector<int> rows;
  for (const QModelIndex& index : grid->selectionModel()->selectedIndexes())
    if (index.column() == 1) rows.push_back(index.row());
  if (rows.empty() && grid->currentIndex().isValid()) rows.push_back(grid->currentIndex().row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

void NamingPageView::CopyNames(QTableView* grid) {
  const auto* names = static_cast<const NameGridModel*>(grid->model());
  const std::vector<std::string> all = names->Names();
  std::string text;
  for (const int row : SelectedRows(grid)) text += all[static_cast<std::size_t>(row)] + '\n';
  QApplication::clipboard()->setText(Latin1(text));
}

void NamingPageView::PasteNames(QTableView* grid, const QString& text) {
  const int current = std::max(grid->currentIndex().row(), 0);
  const QByteArray utf8 = text.toUtf8();
  const NamePaste paste =
      PlanNamePaste(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())),
                    grid->model()->rowCount() - current);
  if (paste.refusedLine) {
    editor_.status.Set(QString(kPasteRefused).arg(*paste.refusedLine).toStdString());
    return;
  }
  if (paste.names.empty()) return;
  zem::PasteNames(editor_, ColumnOf(grid).table, current + 1, paste.names);
  SyncFromEditor();
  // The pasted rows stay selected, for a look or a Delete.
  const QModelIndex last = grid->model()->index(current + static_cast<int>(paste.names.size()) - 1, 1);
  grid->selectionModel()->select(QItemSelection(grid->model()->index(current, 1), last),
                                 QItemSelectionModel::ClearAndSelect);
  // As Import Names does, the summary says what did not arrive whole.
  std::string said;
  if (paste.leftOut > 0)
    said = std::to_string(paste.leftOut) + (paste.leftOut == 1 ? " line" : " lines") + " did not fit";
  if (paste.cut > 0) said += (said.empty() ? "" : ", ") + NamesCutText(paste.cut);
  if (!said.empty()) editor_.status.Set(" " + said);
}

void NamingPageView::ClearNames(QTableView* grid) {
  std::vector<int> numbers;
  for (const int row : SelectedRows(grid)) numbers.push_back(row + 1);
  zem::ClearNames(editor_, ColumnOf(grid).table, numbers);
  SyncFromEditor();
}

bool NamingPageView::eventFilter(QObject* watched, QEvent* event) {
  auto* grid = qobject_cast<QTableView*>(watched);
  if (!grid || (grid != grids_[0] && grid != grids_[1])) return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::FocusIn) lastGrid_ = grid;
  // While a cell editor is open the keys are its own.
  if (event->type() != QEvent::KeyPress || grid->indexWidget(grid->currentIndex()))
    return QWidget::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->matches(QKeySequence::Copy)) {
    CopyNames(grid);
  } else if (key->matches(QKeySequence::Paste)) {
    PasteNames(grid, QApplication::clipboard()->text());
  } else if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
    ClearNames(grid);
  } else {
    return QWidget::eventFilter(watched, event);
  }
  return true;
}

bool NamingPageView::NameEditorOpen() const {
  return std::ranges::any_of(grids_, [](const QTableView* grid) {
    return grid && grid->indexWidget(grid->currentIndex()) != nullptr;
  });
}

void NamingPageView::CloseNameEditor() {
  for (QTableView* grid : grids_) {
    QWidget* cellEditor = grid ? grid->indexWidget(grid->currentIndex()) : nullptr;
    if (!cellEditor) continue;
    // As Enter closes it: its text stays the name.
    emit grid->itemDelegate()->commitData(cellEditor);
    emit grid->itemDelegate()->closeEditor(cellEditor, QAbstractItemDelegate::SubmitModelCache);
  }
}

void NamingPageView::SyncFromEditor() {
  leftNames_->Reload();
  rightNames_->Reload();
  pages::SetPageControlsEnabled(this, editor_.PagesEnabled(), pages::Reach::AllDescendants);
}

SourceZoneNamingView::SourceZoneNamingView(Editor& editor, QWidget* parent)
    : NamingPageView(editor, "TabSheet3", parent) {
  const ConfigModel& model = editor_.Model();
  auto* zoneNames = NamesGrid(
      editor_, "Zone", NameTable::Zones, [&model] { return model.screen.ZoneNameRows; }, this);
  auto* sourceNames = NamesGrid(
      editor_, "Source", NameTable::Sources, [&model] { return model.screen.SourceNameRows; }, this);
  // The matrix grids label their rows with the zone names: all 192 are
  // copied whenever this grid paints, and at once when a name is edited.
  connect(zoneNames, &NameGridModel::NameEdited, this, [this] { editor_.CopyZoneLabels(); });
  QTableView* zoneGrid = AddNameGrids(
      {zoneNames, "Label4", "Zone Names", "StringGrid2", 208, StepKind::RenameZone, NameTable::Zones},
      {sourceNames, "Label5", "Source Names", "StringGrid3", 227, StepKind::RenameSource,
       NameTable::Sources});
  new PaintHook(zoneGrid->viewport(), [this] { editor_.CopyZoneLabels(); });
}

FavoriteGroupNamingView::FavoriteGroupNamingView(Editor& editor, QWidget* parent)
    : NamingPageView(editor, "TabSheet6", parent) {
  AddNameGrids({NamesGrid(editor_, "Favorite", NameTable::Favorites, nullptr, this), "Label60",
                "Favorite Names", "StringGrid5", 227, StepKind::RenameFavorite, NameTable::Favorites},
               {NamesGrid(editor_, "Group", NameTable::Groups, nullptr, this), "Label61", "Group Names",
                "StringGrid6", 227, StepKind::RenameGroup, NameTable::Groups});
}

}  // namespace zem
