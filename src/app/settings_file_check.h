#pragma once

#include <QString>

namespace zem {

// Whether the settings file at `path` may be read and replaced: nothing is
// there, or a plain file of this user. One file per system.
bool IsAbsentOrOwnFile(const QString& path);

// Whether the file at `path` is there but not to be written: its owner took
// away the write permission, or the system refuses writing it.
bool IsWriteProtected(const QString& path);

}  // namespace zem
