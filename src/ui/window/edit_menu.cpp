#include "ui/window/edit_menu.h"

#include <QAbstractItemView>
#include <QAction>

namespace zem {

EditMenu::EditMenu(Editor& editor, TransferController& controller, QWidget* parent)
    : QMenu("&Edit", parent), editor_(editor), controller_(controller) {
  setObjectName("EditMenu");
  undo_ = addAction("&Undo");
  undo_->setObjectName("Undo1");
  undo_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  redo_ = addAction("&Redo");
  redo_->setObjectName("Redo1");
  redo_->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  // The step undone is the next to redo, the step redone the next to undo.
  connect(undo_, &QAction::triggered, this, [this] {
    if (!controller_.Busy() && editor_.Undo()) ScrollTo(*editor_.history.RedoStep());
  });
  connect(redo_, &QAction::triggered, this, [this] {
    if (!controller_.Busy() && editor_.Redo()) ScrollTo(*editor_.history.UndoStep());
  });
  connect(&controller_, &TransferController::BusyChanged, this, &EditMenu::Sync);
  editor_.history.SetOnChange([this] { Sync(); });
  Sync();
}

EditMenu::~EditMenu() { editor_.history.SetOnChange(nullptr); }

void EditMenu::ScrollTo(const StepId& step) {
  // The grid and row of a step on a grid page; the editor has shown the page.
  struct Place {
    StepKind kind;
    const char* grid;
    int column;  // of the row's cell that is scrolled to
  };
  static constexpr Place kPlaces[] = {
      {StepKind::RenameZone, "StringGrid2", 1},      {StepKind::RenameSource, "StringGrid3", 1},
      {StepKind::RenameFavorite, "StringGrid5", 1},  {StepKind::RenameGroup, "StringGrid6", 1},
      {StepKind::FavoriteCell, "StringGrid1", 0},    {StepKind::GroupCell, "StringGrid7", 0},
      {StepKind::RestrictionCell, "StringGrid4", 0},
  };
  for (const Place& place : kPlaces) {
    if (place.kind != step.kind) continue;
    auto* grid = parentWidget()->window()->findChild<QAbstractItemView*>(place.grid);
    // A favorite's cell names its zone apart from the favorite.
    const int row = (step.kind == StepKind::FavoriteCell ? step.detail : step.item) - 1;
    if (grid && grid->model()) grid->scrollTo(grid->model()->index(row, place.column));
  }
}

void EditMenu::Sync() {
  const bool busy = controller_.Busy();
  const std::optional<StepId> undo = editor_.history.UndoStep();
  const std::optional<StepId> redo = editor_.history.RedoStep();
  // Step names are the program's own words: no '&' to escape.
  undo_->setText(undo ? QString::fromStdString("&Undo " + StepName(*undo)) : QString("&Undo"));
  redo_->setText(redo ? QString::fromStdString("&Redo " + StepName(*redo)) : QString("&Redo"));
  undo_->setEnabled(undo && !busy);
  redo_->setEnabled(redo && !busy);
}

}  // namespace zem
