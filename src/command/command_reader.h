#pragma once

#include <string>
#include <string_view>

#include "model/config_model.h"
#include "model/text_log.h"

namespace zem {

// The up to three fields of a command (empty when the form has fewer):
// views into the line read, valid while it is.
struct CommandFields {
  std::string_view F1;
  std::string_view F2;
  std::string_view F3;
  friend bool operator==(const CommandFields&, const CommandFields&) = default;
};

// Reads one line of configuration text: of the command forms that occur in
// the line, the one listed first in kCommandTable (command/command_table.h)
// is applied to the model and logged in `readLog`; what is not understood is
// logged as "Didn't Handle: " + line, a number out of range as
// "Error parsing: " + line. Any bytes, any length.
void ReadCommand(ConfigModel& model, TextLog& readLog, std::string_view line);

}  // namespace zem
