#include "command/command_reader.h"

#include "command/command_matcher.h"
#include "command/command_table.h"

namespace zem {
namespace {

// The log line of a command: its entry's log text with "$1" to "$3" replaced
// by the fields (TableIsWellFormed: they name fields the pattern has).
std::string LogLine(std::string_view log, const CommandFields& fields) {
  std::string line;
  line.reserve(log.size() + fields.F1.size() + fields.F2.size() + fields.F3.size());
  for (std::size_t dollar; (dollar = log.find('$')) != std::string_view::npos;) {
    line.append(log.substr(0, dollar));
    const char field = log[dollar + 1];
    line.append(field == '1' ? fields.F1 : field == '2' ? fields.F2 : fields.F3);
    log.remove_prefix(dollar + 2);
  }
  line.append(log);
  return line;
}

}  // namespace

// The log line first, then the effect, which converts the index numbers
// (checked against the tables) and then each value as it uses it.
void ApplyCommand(ConfigModel& model, TextLog& readLog, std::string_view line, CommandForm form,
                  const CommandFields& fields) {
  if (form != CommandForm::None) {
    const CommandEntry& entry = EntryOf(form);
    try {
      if (!entry.log.empty()) readLog.AppendLine(LogLine(entry.log, fields));
      if (entry.effect) entry.effect(model, fields);
      return;
    } catch (const command_values::ParseFailure&) {
      readLog.AppendLine("Error parsing: " + std::string(line));
    }
  }
  readLog.AppendLine("Didn't Handle: " + std::string(line));
}

void ReadCommand(ConfigModel& model, TextLog& readLog, std::string_view line) {
  const CommandMatch match = MatchCommand(line);
  ApplyCommand(model, readLog, line, match.form, match.fields);
}

}  // namespace zem
