// What is learnt of the unit beside the exports: reading it into a
// configuration of its own, a backup before an export, and the read-back
// that verifies one.
#include "transfer/unit_checks.h"

#include <QDateTime>
#include <utility>

#include "command/command_writer.h"
#include "editor/config_diff.h"
#include "editor/read_back_check.h"
#include "editor/unit_names.h"
#include "transfer/unit_backups.h"

namespace zem {

namespace {

std::string Counted(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

UnitChecks::UnitChecks(TransferContext& context, ImportRun& import)
    : ctx_(context), import_(import), backupRoot_(unit_backups::DefaultRoot()) {}

TransferOutcome UnitChecks::ReadUnit(Editor& into, const std::string& status) {
  readProblem_.clear();
  if (ctx_.busy || !ctx_.OverLink()) return TransferOutcome::None;
  ctx_.editor.status.Set(status);
  const std::optional<std::string> failure = import_.ReadInto(into);
  const ImportRun::State& run = import_.Last();
  switch (run.outcome) {
    case TransferOutcome::Completed:
      ctx_.editor.messageLog.AppendLine("Read the configuration of the unit " + ctx_.UnitName() + ".");
      return run.outcome;
    case TransferOutcome::Cancelled:  // the run logged it
      readProblem_ = "The read was cancelled.";
      return run.outcome;
    case TransferOutcome::Failed:
      readProblem_ = ErrorBoxText(failure.value_or(run.failure));
      break;
    case TransferOutcome::NothingRead:
      readProblem_ = run.nothingRead;
      break;
    default:
      for (const std::string& warning : run.importWarnings)
        readProblem_ += (readProblem_.empty() ? "" : " ") + warning;
      if (readProblem_.empty()) readProblem_ = "The unit's answer may be incomplete.";
      break;
  }
  ctx_.editor.messageLog.AppendLine(readProblem_);
  return run.outcome;
}

TransferOutcome UnitChecks::ReadForBackup(Editor& unit) { return ReadUnit(unit, " Backing up the unit..."); }

UnitChecks::ReadBackFindings UnitChecks::ReadBack(const ConfigModel& sent, Editor& unit) {
  ReadBackFindings found;
  found.read = ReadUnit(unit, " Reading the unit back to verify...");
  if (found.read == TransferOutcome::Completed)
    found.differences = DifferencesAfterExport(sent, unit.model, &found.leftOut, &found.withoutLetters);
  return found;
}

bool UnitChecks::VerifyAfterExport() const {
  if (!ctx_.OverLink()) return false;
  return ctx_.settings.VerifyExports(ctx_.mode == TransferMode::Serial);
}

void UnitChecks::SetVerifyAfterExport(bool on) {
  if (ctx_.OverLink()) ctx_.settings.SetVerifyExports(ctx_.mode == TransferMode::Serial, on);
}

bool UnitChecks::BackUpBeforeSending() {
  lastBackup_.clear();
  if (!unitChecks_ || !ctx_.settings.BackUpBeforeExport() || !ctx_.OverLink()) return true;
  // An export the read-back check refuses sends nothing: the run says why,
  // and the unit is not read for it.
  if (!ProblemsWhere(CheckReadBack(ctx_.editor.model, ctx_.editor.PrepareExport()), ExportTarget::Unit, false,
                     true)
           .empty())
    return true;
  Editor unit;
  std::string error;
  if (ReadForBackup(unit) != TransferOutcome::Completed) {
    error = "the unit could not be read in full";
  } else if (const std::optional<std::string> path =
                 unit_backups::Write(backupRoot_, ctx_.UnitName(), ZemFileText(unit.PrepareExport()),
                                     QDateTime::currentDateTime(), &error)) {
    lastBackup_ = *path;
    // The changes are counted from what the unit held a moment ago.
    ctx_.editor.unitBaseline.RememberRead(ctx_.LinkKey(), unit.model.unit);
    return true;
  }
  ctx_.editor.messageLog.AppendLine("No backup was written (" + error + "); nothing was sent.");
  ctx_.editor.status.Set(" Backup failed: nothing was sent");
  return false;
}

void UnitChecks::VerifyExport(const UnitConfiguration& sentUnit) {
  const std::string ending = ctx_.editor.status.Text();
  const std::string joined = ending + (ending.find(':') == std::string::npos ? ": " : ", ");
  ConfigModel sent = ctx_.editor.model;
  sent.unit = sentUnit;
  Editor unit;
  const ReadBackFindings found = ReadBack(sent, unit);
  // How the export ended stays what the caller reads.
  ctx_.lastJob = TransferContext::Job::Export;
  if (found.read != TransferOutcome::Completed) {
    ctx_.editor.unitBaseline.Forget();
    ctx_.editor.status.Set(joined + "not verified (the read-back failed)");
    return;
  }
  const std::vector<ConfigDifference>& differences = found.differences;
  if (found.withoutLetters > 0)
    ctx_.editor.messageLog.AppendLine(ComparedWithoutLettersNote(found.withoutLetters));
  // The next Export Changes sends exactly what the unit lacks; a name that
  // read back as sent is held as sent, letters the read dropped and all.
  ctx_.editor.unitBaseline.Remember(ctx_.LinkKey(), WithSentNames(unit.model.unit, sent.unit));
  if (differences.empty()) {
    ctx_.editor.MarkExported();
    ctx_.editor.status.Set(joined + "verified");
    return;
  }
  const std::string values = Counted(differences.size(), "value", "values");
  std::string block = "The unit differs in " + values + " (this configuration -> the unit):\r\n";
  for (const ConfigDifference& d : differences) block += DifferenceLine(d) + "\r\n";
  ctx_.editor.messageLog.AppendText(block);
  ctx_.editor.status.Set(joined + "the unit differs in " + values);
}

}  // namespace zem
