#pragma once

#include <array>
#include <string>
#include <string_view>

#include "command/command_reader.h"
#include "model/config_model.h"
#include "model/text_log.h"

// The pieces of ReadCommand, apart so that tests and benchmarks can check
// the matcher on its own and drive the same effects from another matcher.
namespace zem {

// Number of command forms; forms are numbered from 1 in the order in which
// they are tried (the lower number wins when several occur in one line).
inline constexpr int kCommandForms = 32;

// The command form found in a line: `form` 0 when none matches, else the
// lowest-numbered form that occurs anywhere in the line, taken at its
// leftmost occurrence, with up to three captured groups (views into the line).
struct CommandMatch {
  int form = 0;
  std::array<std::string_view, 3> groups;
};

// Finds the command in `line`: case-insensitive for the letters A-Z only,
// digits 0-9 only, a name runs to the last `"]` and a free text to the last
// `]` before the next LF. Linear in the line's length, constant stack.
CommandMatch MatchCommand(std::string_view line);

// The fields of a match: its groups joined with the byte 255 and cut again,
// so that a byte 255 inside a group cuts it as SplitFields does.
CommandFields FieldsOf(const CommandMatch& match);

// Logs and applies form `form` (1 to kCommandForms, or 0 for "no match")
// with its fields, and logs the failure lines. `line` is the whole line.
void ApplyCommand(ConfigModel& model, TextLog& memo3, std::string_view line, int form,
                  const CommandFields& fields);

}  // namespace zem
