#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zem {

// How much of a file is read at most: as much as received text may hold, far
// beyond any unit's configuration, so that an endless stream (a FIFO fed
// forever) or a stray huge file cannot fill memory.
struct ReadLimits {
  std::size_t bytes = std::size_t{64} << 20;
  // Line ends (CR, LF or CR LF), so a file of bare line ends stays small too.
  std::size_t lines = 1000000;
};

// How reading or writing a file that may keep the caller waiting (a FIFO, a
// terminal) waits without blocking: called when descriptor `fd` is not ready
// (`forWrite`: for room to write), or with fd -1 while a FIFO to be written
// has no reader yet (opening it is tried again after the call). It returns to
// try again, or throws to give up (the window's Cancel).
using FileWaiter = std::function<void(int fd, bool forWrite)>;

// "64 MiB" or "1000 bytes".
std::string ByteLimitText(std::size_t bytes);
// Cuts `text` read from a file to `limits`, at the byte limit or after the
// last line the line limit allows, naming the limit reached in `cut`. The
// per-system readers share it.
void CutToReadLimits(std::string& text, const ReadLimits& limits, std::string* cut);

// The file as bytes, or nothing with `error` set to the reason. Only a
// regular file or a FIFO is read (never a device such as /dev/zero), and at
// most `limits`: when the file holds more, the text ends at the byte limit or
// after the last line the line limit allows, and `cut` (when given) names the
// limit reached, e.g. "64 MiB" or "1000000 lines"; otherwise `cut` is cleared.
// With a `waiter`, a FIFO is opened and read without blocking.
std::optional<std::string> ReadWholeFile(const std::string& path, std::string* error,
                                         std::string* cut = nullptr, const ReadLimits& limits = {},
                                         const FileWaiter* waiter = nullptr);

// Writes `bytes` to `path`, checked to the last byte. A regular file (or a
// new one) is written beside and renamed into place, so a failure (a full
// disk included) never leaves a half-written or destroyed file. A FIFO or a
// character device (/dev/null, a terminal) is written directly and stays what
// it is; /dev/stdout, /dev/stderr and /dev/fd/N write to the program's own
// open descriptor. Directories, block devices and sockets are refused.
//
// A replaced file keeps its mode, owner and group, and a symbolic link is
// written through (to its target, even one that does not exist yet), as the
// shell's `>` would. Refused, with the reason: a file the user could not
// write with `>`, one whose owner or group could not be kept (only root may
// give a file to another user), one with more than one hard link (replacing
// it would split them), and a link of another user in a sticky
// world-writable folder such as /tmp (the system's own rule for following
// links there). SIGINT, SIGTERM and SIGHUP remove the temporary file before
// the program ends; SIGXFSZ and SIGPIPE are ignored while writing, so a file
// past the size limit fails with "File too large". With a `waiter`, a FIFO
// or device is opened and written without blocking.
bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* error,
                         const FileWaiter* waiter = nullptr);

// Whether `path` names a descriptor the program already has open
// (/dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N).
bool NamesOwnDescriptor(const std::string& path);

// Whether WriteFileAtomically could write `path` now (its folder exists and
// may be written, it is not a directory, every rule above for replacing it
// holds...); nothing, or the reason it could not. Lets a tool check its
// outputs before long work whose result would be lost.
std::optional<std::string> WriteProblem(const std::string& path);

// How making a file under a new name went: made, the name taken (by a
// file, a folder or a link, dangling or not), or failed for another reason.
enum class NewName { kMade, kTaken, kFailed };

// Writes `bytes` to a new file `path`, synced, never over or through
// anything already at that name; on failure nothing is left there and
// `error` holds the reason (kTaken leaves `error` alone).
NewName WriteNewFile(const std::string& path, const std::string& bytes, std::string* error);

// Gives the file `from` the name `to` only if nothing has it, not even a
// link; `error` as for WriteNewFile.
NewName RenameNoReplace(const std::string& from, const std::string& to, std::string* error);

// Removes the file `path` (a link itself, never its target).
bool RemoveFile(const std::string& path);

// A plain file in a folder: its name and its modification time in
// nanoseconds since some fixed moment, comparable within one folder.
struct FolderFile {
  std::string name;
  std::int64_t modified = 0;
};

// The regular files directly in `folder`; links, folders and devices are
// left out (links are not followed). Empty when it cannot be read.
std::vector<FolderFile> PlainFilesIn(const std::string& folder);

// Whether `path` is a FIFO (links followed); false when there is none.
bool IsFifo(const std::string& path);

}  // namespace zem
