#include "ui/matrix/restrictions_view.h"

#include <QPushButton>

#include "ui/matrix/color_swatch_widget.h"
#include "ui/matrix/matrix_grid_widget.h"
#include "ui/pages/page_controls.h"

namespace zem {

RestrictionsView::RestrictionsView(Editor& editor, Prompts& prompts, QWidget* parent)
    : QWidget(parent), editor_(editor), prompts_(prompts) {
  setObjectName("TabSheet4");

  pages::MakeLabel(this, "Label20", "Sources", 161, 8, true);
  pages::MakeLabel(this, "Label19", "Zones", 8, 56, true);

  grid_ = new MatrixGridWidget(editor_.model, GridKind::Restrictions, this);
  grid_->setObjectName("StringGrid4");
  grid_->setAccessibleName("Restrictions matrix");
  grid_->setGeometry(55, 28, 538, 329);

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

void RestrictionsView::SyncFromEditor() {
  pages::SetPageControlsEnabled(this, editor_.PagesEnabled());
  grid_->Refresh();
}

}  // namespace zem
