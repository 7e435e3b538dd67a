#pragma once

#include <QDateTime>
#include <cstddef>
#include <optional>
#include <string>

namespace zem {

// Back Up Before Export: each unit's configurations, as read just before an
// export, in a folder of its own under the user's data folder.
namespace unit_backups {

// Backups kept per unit: beyond them, the files of the same name pattern
// modified longest before the new one are removed (never the new one).
inline constexpr std::size_t kKept = 50;

// $XDG_DATA_HOME/zem-config/backups (~/.local/share/... without it); empty
// when the system names no data folder.
std::string DefaultRoot();

// The unit's folder name: its host:port or device with every byte outside
// A-Za-z0-9._- made "_" ("192.168.1.50:23" -> "192.168.1.50_23").
std::string FolderName(const std::string& unit);

// Whether `name` is a backup's file name: YYYY-MM-DD-HHMMSS.zem, or with
// "-N" (N from 2) before ".zem" for a later one in the same second.
bool IsBackupName(const std::string& name);

// Writes `text` as a new backup of `unit` under `root`, named by `when`
// (local time), and removes the oldest beyond kKept; the path written, or
// nothing with `error` set. The backup is a new file: never written through
// a link or over an existing name; a name taken (by a file or a link) moves
// it to the next "-N".
std::optional<std::string> Write(const std::string& root, const std::string& unit, const std::string& text,
                                 const QDateTime& when, std::string* error);

}  // namespace unit_backups
}  // namespace zem
