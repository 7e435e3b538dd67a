#include "transfer/names_file.h"

#include <sys/stat.h>

#include "transfer/file_io.h"

namespace zem {

NamesImport ImportNamesFromPath(Editor& editor, const std::string& path, bool readFifo) {
  NamesImport refused;
  struct stat st {};
  if (!readFifo && ::stat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode)) {
    refused.csv.error = "it is not a regular file";
    return refused;
  }
  // One byte past the limit tells a file that holds more; every line end
  // within it is read.
  std::string error, cut;
  const std::optional<std::string> bytes =
      ReadWholeFile(path, &error, &cut, ReadLimits{kNamesFileLimit, kNamesFileLimit + 1});
  if (!bytes || !cut.empty()) {
    refused.csv.error = bytes ? kNamesFileTooLarge : error;
    return refused;
  }
  return ImportNamesFile(editor, *bytes);
}

}  // namespace zem
