#include "ui/matrix/restrictions_view.h"

#include <QPushButton>

#include "editor/bulk_edits.h"
#include "ui/matrix/color_swatch_widget.h"
#include "ui/matrix/matrix_grid_widget.h"

namespace zem {

RestrictionsView::RestrictionsView(Editor& editor, QWidget* parent)
    : MatrixPageView(editor, "TabSheet4",
                     {GridKind::Restrictions, "StringGrid4", "Restrictions matrix", QRect(55, 28, 538, 329),
                      "Label20", "Sources", "Label19"},
                     parent) {
  auto* restrictAll = new QPushButton("Restrict All", this);
  restrictAll->setObjectName("Button3");
  restrictAll->setAccessibleName("Restrict all");
  restrictAll->setGeometry(608, 28, 75, 25);
  auto* clearAll = new QPushButton("Clear All", this);
  clearAll->setObjectName("Button4");
  clearAll->setAccessibleName("Clear all restrictions");
  clearAll->setGeometry(608, 59, 75, 25);

  // A step holds what the restriction does to the favorites once the page
  // changes (the configuration an export would write), so undo gives the
  // routings back.
  const auto restrictStep = [this](StepId id, const std::function<void()>& change) {
    editor_.Step(id, change);
    grid_->Refresh();
  };
  connect(grid_, &MatrixGridWidget::CellDoubleClicked, this, [this, restrictStep](int column, int row) {
    restrictStep(StepId{StepKind::RestrictionCell, row},
                 [&] { editor_.matrix.RestrictionCellDoubleClicked(column, row); });
  });
  connect(grid_, &MatrixGridWidget::RangeActivated, this, [this] {
    ToggleMarkRange(editor_, MarkGrid::Restrictions, grid_->SelectionFirst(), grid_->SelectionLast(),
                    grid_->AnchorCell());
    grid_->Refresh();
  });
  AddFindBar(false);
  connect(restrictAll, &QPushButton::clicked, this, [this, restrictStep] {
    restrictStep(StepId{StepKind::RestrictAll}, [this] { editor_.matrix.RestrictAll(); });
  });
  connect(clearAll, &QPushButton::clicked, this, [this, restrictStep] {
    restrictStep(StepId{StepKind::ClearAll}, [this] { editor_.matrix.ClearAllRestrictions(); });
  });

  SyncFromEditor();
}

}  // namespace zem
