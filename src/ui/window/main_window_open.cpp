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

// The bytes of a URL's path, taken from the URL's own encoding, so any file
// name comes through (a Latin-1 byte as that byte).
std::string PathBytes(const QUrl& url) {
  const QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
  return std::string(path.constData(), static_cast<std::size_t>(path.size()));
}

// A file on this machine: no host but localhost, and a whole path.
bool IsLocalFileUrl(const QUrl& url) {
  return url.isLocalFile() && (url.host().isEmpty() || url.host() == "localhost") &&
         url.path().startsWith('/') && !url.hasQuery() && !url.hasFragment();
}

// A name the file system cannot hold (a NUL would cut it short) or that is
// no configuration file's is not opened.
bool IsConfigurationPath(const std::string& path) {
  if (path.find('\0') != std::string::npos || path.size() < 4) return false;
  std::string end = path.substr(path.size() - 4);
  for (char& c : end)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return end == ".zem";
}

// A refused URL as its user knows it: a local file by its path, anything
// else as the URL reads. Control bytes (a NUL among them) are shown as %XX,
// so the status stays one line of text.
std::string RefusedName(const QUrl& url) {
  const std::string name = IsLocalFileUrl(url)
                               ? PathBytes(url)
                               : url.toDisplayString(QUrl::EncodeUnicode).toLatin1().toStdString();
  std::string shown;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte == 127) {
      constexpr char kHex[] = "0123456789ABCDEF";
      shown += {'%', kHex[byte >> 4], kHex[byte & 15]};
    } else {
      shown += c;
    }
  }
  return shown;
}

// What a drop brings: the first local *.zem file among its URLs, or, when
// there is none, the name of the first URL refused.
struct Dropped {
  std::optional<std::string> file;
  std::string refused;
};

Dropped DroppedFile(const QMimeData* data) {
  Dropped dropped;
  if (!data || !data->hasUrls()) return dropped;
  for (const QUrl& url : data->urls()) {
    if (IsLocalFileUrl(url) && IsConfigurationPath(PathBytes(url))) {
      dropped.file = PathBytes(url);
      return dropped;
    }
    if (dropped.refused.empty()) dropped.refused = RefusedName(url);
  }
  return dropped;
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
  if (!ConfirmDiscard() || !SwitchLiveOff()) return;
  if (controller_->CheckedMode() != TransferController::Mode::File) ChooseFileMode();
  controller_->ImportConfigurationFrom(path);
  UpdateModifiedMark();
}

// Any URLs are let in, so that a refused drop can say why.
void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData() && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const Dropped dropped = DroppedFile(event->mimeData());
  const std::optional<std::string>& file = dropped.file;
  if (!file) {
    if (!dropped.refused.empty()) editor_.status.Set(kNotConfigurationStatus + dropped.refused);
    return;
  }
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
