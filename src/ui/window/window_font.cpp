#include "ui/window/window_font.h"

#include <QStringList>

namespace zem {

QFont WindowFont() {
  static const bool substituted = [] {
    QFont::insertSubstitutions("MS Sans Serif", {"Liberation Sans", "Arial", "DejaVu Sans"});
    return true;
  }();
  (void)substituted;
  QFont font("MS Sans Serif");
  // The layout is in pixels, so the font is too.
  font.setPixelSize(11);
  return font;
}

}  // namespace zem
