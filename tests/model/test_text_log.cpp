// The line log against a plain model of an edit control's text: the text is
// everything appended, its lines are the pieces between CR LF pairs.
#include <QtTest>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "model/text_log.h"

using namespace zem;

namespace {

// The plain model: the whole text, cut at every CR LF when asked.
struct PlainText {
  std::string text;

  std::vector<std::string> Pieces() const {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
      pieces.push_back(text.substr(start, at - start));
    pieces.push_back(text.substr(start));
    return pieces;
  }
  std::vector<std::string> Lines() const {
    std::vector<std::string> pieces = Pieces();
    if (pieces.back().empty()) pieces.pop_back();
    return pieces;
  }
  void AppendLine(const std::string& line) {
    if (!Pieces().back().empty()) text += "\r\n";
    text += line + "\r\n";
  }
  // Every CR LF, lone CR and lone LF ends a line.
  void AppendLines(const std::string& bytes) {
    std::string line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] == '\r' || bytes[i] == '\n') {
        AppendLine(line);
        line.clear();
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      } else {
        line += bytes[i];
      }
    }
    if (!line.empty()) AppendLine(line);
  }
};

std::string RandomBytes(std::mt19937& random, std::size_t maxLength) {
  static const char kBytes[] = {'a', 'b', '\r', '\n', '\t', '\x80', '\xff', '[', '\0'};
  std::string bytes(random() % (maxLength + 1), 'a');
  for (char& c : bytes) c = kBytes[random() % sizeof kBytes];
  return bytes;
}

// Appends `bytes` to both as text (kind 0), a line (1) or lines (2).
void AppendToBoth(TextLog& log, PlainText& plain, unsigned kind, const std::string& bytes) {
  if (kind == 0) {
    log.AppendText(bytes);
    plain.text += bytes;
  } else if (kind == 1) {
    log.AppendLine(bytes);
    plain.AppendLine(bytes);
  } else {
    log.AppendLines(bytes);
    plain.AppendLines(bytes);
  }
}

struct Recorder : TextLog::Listener {
  std::string text;
  void TextAppended(std::string_view t) override { text += t; }
  void Cleared() override { text.clear(); }
};

// A derived line: the line it comes from between two texts, then its note.
class Around final : public TextLog::LineFormat {
 public:
  Around(std::string before, std::string after) : before_(std::move(before)), after_(std::move(after)) {}
  void AppendTo(std::string_view source, std::uint32_t note, std::string& out) const override {
    out.append(before_).append(source).append(after_).append(std::to_string(note));
  }
  std::string Of(std::string_view source, std::uint32_t note = 0) const {
    return before_ + std::string(source) + after_ + std::to_string(note);
  }
  std::size_t Length(std::string_view source, std::uint32_t note = 0) const {
    return Of(source, note).size();
  }

 private:
  std::string before_, after_;
};

}  // namespace

class TestTextLog : public QObject {
  Q_OBJECT

 private slots:
  void agreesWithThePlainText() {
    std::mt19937 random(14);
    for (int round = 0; round < 200; ++round) {
      TextLog log;
      Recorder recorder;
      log.SetListener(&recorder);
      PlainText plain;
      for (int step = 0; step < 60; ++step) {
        const std::string bytes = RandomBytes(random, step % 10 == 0 ? 200 : 6);
        if (const auto kind = static_cast<unsigned>(random() % 4); kind < 3) {
          AppendToBoth(log, plain, kind, bytes);
        } else {  // single bytes, as a serial link delivers them
          for (char c : bytes.substr(0, 3)) log.AppendText(std::string_view(&c, 1));
          plain.text += bytes.substr(0, 3);
        }
        const std::vector<std::string> lines = plain.Lines();
        QCOMPARE(log.LineCount(), lines.size());
        for (std::size_t i = 0; i < lines.size(); ++i) {
          const auto line = log.Line(i);
          QCOMPARE(std::string(line), lines[i]);
        }
      }
      QCOMPARE(log.Text(), plain.text);
      QCOMPARE(log.ByteCount(), plain.text.size());
      QCOMPARE(log.Lines(), plain.Lines());
      QCOMPARE(recorder.text, plain.text);
    }
  }

  void assignedLinesKeepOrCopyTheBuffer() {
    std::mt19937 random(7);
    const std::vector<std::string> samples = {"",       "\r\n",     "a\r\nb\r\n",
                                              "a\r\nb", "a\rb\r\n", "a\nb\r\n",
                                              "\r\r\n", "a\r\n\n",  std::string("x\0y\r\n", 5)};
    std::vector<std::string> all = samples;
    for (int i = 0; i < 300; ++i) all.push_back(RandomBytes(random, 40));
    // Lines ending in CR LF, some far longer than a block of the search,
    // now and then a lone CR or LF somewhere, a CR LF astride two blocks.
    for (int i = 0; i < 300; ++i) {
      std::string text;
      for (int line = static_cast<int>(random() % 6); line > 0; --line) {
        const std::size_t length = random() % 3 == 0 ? random() % 400 : random() % 20;
        for (std::size_t k = 0; k < length; ++k) text += static_cast<char>('a' + random() % 3);
        text += "\r\n";
      }
      if (!text.empty() && random() % 3 == 0)
        text.insert(random() % text.size(), 1, random() % 2 ? '\r' : '\n');
      all.push_back(text);
    }
    for (int shift = 0; shift < 4; ++shift) all.push_back(std::string(62 + shift, 'b') + "\r\nc\r\n");
    for (const std::string& bytes : all) {
      TextLog log;
      log.AppendText("old\r\nopen");
      std::string taken = bytes;
      log.AssignLines(std::move(taken));
      PlainText plain;
      plain.AppendLines(bytes);
      QCOMPARE(log.Text(), plain.text);
      QCOMPARE(log.Lines(), plain.Lines());
      // Appending goes on after the taken text as after any other.
      log.AppendText("z\r");
      log.AppendText("\ny");
      plain.text += "z\r\ny";
      QCOMPARE(log.Lines(), plain.Lines());
    }
  }

  void findsLineEndsInLongRuns() {
    std::mt19937 random(3);
    for (int i = 0; i < 500; ++i) {
      std::string text(random() % (i % 4 == 0 ? 400 : 70), 'x');
      for (char& c : text) {
        if (random() % 9 == 0) c = static_cast<char>(random() % 256);
        if (random() % (i % 4 == 0 ? 300 : 40) == 0) c = random() % 2 ? '\r' : '\n';
      }
      const std::size_t from = text.empty() ? 0 : random() % (text.size() + 1);
      std::size_t expected = from;
      while (expected < text.size() && text[expected] != '\r' && text[expected] != '\n') ++expected;
      if (expected == text.size()) expected = std::string::npos;
      QCOMPARE(FindLineEnd(text, from), expected);
      QCOMPARE(CountLineEndBytes(text), static_cast<std::size_t>(std::count(text.begin(), text.end(), '\r') +
                                                                 std::count(text.begin(), text.end(), '\n')));
    }
  }

  // Counted in byte-wide counters: a long text of nothing but line ends
  // must not wrap them.
  void countsManyLineEnds() {
    std::string text(255 * 16 * 3 + 21, '\n');
    for (std::size_t i = 0; i < text.size(); i += 3) text[i] = '\r';
    text[100] = 'x';
    QCOMPARE(CountLineEndBytes(text), text.size() - 1);
    QCOMPARE(CountLineEndBytes(std::string_view(text).substr(7)), text.size() - 8);
  }

  // A log that passes its lines on hands every complete line over once, in
  // order, the lines it held first; only the open line stays. Derived lines
  // arrive as their text.
  void passedLinesAreTheLinesItWouldHold() {
    const Around quoted("<", ">");
    std::mt19937 random(77);
    for (int round = 0; round < 200; ++round) {
      TextLog source;
      source.AppendText("one\r\ntwo\r\n");
      TextLog log;
      Recorder recorder;
      log.SetListener(&recorder);
      PlainText plain;
      std::vector<std::string> passed;
      const int passFrom = static_cast<int>(random() % 20);
      for (int step = 0; step < 40; ++step) {
        if (step == passFrom) {
          log.PassLinesTo([&passed](std::string_view line) { passed.emplace_back(line); });
          QVERIFY(log.PassesLines());
        }
        const std::string bytes = RandomBytes(random, 8);
        if (const auto kind = static_cast<unsigned>(random() % 4); kind < 3) {
          AppendToBoth(log, plain, kind, bytes);
        } else {
          const std::size_t index = random() % 2;
          const std::string line = source.Line(index);
          log.AppendDerivedLine(source, index, quoted, quoted.Length(line, 3), 3);
          plain.AppendLine(quoted.Of(line, 3));
        }
        if (step >= passFrom) {
          // Nothing but the open line is held.
          QVERIFY(log.LineCount() <= 1);
          const std::vector<std::string> pieces = plain.Pieces();
          QCOMPARE(log.ByteCount(), pieces.back().size());
        }
      }
      std::vector<std::string> all = passed;
      for (const std::string& line : log.Lines()) all.push_back(line);
      QCOMPARE(all, plain.Lines());
      // The listener saw only what was appended before the lines were passed.
      QVERIFY(plain.text.compare(0, recorder.text.size(), recorder.text) == 0);
    }
  }

  // Entries stay 4 bytes while they fit, and keep their values when the
  // first one that does not fit widens the list.
  void compactEntriesWidenWhenNeeded() {
    CompactEntries entries;
    entries.reserve(100);
    for (std::uint64_t i = 0; i < 50; ++i) entries.push_back(i * 1000);
    QCOMPARE(entries.HeldBytes(), std::size_t{100} * 4);
    entries.push_back(std::uint64_t{1} << 63 | 7);
    entries.push_back(3);
    QCOMPARE(entries.size(), std::size_t{52});
    QVERIFY(entries.capacity() >= 100);  // the room made stays
    for (std::uint64_t i = 0; i < 50; ++i) QCOMPARE(entries[i], i * 1000);
    QCOMPARE(entries[50], std::uint64_t{1} << 63 | 7);
    QCOMPARE(entries[51], std::uint64_t{3});
    entries.clear();
    entries.push_back(UINT32_MAX);
    QCOMPARE(entries[0], std::uint64_t{UINT32_MAX});
    QVERIFY(entries.HeldBytes() >= 100 * 8);  // cleared, its memory kept
    entries.Release();
    QCOMPARE(entries.size(), std::size_t{0});
    QCOMPARE(entries.HeldBytes(), std::size_t{0});
  }

  // Whether a line may hold a LF: only text appended as it arrives leaves
  // one inside a line; the lines of a file never hold one.
  void knowsWhetherLinesHoldLineFeeds() {
    TextLog log;
    log.AssignLines("a\nb\r\nc\rd");
    QCOMPARE(log.Lines(), (std::vector<std::string>{"a", "b", "c", "d"}));
    QVERIFY(!log.LinesMayHoldLineFeeds());
    log.AppendLines("e\nf");
    log.AppendText("g\r\nh\r");
    log.AppendText("\ni\r\n");  // a CR LF split between two appends
    QVERIFY(!log.LinesMayHoldLineFeeds());
    log.AppendText("j\nk\r\n");
    QVERIFY(log.LinesMayHoldLineFeeds());
    log.Clear();
    QVERIFY(!log.LinesMayHoldLineFeeds());
    log.AppendText("\nstarts with a LF");
    QVERIFY(log.LinesMayHoldLineFeeds());
    // A line made from such a log may hold its LF too.
    const Around quoted("<", ">");
    TextLog derived;
    derived.AppendDerivedLine(log, 0, quoted, quoted.Length(log.Line(0)));
    QVERIFY(derived.LinesMayHoldLineFeeds());
  }

  // A source that goes while a passing log held a reference to its line
  // leaves the log consistent: the line was passed on as text.
  void passingStartsAfterDerivedLines() {
    const Around quoted("[", "]");
    TextLog log;
    {
      TextLog source;
      source.AppendLine("kept");
      log.AppendDerivedLine(source, 0, quoted, quoted.Length("kept", 1), 1);
      log.AppendText("open");
      std::vector<std::string> passed;
      log.PassLinesTo([&passed](std::string_view line) { passed.emplace_back(line); });
      QCOMPARE(passed, std::vector<std::string>{"[kept]1"});
      log.Reserve(1 << 20, 1 << 16);  // nothing to keep: no room taken
      QVERIFY(log.HeldBytes() < (1u << 16));
      log.AppendLine("next");
      QCOMPARE(passed, (std::vector<std::string>{"[kept]1", "open", "next"}));
      log.PassLinesTo({});
      QVERIFY(!log.PassesLines());
    }
    log.AppendLine("held again");
    QCOMPARE(log.Lines(), std::vector<std::string>{"held again"});
  }

  void derivedLinesReadAsTheirText() {
    const Around quoted("<", ">"), named("name: ", "");
    std::mt19937 random(5);
    for (int round = 0; round < 100; ++round) {
      auto source = std::make_unique<TextLog>();
      source->AppendText("first\r\nsecond\r\n\r\nx\ry\r\nopen");
      auto other = std::make_unique<TextLog>();
      other->AppendLine("elsewhere");
      TextLog derived;
      Recorder recorder;
      derived.SetListener(&recorder);
      PlainText plain;
      for (int step = 0; step < 30; ++step) {
        const std::size_t pick = random() % 8;
        if (pick < 5) {
          // Lines 0-3 are kept as references; the open line 4, a line of
          // another source and a line of the log itself as text.
          const TextLog& from = pick == 4 ? *other : *source;
          const std::size_t index = pick == 4 ? 0 : random() % from.LineCount();
          const Around& format = random() % 2 ? quoted : named;
          const std::string line = from.Line(index);
          // Notes at both ends of what an entry holds, and past it (the
          // line is then made at once).
          static constexpr std::uint32_t kNotes[] = {0, 1, TextLog::kMaxNote, TextLog::kMaxNote + 1,
                                                     0xFFFFFFFFu};
          const std::uint32_t note = kNotes[random() % std::size(kNotes)];
          derived.AppendDerivedLine(from, index, format, format.Length(line, note), note);
          plain.AppendLine(format.Of(line, note));
        } else if (pick == 5 && derived.LineCount() > 0) {
          const std::size_t index = random() % derived.LineCount();
          const std::string line = derived.Line(index);
          derived.AppendDerivedLine(derived, index, quoted, quoted.Length(line));
          plain.AppendLine(quoted.Of(line));
        } else {
          const std::string bytes = RandomBytes(random, 5);
          derived.AppendText(bytes);
          plain.text += bytes;
        }
      }
      QCOMPARE(derived.Lines(), plain.Lines());
      QCOMPARE(derived.Text(), plain.text);
      QCOMPARE(derived.ByteCount(), plain.text.size());
      std::string buffer;
      for (std::size_t i = 0; i < derived.LineCount(); ++i)
        QCOMPARE(derived.LineView(i, buffer), derived.Line(i));
      QCOMPARE(recorder.text, plain.text);
      // The lines referred to go; the text stays.
      switch (round % 3) {
        case 0:
          source->Clear();
          break;
        case 1:
          source.reset();
          break;
        default:
          source->AssignLines("new\r\n");
      }
      other.reset();
      QCOMPARE(derived.Text(), plain.text);
      QCOMPARE(derived.Lines(), plain.Lines());
      derived.AppendLine("end");
      plain.AppendLine("end");
      QCOMPARE(derived.Text(), plain.text);
      // Cleared, it starts again from nothing.
      derived.SetListener(nullptr);
      derived.Clear();
      TextLog again;
      again.AppendLine("again");
      derived.AppendDerivedLine(again, 0, named, named.Length("again"));
      QCOMPARE(derived.Text(), named.Of("again") + "\r\n");
      QCOMPARE(derived.ByteCount(), derived.Text().size());
    }
    // A log that goes first leaves its source as it was.
    TextLog source;
    source.AppendLine("kept");
    {
      TextLog derived;
      derived.AppendDerivedLine(source, 0, quoted, quoted.Length("kept"));
    }
    source.Clear();
    QCOMPARE(source.LineCount(), 0u);
  }

  void oneLongLine() {
    // A line of 3 MiB arriving in pieces stays one line, read whole.
    TextLog log;
    const std::string piece(4096, '\xe9');
    for (int i = 0; i < 768; ++i) log.AppendText(piece);
    QCOMPARE(log.LineCount(), 1u);
    QCOMPARE(log.Line(0).size(), std::size_t{3} << 20);
    log.AppendText("\r\n");
    log.AppendLine("next");
    QCOMPARE(log.LineCount(), 2u);
    QVERIFY(log.Line(1) == "next");
  }
};

QTEST_APPLESS_MAIN(TestTextLog)
#include "test_text_log.moc"
