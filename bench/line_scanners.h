#pragma once

// Bare line scanners: the floors an import of a configuration file is
// measured against. Each finds the command lines (those opening with '[' or
// '(') and adds up their second bytes, and does nothing else.
#include <cstddef>
#include <string>
#include <string_view>

namespace zem::bench {

struct ScanResult {
  std::size_t commands = 0;
  unsigned letters = 0;
};

// Over a text in memory, a line at a time with memchr: the speed of memory.
ScanResult ScanCommandLines(std::string_view text);
// The file read whole into a string, then scanned as above.
ScanResult ScanFile(const std::string& path);
// The plainest: std::getline a line at a time into a string, as a first C++
// program would read the file.
ScanResult ScanFileByLine(const std::string& path);

}  // namespace zem::bench
