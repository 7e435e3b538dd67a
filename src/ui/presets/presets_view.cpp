#include "ui/presets/presets_view.h"

namespace zem {

PresetsView::PresetsView(Editor& editor, Prompts& prompts, QWidget* parent)
    : QWidget(parent), editor_(editor), prompts_(prompts) {
  setObjectName("TabSheet10");
}

void PresetsView::SyncFromEditor() {}

}  // namespace zem
