// What reading a file does alike on every system.
#include <string>

#include "model/text_log.h"
#include "transfer/file_io.h"

namespace zem {

std::string ByteLimitText(std::size_t bytes) {
  const std::size_t mib = std::size_t{1} << 20;
  return bytes % mib == 0 && bytes > 0 ? std::to_string(bytes / mib) + " MiB"
                                       : std::to_string(bytes) + " bytes";
}

void CutToReadLimits(std::string& text, const ReadLimits& limits, std::string* cut) {
  if (text.size() > limits.bytes) {
    text.resize(limits.bytes);
    if (cut) *cut = ByteLimitText(limits.bytes);
  }
  // Line ends as the import counts them: CR LF, a lone CR, a lone LF. Each
  // takes a byte at least, so a shorter text cannot pass the limit.
  std::size_t lines = 0;
  if (text.size() >= limits.lines)
    for (std::size_t i = 0; (i = FindLineEnd(text, i)) != std::string::npos; ++i) {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      if (++lines == limits.lines && i + 1 < text.size()) {
        text.resize(i + 1);
        if (cut) *cut = std::to_string(limits.lines) + " lines";
        break;
      }
    }
}

}  // namespace zem
