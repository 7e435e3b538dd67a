#pragma once

#include <optional>
#include <string>

namespace zem {

// The whole file as bytes, or nothing with `error` set to the system's reason.
std::optional<std::string> ReadWholeFile(const std::string& path, std::string* error);

// Writes `bytes` to `path` through a temporary file renamed into place, so a
// failure never leaves a half-written or destroyed file.
bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* error);

}  // namespace zem
