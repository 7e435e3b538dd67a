// How received bytes become text, the end-marker matchers, host:port.
#include <QTest>

#include "transfer/receive_monitor.h"
#include "transfer/telnet_link.h"

using namespace zem;

class TestTransferPieces : public QObject {
  Q_OBJECT

 private slots:
  void receivedBytesBecomeLines() {
    TextLog receivedText;
    for (char c : std::string("A\tB\r\nC")) AppendReceivedChar(receivedText, c);
    QCOMPARE(receivedText.Lines(), (std::vector<std::string>{"AB", "C"}));
    TextLog lone;
    for (char c : std::string("x\ny\x7f\x80\xff\x1fz")) AppendReceivedChar(lone, c);
    QCOMPARE(lone.Lines(), std::vector<std::string>{"xyz"});
  }

  void collectedTextMatchesByteByByte() {
    std::string bytes;
    for (int i = 0; i < 3000; ++i) bytes += static_cast<char>((i * 37) % 256);
    TextLog one, many;
    for (char c : bytes) AppendReceivedChar(one, c);
    {
      ReceivedText text(many);
      for (std::size_t i = 0; i < bytes.size(); ++i) {
        text.Add(bytes[i]);
        if (i % 97 == 0) text.Flush();
      }
    }
    QCOMPARE(many.Text(), one.Text());
    QCOMPARE(many.LineCount(), one.LineCount());
  }

  void dumpEndMatcher() {
    auto feed = [](const std::string& bytes) {
      int progress = 0;
      int hits = 0;
      for (char c : bytes) hits += AdvanceDumpEndMatcher(progress, c) ? 1 : 0;
      return hits;
    };
    QCOMPARE(feed("(QX)"), 1);
    QCOMPARE(feed("x(QX)"), 1);
    // After a partial match the wrong byte is not a new start.
    QCOMPARE(feed("((QX)"), 0);
    QCOMPARE(feed("(Q(QX)"), 0);
    QCOMPARE(feed("(QX]"), 0);
    QCOMPARE(feed("(qx)"), 0);
    QCOMPARE(feed("((QX)a(QX)"), 1);
  }

  void queryMatcher() {
    auto feed = [](const std::string& bytes) {
      int progress = 0;
      for (std::size_t i = 0; i < bytes.size(); ++i)
        if (AdvanceQuerySeenMatcher(progress, bytes[i])) return static_cast<int>(i);
      return -1;
    };
    QCOMPARE(feed("[QXSB]"), 5);
    QCOMPARE(feed("[NO1\"a\"]\r[QXSB]tail"), 14);
    QCOMPARE(feed("[[QXSB]"), -1);
    QCOMPARE(feed("[[QXSB]x[QXSB]"), 13);
    QCOMPARE(feed("[QXS[QXSB]"), -1);
  }

  void hostAndPort() {
    std::string host;
    int port = 0;
    TelnetLink::SplitHost("zem.local", 23, &host, &port);
    QCOMPARE(host, std::string("zem.local"));
    QCOMPARE(port, 23);
    TelnetLink::SplitHost("127.0.0.1:2323", 23, &host, &port);
    QCOMPARE(host, std::string("127.0.0.1"));
    QCOMPARE(port, 2323);
    for (const char* odd : {"h:", "h:0", "h:70000", "h:2x", "::1"}) {
      TelnetLink::SplitHost(odd, 23, &host, &port);
      QCOMPARE(host, std::string(odd));
      QCOMPARE(port, 23);
    }
  }
};

QTEST_GUILESS_MAIN(TestTransferPieces)
#include "test_transfer_pieces.moc"
