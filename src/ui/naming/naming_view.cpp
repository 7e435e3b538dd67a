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

SourceZoneNamingView::SourceZoneNamingView(Editor& editor, QWidget* parent)
    : QWidget(parent), editor_(editor) {
  setObjectName("TabSheet3");
  ConfigModel& model = editor_.model;
  zoneNames_ = new NameGridModel(
      "Zone", NamesOf(model.unit.ZoneNames), [&model] { return model.screen.ZoneNameRows; }, this);
  sourceNames_ = new NameGridModel(
      "Source", NamesOf(model.unit.SourceNames), [&model] { return model.screen.SourceNameRows; }, this);
  QLabel* zoneCaption = pages::MakeLabel(this, "Label4", "Zone Names", 16, 8, true);
  QTableView* zoneGrid = MakeNameGrid("StringGrid2", zoneNames_, QPoint(16, 28), 208, this);
  pages::NameAfterCaption(zoneGrid, zoneCaption);
  QLabel* sourceCaption = pages::MakeLabel(this, "Label5", "Source Names", 368, 8, true);
  pages::NameAfterCaption(MakeNameGrid("StringGrid3", sourceNames_, QPoint(368, 28), 227, this),
                          sourceCaption);
  // The matrix grids label their rows with the zone names: all 192 are
  // copied whenever this grid paints, and at once when a name is edited.
  new PaintHook(zoneGrid->viewport(), [this] { CopyZoneLabels(editor_.model); });
  connect(zoneNames_, &NameGridModel::NameEdited, this, [this] { CopyZoneLabels(editor_.model); });
  for (NameGridModel* names : {zoneNames_, sourceNames_})
    connect(names, &NameGridModel::NameEdited, this, [this] { editor_.revision.Bump(); });
  SyncFromEditor();
}

void SourceZoneNamingView::SyncFromEditor() {
  zoneNames_->Reload();
  sourceNames_->Reload();
  pages::SetPageControlsEnabled(this, editor_.PagesEnabled(), pages::Reach::AllDescendants);
}

FavoriteGroupNamingView::FavoriteGroupNamingView(Editor& editor, QWidget* parent)
    : QWidget(parent), editor_(editor) {
  setObjectName("TabSheet6");
  ConfigModel& model = editor_.model;
  favoriteNames_ = new NameGridModel("Favorite", NamesOf(model.unit.FavoriteNames), nullptr, this);
  groupNames_ = new NameGridModel("Group", NamesOf(model.unit.GroupNames), nullptr, this);
  QLabel* favoriteCaption = pages::MakeLabel(this, "Label60", "Favorite Names", 16, 8, true);
  pages::NameAfterCaption(MakeNameGrid("StringGrid5", favoriteNames_, QPoint(16, 28), 227, this),
                          favoriteCaption);
  QLabel* groupCaption = pages::MakeLabel(this, "Label61", "Group Names", 368, 8, true);
  pages::NameAfterCaption(MakeNameGrid("StringGrid6", groupNames_, QPoint(368, 28), 227, this), groupCaption);
  for (NameGridModel* names : {favoriteNames_, groupNames_})
    connect(names, &NameGridModel::NameEdited, this, [this] { editor_.revision.Bump(); });
  SyncFromEditor();
}

void FavoriteGroupNamingView::SyncFromEditor() {
  favoriteNames_->Reload();
  groupNames_->Reload();
  pages::SetPageControlsEnabled(this, editor_.PagesEnabled(), pages::Reach::AllDescendants);
}

}  // namespace zem
