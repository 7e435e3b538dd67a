// The window's knowledge of the unit: File > Compare with Unit..., Verify
// After Export and Back Up Before Export, the unit's status field, the title
// and the hints of the empty first page.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>

#include "transfer/compare_with_unit.h"
#include "ui/window/main_window.h"

namespace zem {

namespace {

std::string Changes(std::size_t n) { return std::to_string(n) + (n == 1 ? " change" : " changes"); }

}  // namespace

void MainWindow::BuildUnitItems(QMenu* fileMenu) {
  compareUnitAction_ = new QAction("Compare with &Unit...", this);
  compareUnitAction_->setObjectName("CompareWithUnit1");
  verifyAction_ = new QAction("&Verify After Export", this);
  verifyAction_->setObjectName("VerifyAfterExport1");
  backUpAction_ = new QAction("&Back Up Before Export", this);
  backUpAction_->setObjectName("BackUpBeforeExport1");
  for (QAction* action : {compareUnitAction_, verifyAction_, backUpAction_}) fileMenu->addAction(action);
  verifyAction_->setCheckable(true);
  backUpAction_->setCheckable(true);
  connect(compareUnitAction_, &QAction::triggered, this, &MainWindow::CompareWithUnit);
  // Remembered: one choice for each link, the backup for both.
  connect(verifyAction_, &QAction::triggered, this,
          [this](bool on) { controller_->SetVerifyAfterExport(on); });
  connect(backUpAction_, &QAction::triggered, this,
          [this](bool on) { controller_->Settings().SetBackUpBeforeExport(on); });
}

void MainWindow::SyncUnitItems() {
  const TransferController::Mode mode = controller_->CheckedMode();
  const bool link = mode == TransferController::Mode::Serial || mode == TransferController::Mode::Telnet;
  const bool idle = !controller_->Busy();
  compareUnitAction_->setEnabled(idle && link && editor_.HasConfiguration());
  verifyAction_->setEnabled(idle && link);
  verifyAction_->setChecked(controller_->VerifyAfterExport());
  backUpAction_->setEnabled(idle && link);
  backUpAction_->setChecked(controller_->Settings().BackUpBeforeExport());
}

void MainWindow::CompareWithUnit() {
  if (!SwitchLiveOff()) return;
  zem::CompareWithUnit(editor_, *controller_);
  SyncActions();
}

void MainWindow::NoteUnreturnedNames() {
  std::string first;
  const std::size_t gained = unreturnedNames_.Update(editor_.Model().unit, &first);
  const TransferController::Mode mode = controller_->CheckedMode();
  // A transfer's names come from the unit or go back as they were.
  if (gained == 0 || controller_->Busy() ||
      (mode != TransferController::Mode::Serial && mode != TransferController::Mode::Telnet))
    return;
  // Said once the edit has said its own word (a paste's or a names file's
  // count), after it.
  const std::string note = EnteredUnreturnedNote(gained, first);
  QTimer::singleShot(0, this, [this, note, before = editor_.status.Text()] {
    const std::string now = editor_.status.Text();
    editor_.status.Set(now == before || now.empty() ? note : now + ";" + note);
  });
}

QString MainWindow::ShownDocumentName() const {
  // Over a link, the unit on it, whatever was read or sent before the link changed.
  const std::string unit = controller_->UnitName();
  return QFile::decodeName((unit.empty() ? controller_->DocumentName() : unit).c_str());
}

void MainWindow::UpdateTitle() {
  // "[*]": the mark of unsaved changes, shown only while there are some.
  const QString name = ShownDocumentName();
  setWindowTitle((name.isEmpty() ? QString() : name + " - ") + "ZEM Configuration[*]");
}

void MainWindow::ShowUnitState(ChangesState state, std::size_t lines) {
  if (!unitState_) return;
  const TransferController::Mode mode = controller_->CheckedMode();
  std::string text;
  if (controller_->LiveOn()) {
    text = LiveStateText();
  } else if (controller_->LinkTrouble()) {
    // The last transfer heard nothing: the check can tell why.
    text = "Unit: no answer - File > Check Connection...";
  } else if (mode == TransferController::Mode::Serial || mode == TransferController::Mode::Telnet) {
    switch (state) {
      case ChangesState::NoBaseline:
        text = "Unit: not known";
        break;
      case ChangesState::CountsDiffer:
        text = "Unit: counts differ, a full export is needed";
        break;
      case ChangesState::NothingChanged:
        text = "Unit: in step";
        break;
      case ChangesState::Ready:
        text = "Unit: " + Changes(lines) + " not sent";
        break;
    }
  }
  unitState_->setText(QString::fromLatin1(text.c_str()));
}

std::string MainWindow::DiscardQuestion(bool notExported, std::size_t unsent) {
  if (!notExported && unsent == 0) return {};
  std::string question = notExported ? "The configuration has changes that were not exported. " : "";
  if (unsent > 0) question += "The unit has not received " + Changes(unsent) + ". ";
  return question + "Discard them?";
}

std::string MainWindow::DiscardQuestion() const {
  std::size_t lines = 0;
  const bool unsent = controller_->ExportChangesState(&lines) == ChangesState::Ready;
  return DiscardQuestion(editor_.IsModified(), unsent ? lines : 0);
}

void MainWindow::ShowHints() {
  // Placeholders, not text: they go as soon as a text area has something.
  const bool empty = !editor_.HasConfiguration();
  receivedTextView_->setPlaceholderText(
      empty ? QString("Nothing is loaded yet.\n\n"
                      "To open a configuration file, keep File Mode and choose File > Import, "
                      "then a .zem file.\n\n"
                      "To read a unit, choose Telnet Mode (its address) or Serial Mode (its port) "
                      "in the File menu, then File > Import.")
            : QString());
  messageLogView_->setPlaceholderText(empty && !examplesFolder_.isEmpty()
                                          ? "Example configurations to import are in " + examplesFolder_ + "."
                                          : QString());
}

void MainWindow::SetExamplesFolder(QString folder) {
  examplesFolder_ = std::move(folder);
  ShowHints();
}

}  // namespace zem
