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

  void favoriteCellKeepsTheFirstCharacter() {
    FavoriteCell cell;
    QVERIFY(cell.Empty());
    cell.Set("AV");
    QCOMPARE(cell.Text(), std::string("A"));
    QVERIFY(cell.Is('A'));
    cell.Set("");
    QVERIFY(cell.Empty());
    QCOMPARE(cell.Text(), std::string());
  }

  void resetReturnsTablesToDefaultsAndKeepsNames() {
    ConfigModel m;
    TextLog receivedText, messageLog;
    ResetModel(m, receivedText, messageLog);
    m.ZoneNames[3] = "Kitchen";
    m.SourceNames[2] = "Tuner";
    m.FavoriteNames[1] = "Morning";
    m.GroupNames[4] = "Upstairs";
    m.ZoneCount = 24;
    m.SourceCount = 8;
    m.FavoriteStore.Cell(3, 2, 100).Set("C");
    m.RestrictionMark(5, 5) = "R";
    m.GroupMark(7, 10) = "G";
    m.FavoritesGrid.Cell(4, 4) = "X";
    m.ZoneAudio[150].EQUsed = 1;
    m.ZoneAudio[150].DSPMode = 4;
    m.ZoneAudio[150].SystemEQ = 7;
    m.ZoneAudio[150].Lowpass = 120;
    m.ZoneAudio[2].Band[10] = 5;
    m.EQPresets[2].Name = "Jazz";
    m.Options.IPAddress = "10.0.0.2";
    m.CurrentZone = 9;
    m.MarkedCell = {3, 3};
    m.MarkedText = "A";
    receivedText.AppendLine("text");
    messageLog.AppendLine("log");

    ResetModel(m, receivedText, messageLog);

    QCOMPARE(m.ZoneCount, -1);
    QCOMPARE(m.SourceCount, -1);
    QVERIFY(m.FavoriteStore.Cell(3, 2, 100).Empty());
    QCOMPARE(m.RestrictionMark(5, 5), std::string());
    QCOMPARE(m.GroupMark(7, 10), std::string());
    QCOMPARE(m.FavoritesGrid.Cell(4, 4), std::string());
    QCOMPARE(m.FavoriteNames[1], std::string());
    QCOMPARE(m.GroupNames[4], std::string());
    // Names of zones and sources, presets and options survive a reset.
    QCOMPARE(m.ZoneNames[3], std::string("Kitchen"));
    QCOMPARE(m.SourceNames[2], std::string("Tuner"));
    QCOMPARE(m.EQPresets[2].Name, std::string("Jazz"));
    QCOMPARE(m.Options.IPAddress, std::string("10.0.0.2"));
    // Every zone's audio returns to its defaults, mode and preset included.
    ZoneAudioRec fresh;
    fresh.Lowpass = -1;
    QVERIFY(m.ZoneAudio[150] == fresh);
    QVERIFY(m.ZoneAudio[2] == fresh);
    QCOMPARE(m.CurrentZone, 1);
    QCOMPARE(m.MarkedCell, GridCellPos{});
    QCOMPARE(m.MarkedText, std::string());
    QCOMPARE(receivedText.LineCount(), 0u);
    QCOMPARE(messageLog.LineCount(), 0u);
    QCOMPARE(m.LevelNames[1], std::string("75%"));
  }

  void resetWritesHeadersAndLists() {
    ConfigModel m;
    TextLog receivedText, messageLog;
    ResetModel(m, receivedText, messageLog);
    QCOMPARE(m.ZoneList.Items.size(), std::size_t(192));
    QCOMPARE(m.ZoneList.Items.front(), std::string(" Zone 1"));
    QCOMPARE(m.ZoneList.Items.back(), std::string(" Zone 192"));
    QCOMPARE(m.ZoneList.Selected, 0);
    QCOMPARE(m.FavoriteList.Items.size(), std::size_t(10));
    QCOMPARE(m.FavoriteList.Items[9], std::string(" Favorite 10"));
    QCOMPARE(m.FavoritesGrid.Cell(16, 0), std::string("16"));
    QCOMPARE(m.RestrictionGrid.Cell(1, 0), std::string("1"));
    QCOMPARE(m.GroupGrid.Cell(10, 0), std::string("10"));
    QCOMPARE(m.GroupGrid.Cell(0, 192), std::string("Zone 192"));
    QCOMPARE(m.FavoritesGrid.Cell(0, 7), std::string("Zone 7"));
  }
};

QTEST_APPLESS_MAIN(TestModel)
#include "test_model.moc"
