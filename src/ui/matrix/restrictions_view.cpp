#include "ui/matrix/restrictions_view.h"

#include <QPushButton>

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

  connect(grid_, &MatrixGridWidget::CellDoubleClicked, this, [this](int column, int row) {
    editor_.matrix.RestrictionCellDoubleClicked(column, row);
    grid_->Refresh();
  });
  connect(restrictAll, &QPushButton::clicked, this, [this] {
    editor_.matrix.RestrictAll();
    grid_->Refresh();
  });
  connect(clearAll, &QPushButton::clicked, this, [this] {
    editor_.matrix.ClearAllRestrictions();
    grid_->Refresh();
  });

  SyncFromEditor();
}

}  // namespace zem
