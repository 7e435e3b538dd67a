// Which lines a text area shows, and a text area following its log as the log
// grows past the limit.

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <string>

#include "model/text_log.h"
#include "ui/window/text_area_feed.h"

namespace {

std::string NumberedLines(int from, int to) {
  std::string text;
  for (int i = from; i < to; ++i) text += "line " + std::to_string(i) + "\r\n";
  return text;
}

QString Block(const QPlainTextEdit& area, int number) {
  return area.document()->findBlockByNumber(number).text();
}

}  // namespace

class TestTextAreaFeed : public QObject {
  Q_OBJECT

 private slots:
  void shownLines_data() {
    QTest::addColumn<qulonglong>("lines");
    QTest::addColumn<qulonglong>("head");
    QTest::addColumn<qulonglong>("tailStart");
    QTest::addColumn<QString>("leftOut");
    QTest::newRow("empty") << 0ULL << 0ULL << 0ULL << QString();
    QTest::newRow("at the limit") << 20000ULL << 20000ULL << 20000ULL << QString();
    QTest::newRow("one past") << 20001ULL << 10000ULL << 10001ULL << "... 1 line not shown ...";
    QTest::newRow("40 configurations")
        << 280040ULL << 10000ULL << 270040ULL << "... 260040 lines not shown ...";
  }

  void shownLines() {
    QFETCH(qulonglong, lines);
    QFETCH(qulonglong, head);
    QFETCH(qulonglong, tailStart);
    QFETCH(QString, leftOut);
    const zem::ShownLines shown = zem::ShownLinesOf(lines);
    QCOMPARE(shown, (zem::ShownLines{head, tailStart}));
    if (!leftOut.isEmpty()) QCOMPARE(zem::LeftOutLinesText(shown.LeftOut()), leftOut);
  }

  // A line arrives in pieces of `piece` bytes; the line after it is short.
  void cutsLongLines_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("piece");
    QTest::addColumn<bool>("cut");
    QTest::newRow("at the limit") << zem::kShownLineChars << zem::kShownLineChars << false;
    QTest::newRow("one past") << zem::kShownLineChars + 1 << zem::kShownLineChars + 1 << true;
    QTest::newRow("a megabyte in pieces") << 1000000 << 4096 << true;
  }

  void cutsLongLines() {
    QFETCH(int, length);
    QFETCH(int, piece);
    QFETCH(bool, cut);
    zem::TextLog log;
    QPlainTextEdit area;
    new zem::TextAreaFeed(log, &area);
    const std::string line(static_cast<std::size_t>(length), '\xe9');
    for (int at = 0; at < length; at += piece) {
      log.AppendText(line.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(piece)));
      QCoreApplication::processEvents();
    }
    log.AppendText("\r\nnext\r\n");
    QTRY_COMPARE(area.toPlainText(), zem::TextAreaText(log));
    const QString shown(std::min(length, zem::kShownLineChars), QChar(0xe9));
    QCOMPARE(Block(area, 0), cut ? shown + zem::kCutLineText : shown);
    QCOMPARE(Block(area, 1), QString("next"));
  }

  void followsItsLogPastTheLimit() {
    zem::TextLog log;
    QPlainTextEdit area;
    new zem::TextAreaFeed(log, &area);

    // Under the limit, every line; the last one still open.
    log.AppendText(NumberedLines(0, 9999) + "line 9999 part");
    QTRY_COMPARE(area.toPlainText(), zem::TextAreaText(log));
    QCOMPARE(area.blockCount(), 10000);

    // Past it: the head, one line for those left out, the tail and its ending.
    log.AppendText(" end\r\n" + NumberedLines(10000, 25000));
    QTRY_COMPARE(area.toPlainText(), zem::TextAreaText(log));
    QCOMPARE(area.blockCount(), 20002);
    QCOMPARE(Block(area, 9999), QString("line 9999 part end"));
    QCOMPARE(Block(area, 10000), QString("... 5000 lines not shown ..."));
    QCOMPARE(Block(area, 10001), QString("line 15000"));
    QVERIFY(area.toPlainText().endsWith("line 24999\n"));

    // A few lines more: the tail moves on by as many.
    log.AppendLine("more");
    log.AppendText("open\r");
    QTRY_COMPARE(area.toPlainText(), zem::TextAreaText(log));
    QCOMPARE(Block(area, 10000), QString("... 5002 lines not shown ..."));
    QCOMPARE(Block(area, 10001), QString("line 15002"));
    QVERIFY(area.toPlainText().endsWith("line 24999\nmore\nopen"));

    // More than a tail at once.
    log.AppendText("\n" + NumberedLines(25000, 40000));
    QTRY_COMPARE(area.toPlainText(), zem::TextAreaText(log));
    QCOMPARE(Block(area, 10000), QString("... 20002 lines not shown ..."));
    QCOMPARE(Block(area, 10001), QString("line 30000"));
    QVERIFY(area.toPlainText().endsWith("line 39999\n"));
    QCOMPARE(area.blockCount(), 20002);
    // An area made over the log shows the same at once.
    QPlainTextEdit late;
    new zem::TextAreaFeed(log, &late);
    QCOMPARE(late.toPlainText(), area.toPlainText());

    log.Clear();
    QCOMPARE(late.toPlainText(), QString());
  }
};

QTEST_MAIN(TestTextAreaFeed)
#include "test_text_area_feed.moc"
