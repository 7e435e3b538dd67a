#include "ui/window/page_enabler.h"

#include <QWidget>

namespace zem {

void PageEnabler(QWidget* container, bool enabled) {
  const QList<QWidget*> children = container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  for (QWidget* child : children) {
    // Windows of their own (dialogs, popups) parented here are not controls of the page.
    if (child->isWindow()) continue;
    child->setEnabled(enabled);
    PageEnabler(child, enabled);
  }
}

}  // namespace zem
