// zemctl push --backup and --verify: what a push does around the sending,
// so that a push can be undone and is known to have arrived.
#include <QTimer>
#include <cstdio>

#include "cli/zemctl.h"
#include "command/command_writer.h"
#include "editor/config_diff.h"
#include "editor/editor.h"
#include "editor/unit_names.h"
#include "transfer/file_io.h"
#include "transfer/scripted_prompts.h"
#include "transfer/transfer_controller.h"

namespace zem {

namespace {

// The unit on the push's link, for the unit checks the window's export runs
// too: a controller of its own, on a connection of its own.
// Ctrl+C ends its read.
struct UnitOnLink {
  UnitOnLink(const LinkArgs& link, const UnitLimits& limits)
      : open(OpenUnitLink(ctl, prompts, link, limits)) {
    interruptWatch.callOnTimeout([this] {
      if (Interrupted()) ctl.Cancel();
    });
    interruptWatch.start(100);
  }
  Editor window;  // what a window would show meanwhile
  ScriptedPrompts prompts;
  TransferController ctl{window, prompts};
  bool open;
  QTimer interruptWatch;
};

}  // namespace

int ReadUnitBeforeSending(const LinkArgs& link, const UnitLimits& limits, Editor& unit,
                          const std::string& ifNot) {
  UnitOnLink on(link, limits);
  int pulled = kExitFailed;
  if (on.open) {
    on.ctl.Checks().ReadForBackup(unit);
    if (Interrupted()) {
      PrintError("interrupted: stopped before sending; " + ifNot);
      return kExitInterrupted;
    }
    pulled = ReadEnding(on.ctl, ifNot);
  }
  switch (pulled) {
    case kExitOk:
      return kExitOk;
    case kExitNoConfiguration:  // ReadEnding said why and that nothing was sent
      break;
    case kExitIncomplete:
      PrintError("the unit's answer may be incomplete; " + ifNot);
      break;
    default:
      PrintError("the unit could not be read; " + ifNot);
      break;
  }
  return kExitBackupFailed;
}

int BackUpUnit(const LinkArgs& link, const UnitLimits& limits, const std::string& path, bool strict,
               Editor& unit) {
  const std::string ifNot = "no backup written, nothing sent";
  if (const int status = ReadUnitBeforeSending(link, limits, unit, ifNot)) return status;
  std::string error;
  if (const std::optional<std::string> bytes = CheckedExportText(unit, ExportTarget::File, strict, ifNot);
      !bytes) {
  } else if (!WriteFileAtomically(path, *bytes, &error)) {
    PrintError("cannot write the backup " + path + ": " + error + "; nothing sent");
  } else {
    PrintNote("the unit's configuration is backed up in " + path);
    return kExitOk;
  }
  return kExitBackupFailed;
}

int VerifyPush(const ConfigModel& sent, const LinkArgs& link, const UnitLimits& limits,
               std::vector<std::string>* differenceLines) {
  PrintNote("reading the configuration back to verify it");
  UnitOnLink on(link, limits);
  Editor unit;
  UnitChecks::ReadBackFindings found;
  int pulled = kExitFailed;
  if (on.open) {
    found = on.ctl.Checks().ReadBack(sent, unit);
    if (Interrupted()) {
      PrintError("interrupted while reading back: every line was answered, not verified");
      return kExitInterrupted;
    }
    pulled = ReadEnding(on.ctl, "not verified");
  }
  if (pulled == kExitIncomplete) PrintError("the configuration read back may be incomplete; not verified");
  if (pulled == kExitFailed) PrintError("the configuration could not be read back; not verified");
  if (pulled != kExitOk) return kExitNotVerified;

  // What an export carries, worded as 'zemctl diff' words it (the EQ presets
  // and volume locks a unit keeps are never sent), and of that only what the
  // push set.
  const std::size_t leftOut = found.leftOut;
  const std::vector<ConfigDifference>& differences = found.differences;
  if (found.withoutLetters > 0) PrintNote(ComparedWithoutLettersNote(found.withoutLetters));
  if (leftOut > 0)
    PrintNote(std::to_string(leftOut) + (leftOut == 1 ? " difference" : " differences") +
              " left out: values the push does not send");
  for (const ConfigDifference& difference : differences) {
    if (differenceLines) {
      differenceLines->push_back(DifferenceLine(difference));
    } else {
      std::printf("%s\n", TerminalText(DifferenceLine(difference)).c_str());
    }
  }
  std::fflush(stdout);
  if (differences.empty()) {
    PrintNote("verified: the unit holds what was sent");
    return kExitOk;
  }
  PrintNote("the unit does not hold what was sent: " + std::to_string(differences.size()) +
            (differences.size() == 1 ? " difference" : " differences"));
  return kExitDiffers;
}

}  // namespace zem
