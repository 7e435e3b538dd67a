// The window's bulk commands: the names file (File > Import Names... and
// Export Names...) and the Edit menu's copies of one zone's audio and one
// favorite's routing.
#include <QAction>
#include <QFileInfo>
#include <QMenu>

#include "editor/bulk_edits.h"
#include "editor/names_csv.h"
#include "transfer/names_file.h"
#include "ui/favorites/favorites_view.h"
#include "ui/window/edit_menu.h"
#include "ui/window/main_window.h"
#include "ui/zoneaudio/zone_audio_view.h"

namespace zem {

namespace {
const Prompts::FileDialog kNamesDialog{"csv", "CSV files (*.csv)|*.csv|All Files (*.*)|*.*", "names.csv"};
}

void MainWindow::BuildNamesMenu(QMenu* fileMenu) {
  fileMenu->addSeparator()->setObjectName("NamesSeparator");
  importNamesAction_ = fileMenu->addAction("Import &Names...");
  importNamesAction_->setObjectName("ImportNames1");
  exportNamesAction_ = fileMenu->addAction("Export N&ames...");
  exportNamesAction_->setObjectName("ExportNames1");
  connect(importNamesAction_, &QAction::triggered, this, &MainWindow::ImportNames);
  connect(exportNamesAction_, &QAction::triggered, this, &MainWindow::ExportNames);
}

void MainWindow::BuildCopyMenu() {
  editMenu_->addSeparator();
  QAction* copyAudio = editMenu_->addAction("Copy &Audio Settings To...");
  copyAudio->setObjectName("CopyAudioSettings1");
  QAction* copyFavorite = editMenu_->addAction("Copy &Favorite To...");
  copyFavorite->setObjectName("CopyFavorite1");
  connect(copyAudio, &QAction::triggered, this, [this] {
    if (controller_->Busy()) return;
    editor_.EndStep();
    zoneAudio_->OpenCopyAudioDialog();
  });
  connect(copyFavorite, &QAction::triggered, this, [this] {
    if (controller_->Busy()) return;
    editor_.EndStep();
    favorites_->OpenCopyFavoriteDialog();
  });
  connect(editMenu_, &QMenu::aboutToShow, this, [this, copyAudio, copyFavorite] {
    copyAudio->setEnabled(!controller_->Busy() && zoneAudio_->CanCopyAudio());
    copyFavorite->setEnabled(!controller_->Busy() && favorites_->CanCopyFavorite());
  });
}

void MainWindow::ImportNames() {
  if (controller_->Busy() || !editor_.HasConfiguration()) return;
  const std::optional<std::string> path = prompts_.OpenFile(kNamesDialog);
  if (!path) return;
  const NamesImport import = ImportNamesFromPath(editor_, *path, false);
  if (!import.csv.error.empty()) {
    prompts_.ShowError("No names imported from " + *path + ": " + import.csv.error);
    editor_.status.Set(" No names imported: " + import.csv.error);
    return;
  }
  editor_.status.Set(" " + import.Summary());
}

void MainWindow::ExportNames() {
  if (controller_->Busy() || !editor_.HasConfiguration()) return;
  const std::optional<std::string> path = prompts_.SaveFile(kNamesDialog);
  if (!path) return;
  if (QFileInfo::exists(QString::fromLocal8Bit(path->c_str())) &&
      !prompts_.Confirm("File " + *path + " exists. Overwrite?"))
    return;
  editor_.EndStep();
  std::vector<NameEntry> leftOut;
  if (!WriteExportedFile(*path, NamesCsvText(editor_.Model().unit, &leftOut))) return;
  // A control byte in a name is corruption: such names stay out of the file.
  std::string said = " Names exported to " + *path;
  for (std::size_t i = 0; i < leftOut.size(); ++i) {
    editor_.messageLog.AppendLine(std::string(kNameLeftOut) + NameEntryText(leftOut[i]));
    said += (i == 0 ? "; left out, holding a control byte: " : ", ") +
            std::string(NameTableWord(leftOut[i].table)) + " " + std::to_string(leftOut[i].number);
  }
  editor_.status.Set(said);
}

}  // namespace zem
