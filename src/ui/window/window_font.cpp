#include "ui/window/window_font.h"

#include <QFontDatabase>
#include <QStringList>

namespace zem {

QFont WindowFont() {
  static const bool substituted = [] {
    QFont::insertSubstitutions("MS Sans Serif", {"Liberation Sans", "Arial", "DejaVu Sans"});
    return true;
  }();
  (void)substituted;
  // Windows still has "MS Sans Serif" as a bitmap font, which does not
  // scale; "Microsoft Sans Serif" is its outline twin with the same metrics.
  const char* family =
      QFontDatabase::hasFamily("Microsoft Sans Serif") ? "Microsoft Sans Serif" : "MS Sans Serif";
  QFont font(family);
  // The layout is in pixels, so the font is too.
  font.setPixelSize(11);
  return font;
}

}  // namespace zem
