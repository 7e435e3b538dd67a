#include "app/quick_eq_folder.h"

#include <QDir>
#include <QFileInfo>

namespace zem {

QString QuickEQFolder(const QString& programFolder, const QString& userDataFolder, const QString& appId) {
  const QFileInfo info(programFolder);
  if (info.isDir() && info.isWritable() && !IsInstalledProgramFolder(programFolder, appId))
    return programFolder;
  return userDataFolder;
}

}  // namespace zem
