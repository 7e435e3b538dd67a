#include "model/text_log.h"

#include <algorithm>
#include <utility>

namespace zem {

std::size_t FindLineEnd(std::string_view text, std::size_t from) {
  for (std::size_t at = from; at < text.size(); ++at)
    if (text[at] == '\r' || text[at] == '\n') return at;
  return std::string_view::npos;
}

void TextLog::Clear() {
  // The memory goes too: a log is often cleared after a large import.
  std::string().swap(text_);
  std::vector<std::size_t>().swap(lineStarts_);
  openStart_ = 0;
  if (listener_) listener_->Cleared();
}

void TextLog::Reserve(std::size_t bytes, std::size_t lines) {
  if (sink_) return;  // nothing will be kept
  text_.reserve(text_.size() + bytes);
  lineStarts_.reserve(lineStarts_.size() + lines);
}

void TextLog::Put(std::string_view text) {
  if (text.empty()) return;
  const std::size_t from = text_.size();
  if (from == openStart_) lineStarts_.push_back(openStart_);  // the open line gets its first bytes
  text_.append(text);
  // The first byte that may be the LF of a break: the CR before it must lie
  // in the open line.
  std::size_t at = std::max(from, openStart_ + 1);
  for (std::size_t lf; (lf = text_.find('\n', at)) != std::string::npos;) {
    if (text_[lf - 1] == '\r') {
      openStart_ = lf + 1;
      if (openStart_ < text_.size()) lineStarts_.push_back(openStart_);
      at = lf + 2;  // a break needs a byte of the new line before its LF
    } else {
      at = lf + 1;
    }
  }
}

void TextLog::Tell(std::size_t from) {
  if (sink_) {
    PassCompleteLines();
  } else if (listener_) {
    listener_->TextAppended(std::string_view(text_).substr(from));
  }
}

void TextLog::PassLinesTo(LineSink sink) {
  sink_ = std::move(sink);
  if (sink_) PassCompleteLines();
}

void TextLog::PassCompleteLines() {
  // Only the open line, always the last, is not complete.
  const bool open = openStart_ < text_.size();
  const std::size_t complete = open ? lineStarts_.size() - 1 : lineStarts_.size();
  if (complete == 0) return;
  for (std::size_t i = 0; i < complete; ++i) sink_(LineView(i));
  const std::string rest = open ? text_.substr(openStart_) : std::string();
  text_.clear();
  lineStarts_.clear();
  openStart_ = 0;
  Put(rest);
}

void TextLog::AppendLine(std::string_view line) {
  if (sink_ && text_.empty() && line.find("\r\n") == std::string_view::npos) {
    sink_(line);  // nothing open before it: passed on without a copy
    return;
  }
  const std::size_t from = text_.size();
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
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = FindLineEnd(text, start);
    lineStarts_.push_back(text_.size());
    text_.append(text.substr(start, end == std::string_view::npos ? end : end - start));
    text_ += "\r\n";
    if (end == std::string_view::npos) break;
    const bool crLf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
    start = end + (crLf ? 2 : 1);
  }
  openStart_ = text_.size();
  Tell(from);
}

void TextLog::AssignLines(std::string&& text) {
  Clear();
  if (text.empty()) return;
  // Where the lines start, as long as every line ends in CR LF (the last one
  // may have no break).
  std::vector<std::size_t> starts;
  starts.reserve(text.size() / 10 + 16);  // configuration lines are about ten bytes
  for (std::size_t start = 0; start < text.size();) {
    starts.push_back(start);
    const std::size_t end = FindLineEnd(text, start);
    if (end == std::string::npos) break;
    if (text[end] != '\r' || end + 1 == text.size() || text[end + 1] != '\n') {
      AppendLines(text);  // a lone CR or LF: each line is written anew
      return;
    }
    start = end + 2;
  }
  if (text.back() != '\n') text += "\r\n";
  text_ = std::move(text);
  lineStarts_ = std::move(starts);
  openStart_ = text_.size();
  Tell(0);
}

std::string_view TextLog::LineView(std::size_t index) const {
  const std::size_t start = lineStarts_[index];
  // A line ends with the CR LF before the next line; the last one with the
  // text when it is the open line.
  std::size_t end = text_.size();
  if (index + 1 < lineStarts_.size()) {
    end = lineStarts_[index + 1] - 2;
  } else if (openStart_ > start) {
    end = openStart_ - 2;
  }
  return std::string_view(text_).substr(start, end - start);
}

std::vector<std::string> TextLog::Lines() const {
  std::vector<std::string> lines;
  lines.reserve(LineCount());
  for (std::size_t i = 0; i < LineCount(); ++i) lines.push_back(Line(i));
  return lines;
}

}  // namespace zem
