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
//
// The text is held in one piece, exactly as Text() returns it, with the
// place of every line break: appending copies the new bytes once and reading
// a line copies nothing.
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
  // Adds the lines of `text`, which end at CR LF, a lone CR or a lone LF,
  // each as AppendLine adds a line: the text the window shows for a file.
  void AppendLines(std::string_view text);
  // Clear, then AppendLines(text); keeps `text`'s buffer when all its lines
  // already end in CR LF, so a large file is not copied.
  void AssignLines(std::string&& text);

  // Makes room for `bytes` more bytes and `lines` more lines, when a caller
  // knows about how much will come: no copying as the text grows.
  void Reserve(std::size_t bytes, std::size_t lines);

  std::size_t LineCount() const;
  // Valid until the log next changes.
  std::string_view Line(std::size_t index) const;
  std::vector<std::string> Lines() const;
  // The whole text with CR LF between lines, as the edit control holds it.
  std::string Text() const { return text_; }
  // Total bytes held; lets callers bound what a stream may fill in.
  std::size_t ByteCount() const { return text_.size(); }

 private:
  std::size_t OpenLineStart() const { return breaks_.empty() ? 0 : breaks_.back() + 2; }
  // Records the line breaks in the text from `from` on (a CR just before
  // `from` may pair with an LF at it) and tells the listener.
  void Appended(std::size_t from);

  std::string text_;
  // Where each line break (CR LF) is; the text after the last one is the
  // open line, which may be empty.
  std::vector<std::size_t> breaks_;
  Listener* listener_ = nullptr;
};

// Where the next CR or LF is in `text` from `from` on; npos if none.
// Quick on long runs of other bytes.
std::size_t FindLineEnd(std::string_view text, std::size_t from);

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
