#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zem {

// A list of 64-bit entries held in 4 bytes each while every entry fits in
// 32 bits, in 8 from the first that does not: where the lines of a text
// below 4 GiB start take half the memory.
class CompactEntries {
 public:
  using Entry = std::uint64_t;

  std::size_t size() const { return wide_ ? wideEntries_.size() : narrowEntries_.size(); }
  Entry operator[](std::size_t i) const { return wide_ ? wideEntries_[i] : narrowEntries_[i]; }
  void push_back(Entry entry) {
    if (!wide_ && entry <= UINT32_MAX) {
      narrowEntries_.push_back(static_cast<std::uint32_t>(entry));
      return;
    }
    if (!wide_) Widen();
    wideEntries_.push_back(entry);
  }
  void reserve(std::size_t n) { wide_ ? wideEntries_.reserve(n) : narrowEntries_.reserve(n); }
  void shrink_to_fit() { wide_ ? wideEntries_.shrink_to_fit() : narrowEntries_.shrink_to_fit(); }
  std::size_t capacity() const { return wide_ ? wideEntries_.capacity() : narrowEntries_.capacity(); }
  std::size_t HeldBytes() const {
    return narrowEntries_.capacity() * sizeof(std::uint32_t) + wideEntries_.capacity() * sizeof(Entry);
  }
  // Empties the list, keeping its memory.
  void clear() {
    narrowEntries_.clear();
    wideEntries_.clear();
    wide_ = false;
  }
  // Empties the list and lets its memory go.
  void Release() { *this = CompactEntries(); }

 private:
  void Widen() {
    wideEntries_.reserve(narrowEntries_.capacity());  // the room made for what will come
    wideEntries_.assign(narrowEntries_.begin(), narrowEntries_.end());
    std::vector<std::uint32_t>().swap(narrowEntries_);
    wide_ = true;
  }

  std::vector<std::uint32_t> narrowEntries_;
  std::vector<Entry> wideEntries_;
  bool wide_ = false;
};

// A read-only text area kept as lines of single-byte text, counted as a
// multi-line edit control counts them: the text "AB<CR><LF>C" has two lines,
// "AB<CR><LF>" one, the empty text none.
//
// AppendLine adds a whole line; AppendText adds characters to the end of the
// text, where the two bytes CR LF start a new line. Views listen through
// SetListener and are told every change, so they can append incrementally.
//
// The text is held in one piece with where each line starts: appending
// copies the new bytes once. A line made from a line of another log (the
// reader's log of the received text) can be kept as a reference to that line
// and made into text only when it is read (AppendDerivedLine).
class TextLog {
 public:
  struct Listener {
    virtual ~Listener() = default;
    // `text` was appended at the end; it may hold CR LF line breaks.
    virtual void TextAppended(std::string_view text) = 0;
    virtual void Cleared() = 0;
  };

  // Makes the text of a derived line from the line it comes from and the
  // note kept with it (what the maker of the line knew, such as where in the
  // source a match lies). The same line and note must always give the same
  // text, holding no CR LF.
  class LineFormat {
   public:
    virtual void AppendTo(std::string_view source, std::uint32_t note, std::string& out) const = 0;

   protected:
    ~LineFormat() = default;
  };

  TextLog() = default;
  ~TextLog();
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
  // AppendLine for a line that holds no CR LF, as the caller knows: a log
  // that passes its lines on hands it over without looking at it.
  void AppendSingleLine(std::string_view line);
  // Appends characters to the end of the text; "\r\n" starts a new line.
  void AppendText(std::string_view text);
  // Adds the lines of `text`, which end at CR LF, a lone CR or a lone LF,
  // each as AppendLine adds a line: the text the window shows for a file.
  void AppendLines(std::string_view text);
  // Clear, then AppendLines(text); keeps `text`'s buffer when all its lines
  // already end in CR LF, so a large file is not copied.
  void AssignLines(std::string&& text);
  // Adds, as AppendLine would, the text `format` makes of line `index` of
  // `source` and `note`; `length` is that text's length. The line is kept as
  // a reference while `source` keeps that line (until it is cleared or
  // destroyed, when the text is made and kept instead). `format` must live
  // as long as the log (the reader's formats are constants). A note above
  // kMaxNote, an index from 2^32 on or more than kMaxFormats formats make
  // the line text at once.
  void AppendDerivedLine(const TextLog& source, std::size_t index, const LineFormat& format,
                         std::size_t length, std::uint32_t note = 0);
  static constexpr std::uint32_t kMaxNote = (std::uint32_t{1} << 27) - 1;
  static constexpr std::size_t kMaxFormats = 15;
  // Makes room for `bytes` more bytes and `lines` more lines, when a caller
  // knows about how much will come: no copying as the text grows.
  void Reserve(std::size_t bytes, std::size_t lines);

  std::size_t LineCount() const { return lines_.size(); }
  // False when no line holds a LF: only CR LF, and for the lines that
  // AppendLines adds a lone CR or LF, end lines. Text appended as it arrives
  // may put a lone LF inside a line.
  bool LinesMayHoldLineFeeds() const { return lineFeedsInLines_; }
  std::string Line(std::size_t index) const;
  // Appends line `index` to `out`: reads many lines without a string each.
  void AppendLineTo(std::size_t index, std::string& out) const;
  // Line `index` without a copy when it is held as text; a derived line is
  // made in `buffer`. Valid until the log or `buffer` changes.
  std::string_view LineView(std::size_t index, std::string& buffer) const;
  std::vector<std::string> Lines() const;
  // The whole text with CR LF between lines, as the edit control holds it.
  std::string Text() const;
  // Total bytes of the text; lets callers bound what a stream may fill in.
  std::size_t ByteCount() const { return text_.size() + derivedBytes_; }
  // The memory the log takes for its text and lines (capacity, not size).
  std::size_t HeldBytes() const { return text_.capacity() + lines_.HeldBytes(); }

 private:
  // A line: where it starts in text_, or (kDerived set) the format's slot in
  // formats_ (4 bits), the note (27 bits) and the index of the line in
  // source_ it comes from (32 bits).
  using Entry = std::uint64_t;
  static constexpr Entry kDerived = Entry{1} << 63;
  static constexpr unsigned kSlotShift = 59;
  static constexpr unsigned kNoteShift = 32;
  static constexpr Entry kIndexMask = (Entry{1} << kNoteShift) - 1;
  static_assert(kMaxFormats < (1u << (63 - kSlotShift)) &&
                kMaxNote < (Entry{1} << (kSlotShift - kNoteShift)));

  // The text of line `index`, held in text_.
  std::string_view HeldLine(std::size_t index) const;
  // Appends `text` and records the lines it starts or ends, without telling
  // the listener.
  void Put(std::string_view text);
  void CloseOpenLine() {
    if (text_.size() > openStart_) Put("\r\n");
  }
  // Turns every derived line into held text.
  void MakeHeld();
  // Forgets every line and holds `text` (held lines, no references).
  void Restart(const std::string& text);
  // Hands the complete lines to sink_ and forgets them.
  void PassCompleteLines();
  // Before this log's lines go: the logs that refer to them hold their text.
  void ReleaseDependents();
  // Forgets the source (its derived lines must be gone).
  void Detach();
  void Tell(std::size_t from);

  std::string text_;
  CompactEntries lines_;
  // Where the open line (after the last CR LF of text_) starts; it is the
  // last line when it is not empty.
  std::size_t openStart_ = 0;
  std::size_t derivedBytes_ = 0;
  bool lineFeedsInLines_ = false;
  const TextLog* source_ = nullptr;
  std::vector<const LineFormat*> formats_;
  // The logs that refer to lines of this one.
  mutable std::vector<TextLog*> dependents_;
  Listener* listener_ = nullptr;
  LineSink sink_;
};

// Where the next CR or LF is in `text` from `from` on; npos if none.
// Quick on long runs of other bytes.
std::size_t FindLineEnd(std::string_view text, std::size_t from);

// How many bytes of `text` are CR or LF; sixteen bytes at a time.
std::size_t CountLineEndBytes(std::string_view text);

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
