#include "command/command_reader.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

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

// Room for a command's log line of `length` bytes, kept between lines; a
// command's line is short, so it seldom needs the string.
char* CommandLogBuffer(std::size_t length) {
  thread_local std::array<char, 256> room;
  if (length <= room.size()) return room.data();
  std::string& text = LogBuffer();
  text.resize(length);
  return text.data();
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

// The log texts name only fields that exist, hold no line break and never
// put two fields side by side, so a log line holds no CR LF whatever its
// fields hold: a log line kept as a reference reads as one line.
constexpr bool LogTextsFitPatterns() {
  for (std::size_t i = 0; i < kCommandTable.size(); ++i) {
    std::size_t fields = 0;
    ForEachToken(kCommandTable[i].pattern, [&](PatternToken t) {
      if (t.part != PatternPart::Literal) ++fields;
    });
    const LogParts& parts = kLogParts[i];
    for (std::size_t f = 0; f < parts.count; ++f) {
      if (parts.fields[f] >= fields) return false;
      if (f > 0 && parts.pieces[f].empty()) return false;
    }
    for (std::size_t p = 0; p <= parts.count; ++p)
      if (parts.pieces[p].find_first_of("\r\n") != std::string_view::npos) return false;
  }
  return true;
}
static_assert(LogTextsFitPatterns());

std::string_view Field(const CommandFields& fields, std::size_t i) {
  return i == 0 ? fields.F1 : i == 1 ? fields.F2 : fields.F3;
}

std::size_t LogLineLength(std::size_t entry, const CommandFields& fields) {
  const LogParts& parts = kLogParts[entry];
  std::size_t length = parts.pieces[parts.count].size();
  for (std::size_t i = 0; i < parts.count; ++i)
    length += parts.pieces[i].size() + Field(fields, parts.fields[i]).size();
  return length;
}

char* Copy(std::string_view text, char* out) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

// Writes the log line of table entry `Entry` with its fields at `out`, which
// has room for LogLineLength: one writer per entry, so that the fixed pieces
// are copied as constants.
template <std::size_t Entry>
void WriteLogLine(const CommandFields& fields, char* out) {
  constexpr LogParts kParts = kLogParts[Entry];
  [&]<std::size_t... I>(std::index_sequence<I...>) {
    ((out = Copy(FieldAt<kParts.fields[I]>(fields), Copy(kParts.pieces[I], out))), ...);
  }
  (std::make_index_sequence<kParts.count>{});
  Copy(kParts.pieces[kParts.count], out);
}

using LogWriter = void (*)(const CommandFields&, char*);
constexpr auto kLogWriters = []<std::size_t... I>(std::index_sequence<I...>) {
  return std::array<LogWriter, sizeof...(I)>{&WriteLogLine<I>...};
}
(std::make_index_sequence<kCommandTable.size()>{});

// The log line of table entry `entry` with its fields, appended to `text`.
void AppendLogLine(std::size_t entry, const CommandFields& fields, std::string& text) {
  const std::size_t at = text.size();
  text.resize(at + LogLineLength(entry, fields));
  kLogWriters[entry](fields, text.data() + at);
}

// The log line of a command, made again from the line it was read from: the
// note holds the table entry and where in the line the match begins, so only
// that one pattern is matched again, there, giving the same fields.
class CommandLogFormat final : public TextLog::LineFormat {
 public:
  static constexpr std::uint32_t kEntryBits = 6;
  static_assert(kCommandTable.size() <= (1u << kEntryBits));
  // A match too far into its line for a note: matched again in full.
  static constexpr std::uint32_t kMatchAgain = TextLog::kMaxNote + 1;

  static std::uint32_t Note(std::size_t entry, std::size_t at) {
    if (at > (TextLog::kMaxNote >> kEntryBits)) return kMatchAgain;
    return static_cast<std::uint32_t>(at << kEntryBits | entry);
  }

  void AppendTo(std::string_view line, std::uint32_t note, std::string& out) const override {
    const CommandMatch match =
        note == kMatchAgain
            ? MatchCommand(line)
            : MatchCommandAt(line, kCommandTable[note & ((1u << kEntryBits) - 1)].form, note >> kEntryBits);
    if (match.form == CommandForm::None) return;
    const auto entry = static_cast<std::size_t>(match.form) - 1;
    AppendLogLine(entry, match.fields, out);
  }
};

// A failure line: a fixed text, then the line read.
class FailureFormat final : public TextLog::LineFormat {
 public:
  constexpr explicit FailureFormat(std::string_view prefix) : prefix_(prefix) {}
  void AppendTo(std::string_view line, std::uint32_t /*note*/, std::string& out) const override {
    out.append(prefix_).append(line);
  }
  std::size_t Length(std::string_view line) const { return prefix_.size() + line.size(); }

 private:
  std::string_view prefix_;
};

constexpr CommandLogFormat kCommandLog;
constexpr FailureFormat kErrorParsing("Error parsing: ");
constexpr FailureFormat kNotHandled("Didn't Handle: ");

// Where the log lines of one line read go: as text into `log`, or, when the
// line is line `index` of `source`, as references to it.
struct ReadLog {
  TextLog& log;
  const TextLog* source = nullptr;
  std::size_t index = 0;
  std::size_t at = 0;  // where the command's match begins in the line

  // A log that passes its lines on takes them as text: a reference would
  // only be made into text at once, matching the line again.
  bool ByReference() const { return source && !log.PassesLines(); }

  void Command(std::size_t entry, const CommandFields& fields) const {
    if (ByReference()) {
      log.AppendDerivedLine(*source, index, kCommandLog, LogLineLength(entry, fields),
                            CommandLogFormat::Note(entry, at));
    } else {
      const std::size_t length = LogLineLength(entry, fields);
      char* const text = CommandLogBuffer(length);
      kLogWriters[entry](fields, text);
      log.AppendSingleLine(std::string_view(text, length));  // LogTextsFitPatterns
    }
  }
  void Failure(const FailureFormat& format, std::string_view line) const {
    if (ByReference()) {
      log.AppendDerivedLine(*source, index, format, format.Length(line));
    } else {
      std::string& text = LogBuffer();
      format.AppendTo(line, 0, text);
      log.AppendLine(text);  // the line read may hold CR LF
    }
  }
};

// The log line first, then the effect, which converts the index numbers
// (checked against the tables) and then each value as it uses it.
// `log` by reference: built in place, not copied piece by piece.
void Apply(ConfigModel& model, const ReadLog& log, std::string_view line, CommandForm form,
           const CommandFields& fields) {
  bool handled = false;
  if (form != CommandForm::None) {
    const CommandEntry& entry = EntryOf(form);
    try {
      if (!entry.log.empty()) log.Command(static_cast<std::size_t>(form) - 1, fields);
      if (entry.effect) entry.effect(model, fields);
      handled = true;
    } catch (const command_values::ParseFailure&) {
      log.Failure(kErrorParsing, line);
    }
  }
  if (!handled) log.Failure(kNotHandled, line);
}

}  // namespace

void ApplyCommand(ConfigModel& model, TextLog& readLog, std::string_view line, CommandForm form,
                  const CommandFields& fields) {
  Apply(model, ReadLog{readLog}, line, form, fields);
}

void ReadCommand(ConfigModel& model, TextLog& readLog, std::string_view line) {
  const CommandMatch match = MatchCommand(line);
  Apply(model, ReadLog{readLog}, line, match.form, match.fields);
}

void ReadReceivedLine(ConfigModel& model, TextLog& readLog, const TextLog& receivedText, std::size_t index,
                      std::string_view line) {
  const CommandMatch match =
      MatchCommand(line, receivedText.LinesMayHoldLineFeeds() ? LineFeeds::Maybe : LineFeeds::None);
  Apply(model, ReadLog{readLog, &receivedText, index, match.at}, line, match.form, match.fields);
}

}  // namespace zem
