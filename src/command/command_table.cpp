#include "command/command_table.h"

#include <cassert>
#include <charconv>

namespace zem {

void CommandValue::AppendTo(std::string& line) const {
  if (!isNumber_) {
    line.append(text_);
    return;
  }
  char digits[16];
  const auto [end, error] = std::to_chars(digits, digits + sizeof digits, number_);
  assert(error == std::errc());
  line.append(digits, end);
}

std::string CommandLine(CommandForm form, std::span<const CommandValue> fields) {
  const CommandEntry& entry = EntryOf(form);
  assert(entry.written);
  std::string line;
  line.reserve(entry.pattern.size() + 16);
  std::size_t next = 0;
  ForEachToken(entry.pattern, [&](PatternToken token) {
    if (token.part == PatternPart::Literal) {
      line.push_back(token.byte);
    } else {
      assert(next < fields.size());
      fields[next++].AppendTo(line);
    }
  });
  assert(next == fields.size());
  return line;
}

}  // namespace zem
