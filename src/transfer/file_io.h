#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace zem {

// How much of a file is read at most: as much as received text may hold, far
// beyond any unit's configuration, so that an endless stream (a FIFO fed
// forever) or a stray huge file cannot fill memory.
struct ReadLimits {
  std::size_t bytes = std::size_t{64} << 20;
  // Line ends (CR, LF or CR LF), so a file of bare line ends stays small too.
  std::size_t lines = 1000000;
};

// The file as bytes, or nothing with `error` set to the reason. Only a
// regular file or a FIFO is read (never a device such as /dev/zero), and at
// most `limits`: when the file holds more, the text ends at the byte limit or
// after the last line the line limit allows, and `cut` (when given) names the
// limit reached, e.g. "64 MiB" or "1000000 lines"; otherwise `cut` is cleared.
std::optional<std::string> ReadWholeFile(const std::string& path, std::string* error,
                                         std::string* cut = nullptr, const ReadLimits& limits = {});

// Writes `bytes` to `path`, checked to the last byte. A regular file (or a
// new one) is written beside and renamed into place, so a failure (a full
// disk included) never leaves a half-written or destroyed file. A FIFO or a
// character device (/dev/null, a terminal) is written directly and stays what
// it is; /dev/stdout, /dev/stderr and /dev/fd/N write to the program's own
// open descriptor. Directories, block devices and sockets are refused.
bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* error);

// Whether `path` names a descriptor the program already has open
// (/dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N).
bool NamesOwnDescriptor(const std::string& path);

// Whether WriteFileAtomically could write `path` now (its folder exists and
// may be written, it is not a directory...); nothing, or the reason it could
// not. Lets a tool check its outputs before long work whose result would be lost.
std::optional<std::string> WriteProblem(const std::string& path);

}  // namespace zem
