#include "ui/matrix/matrix_page_view.h"

#include "ui/matrix/matrix_grid_widget.h"
#include "ui/pages/page_controls.h"

namespace zem {

MatrixPageView::MatrixPageView(Editor& editor, const char* pageName, const GridLayout& layout,
                               QWidget* parent)
    : QWidget(parent), editor_(editor) {
  setObjectName(pageName);
  pages::MakeLabel(this, layout.columnCaptionName, layout.columnCaption, 161, 8, true);
  pages::MakeLabel(this, layout.rowCaptionName, "Zones", 8, 56, true);

  grid_ = new MatrixGridWidget(editor_.model, layout.kind, this);
  grid_->setObjectName(layout.gridName);
  grid_->setAccessibleName(layout.accessibleName);
  grid_->setGeometry(layout.place);
}

void MatrixPageView::SyncFromEditor() {
  pages::SetPageControlsEnabled(this, editor_.PagesEnabled());
  grid_->Refresh();
}

}  // namespace zem
