// What the window knows of the unit beside the exports: reading it into a
// configuration of its own, a backup before an export, and the read-back
// that verifies one.
#include <QDateTime>
#include <utility>

#include "command/command_writer.h"
#include "editor/config_diff.h"
#include "editor/read_back_check.h"
#include "editor/unit_names.h"
#include "transfer/transfer_controller.h"
#include "transfer/unit_backups.h"

namespace zem {

namespace {

std::string Counted(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

void TransferController::ImportStatus(const std::string& text) {
  if (!readInto_) editor_.status.Set(text);
}

std::string TransferController::UnitName() const {
  const std::string key = LinkKey();
  const std::size_t blank = key.find(' ');
  return blank == std::string::npos ? std::string() : key.substr(blank + 1);
}

TransferController::Outcome TransferController::ReadUnit(Editor& into, const std::string& status) {
  readProblem_.clear();
  if (busy_ || (mode_ != Mode::Serial && mode_ != Mode::Telnet)) return Outcome::None;
  editor_.status.Set(status);
  readInto_ = &into;
  const std::optional<std::string> failure = RunTransfer("Read", &TransferController::RunImport);
  readInto_ = nullptr;
  ScheduleSerialReceive();
  switch (run_.outcome) {
    case Outcome::Completed:
      editor_.messageLog.AppendLine("Read the configuration of the unit " + UnitName() + ".");
      return run_.outcome;
    case Outcome::Cancelled:  // the run logged it
      readProblem_ = "The read was cancelled.";
      return run_.outcome;
    case Outcome::Failed:
      readProblem_ = ErrorBoxText(failure.value_or(run_.failure));
      break;
    case Outcome::NothingRead:
      readProblem_ = run_.nothingRead;
      break;
    default:
      for (const std::string& warning : run_.importWarnings)
        readProblem_ += (readProblem_.empty() ? "" : " ") + warning;
      if (readProblem_.empty()) readProblem_ = "The unit's answer may be incomplete.";
      break;
  }
  editor_.messageLog.AppendLine(readProblem_);
  return run_.outcome;
}

bool TransferController::VerifyAfterExport() const {
  if (mode_ != Mode::Serial && mode_ != Mode::Telnet) return false;
  return settings_.VerifyExports(mode_ == Mode::Serial);
}

void TransferController::SetVerifyAfterExport(bool on) {
  if (mode_ == Mode::Serial || mode_ == Mode::Telnet) settings_.SetVerifyExports(mode_ == Mode::Serial, on);
}

bool TransferController::BackUpBeforeSending() {
  lastBackup_.clear();
  if (!unitChecks_ || !settings_.BackUpBeforeExport() || (mode_ != Mode::Serial && mode_ != Mode::Telnet))
    return true;
  // An export the read-back check refuses sends nothing: the run says why,
  // and the unit is not read for it.
  if (!ProblemsWhere(CheckReadBack(editor_.model, editor_.PrepareExport()), ExportTarget::Unit, false, true)
           .empty())
    return true;
  Editor unit;
  std::string error;
  if (ReadUnit(unit, " Backing up the unit...") != Outcome::Completed) {
    error = "the unit could not be read in full";
  } else if (const std::optional<std::string> path =
                 unit_backups::Write(backupRoot_, UnitName(), ZemFileText(unit.PrepareExport()),
                                     QDateTime::currentDateTime(), &error)) {
    lastBackup_ = *path;
    // The changes are counted from what the unit held a moment ago.
    editor_.unitBaseline.RememberRead(LinkKey(), unit.model.unit);
    return true;
  }
  editor_.messageLog.AppendLine("No backup was written (" + error + "); nothing was sent.");
  editor_.status.Set(" Backup failed: nothing was sent");
  return false;
}

void TransferController::VerifyExport() {
  // The export's ending, how it ended and what it sent stay what the caller reads.
  RunState exported = std::move(run_);
  const std::string ending = editor_.status.Text();
  const std::string joined = ending + (ending.find(':') == std::string::npos ? ": " : ", ");
  ConfigModel sent = editor_.model;
  sent.unit = *exported.exportedUnit;
  Editor unit;
  const bool read = ReadUnit(unit, " Reading the unit back to verify...") == Outcome::Completed;
  run_ = std::move(exported);
  if (!read) {
    editor_.unitBaseline.Forget();
    editor_.status.Set(joined + "not verified (the read-back failed)");
    return;
  }
  std::size_t withoutLetters = 0;
  const std::vector<ConfigDifference> differences =
      DifferencesAfterExport(sent, unit.model, nullptr, &withoutLetters);
  if (withoutLetters > 0) editor_.messageLog.AppendLine(ComparedWithoutLettersNote(withoutLetters));
  // The next Export Changes sends exactly what the unit lacks; a name that
  // read back as sent is held as sent, letters the read dropped and all.
  editor_.unitBaseline.Remember(LinkKey(), WithSentNames(unit.model.unit, sent.unit));
  if (differences.empty()) {
    editor_.MarkExported();
    editor_.status.Set(joined + "verified");
    return;
  }
  const std::string values = Counted(differences.size(), "value", "values");
  std::string block = "The unit differs in " + values + " (this configuration -> the unit):\r\n";
  for (const ConfigDifference& d : differences) block += DifferenceLine(d) + "\r\n";
  editor_.messageLog.AppendText(block);
  editor_.status.Set(joined + "the unit differs in " + values);
}

}  // namespace zem
