#include <QFileInfo>

#include "app/quick_eq_folder.h"

namespace zem {

// The portable ZIP carries a file named "portable" beside the program: that
// copy keeps its quick EQ files beside itself, as a build folder does on
// Linux. An installed copy (no marker) keeps them in the user's folder.
bool IsInstalledProgramFolder(const QString& programFolder, const QString& /*appId*/) {
  return !QFileInfo::exists(programFolder + "/" + kPortableMarker);
}

}  // namespace zem
