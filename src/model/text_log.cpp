#include "model/text_log.h"

namespace zem {

void TextLog::Clear() {
  lines_.assign(1, std::string());
  bytes_ = 0;
  if (listener_) listener_->Cleared();
}

void TextLog::AppendLine(std::string_view line) {
  std::string text;
  text.reserve(line.size() + 4);
  if (!lines_.back().empty()) text += "\r\n";
  text.append(line);
  text += "\r\n";
  AppendRaw(text);
}

void TextLog::AppendText(std::string_view text) {
  if (!text.empty()) AppendRaw(text);
}

void TextLog::AppendRaw(std::string_view text) {
  bytes_ += text.size();
  std::size_t start = 0;
  // A CR left at the end of the open line pairs with an LF that starts `text`.
  if (text.front() == '\n' && !lines_.back().empty() && lines_.back().back() == '\r') {
    lines_.back().pop_back();
    lines_.emplace_back();
    start = 1;
  }
  for (;;) {
    const std::size_t at = text.find("\r\n", start);
    if (at == std::string_view::npos) break;
    lines_.back().append(text.substr(start, at - start));
    lines_.emplace_back();
    start = at + 2;
  }
  lines_.back().append(text.substr(start));
  if (listener_) listener_->TextAppended(text);
}

std::size_t TextLog::LineCount() const { return lines_.back().empty() ? lines_.size() - 1 : lines_.size(); }

std::vector<std::string> TextLog::Lines() const {
  return std::vector<std::string>(lines_.begin(), lines_.begin() + static_cast<long>(LineCount()));
}

std::string TextLog::Text() const {
  std::string text;
  text.reserve(bytes_);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines_[i];
  }
  return text;
}

}  // namespace zem
