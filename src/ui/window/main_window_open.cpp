// Opening a configuration file without the File > Import dialog: a file
// dropped on the window, chosen from File > Open Recent or named on the
// command line.
#include <QByteArray>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <optional>

#include "ui/window/main_window.h"
#include "ui/window/open_recent_menu.h"

namespace zem {

namespace {

// The first local *.zem file among the dragged URLs, as the bytes of its
// path (taken from the URL's own encoding, so any file name comes through).
std::optional<std::string> DroppedFile(const QMimeData* data) {
  if (!data || !data->hasUrls()) return std::nullopt;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile() || !url.path().endsWith(".zem", Qt::CaseInsensitive)) continue;
    const QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (!path.isEmpty()) return std::string(path.constData(), static_cast<std::size_t>(path.size()));
  }
  return std::nullopt;
}

}  // namespace

void MainWindow::SetUpOpening() {
  setAcceptDrops(true);
  auto* fileMenu = menuBar()->findChild<QMenu*>("File1");
  openRecentMenu_ = new OpenRecentMenu(controller_->Settings(), fileMenu);
  // With the other commands that read or write a file, above Exit.
  QAction* exitSeparator = nullptr;
  for (QAction* action : fileMenu->actions())
    if (action->objectName() == "N1") exitSeparator = action;
  fileMenu->insertMenu(exitSeparator, openRecentMenu_);
  connect(openRecentMenu_, &OpenRecentMenu::FileChosen, this, [this](const std::string& path) {
    // After the menu has closed: the import may ask questions.
    QTimer::singleShot(0, this, [this, path] { OpenConfigurationFile(path); });
  });
  connect(controller_, &TransferController::BusyChanged, openRecentMenu_->menuAction(),
          [this](bool busy) { openRecentMenu_->menuAction()->setEnabled(!busy); });
}

void MainWindow::OpenConfigurationFile(const std::string& path) {
  if (controller_->Busy()) {
    editor_.status.Set(kBusyOpenStatus);
    return;
  }
  if (!ConfirmDiscard()) return;
  if (controller_->CheckedMode() != TransferController::Mode::File) ChooseFileMode();
  controller_->ImportConfigurationFrom(path);
  UpdateModifiedMark();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (DroppedFile(event->mimeData())) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const std::optional<std::string> file = DroppedFile(event->mimeData());
  if (!file) return;
  if (controller_->Busy()) {
    editor_.status.Set(kBusyOpenStatus);
    return;
  }
  event->acceptProposedAction();
  // Not inside the drop: the import may ask questions, and the drag's
  // source waits until the drop is over.
  QTimer::singleShot(0, this, [this, path = *file] { OpenConfigurationFile(path); });
}

}  // namespace zem
