#include "transfer/names_file.h"

#include "transfer/file_io.h"

namespace zem {

NamesImport ImportNamesFromPath(Editor& editor, const std::string& path, bool readFifo) {
  NamesImport refused;
  if (!readFifo && IsFifo(path)) {
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
