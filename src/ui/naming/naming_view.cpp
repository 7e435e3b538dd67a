#include "ui/naming/naming_view.h"

#include <functional>

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>

#include "editor/naming_logic.h"
#include "ui/naming/name_grid_delegate.h"
#include "ui/naming/name_grid_model.h"
#include "ui/pages/page_controls.h"

namespace zem {

namespace {

constexpr int kLabelColumnWidth = 64;
constexpr int kRowHeight = 20;

template <typename Table>
std::span<std::string> NamesOf(Table& table) {
  return std::span<std::string>(table.begin(), table.end());
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
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
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
      editor_.revision.Bump();
      if (!grid->indexWidget(grid->model()->index(number - 1, 1))) editor_.EndStep();
    });
    connect(grid->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, [this, rename] {
      const std::optional<StepId> open = editor_.history.OpenStep();
      if (open && open->kind == rename) editor_.EndStep();
    });
  }
  leftNames_ = left.names;
  rightNames_ = right.names;
  SyncFromEditor();
  return leftGrid;
}

void NamingPageView::SyncFromEditor() {
  leftNames_->Reload();
  rightNames_->Reload();
  pages::SetPageControlsEnabled(this, editor_.PagesEnabled(), pages::Reach::AllDescendants);
}

SourceZoneNamingView::SourceZoneNamingView(Editor& editor, QWidget* parent)
    : NamingPageView(editor, "TabSheet3", parent) {
  ConfigModel& model = editor_.model;
  auto* zoneNames = new NameGridModel(
      "Zone", NamesOf(model.unit.ZoneNames), [&model] { return model.screen.ZoneNameRows; }, this);
  auto* sourceNames = new NameGridModel(
      "Source", NamesOf(model.unit.SourceNames), [&model] { return model.screen.SourceNameRows; }, this);
  // The matrix grids label their rows with the zone names: all 192 are
  // copied whenever this grid paints, and at once when a name is edited.
  connect(zoneNames, &NameGridModel::NameEdited, this, [this] { CopyZoneLabels(editor_.model); });
  QTableView* zoneGrid =
      AddNameGrids({zoneNames, "Label4", "Zone Names", "StringGrid2", 208, StepKind::RenameZone},
                   {sourceNames, "Label5", "Source Names", "StringGrid3", 227, StepKind::RenameSource});
  new PaintHook(zoneGrid->viewport(), [this] { CopyZoneLabels(editor_.model); });
}

FavoriteGroupNamingView::FavoriteGroupNamingView(Editor& editor, QWidget* parent)
    : NamingPageView(editor, "TabSheet6", parent) {
  ConfigModel& model = editor_.model;
  AddNameGrids({new NameGridModel("Favorite", NamesOf(model.unit.FavoriteNames), nullptr, this), "Label60",
                "Favorite Names", "StringGrid5", 227, StepKind::RenameFavorite},
               {new NameGridModel("Group", NamesOf(model.unit.GroupNames), nullptr, this), "Label61",
                "Group Names", "StringGrid6", 227, StepKind::RenameGroup});
}

}  // namespace zem
