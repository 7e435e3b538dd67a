// File > Check Connection... and File > Save Support File...: what the
// installer runs when the unit will not talk, and the file a support person
// reads.
#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabWidget>

#include "editor/editor.h"
#include "ui/window/main_window.h"

namespace zem {

void MainWindow::BuildLinkItems(QMenu* fileMenu) {
  checkConnectionAction_ = new QAction("Chec&k Connection...", this);
  checkConnectionAction_->setObjectName("CheckConnection1");
  checkConnectionAction_->setToolTip(
      "Asks the unit what an import asks and says what is wrong with the link");
  fullCheckAction_ = new QAction("Check Reads the &Whole Answer", this);
  fullCheckAction_->setObjectName("FullCheck1");
  fullCheckAction_->setCheckable(true);
  fullCheckAction_->setToolTip(
      "The check also counts the unit's sources and zones (up to about 90 s on serial)");
  saveSupportAction_ = new QAction("Save Support File...", this);
  // Every letter of its text is another item's access key.
  saveSupportAction_->setObjectName("SaveSupportFile1");
  for (QAction* action : {checkConnectionAction_, fullCheckAction_, saveSupportAction_})
    fileMenu->addAction(action);
  connect(checkConnectionAction_, &QAction::triggered, this, &MainWindow::CheckConnection);
  connect(saveSupportAction_, &QAction::triggered, this, &MainWindow::SaveSupportFile);
}

void MainWindow::SyncLinkItems() {
  const std::string why = controller_->CheckRefusal();
  checkConnectionAction_->setEnabled(why.empty());
  fullCheckAction_->setEnabled(why.empty());
  saveSupportAction_->setEnabled(!controller_->Busy());
}

void MainWindow::CheckConnection() {
  if (!controller_->CheckRefusal().empty()) return;
  // The steps go to the message log as they run: it is shown meanwhile.
  pageTabs_->setCurrentIndex(static_cast<int>(Page::ConfigurationFile));
  controller_->CheckConnection(fullCheckAction_->isChecked());
  SyncActions();
}

void MainWindow::SaveSupportFile() {
  if (controller_->Busy()) return;
  const std::optional<std::string> path = prompts_.SaveFile(
      {"txt", "Text files (*.txt)|*.txt|All Files (*.*)|*.*", "zem-support.txt", kSupportFileCaption});
  if (!path) return;
  if (QFileInfo::exists(QString::fromLocal8Bit(path->c_str())) &&
      !prompts_.Confirm("File " + *path + " exists. Overwrite?"))
    return;
  if (!WriteExportedFile(*path, controller_->SupportFileText("zem-config " ZEM_VERSION))) return;
  editor_.status.Set(" Support file saved to " + *path);
}

}  // namespace zem
