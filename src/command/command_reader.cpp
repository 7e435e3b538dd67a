#include "command/command_reader.h"

// Placeholder until the reader lands.
namespace zem {
CommandFields SplitFields(std::string_view) { return {}; }
void ReadCommand(ConfigModel&, TextLog& memo3, std::string_view line) {
  memo3.AppendLine("Didn't Handle: " + std::string(line));
}
}  // namespace zem
