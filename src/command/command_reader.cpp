#include "command/command_reader.h"

#include <initializer_list>

#include "command/command_matcher.h"
#include "command/command_table.h"

namespace zem {
namespace {

// A log line is built in a buffer kept between lines: the log copies the
// text, and most lines then cost no allocation here.
std::string& LogBuffer() {
  thread_local std::string text;
  if (text.capacity() > (1u << 16)) text = std::string();  // let a huge line's buffer go
  text.clear();
  return text;
}

// Joins the pieces of a log line.
std::string_view Join(std::initializer_list<std::string_view> pieces) {
  std::string& text = LogBuffer();
  for (auto p : pieces) text.append(p);
  return text;
}

// A form's log text with "$1" to "$3" replaced by the fields.
std::string_view Expand(std::string_view log, const CommandFields& f) {
  std::string& text = LogBuffer();
  for (std::size_t dollar; (dollar = log.find('$')) != std::string_view::npos;) {
    text.append(log.substr(0, dollar));
    const char which = dollar + 1 < log.size() ? log[dollar + 1] : '\0';
    text.append(which == '1' ? f.F1 : which == '2' ? f.F2 : f.F3);
    log.remove_prefix(dollar + 2);
  }
  text.append(log);
  return text;
}

// The log texts name only fields that exist.
constexpr bool LogTextsFitPatterns() {
  for (const CommandEntry& entry : kCommandTable) {
    char fields = '0';
    ForEachToken(entry.pattern, [&](PatternToken t) {
      if (t.part != PatternPart::Literal) ++fields;
    });
    for (std::size_t at = 0; at < entry.log.size(); ++at)
      if (entry.log[at] == '$' &&
          (at + 1 == entry.log.size() || entry.log[at + 1] < '1' || entry.log[at + 1] > fields))
        return false;
  }
  return true;
}
static_assert(LogTextsFitPatterns());

}  // namespace

CommandFields SplitFields(std::string_view text) {
  CommandFields fields;
  std::string* const slots[] = {&fields.F1, &fields.F2, &fields.F3};
  // With a byte 255 added at the end, every piece ends at one.
  for (std::string* slot : slots) {
    std::size_t cut = text.find('\xFF');
    *slot = text.substr(0, cut);
    if (cut == std::string_view::npos) break;
    text.remove_prefix(cut + 1);
  }
  return fields;
}

// The log line first, then the effect, which converts the index numbers
// (checked against the tables) and then each value as it uses it.
void ApplyCommand(ConfigModel& model, TextLog& readLog, std::string_view line, CommandForm form,
                  const CommandFields& fields) {
  bool handled = false;
  if (form != CommandForm::None) {
    const CommandEntry& entry = EntryOf(form);
    try {
      if (!entry.log.empty()) readLog.AppendLine(Expand(entry.log, fields));
      if (entry.effect) entry.effect(model, fields);
      handled = true;
    } catch (const command_values::ParseFailure&) {
      readLog.AppendLine(Join({"Error parsing: ", line}));
    }
  }
  if (!handled) readLog.AppendLine(Join({"Didn't Handle: ", line}));
}

void ReadCommand(ConfigModel& model, TextLog& readLog, std::string_view line) {
  const CommandMatch match = MatchCommand(line);
  ApplyCommand(model, readLog, line, match.form, FieldsOf(match));
}

}  // namespace zem
