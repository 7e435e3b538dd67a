#pragma once

#include <QMenu>

#include "editor/editor.h"
#include "transfer/transfer_controller.h"

class QAction;

namespace zem {

// The Edit menu: Undo and Redo, each named after the step it would take
// back or do again, greyed when there is none and while a transfer runs.
// A text field that has the focus keeps its own Ctrl+Z: the line edit
// claims the key before the menu's shortcut sees it, so undoing a step
// never throws away what is being typed.
class EditMenu : public QMenu {
  Q_OBJECT

 public:
  EditMenu(Editor& editor, TransferController& controller, QWidget* parent);
  ~EditMenu() override;

  QAction* UndoAction() const { return undo_; }
  QAction* RedoAction() const { return redo_; }
  // The actions' texts and states follow the history and the transfers.
  void Sync();

 private:
  // Brings the row of a step on a grid into view.
  void ScrollTo(const StepId& step);

  Editor& editor_;
  TransferController& controller_;
  QAction* undo_;
  QAction* redo_;
};

}  // namespace zem
