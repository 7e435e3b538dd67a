#include "ui/matrix/groups_view.h"

#include "editor/bulk_edits.h"
#include "ui/matrix/color_swatch_widget.h"
#include "ui/matrix/matrix_grid_widget.h"
#include "ui/pages/page_controls.h"

namespace zem {

GroupsView::GroupsView(Editor& editor, QWidget* parent)
    : MatrixPageView(editor, "TabSheet7",
                     {GridKind::Groups, "StringGrid7", "Groups matrix", QRect(55, 28, 383, 329), "Label62",
                      "Groups", "Label63"},
                     parent) {
  pages::MakeLabel(this, "Label49", "Legend", 535, 148, true);
  AddSwatch(this, "Shape6", grid_colors::kWhite, 522, 167);
  pages::MakeLabel(this, "Label67", "No connect", 544, 167);
  AddSwatch(this, "Shape7", grid_colors::kLightGreen, 522, 186);
  pages::MakeLabel(this, "Label68", "Group Assigned", 544, 186);
  AddSwatch(this, "Shape8", ButtonFace(palette()), 522, 205);
  pages::MakeLabel(this, "Label69", "Not Used", 545, 205);

  connect(grid_, &MatrixGridWidget::CellDoubleClicked, this, [this](int column, int row) {
    editor_.Step(StepId{StepKind::GroupCell, row},
                 [&] { editor_.matrix.GroupCellDoubleClicked(column, row); });
    grid_->Refresh();
  });
  connect(grid_, &MatrixGridWidget::RangeActivated, this, [this] {
    ToggleMarkRange(editor_, MarkGrid::Groups, grid_->SelectionFirst(), grid_->SelectionLast(),
                    grid_->AnchorCell());
    grid_->Refresh();
  });
  AddFindBar(false);

  SyncFromEditor();
}

}  // namespace zem
