// The line log against a plain model of an edit control's text: the text is
// everything appended, its lines are the pieces between CR LF pairs.
#include <QtTest>

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
        for (std::size_t i = 0; i < lines.size(); ++i) QCOMPARE(std::string(log.LineView(i)), lines[i]);
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
    // Lines ending in CR LF, short and long, now and then a lone CR or LF
    // somewhere.
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

  // A log that passes its lines on hands every complete line over once, in
  // order, the lines it held first; only the open line stays.
  void passedLinesAreTheLinesItWouldHold() {
    std::mt19937 random(77);
    for (int round = 0; round < 200; ++round) {
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
        AppendToBoth(log, plain, static_cast<unsigned>(random() % 3), RandomBytes(random, 8));
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

  // Passing starts with the lines held so far, the open line included once
  // it is complete, and ends when the sink is taken away.
  void passingStartsWithTheLinesHeld() {
    TextLog log;
    log.AppendLine("kept");
    log.AppendText("open");
    std::vector<std::string> passed;
    log.PassLinesTo([&passed](std::string_view line) { passed.emplace_back(line); });
    QCOMPARE(passed, std::vector<std::string>{"kept"});
    QCOMPARE(log.Text(), std::string("open"));
    log.Reserve(1 << 20, 1 << 16);  // nothing to keep: no room taken
    QVERIFY(log.HeldBytes() < (1u << 16));
    log.AppendLine("next");
    QCOMPARE(passed, (std::vector<std::string>{"kept", "open", "next"}));
    log.PassLinesTo({});
    QVERIFY(!log.PassesLines());
    log.AppendLine("held again");
    QCOMPARE(log.Lines(), std::vector<std::string>{"held again"});
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
