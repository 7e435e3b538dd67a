#include "transfer/unit_backups.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "transfer/file_io.h"

namespace zem::unit_backups {

namespace {

const QRegularExpression& BackupPattern() {
  static const QRegularExpression pattern(
      QStringLiteral("^(\\d{4}-\\d{2}-\\d{2}-\\d{6})(?:-([2-9]|[1-9]\\d+))?\\.zem$"));
  return pattern;
}

// The folder's backups by age: their modification times, not their names,
// which a wrong clock or another time zone may have stamped in the future.
// Only files modified before the one just written (`kept`) may go, and
// never `kept` itself, so the newest backup always stays. Links are not
// backups: never followed, never counted.
void RemoveOldest(const std::string& folder, const std::string& kept) {
  std::vector<FolderFile> backups = PlainFilesIn(folder);
  std::erase_if(backups, [](const FolderFile& file) { return !IsBackupName(file.name); });
  const auto newest = std::find_if(backups.begin(), backups.end(),
                                   [&kept](const FolderFile& file) { return file.name == kept; });
  if (newest == backups.end()) return;
  std::size_t count = backups.size();
  if (count <= kKept) return;
  const std::int64_t keptModified = newest->modified;
  std::vector<FolderFile> older;
  std::copy_if(backups.begin(), backups.end(), std::back_inserter(older),
               [&](const FolderFile& file) { return file.name != kept && file.modified < keptModified; });
  std::sort(older.begin(), older.end(), [](const FolderFile& a, const FolderFile& b) {
    return a.modified != b.modified ? a.modified < b.modified : a.name < b.name;
  });
  for (std::size_t i = 0; i < older.size() && count > kKept; ++i)
    if (RemoveFile(folder + "/" + older[i].name)) --count;
}

// The backup's bytes in a new hidden file of the folder, synced; its name,
// or nothing with `error` set.
std::optional<std::string> WriteTemp(const std::string& folder, const std::string& text, std::string* error) {
  const std::string prefix = folder + "/.backup-" + std::to_string(QCoreApplication::applicationPid()) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temp = prefix + std::to_string(attempt);
    switch (WriteNewFile(temp, text, error)) {
      case NewName::kMade:
        return temp;
      case NewName::kTaken:
        continue;
      case NewName::kFailed:
        return std::nullopt;
    }
  }
  *error = "no new name for a temporary file in " + folder;
  return std::nullopt;
}

}  // namespace

std::string DefaultRoot() {
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  // No data folder known (no home): no place, rather than one under "/".
  if (data.isEmpty()) return {};
  return QFile::encodeName(data + "/zem-config/backups").toStdString();
}

std::string FolderName(const std::string& unit) {
  std::string name = unit;
  for (char& c : name) {
    const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '_' || c == '-';
    if (!kept) c = '_';
  }
  // "." and ".." would name the folder above.
  if (name.empty() || name.find_first_not_of('.') == std::string::npos) name.insert(0, "_");
  return name;
}

bool IsBackupName(const std::string& name) {
  return BackupPattern().match(QString::fromLatin1(name.c_str())).hasMatch();
}

std::optional<std::string> Write(const std::string& root, const std::string& unit, const std::string& text,
                                 const QDateTime& when, std::string* error) {
  if (root.empty()) {
    *error = "there is no data folder to keep backups in";
    return std::nullopt;
  }
  QDir folder(QFile::decodeName(root.c_str()) + "/" + QString::fromLatin1(FolderName(unit).c_str()));
  if (!folder.mkpath(".")) {
    *error = "cannot make the folder " + QFile::encodeName(folder.path()).toStdString();
    return std::nullopt;
  }
  const std::string where = QFile::encodeName(folder.path()).toStdString();
  const std::optional<std::string> temp = WriteTemp(where, text, error);
  if (!temp) return std::nullopt;
  // A new name, never over anything: a clash (another backup of the same
  // second, a file or a link put there) takes the next "-N".
  const std::string stamp = when.toString(QStringLiteral("yyyy-MM-dd-HHmmss")).toStdString();
  bool failed = false;
  for (int n = 1; n < 10000 && !failed; ++n) {
    const std::string name = stamp + (n == 1 ? "" : "-" + std::to_string(n)) + ".zem";
    const NewName made = RenameNoReplace(*temp, where + "/" + name, error);
    if (made == NewName::kTaken) continue;
    failed = made == NewName::kFailed;
    if (failed) continue;
    RemoveOldest(where, name);
    return where + "/" + name;
  }
  RemoveFile(*temp);
  if (!failed) *error = "every name for a backup of this second is taken";
  return std::nullopt;
}

}  // namespace zem::unit_backups
