#include "ui/matrix/groups_view.h"

namespace zem {

GroupsView::GroupsView(Editor& editor, Prompts& prompts, QWidget* parent)
    : QWidget(parent), editor_(editor), prompts_(prompts) {
  setObjectName("TabSheet7");
}

void GroupsView::SyncFromEditor() {}

}  // namespace zem
