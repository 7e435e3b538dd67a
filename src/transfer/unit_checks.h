#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "editor/config_diff.h"
#include "model/config_model.h"
#include "transfer/import_run.h"
#include "transfer/transfer_context.h"

namespace zem {

// What is learnt of the unit beside the exports: reading it into a
// configuration of its own, Back Up Before Export, and Verify After Export,
// which reads an export back.
class UnitChecks {
 public:
  UnitChecks(TransferContext& context, ImportRun& import);
  UnitChecks(const UnitChecks&) = delete;
  UnitChecks& operator=(const UnitChecks&) = delete;

  // Reads the unit on the current link into `into` (a configuration of its
  // own: the editor's configuration, texts and unsaved mark stay as they
  // are) as an import would read it, the status line showing `status`
  // meanwhile; Serial and Telnet Mode only (else None). The link's messages
  // and how the read ended go to the message log. Completed only for a
  // whole configuration; why not is in ReadProblem().
  TransferOutcome ReadUnit(Editor& into, const std::string& status);
  const std::string& ReadProblem() const { return readProblem_; }

  // The use cases the window and zemctl share; each presents the result
  // its own way.
  // Reads the unit for a backup, as ReadUnit does.
  TransferOutcome ReadForBackup(Editor& unit);
  // What reading an export back found.
  struct ReadBackFindings {
    TransferOutcome read = TransferOutcome::None;  // Completed: the rest is known
    // What an export carries, and of that only what the export set.
    std::vector<ConfigDifference> differences;
    std::size_t leftOut = 0;         // differences in values the export does not set
    std::size_t withoutLetters = 0;  // names holding letters a unit cannot return
  };
  // Reads the unit into `unit` and compares it with `sent`, the
  // configuration an export sent (sent -> the unit).
  ReadBackFindings ReadBack(const ConfigModel& sent, Editor& unit);

  // The checks around an export to the unit (the window's): Back Up Before
  // Export and Verify After Export, as remembered in the settings. Off
  // until switched on.
  void UseUnitChecks(bool on) { unitChecks_ = on; }
  // Verify After Export for the current link (Serial or Telnet Mode).
  bool VerifyAfterExport() const;
  void SetVerifyAfterExport(bool on);
  // Whether an export that took every command is to be read back.
  bool VerifyWanted() const { return unitChecks_ && VerifyAfterExport(); }
  // Where the backups go: <root>/<unit>/; unit_backups::DefaultRoot() at first.
  void SetBackupRoot(std::string root) { backupRoot_ = std::move(root); }
  // The file the last backup went to; empty when none was written.
  const std::string& LastBackup() const { return lastBackup_; }

  // Back Up Before Export: true when the export may go on (no backup asked,
  // or one written); false, said why, when nothing may be sent.
  bool BackUpBeforeSending();
  // Verify After Export, after an export to the unit of `sent` whose every
  // command was answered: the ending on the status line says what the unit
  // holds.
  void VerifyExport(const UnitConfiguration& sent);

 private:
  TransferContext& ctx_;
  ImportRun& import_;
  std::string readProblem_;
  bool unitChecks_ = false;
  std::string backupRoot_;
  std::string lastBackup_;
};

}  // namespace zem
