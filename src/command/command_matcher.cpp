// Matching of the command forms: at every place in the line that holds the
// opening byte of a pattern, the entries of kCommandTable are tried in table
// order, each by walking its pattern piece by piece.
#include "command/command_matcher.h"

#include <array>

namespace zem {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

// ASCII letters only: bytes 128-255 are compared as they are.
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view& FieldRef(CommandFields& fields, std::size_t i) {
  return i == 0 ? fields.F1 : i == 1 ? fields.F2 : fields.F3;
}

// Where text fields end: at the last occurrence of the rest of their
// pattern (which is literal) in the stretch of the line, between two LF
// bytes, that holds the match. Each rest is looked for once per stretch, so
// that a long line full of unfinished commands still costs linear time.
class TextEnds {
 public:
  explicit TextEnds(std::string_view line) : line_(line) {}

  // The last occurrence of `rest` in the stretch holding `from`, if it starts
  // at or after `from`; kNone otherwise.
  std::size_t Find(std::string_view rest, std::size_t from) {
    Known* known = nullptr;
    for (std::size_t i = 0; i < count_ && !known; ++i)
      if (known_[i].rest == rest) known = &known_[i];
    Known spare;  // more rests than places: looked for each time
    const bool fresh = !known;
    if (fresh) known = count_ < known_.size() ? &known_[count_++] : &spare;
    if (fresh || from < known->stretchStart || from >= known->stretchEnd) {
      known->rest = rest;
      const std::size_t lfBefore = from == 0 ? kNone : line_.rfind('\n', from - 1);
      known->stretchStart = lfBefore == kNone ? 0 : lfBefore + 1;
      const std::size_t lfAfter = line_.find('\n', from);
      known->stretchEnd = lfAfter == kNone ? line_.size() : lfAfter;
      const std::size_t last =
          line_.substr(known->stretchStart, known->stretchEnd - known->stretchStart).rfind(rest);
      known->last = last == kNone ? kNone : known->stretchStart + last;
    }
    return known->last != kNone && known->last >= from ? known->last : kNone;
  }

 private:
  struct Known {
    std::string_view rest;
    std::size_t stretchStart = 0;
    std::size_t stretchEnd = 0;
    std::size_t last = kNone;
  };
  std::string_view line_;
  std::array<Known, 4> known_{};
  std::size_t count_ = 0;
};

// Where the match of `pattern` opening at `at` ends, with its fields in
// `fields`; kNone when the pattern does not match there.
std::size_t MatchAt(std::string_view pattern, std::string_view line, std::size_t at, TextEnds& textEnds,
                    CommandFields& fields) {
  std::size_t pos = at;
  std::size_t field = 0;
  for (std::size_t p = 0; p < pattern.size();) {
    const PatternToken token = TokenAt(pattern, p);
    p += token.length;
    switch (token.part) {
      case PatternPart::Literal:
        if (pos >= line.size() || Upper(line[pos]) != token.byte) return kNone;
        ++pos;
        break;
      case PatternPart::Number:
      case PatternPart::SignedNumber: {
        // All of the digits: no pattern has a digit after a number, so a
        // shorter run cannot make a match.
        const std::size_t start = pos;
        if (token.part == PatternPart::SignedNumber && pos < line.size() && line[pos] == '-') ++pos;
        const std::size_t digits = pos;
        while (pos < line.size() && IsDigit(line[pos])) ++pos;
        if (pos == digits) return kNone;
        FieldRef(fields, field++) = line.substr(start, pos - start);
        break;
      }
      case PatternPart::Text: {
        const std::size_t end = textEnds.Find(pattern.substr(p), pos);
        if (end == kNone) return kNone;
        FieldRef(fields, field++) = line.substr(pos, end - pos);
        pos = end;
        break;
      }
    }
  }
  for (; field < 3; ++field) FieldRef(fields, field) = std::string_view();
  return pos;
}

// Whether the byte at `at` may be the start of pattern piece `piece` (a
// literal byte or a placeholder): most entries differ from a line right
// after the opening byte, and this look spares walking their patterns.
bool MayFollow(char piece, std::string_view line, std::size_t at) {
  if (piece == '#' || piece == '*' || piece == '-') return true;
  return at < line.size() && Upper(line[at]) == piece;
}

// The different bytes that open a pattern (TableIsWellFormed: a fixed byte
// each).
struct OpeningBytes {
  std::array<char, kCommandTable.size()> bytes{};
  std::size_t count = 0;
  constexpr bool Holds(char c) const {
    for (std::size_t i = 0; i < count; ++i)
      if (bytes[i] == c) return true;
    return false;
  }
};
constexpr OpeningBytes kOpeningBytes = [] {
  OpeningBytes opening;
  for (const CommandEntry& entry : kCommandTable)
    if (!opening.Holds(entry.pattern.front())) opening.bytes[opening.count++] = entry.pattern.front();
  return opening;
}();

}  // namespace

CommandMatch MatchCommand(std::string_view line) {
  // The line is walked once; at each byte that opens a pattern, the entries
  // listed before the best match so far are tried in table order. The first
  // entry that matches anywhere thus wins, at its leftmost place.
  CommandMatch best;
  CommandFields fields;
  std::size_t bestEntry = kCommandTable.size();
  TextEnds textEnds(line);
  for (std::size_t at = 0; at < line.size() && bestEntry > 0; ++at) {
    if (!kOpeningBytes.Holds(line[at])) continue;
    for (std::size_t entry = 0; entry < bestEntry; ++entry) {
      const std::string_view pattern = kCommandTable[entry].pattern;
      if (pattern.front() != line[at] || !MayFollow(pattern[1], line, at + 1) ||
          MatchAt(pattern, line, at, textEnds, fields) == kNone)
        continue;
      best.form = kCommandTable[entry].form;
      best.at = at;
      best.fields = fields;
      bestEntry = entry;
      break;
    }
  }
  return best;
}

}  // namespace zem
