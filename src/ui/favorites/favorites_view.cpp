#include "ui/favorites/favorites_view.h"

namespace zem {

FavoritesView::FavoritesView(Editor& editor, Prompts& prompts, QWidget* parent)
    : QWidget(parent), editor_(editor), prompts_(prompts) {
  setObjectName("TabSheet2");
}

void FavoritesView::SyncFromEditor() {}

}  // namespace zem
