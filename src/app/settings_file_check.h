#pragma once

#include <QString>

namespace zem {

// Whether the settings file at `path` may be read and replaced: nothing is
// there, or a plain file of this user. One file per system.
bool IsAbsentOrOwnFile(const QString& path);

}  // namespace zem
