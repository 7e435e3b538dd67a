#include "ui/matrix/restrictions_view.h"

namespace zem {

RestrictionsView::RestrictionsView(Editor& editor, Prompts& prompts, QWidget* parent)
    : QWidget(parent), editor_(editor), prompts_(prompts) {
  setObjectName("TabSheet4");
}

void RestrictionsView::SyncFromEditor() {}

}  // namespace zem
