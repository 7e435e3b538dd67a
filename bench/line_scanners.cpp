#include "line_scanners.h"

#include <cstdio>
#include <cstring>
#include <fstream>

namespace zem::bench {

ScanResult ScanCommandLines(std::string_view text) {
  ScanResult result;
  const char* at = text.data();
  const char* const end = at + text.size();
  while (at < end) {
    const char* lf = static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
    const char* const lineEnd = lf ? lf : end;
    if (lineEnd - at >= 2 && (*at == '[' || *at == '(')) {
      ++result.commands;
      result.letters += static_cast<unsigned char>(at[1]);
    }
    at = lineEnd + 1;
  }
  return result;
}

ScanResult ScanFile(const std::string& path) {
  std::string text;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    if (std::fseek(file, 0, SEEK_END) == 0) {
      const long size = std::ftell(file);
      std::rewind(file);
      if (size > 0) {
        text.resize(static_cast<std::size_t>(size));
        text.resize(std::fread(text.data(), 1, text.size(), file));
      }
    }
    std::fclose(file);
  }
  return ScanCommandLines(text);
}

ScanResult ScanFileByLine(const std::string& path) {
  ScanResult result;
  std::ifstream file(path, std::ios::binary);
  std::string line;
  while (std::getline(file, line)) {
    if (line.size() >= 2 && (line[0] == '[' || line[0] == '(')) {
      ++result.commands;
      result.letters += static_cast<unsigned char>(line[1]);
    }
  }
  return result;
}

}  // namespace zem::bench
