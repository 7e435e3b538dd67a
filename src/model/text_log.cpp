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
  std::string& open = lines_.back();
  // A CR left at the end of the open line may pair with an LF now.
  std::size_t from = open.empty() ? 0 : open.size() - 1;
  open.append(text);
  bytes_ += text.size();
  for (;;) {
    std::string& current = lines_.back();
    std::size_t at = current.find("\r\n", from);
    if (at == std::string::npos) break;
    std::string rest = current.substr(at + 2);
    current.resize(at);
    lines_.push_back(std::move(rest));
    from = 0;
  }
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
