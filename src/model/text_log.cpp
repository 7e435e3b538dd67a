#include "model/text_log.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define ZEM_HAVE_AVX2_SCAN 1
#endif

namespace zem {

#if defined(ZEM_HAVE_AVX2_SCAN)
namespace {
// On processors that have AVX2 (checked when running: the program is built
// for any x86-64), long runs without a line end are passed over 64 bytes at
// a time. Returns where the block holding the next CR or LF starts, or where
// fewer than 64 bytes are left.
__attribute__((target("avx2"))) std::size_t SkipToLineEndBlock(const char* data, std::size_t at,
                                                               std::size_t size) {
  const __m256i cr = _mm256_set1_epi8('\r');
  const __m256i lf = _mm256_set1_epi8('\n');
  for (; at + 64 <= size; at += 64) {
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + at));
    const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + at + 32));
    const __m256i ends =
        _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(low, cr), _mm256_cmpeq_epi8(low, lf)),
                        _mm256_or_si256(_mm256_cmpeq_epi8(high, cr), _mm256_cmpeq_epi8(high, lf)));
    if (!_mm256_testz_si256(ends, ends)) break;
  }
  return at;
}

bool HasAvx2() {
  static const bool avx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return avx2;
}
}  // namespace
#endif

#if defined(__SSE2__)
namespace {
// Sixteen bytes at `data`: a bit for each that is CR or LF.
unsigned LineEndBits(const char* data) {
  const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
  return static_cast<unsigned>(_mm_movemask_epi8(
      _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(block, _mm_set1_epi8('\n')))));
}
}  // namespace
#endif

namespace {
// The CR and LF bytes among 64 at `data`, a bit each (bit 0 the first byte).
struct LineEndMasks {
  std::uint64_t cr = 0;
  std::uint64_t lf = 0;
};
LineEndMasks LineEnds64(const char* data) {
  LineEndMasks masks;
#if defined(__SSE2__)
  for (unsigned k = 0; k < 4; ++k) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * k));
    const auto cr = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8('\r'))));
    const auto lf = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8('\n'))));
    masks.cr |= std::uint64_t{cr} << (16 * k);
    masks.lf |= std::uint64_t{lf} << (16 * k);
  }
#else
  for (unsigned k = 0; k < 64; ++k) {
    masks.cr |= std::uint64_t{data[k] == '\r'} << k;
    masks.lf |= std::uint64_t{data[k] == '\n'} << k;
  }
#endif
  return masks;
}

// Where the lines of `text` start, when every line end in it is CR LF (the
// text ending with one); false at the first lone CR or LF. 64 bytes at a
// time: a line end costs a few instructions, not a search of its own.
bool CrLfLineStarts(std::string_view text, CompactEntries& starts) {
  const char* const data = text.data();
  const std::size_t size = text.size();
  if (size > 0) starts.push_back(0);
  std::uint64_t crBefore = 0;  // the last byte of the block before was CR
  for (std::size_t at = 0; at < size; at += 64) {
    LineEndMasks masks;
    if (at + 64 <= size) {
      masks = LineEnds64(data + at);
    } else {
      char tail[64] = {};  // the last bytes; the zeros after them are neither
      std::memcpy(tail, data + at, size - at);
      masks = LineEnds64(tail);
    }
    // Bit k of `afterCr`: byte k - 1 is CR. A CR LF has its LF there; a lone
    // CR or LF differs.
    const std::uint64_t afterCr = masks.cr << 1 | crBefore;
    if ((masks.lf ^ afterCr) != 0) return false;
    crBefore = masks.cr >> 63;
    for (std::uint64_t lfs = masks.lf; lfs != 0; lfs &= lfs - 1) {
      const std::size_t start = at + static_cast<std::size_t>(std::countr_zero(lfs)) + 1;
      if (start < size) starts.push_back(start);
    }
    if ((masks.cr | masks.lf) == 0 && at + 128 <= size) {
      // A long stretch without a line end: the search for the next one
      // takes more bytes at a time.
      const std::size_t end = FindLineEnd(text, at + 64);
      at = (end == std::string_view::npos ? size : end) - 64;  // the next block starts there
    }
  }
  return crBefore == 0;
}
}  // namespace

std::size_t FindLineEnd(std::string_view text, std::size_t from) {
  const char* const data = text.data();
  const std::size_t size = text.size();
  std::size_t i = from;
#if defined(__SSE2__)
  for (std::size_t blocks = 1; i + 16 <= size; i += 16, ++blocks) {
    const unsigned ends = LineEndBits(data + i);
    if (ends != 0) return i + static_cast<std::size_t>(std::countr_zero(ends));
#if defined(ZEM_HAVE_AVX2_SCAN)
    // A run past 64 bytes goes on 64 at a time; short lines never get here.
    if (blocks == 4 && HasAvx2()) i = SkipToLineEndBlock(data, i + 16, size) - 16;
#endif
  }
#else
  // Eight bytes at a time while none of them is below 14 (CR is 13): the
  // usual test for a byte below a bound in a word.
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHighs = 0x8080808080808080u;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, data + i, 8);
    if (((word - kOnes * 14) & ~word & kHighs) != 0) break;
  }
#endif
  for (; i < size; ++i)
    if (data[i] == '\r' || data[i] == '\n') return i;
  return std::string_view::npos;
}

std::size_t CountLineEndBytes(std::string_view text) {
  const char* const data = text.data();
  const std::size_t size = text.size();
  std::size_t count = 0;
  std::size_t i = 0;
#if defined(__SSE2__)
  // Each of sixteen byte counters takes a block's CR and LF bytes (a match
  // is -1, subtracted); they are added up before any can pass 255. No
  // population count: plain x86-64 has no instruction for it.
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  while (i + 16 <= size) {
    const std::size_t blocks = std::min<std::size_t>((size - i) / 16, 255);
    __m128i counters = _mm_setzero_si128();
    for (std::size_t b = 0; b < blocks; ++b, i += 16) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
      counters = _mm_sub_epi8(counters, _mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf)));
    }
    const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());  // two sums of eight counters
    count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
             static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
  }
#endif
  for (; i < size; ++i) count += data[i] == '\r' || data[i] == '\n' ? 1 : 0;
  return count;
}

TextLog::~TextLog() {
  ReleaseDependents();
  Detach();
}

void TextLog::Clear() {
  ReleaseDependents();
  Detach();
  // The memory goes too: a log is often cleared after a large import.
  std::string().swap(text_);
  lines_.Release();
  openStart_ = 0;
  derivedBytes_ = 0;
  lineFeedsInLines_ = false;
  formats_.clear();
  if (listener_) listener_->Cleared();
}

void TextLog::Reserve(std::size_t bytes, std::size_t lines) {
  if (sink_) return;  // nothing will be kept
  text_.reserve(text_.size() + bytes);
  lines_.reserve(lines_.size() + lines);
}

void TextLog::Put(std::string_view text) {
  if (text.empty()) return;
  const std::size_t from = text_.size();
  if (from == openStart_) lines_.push_back(openStart_);  // the open line gets its first bytes
  text_.append(text);
  const char* const data = text_.data();
  const std::size_t size = text_.size();
  // The first byte that may be the LF of a break: the CR before it must lie
  // in the open line.
  std::size_t at = std::max(from, openStart_ + 1);
  if (from == openStart_ && text.front() == '\n') lineFeedsInLines_ = true;
  while (at < size) {
    const void* lf = std::memchr(data + at, '\n', size - at);
    if (!lf) break;
    const auto pos = static_cast<std::size_t>(static_cast<const char*>(lf) - data);
    if (data[pos - 1] == '\r') {
      openStart_ = pos + 1;
      if (openStart_ < size) lines_.push_back(openStart_);
      at = pos + 2;  // a break needs a byte of the new line before its LF
    } else {
      lineFeedsInLines_ = true;
      at = pos + 1;
    }
  }
}

void TextLog::Tell(std::size_t from) {
  if (sink_) {
    PassCompleteLines();
    return;
  }
  if (listener_) listener_->TextAppended(std::string_view(text_).substr(from));
}

void TextLog::PassLinesTo(LineSink sink) {
  sink_ = std::move(sink);
  if (sink_) PassCompleteLines();
}

void TextLog::PassCompleteLines() {
  // Only the open line, always the last, is not complete.
  const bool open = openStart_ < text_.size();
  const std::size_t complete = open ? lines_.size() - 1 : lines_.size();
  if (complete == 0) return;
  ReleaseDependents();  // their lines go
  std::string buffer;
  for (std::size_t i = 0; i < complete; ++i) sink_(LineView(i, buffer));
  Restart(open ? text_.substr(openStart_) : std::string());
}

void TextLog::Restart(const std::string& text) {
  Detach();
  formats_.clear();
  derivedBytes_ = 0;
  lineFeedsInLines_ = false;
  text_.clear();
  lines_.clear();
  openStart_ = 0;
  Put(text);
}

void TextLog::AppendSingleLine(std::string_view line) {
  assert(line.find("\r\n") == std::string_view::npos);
  if (sink_ && text_.empty()) {
    sink_(line);  // nothing open before it: passed on without a copy
    return;
  }
  AppendLine(line);
}

void TextLog::AppendLine(std::string_view line) {
  if (sink_ && text_.empty() && line.find("\r\n") == std::string_view::npos) {
    sink_(line);
    return;
  }
  const std::size_t from = text_.size();
  text_.reserve(from + line.size() + 4);
  CloseOpenLine();
  Put(line);
  Put("\r\n");
  Tell(from);
}

void TextLog::AppendText(std::string_view text) {
  const std::size_t from = text_.size();
  Put(text);
  Tell(from);
}

void TextLog::AppendLines(std::string_view text) {
  if (text.empty()) return;
  const std::size_t from = text_.size();
  CloseOpenLine();
  text_.reserve(text_.size() + text.size() + 2);
  // Bytes already ending in CR LF are copied in runs; a lone CR or LF ends
  // the run and is written as CR LF.
  const char* const data = text.data();
  const std::size_t size = text.size();
  std::size_t run = 0;
  std::size_t lineStart = 0;
  for (std::size_t i = 0; (i = FindLineEnd(text, i)) != std::string_view::npos; ++i) {
    lines_.push_back(text_.size() + (lineStart - run));
    if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') {
      lineStart = ++i + 1;
      continue;
    }
    text_.append(data + run, i - run);
    text_ += "\r\n";
    run = lineStart = i + 1;
  }
  if (lineStart < size) lines_.push_back(text_.size() + (lineStart - run));
  text_.append(data + run, size - run);
  if (lineStart < size) text_ += "\r\n";
  openStart_ = text_.size();
  Tell(from);
}

void TextLog::AssignLines(std::string&& text) {
  Clear();
  if (text.empty()) return;
  // A last line without a line break gets one, in place when there is room.
  const bool ended = text.back() == '\r' || text.back() == '\n';
  if (!ended) text += "\r\n";
  const std::size_t size = text.size();
  CompactEntries lines;
  // Room for lines of ten bytes on average, as configuration files have:
  // the list then rarely grows (and is copied) while it is made.
  lines.reserve(size / 10 + 16);
  const bool asItIs = CrLfLineStarts(text, lines);
  // The room that many lines of a few bytes would have needed goes.
  if (lines.capacity() / 2 > lines.size() + 64) lines.shrink_to_fit();
  if (!asItIs) {
    if (!ended) text.resize(size - 2);
    AppendLines(text);
    return;
  }
  text_ = std::move(text);
  lines_ = std::move(lines);
  openStart_ = text_.size();
  Tell(0);
}

void TextLog::AppendDerivedLine(const TextLog& source, std::size_t index, const LineFormat& format,
                                std::size_t length, std::uint32_t note) {
  const auto slot =
      static_cast<std::size_t>(std::find(formats_.begin(), formats_.end(), &format) - formats_.begin());
  const bool sourceOpenLine = index + 1 == source.lines_.size() && source.openStart_ < source.text_.size();
  const bool byReference = !sink_ && &source != this && index < source.lines_.size() && index <= kIndexMask &&
                           note <= kMaxNote && !(source.lines_[index] & kDerived) && !sourceOpenLine &&
                           (source_ == nullptr || source_ == &source) &&
                           (slot < formats_.size() || formats_.size() < kMaxFormats);
  if (!byReference) {
    std::string text;
    format.AppendTo(source.Line(index), note, text);
    AppendLine(text);
    return;
  }
  const bool closing = text_.size() > openStart_;
  CloseOpenLine();
  if (!source_) {
    source_ = &source;
    source.dependents_.push_back(this);
  }
  if (slot == formats_.size()) formats_.push_back(&format);
  lineFeedsInLines_ = lineFeedsInLines_ || source.lineFeedsInLines_;
  lines_.push_back(kDerived | (Entry{slot} << kSlotShift) | (Entry{note} << kNoteShift) | index);
  derivedBytes_ += length + 2;
  if (listener_) {
    std::string text = closing ? "\r\n" : "";
    format.AppendTo(source.HeldLine(index), note, text);
    text += "\r\n";
    listener_->TextAppended(text);
  }
}

std::string_view TextLog::HeldLine(std::size_t index) const {
  const std::size_t start = lines_[index];
  const char* const data = text_.data();
  const std::size_t size = text_.size();
  // A held line ends with the CR LF before the next held line, or with the
  // text when it is the open line.
  const bool last = index + 1 == lines_.size();
  if (last) return std::string_view(data + start, (openStart_ > start ? openStart_ - 2 : size) - start);
  if (!(lines_[index + 1] & kDerived)) return std::string_view(data + start, lines_[index + 1] - 2 - start);
  // Followed by a derived line: it ends at its first CR LF (it holds none).
  for (std::size_t at = start + 1; at < size;) {
    const void* lf = std::memchr(data + at, '\n', size - at);
    if (!lf) break;
    const auto pos = static_cast<std::size_t>(static_cast<const char*>(lf) - data);
    if (data[pos - 1] == '\r') return std::string_view(data + start, pos - 1 - start);
    at = pos + 1;
  }
  return std::string_view(data + start, size - start);
}

void TextLog::AppendLineTo(std::size_t index, std::string& out) const {
  const Entry entry = lines_[index];
  if (!(entry & kDerived)) {
    out.append(HeldLine(index));
    return;
  }
  const LineFormat& format = *formats_[static_cast<std::size_t>((entry & ~kDerived) >> kSlotShift)];
  const auto note = static_cast<std::uint32_t>((entry >> kNoteShift) & kMaxNote);
  format.AppendTo(source_->HeldLine(static_cast<std::size_t>(entry & kIndexMask)), note, out);
}

std::string_view TextLog::LineView(std::size_t index, std::string& buffer) const {
  if (!(lines_[index] & kDerived)) return HeldLine(index);
  buffer.clear();
  AppendLineTo(index, buffer);
  return buffer;
}

std::string TextLog::Line(std::size_t index) const {
  std::string line;
  AppendLineTo(index, line);
  return line;
}

std::vector<std::string> TextLog::Lines() const {
  std::vector<std::string> lines;
  lines.reserve(LineCount());
  for (std::size_t i = 0; i < LineCount(); ++i) lines.push_back(Line(i));
  return lines;
}

std::string TextLog::Text() const {
  if (!source_) return text_;
  std::string text;
  text.reserve(ByteCount());
  // Only the open line, always the last, has no line break after it.
  const std::size_t closed = openStart_ < text_.size() ? lines_.size() - 1 : lines_.size();
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    AppendLineTo(i, text);
    if (i < closed) text += "\r\n";
  }
  return text;
}

void TextLog::MakeHeld() {
  if (!source_) return;
  Restart(Text());
}

void TextLog::ReleaseDependents() {
  std::vector<TextLog*> dependents;
  dependents.swap(dependents_);
  for (TextLog* dependent : dependents) dependent->MakeHeld();
}

void TextLog::Detach() {
  if (!source_) return;
  auto& siblings = source_->dependents_;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  source_ = nullptr;
}

}  // namespace zem
