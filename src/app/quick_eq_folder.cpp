#include "app/quick_eq_folder.h"

#include <QDir>
#include <QFileInfo>

namespace zem {

bool IsInstalledProgramFolder(const QString& programFolder, const QString& appId) {
  const QFileInfo info(programFolder);
  const QString folder = info.canonicalFilePath().isEmpty() ? QDir::cleanPath(info.absoluteFilePath())
                                                            : info.canonicalFilePath();
  static const QStringList systemFolders = {
      "/bin", "/sbin", "/usr/bin", "/usr/sbin", "/usr/local/bin", "/usr/local/sbin", "/usr/games",
  };
  if (systemFolders.contains(folder)) return true;
  // `cmake --install` to any prefix puts the desktop entry in PREFIX/share.
  return QFileInfo::exists(folder + "/../share/applications/" + appId + ".desktop");
}

QString QuickEQFolder(const QString& programFolder, const QString& userDataFolder, const QString& appId) {
  const QFileInfo info(programFolder);
  if (info.isDir() && info.isWritable() && !IsInstalledProgramFolder(programFolder, appId))
    return programFolder;
  return userDataFolder;
}

}  // namespace zem
