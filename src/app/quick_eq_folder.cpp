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

QString ExamplesFolder(const QString& programFolder, const QString& appId, const QString& installedExamples,
                       const QString& sourceExamples) {
  // A relative folder lies under the prefix; an absolute one is where it says.
  const QString folder =
      IsInstalledProgramFolder(programFolder, appId)
          ? QDir::cleanPath(
                QDir(QFileInfo(programFolder).canonicalFilePath() + "/..").filePath(installedExamples))
          : sourceExamples;
  return QFileInfo(folder).isDir() ? folder : QString();
}

QString QuickEQFolder(const QString& programFolder, const QString& userDataFolder, const QString& appId) {
  const QFileInfo info(programFolder);
  if (info.isDir() && info.isWritable() && !IsInstalledProgramFolder(programFolder, appId))
    return programFolder;
  return userDataFolder;
}

}  // namespace zem
