#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zem {

// A read-only text area kept as lines of single-byte text, counted as a
// multi-line edit control counts them: the text "AB<CR><LF>C" has two lines,
// "AB<CR><LF>" one, the empty text none.
//
// AppendLine adds a whole line; AppendText adds characters to the end of the
// text, where the two bytes CR LF start a new line. Views listen through
// SetListener and are told every change, so they can append incrementally.
class TextLog {
 public:
  struct Listener {
    virtual ~Listener() = default;
    // `text` was appended at the end; it may hold CR LF line breaks.
    virtual void TextAppended(std::string_view text) = 0;
    virtual void Cleared() = 0;
  };

  TextLog() = default;
  TextLog(const TextLog&) = delete;
  TextLog& operator=(const TextLog&) = delete;

  void SetListener(Listener* listener) { listener_ = listener; }

  void Clear();
  // Adds `line` as a line of its own (after a line break if the text does not
  // end with one), and ends it with a line break.
  void AppendLine(std::string_view line);
  // Appends characters to the end of the text; "\r\n" starts a new line.
  void AppendText(std::string_view text);

  std::size_t LineCount() const;
  const std::string& Line(std::size_t index) const { return lines_[index]; }
  std::vector<std::string> Lines() const;
  // The whole text with CR LF between lines, as the edit control holds it.
  std::string Text() const;
  // Total bytes held; lets callers bound what a stream may fill in.
  std::size_t ByteCount() const { return bytes_; }

 private:
  void AppendRaw(std::string_view text);

  // The last entry is the open line after the last line break (maybe empty).
  std::vector<std::string> lines_{std::string()};
  std::size_t bytes_ = 0;
  Listener* listener_ = nullptr;
};

// The one line of the status bar.
class StatusLine {
 public:
  void Set(std::string text) {
    text_ = std::move(text);
    if (onChange_) onChange_(text_);
  }
  const std::string& Text() const { return text_; }
  void SetOnChange(std::function<void(const std::string&)> onChange) { onChange_ = std::move(onChange); }

 private:
  std::string text_;
  std::function<void(const std::string&)> onChange_;
};

}  // namespace zem
