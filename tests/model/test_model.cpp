#include <QtTest>

#include "model/config_model.h"
#include "model/text_log.h"

using namespace zem;

class TestModel : public QObject {
  Q_OBJECT

 private slots:
  void textLogCountsLinesLikeAnEditControl() {
    TextLog log;
    QCOMPARE(log.LineCount(), 0u);
    log.AppendText("AB");
    QCOMPARE(log.LineCount(), 1u);
    log.AppendText("\r");
    QCOMPARE(log.LineCount(), 1u);
    log.AppendText("\nC");  // the CR of the previous append pairs with this LF
    QCOMPARE(log.LineCount(), 2u);
    QCOMPARE(log.Line(0), std::string("AB"));
    QCOMPARE(log.Line(1), std::string("C"));
    log.AppendLine("next");  // starts a line of its own
    QCOMPARE(log.LineCount(), 3u);
    QCOMPARE(log.Line(2), std::string("next"));
    QCOMPARE(log.Text(), std::string("AB\r\nC\r\nnext\r\n"));
    log.AppendText("x\n\ry");  // LF CR is no line break
    QCOMPARE(log.LineCount(), 4u);
    QCOMPARE(log.Line(3), std::string("x\n\ry"));
    log.Clear();
    QCOMPARE(log.LineCount(), 0u);
    QCOMPARE(log.ByteCount(), 0u);
    log.AppendLine("");
    QCOMPARE(log.LineCount(), 1u);
    QCOMPARE(log.Line(0), std::string());
  }

  void textLogTellsItsListener() {
    struct Recorder : TextLog::Listener {
      std::string text;
      int clears = 0;
      void TextAppended(std::string_view t) override { text += t; }
      void Cleared() override {
        ++clears;
        text.clear();
      }
    } recorder;
    TextLog log;
    log.SetListener(&recorder);
    log.AppendText("A");
    log.AppendLine("B");
    QCOMPARE(recorder.text, log.Text());
    log.Clear();
    QCOMPARE(recorder.clears, 1);
  }

  void resetReturnsTablesToDefaultsAndKeepsNames() {
    ConfigModel m;
    TextLog receivedText, messageLog;
    ResetModel(m, receivedText, messageLog);
    m.unit.ZoneNames[3] = "Kitchen";
    m.unit.SourceNames[2] = "Tuner";
    m.unit.FavoriteNames[1] = "Morning";
    m.unit.GroupNames[4] = "Upstairs";
    m.unit.ZoneCount = 24;
    m.unit.SourceCount = 8;
    m.unit.FavoriteStore.Cell(3, 2, 100) = Route::Combined;
    m.unit.RestrictionMark(5, 5) = "R";
    m.unit.GroupMark(7, 10) = "G";
    m.screen.UnusedMarked = true;
    m.unit.ZoneAudio[150].EQUsed = 1;
    m.unit.ZoneAudio[150].DSPMode = 4;
    m.unit.ZoneAudio[150].SystemEQ = 7;
    m.unit.ZoneAudio[150].Lowpass = 120;
    m.unit.ZoneAudio[2].Band[10] = 5;
    m.unit.EQPresets[2].Name = "Jazz";
    m.unit.Options.IPAddress = "10.0.0.2";
    m.screen.CurrentZone = 9;
    receivedText.AppendLine("text");
    messageLog.AppendLine("log");

    ResetModel(m, receivedText, messageLog);

    QCOMPARE(m.unit.ZoneCount, -1);
    QCOMPARE(m.unit.SourceCount, -1);
    QVERIFY(m.unit.FavoriteStore.Cell(3, 2, 100) == Route::None);
    QCOMPARE(m.unit.RestrictionMark(5, 5), std::string());
    QCOMPARE(m.unit.GroupMark(7, 10), std::string());
    QVERIFY(!m.screen.UnusedMarked);
    QCOMPARE(m.unit.FavoriteNames[1], std::string());
    QCOMPARE(m.unit.GroupNames[4], std::string());
    // Names of zones and sources, presets and options survive a reset.
    QCOMPARE(m.unit.ZoneNames[3], std::string("Kitchen"));
    QCOMPARE(m.unit.SourceNames[2], std::string("Tuner"));
    QCOMPARE(m.unit.EQPresets[2].Name, std::string("Jazz"));
    QCOMPARE(m.unit.Options.IPAddress, std::string("10.0.0.2"));
    // Every zone's audio returns to its defaults, mode and preset included.
    ZoneAudioRec fresh;
    fresh.Lowpass = -1;
    QVERIFY(m.unit.ZoneAudio[150] == fresh);
    QVERIFY(m.unit.ZoneAudio[2] == fresh);
    QCOMPARE(m.screen.CurrentZone, 1);
    QCOMPARE(receivedText.LineCount(), 0u);
    QCOMPARE(messageLog.LineCount(), 0u);
    QCOMPARE(m.screen.LevelNames[1], std::string("75%"));
  }

  void resetWritesHeadersAndLists() {
    ConfigModel m;
    TextLog receivedText, messageLog;
    ResetModel(m, receivedText, messageLog);
    QCOMPARE(m.screen.ZoneList.Items.size(), std::size_t(192));
    QCOMPARE(m.screen.ZoneList.Items.front(), std::string(" Zone 1"));
    QCOMPARE(m.screen.ZoneList.Items.back(), std::string(" Zone 192"));
    QCOMPARE(m.screen.ZoneList.Selected, 0);
    QCOMPARE(m.screen.FavoriteList.Items.size(), std::size_t(10));
    QCOMPARE(m.screen.FavoriteList.Items[9], std::string(" Favorite 10"));
    QCOMPARE(m.screen.FavoriteLabels.Cell(16, 0), std::string("16"));
    QCOMPARE(m.screen.RestrictionLabels.Cell(1, 0), std::string("1"));
    QCOMPARE(m.screen.GroupLabels.Cell(10, 0), std::string("10"));
    QCOMPARE(m.screen.GroupLabels.Cell(0, 192), std::string("Zone 192"));
    QCOMPARE(m.screen.FavoriteLabels.Cell(0, 7), std::string("Zone 7"));
  }
};

QTEST_APPLESS_MAIN(TestModel)
#include "test_model.moc"
