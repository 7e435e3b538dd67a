#pragma once

#include <QString>

namespace zem {

// Makes the fonts in `programFolder`/fonts (*.ttf) known to the program. The
// Windows copy carries the sheet's and the window's Liberation Sans there, so
// its pages lay out as on Linux; elsewhere the folder does not exist and the
// system's fonts serve. Needs the QGuiApplication.
void LoadFontsBeside(const QString& programFolder);

}  // namespace zem
