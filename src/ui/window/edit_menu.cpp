#include "ui/window/edit_menu.h"

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
  connect(undo_, &QAction::triggered, this, [this] {
    if (!controller_.Busy()) editor_.Undo();
  });
  connect(redo_, &QAction::triggered, this, [this] {
    if (!controller_.Busy()) editor_.Redo();
  });
  connect(&controller_, &TransferController::BusyChanged, this, &EditMenu::Sync);
  editor_.history.SetOnChange([this] { Sync(); });
  Sync();
}

EditMenu::~EditMenu() { editor_.history.SetOnChange(nullptr); }

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
