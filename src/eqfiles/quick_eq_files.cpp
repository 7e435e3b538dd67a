#include "eqfiles/quick_eq_files.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace zem {
namespace fs = std::filesystem;
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerText(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), Lower);
  return out;
}

bool EndsWithEq(std::string_view fileName) {
  return fileName.size() >= 3 && LowerText(fileName.substr(fileName.size() - 3)) == ".eq";
}

}  // namespace

std::vector<std::string> ListQuickEQFiles(const std::string& folder) {
  std::vector<std::string> names;
  if (folder.empty()) return names;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const std::string fileName = it->path().filename().string();
    std::error_code typeError;
    if (fileName.empty() || fileName.front() == '.' || !it->is_regular_file(typeError)) continue;
    if (!EndsWithEq(fileName)) continue;
    names.push_back(fileName.substr(0, LowerText(fileName).find(".eq")));
  }
  std::stable_sort(names.begin(), names.end(),
                   [](const std::string& a, const std::string& b) { return LowerText(a) < LowerText(b); });
  return names;
}

std::string QuickEQPath(const std::string& folder, const std::string& name) {
  const std::string wanted = name + ".eq";
  const fs::path exact = fs::path(folder) / wanted;
  std::error_code ec;
  if (fs::is_regular_file(exact, ec)) return exact.string();
  const std::string lowerWanted = LowerText(wanted);
  fs::directory_iterator it(folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    if (LowerText(it->path().filename().string()) == lowerWanted) return it->path().string();
  }
  return exact.string();
}

std::vector<int> ReadQuickEQFile(const std::string& path) {
  std::vector<int> values;
  std::ifstream in(path, std::ios::binary);
  if (!in) return values;
  // Ten short lines; anything much longer is not a quick EQ file.
  std::string text;
  text.resize(4096);
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));

  std::size_t pos = 0;
  while (values.size() < kQuickEQLines && pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + pos, end - pos);
    int value = 0;
    const char* first = line.data();
    const char* last = line.data() + line.size();
    if (first != last && *first == '+') ++first;
    auto [ptr, err] = std::from_chars(first, last, value);
    if (line.empty() || err != std::errc() || ptr != last) break;
    values.push_back(value);
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
  }
  return values;
}

std::string QuickEQFileText(const std::array<int, kQuickEQLines>& positions) {
  std::string text;
  for (int p : positions) {
    text += std::to_string(p);
    text += "\r\n";
  }
  return text;
}

std::string WithQuickEQExtension(std::string path) {
  const std::size_t size = path.size();
  const bool hasIt =
      size >= 3 && path[size - 3] == '.' && (path[size - 2] | 0x20) == 'e' && (path[size - 1] | 0x20) == 'q';
  if (!hasIt) path += ".eq";
  return path;
}

}  // namespace zem
