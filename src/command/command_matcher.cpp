// Matching of the command forms, written by hand: one pass finds the '[' and
// '(' that may open a command, and the letters after each choose the only form
// that can start there. Names and free texts end at the last `"]` or `]`
// before the next LF; those places are found once per LF-delimited stretch,
// so even a long line of unfinished commands costs linear time.
#include <cstddef>
#include <cstring>

#include "command/command_matcher.h"

namespace zem {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

// ASCII letters only: bytes 128-255 are compared as they are.
constexpr unsigned char Upper(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - ('a' - 'A')) : c;
}
constexpr bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// The stretch of the line between two LF bytes in which a match must lie,
// with the last `"]` and `]` in it (looked for once, from its end).
class Stretch {
 public:
  explicit Stretch(std::string_view line) : line_(line) {}

  // Makes the stretch the one that holds position `at`.
  void Enter(std::size_t at) {
    if (at < end_ && started_) return;
    started_ = true;
    const void* lf = std::memchr(line_.data() + at, '\n', line_.size() - at);
    end_ = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - line_.data()) : line_.size();
    quoteBracketKnown_ = bracketKnown_ = false;
  }

  // Position of the '"' of the last `"]` of the stretch, if it is at or after
  // `from`; kNone otherwise. Positions asked for only grow within a stretch,
  // so a search that found nothing stays valid for later positions.
  std::size_t LastQuoteBracket(std::size_t from) {
    if (!quoteBracketKnown_) {
      quoteBracketKnown_ = true;
      lastQuoteBracket_ = kNone;
      for (std::size_t p = end_; p >= from + 2; --p) {
        if (line_[p - 1] == ']' && line_[p - 2] == '"') {
          lastQuoteBracket_ = p - 2;
          break;
        }
      }
    }
    return (lastQuoteBracket_ != kNone && lastQuoteBracket_ >= from) ? lastQuoteBracket_ : kNone;
  }

  // Position of the last ']' of the stretch, if it is at or after `from`.
  std::size_t LastBracket(std::size_t from) {
    if (!bracketKnown_) {
      bracketKnown_ = true;
      lastBracket_ = kNone;
      for (std::size_t p = end_; p > from; --p) {
        if (line_[p - 1] == ']') {
          lastBracket_ = p - 1;
          break;
        }
      }
    }
    return (lastBracket_ != kNone && lastBracket_ >= from) ? lastBracket_ : kNone;
  }

 private:
  std::string_view line_;
  std::size_t end_ = 0;
  bool started_ = false;
  bool quoteBracketKnown_ = false;
  bool bracketKnown_ = false;
  std::size_t lastQuoteBracket_ = kNone;
  std::size_t lastBracket_ = kNone;
};

// Reads the elements of one form from a start position.
class Cursor {
 public:
  Cursor(std::string_view line, std::size_t pos) : line_(line), pos_(pos) {}

  std::size_t Pos() const { return pos_; }

  // The next byte in upper case, consumed; 0 at the end (no form starts so).
  unsigned char Take() { return pos_ < line_.size() ? Upper(static_cast<unsigned char>(line_[pos_++])) : 0; }

  // One letter (given in upper case) or other literal byte.
  bool Lit(char upper) {
    if (pos_ < line_.size() && Upper(static_cast<unsigned char>(line_[pos_])) == upper) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool Lits(std::string_view upper) {
    for (char c : upper)
      if (!Lit(c)) return false;
    return true;
  }

  // One or more digits. A shorter run cannot help a failed match, as no
  // literal that follows a run is a digit.
  bool Digits(std::string_view& out) {
    std::size_t start = pos_;
    while (pos_ < line_.size() && IsDigit(static_cast<unsigned char>(line_[pos_]))) ++pos_;
    out = line_.substr(start, pos_ - start);
    return pos_ > start;
  }
  // An optional '-' and one or more digits.
  bool SignedDigits(std::string_view& out) {
    std::size_t start = pos_;
    if (pos_ < line_.size() && line_[pos_] == '-') ++pos_;
    std::string_view digits;
    if (!Digits(digits)) return false;
    out = line_.substr(start, pos_ - start);
    return true;
  }

 private:
  std::string_view line_;
  std::size_t pos_;
};

// The form that starts with the '[' at `at`, or 0.
int MatchBracket(std::string_view line, std::size_t at, Stretch& stretch, CommandMatch& m) {
  Cursor c(line, at + 1);
  auto& g = m.groups;
  // `"` name `"]` after the number of forms 10 and 12 to 15.
  auto name = [&](int form) {
    if (!c.Lit('"')) return 0;
    stretch.Enter(at);
    std::size_t end = stretch.LastQuoteBracket(c.Pos());
    if (end == kNone) return 0;
    g[1] = line.substr(c.Pos(), end - c.Pos());
    return form;
  };
  // Free text up to the last ']' (forms 25 to 27 and 32).
  auto text = [&](int form) {
    stretch.Enter(at);
    std::size_t end = stretch.LastBracket(c.Pos());
    if (end == kNone) return 0;
    g[0] = line.substr(c.Pos(), end - c.Pos());
    return form;
  };
  switch (c.Take()) {
    case 'V':
      if (c.Lit('M')) return text(32);
      if (!c.Lit('O') || !c.Digits(g[0])) return 0;
      if (c.Lit('R')) return c.SignedDigits(g[1]) && c.Lit(']') ? 1 : 0;
      if (c.Lit('F')) return c.Digits(g[1]) && c.Lit(']') ? 8 : 0;
      return 0;
    case 'E':
      if (c.Lit('P'))
        return c.Digits(g[0]) && c.Lit('B') && c.Digits(g[1]) && c.Lit('L') && c.SignedDigits(g[2]) &&
                       c.Lit(']')
                   ? 11
                   : 0;
      if (!c.Lit('O') || !c.Digits(g[0])) return 0;
      if (c.Lit('B')) return c.Digits(g[1]) && c.Lit('L') && c.SignedDigits(g[2]) && c.Lit(']') ? 2 : 0;
      if (c.Lit('M')) return c.Digits(g[1]) && c.Lit(']') ? 6 : 0;
      if (c.Lit('L')) return c.Lit('P') && c.Digits(g[1]) && c.Lit(']') ? 7 : 0;
      if (c.Lit('P')) return c.Digits(g[1]) && c.Lit(']') ? 9 : 0;
      return 0;
    case 'T':
      return c.Lit('O') && c.Digits(g[0]) && c.Lit('B') && c.SignedDigits(g[1]) && c.Lit('T') &&
                     c.SignedDigits(g[2]) && c.Lit(']')
                 ? 3
                 : 0;
    case 'B':
      if (!c.Lit('O') || !c.Digits(g[0])) return 0;
      if (c.Lit('L')) return c.SignedDigits(g[1]) && c.Lit(']') ? 4 : 0;
      if (c.Lit('R')) return c.SignedDigits(g[1]) && c.Lit(']') ? 5 : 0;
      return 0;
    case 'N':
      if (c.Lit('M')) return text(26);
      if (c.Lit('E')) return c.Lit('P') && c.Digits(g[0]) ? name(10) : 0;
      if (c.Lit('F')) return c.Digits(g[0]) ? name(12) : 0;
      if (c.Lit('G')) return c.Digits(g[0]) ? name(13) : 0;
      if (c.Lit('O')) return c.Digits(g[0]) ? name(14) : 0;
      if (c.Lit('I')) return c.Digits(g[0]) ? name(15) : 0;
      return 0;
    case 'R':
      return c.Lits("PO") && c.Digits(g[0]) && c.Lit('I') && c.Digits(g[1]) && c.Lit(']') ? 16 : 0;
    case 'G':
      if (c.Lit('W')) return text(27);
      return c.Digits(g[0]) && c.Lits("AO") && c.Digits(g[1]) && c.Lit(']') ? 17 : 0;
    case 'F':
      if (c.Lit('P')) return c.Lit('L') && c.Digits(g[0]) && c.Lit(']') ? 21 : 0;
      if (!c.Digits(g[0]) || !c.Lits("AO") || !c.Digits(g[1])) return 0;
      if (c.Lit('A')) return c.Lit('I') && c.Digits(g[2]) && c.Lit(']') ? 18 : 0;
      if (c.Lit('V')) return c.Lit('I') && c.Digits(g[2]) && c.Lit(']') ? 19 : 0;
      if (c.Lit('I')) return c.Digits(g[2]) && c.Lit(']') ? 20 : 0;
      return 0;
    case 'I':
      if (c.Lit('P')) return text(25);
      return c.Lits("RL") && c.Digits(g[0]) && c.Lit(']') ? 22 : 0;
    case 'S':
      return c.Lit('D') && c.Digits(g[0]) && c.Lit(']') ? 23 : 0;
    case 'D':
      return c.Lits("HCP") && c.Digits(g[0]) && c.Lit(']') ? 24 : 0;
    case 'C':
      return c.Lit('O') && c.Digits(g[0]) && c.Lit('I') && c.Digits(g[1]) && c.Lit(']') ? 29 : 0;
    case 'Q':
      return c.Lits("XSB]") ? 31 : 0;
    default:
      return 0;
  }
}

// The reply that starts with the '(' at `at`, or 0.
int MatchParen(std::string_view line, std::size_t at) {
  Cursor c(line, at + 1);
  if (c.Lits("ERROR)")) return 28;
  Cursor q(line, at + 1);
  return q.Lits("QX)") ? 30 : 0;
}

}  // namespace

CommandMatch MatchCommand(std::string_view line) {
  CommandMatch best;
  Stretch stretch(line);
  const std::size_t size = line.size();
  for (std::size_t at = 0; at < size; ++at) {
    const char ch = line[at];
    if (ch != '[' && ch != '(') continue;
    CommandMatch here;
    const int form = ch == '[' ? MatchBracket(line, at, stretch, here) : MatchParen(line, at);
    if (form == 0 || (best.form != 0 && form >= best.form)) continue;
    best = here;
    best.form = form;
    if (form == 1) break;  // nothing can come before the first form
  }
  return best;
}

CommandFields FieldsOf(const CommandMatch& match) {
  const auto& g = match.groups;
  auto hasCut = [](std::string_view s) { return s.find('\xFF') != std::string_view::npos; };
  if (!hasCut(g[0]) && !hasCut(g[1]) && !hasCut(g[2]))
    return CommandFields{std::string(g[0]), std::string(g[1]), std::string(g[2])};
  std::string joined;
  joined.reserve(g[0].size() + g[1].size() + g[2].size() + 2);
  joined.append(g[0]).append(1, '\xFF').append(g[1]).append(1, '\xFF').append(g[2]);
  return SplitFields(joined);
}

}  // namespace zem
