#include "transfer/compare_with_unit.h"

#include "transfer/compare_with_file.h"

namespace zem {

bool CompareWithUnit(Editor& editor, TransferController& controller) {
  if (!editor.HasConfiguration()) return false;
  Editor unit;
  const TransferController::Outcome read = controller.ReadUnit(unit, " Reading the unit to compare...");
  if (read != TransferController::Outcome::Completed) {
    editor.messageLog.AppendLine("Nothing was compared.");
    editor.status.Set(read == TransferController::Outcome::Cancelled
                          ? " Compare with Unit cancelled: nothing was compared"
                          : " Compare with Unit: the unit could not be read in full, nothing was compared");
    return false;
  }
  // A whole read tells what the unit holds.
  editor.unitBaseline.RememberRead(controller.LinkKey(), unit.model.unit);
  const std::size_t count =
      LogDifferences(editor, unit, "the unit " + controller.UnitName(), "the unit", true);
  editor.status.Set(count == 0 ? std::string(" Compared with the unit: no differences")
                               : " Compared with the unit: " + std::to_string(count) +
                                     (count == 1 ? " difference" : " differences"));
  return true;
}

}  // namespace zem
