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
// The text is one string with CR LF between lines, and a list of where each
// line starts: a line is read as a view into the text, without a copy.
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

  // From now on every line, once it is complete, is handed to `sink`
  // (without its line break) and not kept: a tool that prints a long log as
  // it is made holds no copy of it. The lines kept so far go first. A log
  // that passes its lines tells its listener nothing and counts only the
  // line still open; an empty `sink` keeps lines again.
  using LineSink = std::function<void(std::string_view line)>;
  void PassLinesTo(LineSink sink);
  bool PassesLines() const { return static_cast<bool>(sink_); }

  void Clear();
  // Adds `line` as a line of its own (after a line break if the text does not
  // end with one), and ends it with a line break.
  void AppendLine(std::string_view line);
  // Appends characters to the end of the text; "\r\n" starts a new line.
  void AppendText(std::string_view text);
  // Adds the lines of `text`, which end at CR LF, a lone CR or a lone LF,
  // each as AppendLine adds a line: the text the window shows for a file.
  void AppendLines(std::string_view text);
  // Clear, then AppendLines(text); takes `text` over as it is when all its
  // lines already end in CR LF, so a large file is not held twice.
  void AssignLines(std::string&& text);

  // Makes room for `bytes` more bytes and `lines` more lines, when a caller
  // knows about how much will come: a large log is then not copied again
  // and again as it grows.
  void Reserve(std::size_t bytes, std::size_t lines);

  std::size_t LineCount() const { return lineStarts_.size(); }
  // Line `index` without its line break, valid until the log changes.
  std::string_view LineView(std::size_t index) const;
  std::string Line(std::size_t index) const { return std::string(LineView(index)); }
  std::vector<std::string> Lines() const;
  // The whole text with CR LF between lines, as the edit control holds it.
  const std::string& Text() const { return text_; }
  // Total bytes of the text; lets callers bound what a stream may fill in.
  std::size_t ByteCount() const { return text_.size(); }
  // The memory the log takes for its text and lines (capacity, not size).
  std::size_t HeldBytes() const { return text_.capacity() + lineStarts_.capacity() * sizeof(std::size_t); }

 private:
  // Appends `text` and records the lines it starts, without telling the
  // listener.
  void Put(std::string_view text);
  void CloseOpenLine() {
    if (text_.size() > openStart_) Put("\r\n");
  }
  // Tells the listener what was appended from `from` on, or, when the log
  // passes its lines on, hands over the lines now complete.
  void Tell(std::size_t from);
  void PassCompleteLines();

  std::string text_;
  std::vector<std::size_t> lineStarts_;
  // Where the open line (after the last CR LF of text_) starts; it is the
  // last line when it is not empty.
  std::size_t openStart_ = 0;
  Listener* listener_ = nullptr;
  LineSink sink_;
};

// Where the next CR or LF is in `text` from `from` on; npos if none.
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
