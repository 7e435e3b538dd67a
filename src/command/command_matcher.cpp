// Matching of the command forms: each entry of kCommandTable in turn, in
// table order, is tried at every place in the line that holds its opening
// byte, walking its pattern piece by piece; the first entry that matches
// anywhere wins, at its leftmost place.
#include "command/command_matcher.h"

namespace zem {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

// ASCII letters only: bytes 128-255 are compared as they are.
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view& FieldRef(CommandFields& fields, std::size_t i) {
  return i == 0 ? fields.F1 : i == 1 ? fields.F2 : fields.F3;
}

// Where the text field of a pattern ends: at the last occurrence of the
// pattern's rest (which is literal) in the stretch of the line, between two
// LF bytes, that holds the match. Looked for once per stretch, so that a long
// line full of unfinished commands still costs linear time.
class TextEnd {
 public:
  TextEnd(std::string_view line, std::string_view rest) : line_(line), rest_(rest) {}

  // The last occurrence of the rest in the stretch holding `from`, if it
  // starts at or after `from`; kNone otherwise.
  std::size_t From(std::size_t from) {
    if (from < stretchStart_ || from >= stretchEnd_) {
      const std::size_t lfBefore = from == 0 ? kNone : line_.rfind('\n', from - 1);
      stretchStart_ = lfBefore == kNone ? 0 : lfBefore + 1;
      const std::size_t lfAfter = line_.find('\n', from);
      stretchEnd_ = lfAfter == kNone ? line_.size() : lfAfter;
      const std::size_t last = line_.substr(stretchStart_, stretchEnd_ - stretchStart_).rfind(rest_);
      last_ = last == kNone ? kNone : stretchStart_ + last;
    }
    return last_ != kNone && last_ >= from ? last_ : kNone;
  }

 private:
  std::string_view line_;
  std::string_view rest_;
  std::size_t stretchStart_ = 1;  // none yet
  std::size_t stretchEnd_ = 0;
  std::size_t last_ = kNone;
};

// Where the match of `pattern` opening at `at` ends, with its fields in
// `fields`; kNone when the pattern does not match there.
std::size_t MatchAt(std::string_view pattern, std::string_view line, std::size_t at, TextEnd& textEnd,
                    CommandFields& fields) {
  fields = {};
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
        const std::size_t end = textEnd.From(pos);
        if (end == kNone) return kNone;
        FieldRef(fields, field++) = line.substr(pos, end - pos);
        pos = end;
        break;
      }
    }
  }
  return pos;
}

}  // namespace

CommandMatch MatchCommand(std::string_view line) {
  CommandMatch match;
  for (const CommandEntry& entry : kCommandTable) {
    const std::size_t star = entry.pattern.find('*');
    TextEnd textEnd(line, star == kNone ? std::string_view() : entry.pattern.substr(star + 1));
    const char open = entry.pattern.front();
    for (std::size_t at = line.find(open); at != kNone; at = line.find(open, at + 1)) {
      if (MatchAt(entry.pattern, line, at, textEnd, match.fields) != kNone) {
        match.form = entry.form;
        match.at = at;
        return match;
      }
    }
  }
  match.fields = {};
  return match;
}

}  // namespace zem
