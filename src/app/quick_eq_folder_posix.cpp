#include <QDir>
#include <QFileInfo>

#include "app/quick_eq_folder.h"

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

}  // namespace zem
