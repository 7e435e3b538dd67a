#pragma once

#include <QFont>

namespace zem {

// The window's font: "MS Sans Serif" at 11 pixels (8 points on a 96 dpi
// screen). That family is not installed here, so it is mapped to a metric
// look-alike, falling back to DejaVu Sans.
QFont WindowFont();

}  // namespace zem
