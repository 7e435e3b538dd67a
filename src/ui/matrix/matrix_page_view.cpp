#include "ui/matrix/matrix_page_view.h"

#include <algorithm>

#include "ui/matrix/matrix_grid_widget.h"
#include "ui/pages/find_bar.h"
#include "ui/pages/page_controls.h"

namespace zem {

MatrixPageView::MatrixPageView(Editor& editor, const char* pageName, const GridLayout& layout,
                               QWidget* parent)
    : QWidget(parent), editor_(editor) {
  setObjectName(pageName);
  pages::MakeLabel(this, layout.columnCaptionName, layout.columnCaption, 161, 8, true);
  pages::MakeLabel(this, layout.rowCaptionName, "Zones", 8, 56, true);

  grid_ = new MatrixGridWidget(editor_, layout.kind, this);
  grid_->setObjectName(layout.gridName);
  grid_->setAccessibleName(layout.accessibleName);
  grid_->setGeometry(layout.place);
}

void MatrixPageView::AddFindBar(bool scrollOnly) {
  new FindBar(this, QRect(55, 358, 538, 24), [this, scrollOnly] {
    const QModelIndex current = grid_->currentIndex();
    return FindBar::Target{
        "zone",
        [this] {
          const UnitConfiguration& unit = editor_.Model().unit;
          return std::vector<std::string>(unit.ZoneNames.begin(),
                                          unit.ZoneNames.begin() + std::clamp(unit.ZoneCount, 0, kZones));
        },
        [this, scrollOnly, current] { return scrollOnly ? foundRow_ : current.row(); },
        [this, scrollOnly, current](int row) {
          const QModelIndex cell = grid_->model()->index(row, std::max(current.column(), 0));
          if (scrollOnly) {
            foundRow_ = row;
          } else {
            grid_->setCurrentIndex(cell);
          }
          grid_->scrollTo(cell);
        },
        grid_};
  });
}

void MatrixPageView::SyncFromEditor() {
  pages::SetPageControlsEnabled(this, editor_.PagesEnabled());
  grid_->Refresh();
}

}  // namespace zem
