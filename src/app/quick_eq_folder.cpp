#include "app/quick_eq_folder.h"

#include <QDir>
#include <QFileInfo>

namespace zem {

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
