// Matching of the command forms: the matcher of each pattern of
// kCommandTable is generated at compile time, one comparison per pattern
// piece. One pass finds the bytes that may open a command; the opening byte
// and the one after it choose the few patterns that can start there, which
// are tried in table order. Texts end at the last occurrence of their
// pattern's rest before the next LF; those places are found once per
// LF-delimited stretch, so even a long line of unfinished commands costs
// linear time.
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "command/command_matcher.h"

namespace zem {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

// ASCII letters only: bytes 128-255 are compared as they are.
constexpr unsigned char Upper(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - ('a' - 'A')) : c;
}
constexpr bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Whether pattern piece `t` can begin with byte `c`.
constexpr bool Accepts(PatternToken t, unsigned char c) {
  switch (t.part) {
    case PatternPart::Literal:
      return Upper(c) == static_cast<unsigned char>(t.byte);
    case PatternPart::Number:
      return IsDigit(c);
    case PatternPart::SignedNumber:
      return c == '-' || IsDigit(c);
    case PatternPart::Text:
      return true;
  }
  return false;
}

// The different pattern rests after a text ("]", "\"]"), each looked for once
// per stretch.
constexpr std::size_t kMaxEndings = 4;
struct Endings {
  std::array<std::string_view, kMaxEndings> rest{};
  std::size_t count = 0;
};
constexpr Endings FindEndings() {
  Endings endings;
  for (const CommandEntry& entry : kCommandTable) {
    const std::size_t star = entry.pattern.find('*');
    if (star == std::string_view::npos) continue;
    const std::string_view rest = entry.pattern.substr(star + 1);
    std::size_t i = 0;
    while (i < endings.count && endings.rest[i] != rest) ++i;
    if (i == endings.count) endings.rest[endings.count++] = rest;  // beyond kMaxEndings: not constant
  }
  return endings;
}
constexpr Endings kEndings = FindEndings();
constexpr std::size_t EndingOf(std::string_view rest) {
  std::size_t i = 0;
  while (kEndings.rest[i] != rest) ++i;
  return i;
}

// The stretch of the line between two LF bytes in which a match must lie,
// with the last occurrence in it of each text ending (looked for once, from
// its end).
class Stretch {
 public:
  Stretch(std::string_view line, LineFeeds feeds) : line_(line) {
    if (feeds == LineFeeds::None) {
      started_ = true;  // the whole line is one stretch
      end_ = line.size();
    }
  }

  // Makes the stretch the one that holds position `at`.
  void Enter(std::size_t at) {
    if (at < end_ && started_) return;
    started_ = true;
    const void* lf = std::memchr(line_.data() + at, '\n', line_.size() - at);
    end_ = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - line_.data()) : line_.size();
    known_ = 0;
  }

  // Position of the last occurrence of ending `e` in the stretch, if it is at
  // or after `from`; kNone otherwise. Positions asked for only grow within a
  // stretch, so a search that found nothing stays valid for later positions.
  std::size_t LastEnding(std::size_t e, std::size_t from) {
    const unsigned bit = 1u << e;
    if (!(known_ & bit)) {
      known_ |= bit;
      last_[e] = kNone;
      const std::string_view ending = kEndings.rest[e];
      const std::size_t n = ending.size();
      if (n == 0) last_[e] = end_;
      // Back from the end of the stretch over the places of the ending's
      // last byte (memrchr skips the rest quickly).
      for (std::size_t limit = end_; n > 0 && limit >= from + n;) {
        const char* const first = line_.data() + from + n - 1;
        const void* hit = ::memrchr(first, ending.back(), limit - (from + n - 1));
        if (!hit) break;
        const auto last = static_cast<std::size_t>(static_cast<const char*>(hit) - line_.data());
        if (line_.compare(last + 1 - n, n, ending) == 0) {
          last_[e] = last + 1 - n;
          break;
        }
        limit = last;
      }
    }
    return (last_[e] != kNone && last_[e] >= from) ? last_[e] : kNone;
  }

 private:
  std::string_view line_;
  std::size_t end_ = 0;
  bool started_ = false;
  unsigned known_ = 0;
  std::array<std::size_t, kMaxEndings> last_{};
};

// Where the match of the pattern of table entry `Entry`, from its piece at
// offset `At`, ends when it matches the line from `pos`, else kNone; the
// fields go to m.fields from `Group` on. `open` is where the match began.
template <std::size_t Entry, std::size_t At, std::size_t Group>
std::size_t MatchFrom(std::string_view line, std::size_t pos, std::size_t open, Stretch& stretch,
                      CommandMatch& m) {
  constexpr std::string_view kPattern = kCommandTable[Entry].pattern;
  if constexpr (At == kPattern.size()) {
    // The fields the pattern does not have are empty.
    [&]<std::size_t... I>(std::index_sequence<I...>) {
      ((FieldAt<Group + I>(m.fields) = std::string_view()), ...);
    }
    (std::make_index_sequence<3 - Group>{});
    return pos;
  } else {
    constexpr PatternToken kToken = TokenAt(kPattern, At);
    constexpr std::size_t kNext = At + kToken.length;
    const std::size_t size = line.size();
    if constexpr (kToken.part == PatternPart::Literal) {
      if (pos >= size ||
          Upper(static_cast<unsigned char>(line[pos])) != static_cast<unsigned char>(kToken.byte))
        return kNone;
      return MatchFrom<Entry, kNext, Group>(line, pos + 1, open, stretch, m);
    } else if constexpr (kToken.part == PatternPart::Text) {
      stretch.Enter(open);
      const std::size_t end = stretch.LastEnding(EndingOf(kPattern.substr(kNext)), pos);
      if (end == kNone) return kNone;
      FieldAt<Group>(m.fields) = line.substr(pos, end - pos);
      return MatchFrom<Entry, kNext, Group + 1>(line, end, open, stretch, m);
    } else {
      // All of the digits: a shorter run cannot help a failed match, as no
      // pattern has a digit after a number.
      const std::size_t start = pos;
      if (kToken.part == PatternPart::SignedNumber && pos < size && line[pos] == '-') ++pos;
      const std::size_t digits = pos;
      while (pos < size && IsDigit(static_cast<unsigned char>(line[pos]))) ++pos;
      if (pos == digits) return kNone;
      FieldAt<Group>(m.fields) = line.substr(start, pos - start);
      return MatchFrom<Entry, kNext, Group + 1>(line, pos, open, stretch, m);
    }
  }
}

// Matches entry `Entry` from its second piece, the opening byte being at
// `at`: where the match ends, or kNone.
template <std::size_t Entry>
std::size_t MatchEntry(std::string_view line, std::size_t at, Stretch& stretch, CommandMatch& m) {
  return MatchFrom<Entry, 1, 0>(line, at + 1, at, stretch, m);
}

using EntryMatcher = std::size_t (*)(std::string_view, std::size_t, Stretch&, CommandMatch&);
constexpr auto kMatchers = []<std::size_t... I>(std::index_sequence<I...>) {
  return std::array<EntryMatcher, sizeof...(I)>{&MatchEntry<I>...};
}
(std::make_index_sequence<kCommandTable.size()>{});

// The entries that can start with an opening byte and the byte after it, as
// bits in table order.
using EntrySet = std::uint64_t;
static_assert(kCommandTable.size() <= 64);
constexpr std::size_t kMaxOpenings = 4;
struct Openings {
  std::array<std::int8_t, 256> index{};  // the opening of each byte, or -1
  std::array<std::array<EntrySet, 256>, kMaxOpenings> entries{};
};
constexpr Openings FindOpenings() {
  Openings o;
  for (auto& i : o.index) i = -1;
  std::size_t count = 0;
  for (std::size_t e = 0; e < kCommandTable.size(); ++e) {
    const std::string_view pattern = kCommandTable[e].pattern;
    const PatternToken first = TokenAt(pattern, 0);
    // TableIsWellFormed: the first piece is a fixed byte; a letter would also
    // open in lower case, which this table does not provide for.
    const auto byte = static_cast<unsigned char>(first.byte);
    if (byte >= 'A' && byte <= 'Z') throw "a pattern must not open with a letter";
    if (o.index[byte] < 0) {
      if (count == kMaxOpenings) throw "too many opening bytes";
      o.index[byte] = static_cast<std::int8_t>(count++);
    }
    const PatternToken second = TokenAt(pattern, first.length);
    for (int c = 0; c < 256; ++c)
      if (Accepts(second, static_cast<unsigned char>(c)))
        o.entries[static_cast<std::size_t>(o.index[byte])][static_cast<std::size_t>(c)] |= EntrySet{1} << e;
  }
  return o;
}
constexpr Openings kOpenings = FindOpenings();

// The bytes that may open a command.
struct OpeningBytes {
  std::array<char, kMaxOpenings> bytes{};
  std::size_t count = 0;
};
constexpr OpeningBytes kOpeningBytes = [] {
  OpeningBytes o;
  for (int c = 0; c < 256; ++c)
    if (kOpenings.index[static_cast<std::size_t>(c)] >= 0) o.bytes[o.count++] = static_cast<char>(c);
  return o;
}();

// A pattern without a text holds no byte that may open a command after its
// first: its match can be passed over whole.
constexpr bool OpensOnlyAtStart() {
  for (const CommandEntry& entry : kCommandTable) {
    if (entry.HasText()) continue;
    for (std::size_t i = 1; i < entry.pattern.size(); ++i)
      if (kOpenings.index[static_cast<unsigned char>(entry.pattern[i])] >= 0) return false;
  }
  return true;
}
static_assert(OpensOnlyAtStart());

// The entries whose pattern has a text, as bits in table order.
constexpr EntrySet kTextEntries = [] {
  EntrySet entries = 0;
  for (std::size_t e = 0; e < kCommandTable.size(); ++e)
    if (kCommandTable[e].HasText()) entries |= EntrySet{1} << e;
  return entries;
}();

// The first position from `at` on whose byte may open a command; the line's
// size if none. Sixteen bytes at a time over the stretches between commands.
std::size_t NextOpening(std::string_view line, std::size_t at) {
  const char* const data = line.data();
  const std::size_t size = line.size();
#if defined(__SSE2__)
  for (; at + 16 <= size; at += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
    __m128i hits = _mm_setzero_si128();
    for (std::size_t k = 0; k < kOpeningBytes.count; ++k)
      hits = _mm_or_si128(hits, _mm_cmpeq_epi8(block, _mm_set1_epi8(kOpeningBytes.bytes[k])));
    if (const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits)); mask != 0)
      return at + static_cast<std::size_t>(std::countr_zero(mask));
  }
#endif
  for (; at < size; ++at)
    if (kOpenings.index[static_cast<unsigned char>(data[at])] >= 0) return at;
  return size;
}

}  // namespace

CommandMatch MatchCommand(std::string_view line, LineFeeds feeds) {
  // Matches are tried in the result itself (returned in place) while it
  // holds none, else in a spare; the two swap roles when the spare wins.
  // Copying a match just written stalls on its stores, and most lines
  // match once.
  CommandMatch result;
  CommandMatch spare;
  CommandMatch* best = nullptr;
  std::size_t bestEntry = kCommandTable.size();
  Stretch stretch(line, feeds);
  const std::size_t size = line.size();
  std::size_t from = 0;  // where the next command may open
  for (std::size_t at = NextOpening(line, 0); at + 1 < size; at = NextOpening(line, from)) {
    from = at + 1;
    const std::int8_t opening = kOpenings.index[static_cast<unsigned char>(line[at])];
    // Only the entries before the best found so far can still win.
    EntrySet candidates =
        kOpenings.entries[static_cast<std::size_t>(opening)][static_cast<unsigned char>(line[at + 1])] &
        ((EntrySet{1} << bestEntry) - 1);
    while (candidates != 0) {
      const auto entry = static_cast<std::size_t>(std::countr_zero(candidates));
      candidates &= candidates - 1;
      CommandMatch& here = best == &result ? spare : result;
      const std::size_t end = kMatchers[entry](line, at, stretch, here);
      if (end == kNone) continue;
      // A match without a text holds no byte that opens a command after
      // its first (OpensOnlyAtStart): the search goes on after it.
      if (!(kTextEntries & (EntrySet{1} << entry))) from = end;
      here.form = kCommandTable[entry].form;
      here.at = static_cast<std::uint32_t>(std::min<std::size_t>(at, CommandMatch::kFar));
      best = &here;
      bestEntry = entry;
      break;  // the entries after it cannot win
    }
    if (bestEntry == 0) break;  // nothing can come before the first entry
  }
  if (best == nullptr) {
    result = CommandMatch();  // clear what failed attempts left
  } else if (best == &spare) {
    result = spare;
  }
  return result;
}

CommandMatch MatchCommandAt(std::string_view line, CommandForm form, std::size_t at) {
  CommandMatch match;
  const auto entry = static_cast<std::size_t>(form) - 1;
  if (form == CommandForm::None || entry >= kCommandTable.size() || at + 1 >= line.size()) return match;
  const std::int8_t opening = kOpenings.index[static_cast<unsigned char>(line[at])];
  if (opening < 0 ||
      !(kOpenings.entries[static_cast<std::size_t>(opening)][static_cast<unsigned char>(line[at + 1])] &
        (EntrySet{1} << entry)))
    return match;
  Stretch stretch(line, LineFeeds::Maybe);
  // One result, filled in place (no copy of the fields on return).
  if (kMatchers[entry](line, at, stretch, match) != kNone) {
    match.form = form;
    match.at = static_cast<std::uint32_t>(std::min<std::size_t>(at, CommandMatch::kFar));
  } else {
    match.fields = {};
  }
  return match;
}

}  // namespace zem
