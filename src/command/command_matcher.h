#pragma once

#include <cstddef>
#include <string_view>

#include "command/command_reader.h"
#include "command/command_table.h"
#include "model/config_model.h"
#include "model/text_log.h"

// The pieces of ReadCommand, apart so that tests and benchmarks can check
// the matcher on its own and drive the same effects from another matcher.
namespace zem {

// The command form found in a line: None when none matches, else the form
// listed first in kCommandTable among those that occur anywhere in the line,
// taken at its leftmost occurrence, with up to three captured fields (views
// into the line).
struct CommandMatch {
  CommandForm form = CommandForm::None;
  std::size_t at = 0;  // where in the line the match begins
  CommandFields fields;
};

// Finds the command in `line` by the patterns of kCommandTable. Linear in the
// line's length.
CommandMatch MatchCommand(std::string_view line);

// Logs and applies `form` (None: no match) with its fields, and logs the
// failure lines. `line` is the whole line.
void ApplyCommand(ConfigModel& model, TextLog& readLog, std::string_view line, CommandForm form,
                  const CommandFields& fields);

}  // namespace zem
