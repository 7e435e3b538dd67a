#pragma once

class QWidget;

namespace zem {

// Enables or disables every control inside `container`, recursing into
// containers, while the container itself keeps its state: a disabled page can
// still be chosen by its tab and shows its controls greyed.
void PageEnabler(QWidget* container, bool enabled);

}  // namespace zem
