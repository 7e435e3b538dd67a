#include "sheet/sheet_fonts.h"

#include <QDir>
#include <QFontDatabase>

namespace zem {

void LoadFontsBeside(const QString& programFolder) {
  const QDir fonts(programFolder + "/fonts");
  for (const QString& file : fonts.entryList({"*.ttf"}, QDir::Files, QDir::Name))
    QFontDatabase::addApplicationFont(fonts.filePath(file));
}

}  // namespace zem
