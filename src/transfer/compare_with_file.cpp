#include "transfer/compare_with_file.h"

#include <optional>

#include "editor/config_diff.h"
#include "editor/unit_names.h"
#include "transfer/file_io.h"

namespace zem {

std::size_t LogDifferences(Editor& editor, const Editor& other, const std::string& what, const char* side,
                           bool fromUnit) {
  std::string namesNote;
  const std::vector<ConfigDifference> differences =
      CompareForReport(editor.model, other.model, ComparisonScope::Exported, fromUnit, &namesNote);
  editor.messageLog.AppendLine("Compared with " + what + " (this configuration -> " + side + "):");
  if (!namesNote.empty()) editor.messageLog.AppendLine(namesNote);
  std::string block;
  if (differences.empty())
    block = std::string("No differences: an export would write the same as ") + side + ".\r\n";
  for (const ConfigDifference& d : differences) {
    block += DifferenceLine(d);
    block += "\r\n";
  }
  editor.messageLog.AppendText(block);
  return differences.size();
}

bool CompareWithFile(Editor& editor, Prompts& prompts, std::string& lastFile) {
  if (!editor.HasConfiguration()) return false;
  const std::optional<std::string> chosen =
      prompts.OpenFile(Prompts::FileDialog{"zem", "ZEM files (*.zem)|*.zem|All Files (*.*)|*.*", lastFile});
  if (!chosen) return false;
  lastFile = *chosen;
  // A FIFO's writer might never come, and the read would hold the window
  // with no way to cancel it: only files are compared.
  if (IsFifo(*chosen)) {
    prompts.ShowError("Cannot open file " + *chosen + ". A FIFO, not a regular file");
    return false;
  }
  std::string error, cut;
  const std::optional<std::string> text = ReadWholeFile(*chosen, &error, &cut);
  if (!text) {
    prompts.ShowError("Cannot open file " + *chosen + ". " + error);
    return false;
  }
  // Part of a file would show differences the file does not hold.
  if (!cut.empty()) {
    prompts.ShowError("The file " + *chosen + " reached the limit of " + cut + "; nothing was compared.");
    return false;
  }
  Editor other;
  other.ImportFileText(*text, *chosen);
  if (!other.HasConfiguration()) {
    prompts.ShowError(NoConfigurationText("The file " + *chosen) + " to compare with.");
    return false;
  }

  LogDifferences(editor, other, *chosen, "the file", false);
  return true;
}

}  // namespace zem
