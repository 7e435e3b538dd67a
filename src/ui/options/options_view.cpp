#include "ui/options/options_view.h"

namespace zem {

OptionsView::OptionsView(Editor& editor, Prompts& prompts, QWidget* parent)
    : QWidget(parent), editor_(editor), prompts_(prompts) {
  setObjectName("TabSheet9");
}

void OptionsView::SyncFromEditor() {}

}  // namespace zem
