// The handover sheet from the window: File > Print Sheet... and File >
// Export Sheet...
#include <QAction>
#include <QDate>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPrinterInfo>
#include <filesystem>
#include <memory>

#include "sheet/sheet_document.h"
#include "sheet/sheet_pages.h"
#include "ui/window/main_window.h"

namespace zem {

namespace {

constexpr const char* kSheetFilter = "PDF files (*.pdf)|*.pdf|HTML files (*.html)|*.html";

QString Utf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

SheetTitleBlock TitleBlockOf(const Prompts::SheetFields& fields) {
  return {Utf8(fields.site), Utf8(fields.address), Utf8(fields.installer), Utf8(fields.contact),
          Utf8(fields.notes)};
}

// The default printer's paper, else the locale's.
QPageSize::PageSizeId ExportPaper() {
  const QPageSize paper = QPrinterInfo::defaultPrinter().defaultPageSize();
  return paper.isValid() && paper.id() != QPageSize::Custom ? paper.id() : LocalePaper();
}

}  // namespace

void MainWindow::SetUpSheet() {
  auto* fileMenu = menuBar()->findChild<QMenu*>("File1");
  QAction* exitSeparator = nullptr;
  for (QAction* action : fileMenu->actions())
    if (action->objectName() == "N1") exitSeparator = action;
  fileMenu->insertSeparator(exitSeparator)->setObjectName("SheetSeparator");
  printSheetAction_ = new QAction("&Print Sheet...", this);
  printSheetAction_->setObjectName("PrintSheet1");
  exportSheetAction_ = new QAction("Exp&ort Sheet...", this);
  exportSheetAction_->setObjectName("ExportSheet1");
  fileMenu->insertActions(exitSeparator, {printSheetAction_, exportSheetAction_});
  // Open Recent comes next, in a part of its own.
  fileMenu->insertSeparator(exitSeparator)->setObjectName("SheetEndSeparator");
  connect(printSheetAction_, &QAction::triggered, this, &MainWindow::PrintSheet);
  connect(exportSheetAction_, &QAction::triggered, this, &MainWindow::ExportSheet);
}

// Beside the file the title names, when it names one.
std::string MainWindow::SheetProposedName() const {
  const auto& recent = controller_->Settings().RecentFiles();
  const std::string& shown = controller_->DocumentName();
  if (shown.empty() || recent.empty() || std::filesystem::path(recent.front()).filename() != shown) return {};
  return std::filesystem::path(recent.front()).replace_extension(".pdf").string();
}

std::optional<Prompts::SheetFields> MainWindow::AskSheetTitle() {
  // One site's fields are never proposed for another's file or unit.
  std::string site = SheetProposedName();
  if (site.empty()) site = controller_->DocumentName();
  UserSettings& settings = controller_->Settings();
  Prompts::SheetFields proposed;
  if (const auto known = sheetSites_.find(site); known != sheetSites_.end()) {
    proposed = known->second;
  } else {
    proposed.site = ShownDocumentName().toStdString();
  }
  proposed.installer = settings.SheetInstaller();
  proposed.contact = settings.SheetContact();
  std::optional<Prompts::SheetFields> answer = prompts_.SheetTitle(proposed);
  if (!answer) return std::nullopt;
  settings.SetSheetInstaller(answer->installer, answer->contact);
  Prompts::SheetFields& kept = sheetSites_[site];
  kept = *answer;
  kept.installer.clear();
  kept.contact.clear();
  return answer;
}

void MainWindow::SyncSheetActions() {
  const bool ready = !controller_->Busy() && editor_.HasConfiguration();
  printSheetAction_->setEnabled(ready);
  exportSheetAction_->setEnabled(ready);
}

void MainWindow::PrintSheet() {
  if (controller_->Busy() || !editor_.HasConfiguration()) return;
  const std::optional<Prompts::SheetFields> fields = AskSheetTitle();
  if (!fields) return;
  // The preview may draw the pages again (another paper, the printer): it
  // keeps the sheet as it was when asked for.
  auto sheet = std::make_shared<const SheetDocument>(
      BuildSheet(editor_.Model(), TitleBlockOf(*fields), QDate::currentDate()));
  prompts_.PrintPreview({"Print Sheet", [sheet](QPagedPaintDevice& device) { PaintSheet(*sheet, device); }});
}

void MainWindow::ExportSheet() {
  if (controller_->Busy() || !editor_.HasConfiguration()) return;
  const std::optional<Prompts::SheetFields> fields = AskSheetTitle();
  if (!fields) return;
  const std::string proposed = SheetProposedName();
  const std::optional<std::string> chosen =
      prompts_.SaveFile(Prompts::FileDialog{"pdf", kSheetFilter, proposed});
  if (!chosen) return;
  const std::string& name = *chosen;
  const std::optional<SheetFormat> format = SheetFormatFor(name);
  if (!format) {
    prompts_.ShowError("Cannot export the sheet to " + name + ": its name must end in .pdf or .html");
    return;
  }
  if (QFileInfo::exists(QString::fromLocal8Bit(name.c_str())) &&
      !prompts_.Confirm("File " + name + " exists. Overwrite?"))
    return;
  if (!WriteExportedFile(name, SheetFile(editor_.Model(), TitleBlockOf(*fields), *format, ExportPaper())))
    return;
  editor_.status.Set("Sheet exported to file: " + name);
}

}  // namespace zem
