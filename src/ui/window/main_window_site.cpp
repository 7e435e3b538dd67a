// File > Open Site...: a site's units in a list beside the window, and one
// of them opened as its file, its link and what it was last read holding.
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>

#include "editor/editor.h"
#include "transfer/file_io.h"
#include "transfer/site_file.h"
#include "ui/window/main_window.h"
#include "ui/window/site_dialog.h"

namespace zem {

void MainWindow::SetUpSite() {
  auto* fileMenu = menuBar()->findChild<QMenu*>("File1");
  QAction* exitSeparator = nullptr;
  for (QAction* action : fileMenu->actions())
    if (action->objectName() == "N1") exitSeparator = action;
  openSiteAction_ = new QAction("Open Site...", this);
  // Every letter of its text is another item's access key.
  openSiteAction_->setObjectName("OpenSite1");
  fileMenu->insertAction(exitSeparator, openSiteAction_);
  connect(openSiteAction_, &QAction::triggered, this, &MainWindow::OpenSite);
}

SiteDialog* MainWindow::SiteList() const { return siteDialog_; }

void MainWindow::OpenSite() {
  const std::optional<std::string> path =
      prompts_.OpenFile({"zemsite", "ZEM site files (*.zemsite)|*.zemsite|All Files (*.*)|*.*", ""});
  if (!path) return;
  std::string error;
  std::optional<Site> site = ReadSiteFile(*path, &error);
  if (!site) {
    prompts_.ShowError("Not a site file: " + error);
    return;
  }
  // One site at a time: a list open before goes, its status run with it.
  delete siteDialog_;
  siteDialog_ = new SiteDialog(std::move(*site), *path, this);
  siteDialog_->setAttribute(Qt::WA_DeleteOnClose);
  connect(siteDialog_, &SiteDialog::OpenUnit, this, &MainWindow::OpenSiteUnit);
  siteDialog_->show();
  siteDialog_->Refresh();
}

void MainWindow::OpenSiteUnit(const SiteUnit& unit, const std::string& read) {
  if (controller_->Busy()) {
    editor_.status.Set(kBusyOpenStatus);
    return;
  }
  if (!ConfirmDiscard() || !SwitchLiveOff()) return;
  if (controller_->CheckedMode() != TransferController::Mode::File) ChooseFileMode();
  controller_->ImportConfigurationFrom(unit.path);
  if (controller_->LastOutcome() != TransferController::Outcome::Completed) return UpdateModifiedMark();
  controller_->ChooseUnitLink(unit.serial, unit.address);
  SyncModeChecks();
  // What status read is what the unit held then: the baseline, as an
  // import from it would have set it. A read that cannot be had leaves the
  // unit not known.
  std::string readText = "no read of the unit";
  if (!read.empty() && controller_->CheckedMode() != TransferController::Mode::None) {
    std::string problem, cut;
    if (std::optional<std::string> text = ReadWholeFile(read, &problem, &cut); text && cut.empty()) {
      Editor held;
      held.ImportFileText(std::move(*text), read);
      if (held.HasConfiguration()) {
        editor_.unitBaseline.RememberRead(controller_->LinkKey(), held.Model().unit);
        readText = "its last read";
      }
    }
  }
  editor_.messageLog.AppendLine("Site unit " + unit.name + ": " + unit.file + " over " + unit.LinkText() +
                                ", " + readText + " taken as what it holds.");
  UpdateModifiedMark();
  SyncActions();
}

}  // namespace zem
