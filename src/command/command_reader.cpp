#include "command/command_reader.h"

#include <array>
#include <cstdint>
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

// A log text cut at its fields at compile time: literal pieces, each followed
// by the field it names (0 to 2), the last one by none.
struct LogParts {
  std::array<std::string_view, 4> pieces{};
  std::array<std::uint8_t, 3> fields{};
  std::size_t count = 0;  // fields named
};

constexpr LogParts CutLog(std::string_view log) {
  LogParts parts;
  for (std::size_t dollar; (dollar = log.find('$')) != std::string_view::npos;) {
    // "$1" to "$3" naming fields of the pattern: checked below.
    if (parts.count == parts.fields.size() || dollar + 1 == log.size()) throw "too many fields in a log text";
    parts.pieces[parts.count] = log.substr(0, dollar);
    parts.fields[parts.count++] = static_cast<std::uint8_t>(log[dollar + 1] - '1');
    log.remove_prefix(dollar + 2);
  }
  parts.pieces[parts.count] = log;
  return parts;
}

constexpr auto kLogParts = [] {
  std::array<LogParts, kCommandTable.size()> all{};
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = CutLog(kCommandTable[i].log);
  return all;
}();

// The log texts name only fields that exist.
constexpr bool LogTextsFitPatterns() {
  for (std::size_t i = 0; i < kCommandTable.size(); ++i) {
    std::size_t fields = 0;
    ForEachToken(kCommandTable[i].pattern, [&](PatternToken t) {
      if (t.part != PatternPart::Literal) ++fields;
    });
    for (std::size_t f = 0; f < kLogParts[i].count; ++f)
      if (kLogParts[i].fields[f] >= fields) return false;
  }
  return true;
}
static_assert(LogTextsFitPatterns());

// The log line of table entry `entry` with its fields.
std::string_view LogLine(std::size_t entry, const CommandFields& f) {
  const LogParts& parts = kLogParts[entry];
  const std::string* const fields[] = {&f.F1, &f.F2, &f.F3};
  std::string& text = LogBuffer();
  for (std::size_t i = 0; i < parts.count; ++i) {
    text.append(parts.pieces[i]);
    text.append(*fields[parts.fields[i]]);
  }
  text.append(parts.pieces[parts.count]);
  return text;
}

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
      if (!entry.log.empty()) readLog.AppendLine(LogLine(static_cast<std::size_t>(form) - 1, fields));
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
