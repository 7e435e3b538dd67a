#include "transfer/unit_backups.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>
#include <utility>
#include <vector>

#include "transfer/file_io.h"

namespace zem::unit_backups {

namespace {

const QRegularExpression& BackupPattern() {
  static const QRegularExpression pattern(
      QStringLiteral("^(\\d{4}-\\d{2}-\\d{2}-\\d{6})(?:-([2-9]|[1-9]\\d+))?\\.zem$"));
  return pattern;
}

// Oldest first: by the time, then by the number after it (none is 1).
std::pair<QString, long long> Age(const QString& name) {
  const QRegularExpressionMatch m = BackupPattern().match(name);
  return {m.captured(1), m.captured(2).isEmpty() ? 1 : m.captured(2).toLongLong()};
}

void RemoveOldest(QDir& folder) {
  std::vector<QString> backups;
  for (const QFileInfo& entry : folder.entryInfoList(QDir::Files | QDir::Hidden))
    if (IsBackupName(entry.fileName().toStdString())) backups.push_back(entry.fileName());
  if (backups.size() <= kKept) return;
  std::sort(backups.begin(), backups.end(),
            [](const QString& a, const QString& b) { return Age(a) < Age(b); });
  for (std::size_t i = 0; i + kKept < backups.size(); ++i) folder.remove(backups[i]);
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
  const QString stamp = when.toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
  QString name = stamp + ".zem";
  for (int n = 2; folder.exists(name); ++n) name = stamp + "-" + QString::number(n) + ".zem";
  const std::string path = QFile::encodeName(folder.filePath(name)).toStdString();
  if (!WriteFileAtomically(path, text, error)) return std::nullopt;
  RemoveOldest(folder);
  return path;
}

}  // namespace zem::unit_backups
