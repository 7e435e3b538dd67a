#include "model/text_log.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace zem {

std::size_t FindLineEnd(std::string_view text, std::size_t from) {
  const char* const data = text.data();
  const std::size_t size = text.size();
  // Eight bytes at a time while none of them is below 14 (CR is 13): the
  // usual test for a byte below a bound in a word.
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHighs = 0x8080808080808080u;
  std::size_t i = from;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, data + i, 8);
    if (((word - kOnes * 14) & ~word & kHighs) != 0) break;
  }
  for (; i < size; ++i)
    if (data[i] == '\r' || data[i] == '\n') return i;
  return std::string_view::npos;
}

void TextLog::Clear() {
  // The memory goes too: a log is often cleared after a large import.
  std::string().swap(text_);
  std::vector<std::size_t>().swap(breaks_);
  if (listener_) listener_->Cleared();
}

void TextLog::Reserve(std::size_t bytes, std::size_t lines) {
  text_.reserve(text_.size() + bytes);
  breaks_.reserve(breaks_.size() + lines);
}

void TextLog::AppendLine(std::string_view line) {
  const std::size_t from = text_.size();
  const bool closeOpenLine = from > OpenLineStart();
  text_.reserve(from + line.size() + 4);
  if (closeOpenLine) text_ += "\r\n";
  text_.append(line);
  text_ += "\r\n";
  Appended(from);
}

void TextLog::AppendText(std::string_view text) {
  if (text.empty()) return;
  const std::size_t from = text_.size();
  text_.append(text);
  Appended(from);
}

void TextLog::Appended(std::size_t from) {
  const char* const data = text_.data();
  const std::size_t size = text_.size();
  // The first byte that may be the LF of a break: the CR before it must lie
  // in the open line.
  std::size_t at = std::max(from, OpenLineStart() + 1);
  while (at < size) {
    const void* lf = std::memchr(data + at, '\n', size - at);
    if (!lf) break;
    const auto pos = static_cast<std::size_t>(static_cast<const char*>(lf) - data);
    if (data[pos - 1] == '\r') {
      breaks_.push_back(pos - 1);
      at = pos + 2;  // a break needs a byte of the new line before its LF
    } else {
      at = pos + 1;
    }
  }
  if (listener_) listener_->TextAppended(std::string_view(text_).substr(from));
}

void TextLog::AppendLines(std::string_view text) {
  if (text.empty()) return;
  const std::size_t from = text_.size();
  text_.reserve(from + text.size() + 4);
  if (from > OpenLineStart()) {
    text_ += "\r\n";
    breaks_.push_back(from);
  }
  // Bytes already ending in CR LF are copied in runs; a lone CR or LF ends
  // the run and is written as CR LF.
  const char* const data = text.data();
  const std::size_t size = text.size();
  std::size_t run = 0;
  for (std::size_t i = 0; (i = FindLineEnd(text, i)) != std::string_view::npos; ++i) {
    if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') {
      breaks_.push_back(text_.size() + (i - run));
      ++i;
      continue;
    }
    text_.append(data + run, i - run);
    breaks_.push_back(text_.size());
    text_ += "\r\n";
    run = i + 1;
  }
  text_.append(data + run, size - run);
  if (text_.size() > OpenLineStart()) {
    breaks_.push_back(text_.size());
    text_ += "\r\n";
  }
  if (listener_) listener_->TextAppended(std::string_view(text_).substr(from));
}

void TextLog::AssignLines(std::string&& text) {
  Clear();
  std::vector<std::size_t> breaks;
  breaks.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')));
  const char* const data = text.data();
  const std::size_t size = text.size();
  bool asItIs = size >= 2 && data[size - 2] == '\r' && data[size - 1] == '\n';
  for (std::size_t i = 0; asItIs && (i = FindLineEnd(text, i)) != std::string_view::npos; i += 2) {
    asItIs = data[i] == '\r' && data[i + 1] == '\n';  // the text ends in CR LF, so i + 1 < size
    breaks.push_back(i);
  }
  if (!asItIs) {
    AppendLines(text);
    return;
  }
  text_ = std::move(text);
  breaks_ = std::move(breaks);
  if (listener_) listener_->TextAppended(text_);
}

std::size_t TextLog::LineCount() const {
  return text_.size() > OpenLineStart() ? breaks_.size() + 1 : breaks_.size();
}

std::string_view TextLog::Line(std::size_t index) const {
  const std::size_t start = index == 0 ? 0 : breaks_[index - 1] + 2;
  const std::size_t end = index < breaks_.size() ? breaks_[index] : text_.size();
  return std::string_view(text_).substr(start, end - start);
}

std::vector<std::string> TextLog::Lines() const {
  std::vector<std::string> lines;
  lines.reserve(LineCount());
  for (std::size_t i = 0; i < LineCount(); ++i) lines.emplace_back(Line(i));
  return lines;
}

}  // namespace zem
