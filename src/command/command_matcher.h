#pragma once

#include <array>
#include <cstdint>
#include <string>
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
  // Where in the line the match begins; kFar from there on.
  std::uint32_t at = 0;
  CommandFields fields;
  static constexpr std::uint32_t kFar = 0xFFFFFFFF;
};

// Whether a line may hold LF bytes. A line of a log whose lines hold none
// spares the matcher a search for the LF that ends a text.
enum class LineFeeds : bool { Maybe, None };

// Finds the command in `line` by the patterns of kCommandTable. Linear in the
// line's length, constant stack.
CommandMatch MatchCommand(std::string_view line, LineFeeds feeds = LineFeeds::Maybe);
// The match of `form` beginning at `at`, as MatchCommand gives it when it
// finds `form` there; form None when `form` does not match at `at`. Costs the
// length of the match, not of the line.
CommandMatch MatchCommandAt(std::string_view line, CommandForm form, std::size_t at);

// Logs and applies `form` (None: no match) with its fields, and logs the
// failure lines. `line` is the whole line.
void ApplyCommand(ConfigModel& model, TextLog& readLog, std::string_view line, CommandForm form,
                  const CommandFields& fields);

}  // namespace zem
