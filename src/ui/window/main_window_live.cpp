// File > Live: the unit follows every change as it is made. Never
// remembered: each session starts with Live off.
#include <QAction>
#include <QKeySequence>
#include <QMenu>

#include "transfer/latin1.h"
#include "ui/naming/naming_view.h"
#include "ui/window/main_window.h"

namespace zem {

void MainWindow::BuildLiveItem(QMenu* fileMenu) {
  liveAction_ = new QAction("&Live", this);
  liveAction_->setObjectName("Live1");
  liveAction_->setCheckable(true);
  liveAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
  fileMenu->addAction(liveAction_);
  connect(liveAction_, &QAction::triggered, this, [this](bool on) {
    // A name being typed is sent (on) or goes before "[EC]" (off).
    CloseNameEditors();
    if (on) {
      controller_->StartLive();
    } else {
      controller_->StopLive();
    }
    SyncActions();
    UpdateModifiedMark();
  });
  connect(controller_, &TransferController::LiveChanged, this, [this] {
    SyncActions();
    setWindowModified(editor_.IsModified());
  });
}

void MainWindow::SyncLiveItem() {
  const bool on = controller_->LiveOn();
  const std::string why = controller_->LiveRefusal();
  // While a line is in flight the item stays: switching off then waits for it.
  liveAction_->setEnabled(on || (!controller_->Busy() && editor_.HasConfiguration() && why.empty()));
  liveAction_->setChecked(on);
  liveAction_->setToolTip(on || why.empty() ? QString("The unit follows every change as it is made")
                                            : Latin1(why));
}

bool MainWindow::SwitchLiveOff() {
  // Whatever switches Live off also ends the typing of a name, keeping it.
  CloseNameEditors();
  if (controller_->Busy()) return false;
  if (controller_->LiveOn()) {
    controller_->StopLive();
    SyncActions();
  }
  return true;
}

void MainWindow::SendLiveEdit() {
  // A name goes once, when its editor closes, not once per key.
  if (!controller_->LiveOn()) return;
  if (sourceZoneNaming_->NameEditorOpen() || favoriteGroupNaming_->NameEditorOpen()) return;
  controller_->LiveEdit();
}

void MainWindow::CloseNameEditors() {
  sourceZoneNaming_->CloseNameEditor();
  favoriteGroupNaming_->CloseNameEditor();
}

std::string MainWindow::LiveStateText() const {
  const std::size_t waiting = controller_->LiveWaiting();
  return waiting == 0 ? "Live: in step" : "Live: sending (" + std::to_string(waiting) + " waiting)";
}

}  // namespace zem
