// The edits of many items at once, without a window: each is one step that
// holds only what it changed, undone and redone whole; Copy Audio in every
// DSP mode and of each part; range toggles and favorites fills over restricted and "X" cells.
#include <QtTest>

#include <functional>
#include <tuple>

#include "editor/bulk_edits.h"
#include "support/grid_fixture.h"
#include "support/route_letters.h"

using namespace zem;

namespace {

std::vector<int> Zones(int first, int last) {
  std::vector<int> zones;
  for (int z = first; z <= last; ++z) zones.push_back(z);
  return zones;
}

std::vector<std::string> RoomNames(int count) {
  std::vector<std::string> names;
  for (int i = 1; i <= count; ++i) names.push_back("Suite " + std::to_string(i));
  return names;
}

struct BulkCase {
  const char* name;
  std::function<void(Editor&)> edit;
  std::size_t entries;  // what the step holds
};

const std::vector<BulkCase>& Cases() {
  // clang-format off
  static const std::vector<BulkCase> cases = {
    {"Paste 40 Zone Names", [](Editor& e) { PasteNames(e, NameTable::Zones, 3, RoomNames(40)); }, 40},
    {"Paste Zone Name", [](Editor& e) { PasteNames(e, NameTable::Zones, 7, {"Den"}); }, 1},
    // A pasted name the row already holds is no change.
    {"Paste 3 Source Names", [](Editor& e) { PasteNames(e, NameTable::Sources, 1, {"Input 1", "B", "C"}); }, 2},
    {"Clear 12 Zone Names", [](Editor& e) { ClearNames(e, NameTable::Zones, Zones(20, 31)); }, 12},
    {"Clear 2 Group Names", [](Editor& e) { ClearNames(e, NameTable::Groups, {1, 2}); }, 2},
    {"Import 42 Names", [](Editor& e) {
       std::vector<NameEntry> entries;
       for (int z = 1; z <= 42; ++z) entries.push_back({NameTable::Zones, z, "Guest " + std::to_string(z)});
       entries.push_back({NameTable::Sources, 2, "Input 2"});  // unchanged
       QCOMPARE(ImportNames(e, entries), 42);
     }, 42},
    {"Copy Audio of Zone 5 to 24 Zones", [](Editor& e) { CopyZoneAudio(e, 5, Zones(6, 29)); }, 24},
    // Zones 7, 14 and 28 have no DSP mode; 8 zones have no audio settings.
    {"Copy EQ of Zone 5 to 24 Zones", [](Editor& e) {
       QCOMPARE(CopyZoneAudio(e, 5, Zones(6, 29), kCopyEQ).wholeRecord, 8);
       const ZoneAudioRec& z7 = e.model.unit.ZoneAudio[7];
       QCOMPARE(std::tuple(int(z7.DSPMode), z7.Lowpass, int(z7.Volume)), std::tuple(0, 45, -7));
     }, 24},
    {"Copy Volume and Balance of Zone 5 to 24 Zones", [](Editor& e) {
       QCOMPARE(CopyZoneAudio(e, 5, Zones(6, 29), kCopyVolume | kCopyBalance).wholeRecord, 11);
       const ZoneAudioRec& z8 = e.model.unit.ZoneAudio[8];
       QCOMPARE(std::tuple(int(z8.DSPMode), z8.Lowpass, int(z8.Volume)), std::tuple(3, 48, -5));
     }, 24},
    // Every balance is 0: only the zones that take the whole record change.
    {"Copy Balance of Zone 5 to 24 Zones", [](Editor& e) {
       QCOMPARE(CopyAudioStatus(5, kCopyBalance, CopyZoneAudio(e, 5, Zones(6, 29), kCopyBalance)),
                std::string(" Balance of zone 5 copied to 24 zones; 11 zones without audio settings or "
                            "DSP mode took the whole record"));
     }, 11},
    {"Groups of 30 Zones", [](Editor& e) {
       ToggleMarkRange(e, MarkGrid::Groups, {1, 1}, {3, 30}, {1, 1});
     }, 0},
    {"Restrictions of 192 Zones", [](Editor& e) {
       ToggleMarkRange(e, MarkGrid::Restrictions, {16, 192}, {1, 1}, {16, 192});
     }, 0},
    {"Route 30 Zones in Favorite 1", [](Editor& e) { ConnectFavoriteRange(e, 2, 1, 30, Route::Combined); }, 0},
    {"Copy Favorite 1 to Favorite 5", [](Editor& e) { CopyFavorite(e, 1, 5); }, 0},
  };
  // clang-format on
  return cases;
}

std::size_t Entries(const UnitDiff& d) {
  return d.names.size() + d.marks.size() + d.favorites.size() + d.zoneAudio.size() + d.presets.size() +
         d.options.size();
}

}  // namespace

class TestBulkEdits : public QObject {
  Q_OBJECT

  Editor editor_;

 private slots:
  void init() {
    test::ImportFullUnit(editor_);
    for (int g = 1; g <= kGroups; ++g) editor_.model.unit.GroupNames[g] = "Floor " + std::to_string(g);
    editor_.history.Clear();
    // Zones of every kind of audio record, each within the controls' ranges
    // (showing a zone after an undo would bring it there).
    for (int z = 1; z <= kZones; ++z) {
      ZoneAudioRec& r = editor_.model.unit.ZoneAudio[z];
      r.EQUsed = z % 3 == 0 ? 0 : 1;
      r.DSPMode = static_cast<std::int8_t>(z % 7 == 0 ? -1 : z % 5);
      r.Volume = static_cast<std::int8_t>(-(z % 80));
      r.Lowpass = 40 + z;
    }
  }

  void eachIsOneStep_data() {
    QTest::addColumn<int>("which");
    for (std::size_t i = 0; i < Cases().size(); ++i) QTest::newRow(Cases()[i].name) << static_cast<int>(i);
  }
  void eachIsOneStep() {
    QFETCH(int, which);
    const BulkCase& c = Cases()[static_cast<std::size_t>(which)];
    const UnitConfiguration before = editor_.model.unit;
    const std::uint64_t revision = editor_.revision.Current();
    c.edit(editor_);
    const UnitConfiguration after = editor_.model.unit;
    QVERIFY(before != after);
    QVERIFY(editor_.revision.Current() != revision);
    QCOMPARE(editor_.history.Size(), std::size_t{1});
    QCOMPARE(StepName(*editor_.history.UndoStep()), std::string(c.name));
    // Only what changed, entry by entry.
    const UnitDiff held = DiffUnits(before, after);
    if (c.entries) QCOMPARE(Entries(held), c.entries);
    QVERIFY(editor_.Undo());
    QVERIFY(editor_.model.unit == before);
    QVERIFY(editor_.Redo());
    QVERIFY(editor_.model.unit == after);
  }

  void copyAudio_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("used");  // whether the copied zone has audio settings
    for (const DspMode mode : kDspModes)
      for (const int used : {1, 0})
        QTest::addRow("%s, EQUsed %d", DspModeName(mode).data(), used) << int(mode) << used;
  }
  void copyAudio() {
    QFETCH(int, mode);
    QFETCH(int, used);
    ZoneAudioRec& from = editor_.model.unit.ZoneAudio[5];
    from = ZoneAudioRec{};
    from.EQUsed = static_cast<std::uint8_t>(used);
    from.DSPMode = static_cast<std::int8_t>(mode);
    for (int b = 1; b <= kBands; ++b) from.Band[b] = static_cast<std::int8_t>(b - 5);
    from.Bass = -3, from.Treble = 4, from.Volume = -33, from.Balance = 12, from.SystemEQ = 6,
    from.Lowpass = 120;
    const ZoneAudioRec copied = from;
    // Zone 9 has no audio settings; zone 300 and the zone itself are not zones to copy to.
    editor_.model.unit.ZoneAudio[9] = ZoneAudioRec{};
    const ZoneAudioRec untouched = editor_.model.unit.ZoneAudio[40];
    CopyZoneAudio(editor_, 5, {9, 12, 191, 5, 300});
    for (const int z : {5, 9, 12, 191})
      QVERIFY2(editor_.model.unit.ZoneAudio[z] == copied, qPrintable(QString::number(z)));
    QVERIFY(editor_.model.unit.ZoneAudio[40] == untouched);
    QCOMPARE(StepName(*editor_.history.UndoStep()), std::string("Copy Audio of Zone 5 to 3 Zones"));
  }

  void rangeToggle_data() {
    QTest::addColumn<bool>("groups");
    QTest::addColumn<std::string>("anchorMark");
    QTest::addColumn<std::string>("result");
    QTest::newRow("groups: empty anchor sets") << true << std::string() << std::string("G");
    QTest::newRow("groups: member anchor clears") << true << std::string("G") << std::string();
    QTest::newRow("restrictions: empty anchor sets") << false << std::string() << std::string("R");
    QTest::newRow("restrictions: restricted anchor clears") << false << std::string("R") << std::string();
  }
  void rangeToggle() {
    QFETCH(bool, groups);
    QFETCH(std::string, anchorMark);
    QFETCH(std::string, result);
    // 3 sources (or groups) by 4 zones on a unit of 3 sources and 10 zones:
    // the rows past zone 10 and the columns past 3 are "X".
    test::ImportUnit(editor_, 3, 10);
    UnitConfiguration& unit = editor_.model.unit;
    TextGrid& marks = groups ? unit.GroupMarks : unit.RestrictionMarks;
    marks.Cell(2, 9) = anchorMark;
    marks.Cell(1, 10) = result.empty() ? (groups ? "G" : "R") : "";
    const MarkGrid grid = groups ? MarkGrid::Groups : MarkGrid::Restrictions;
    ToggleMarkRange(editor_, grid, {1, 9}, groups ? GridCellPos{3, 12} : GridCellPos{4, 12}, {2, 9});
    for (int row = 9; row <= 10; ++row)
      for (int column = 1; column <= 3; ++column) QCOMPARE(marks.Cell(column, row), result);
    QCOMPARE(marks.Cell(1, 11), std::string("X"));
    if (!groups) {
      QCOMPARE(marks.Cell(4, 9), std::string("X"));
      // The restriction reaches the favorites, as for one cell.
      QCOMPARE(unit.FavoriteStore.Cell(4, 2, 9) == Route::Restricted, result == "R");
      QCOMPARE(editor_.model.screen.RestrictionLabels.Cell(0, 0), std::string("Input 2"));
    }
  }

  void favoritesFill_data() {
    QTest::addColumn<std::string>("letter");
    QTest::addColumn<std::string>("keptVideo");  // what zone 2's video feed on source 3 becomes
    QTest::newRow("combined") << std::string("C") << std::string();
    QTest::newRow("audio only keeps the video") << std::string("A") << std::string("V");
    QTest::newRow("video only") << std::string("V") << std::string();
    QTest::newRow("no connection") << std::string() << std::string("V");
  }
  void favoritesFill() {
    QFETCH(std::string, letter);
    QFETCH(std::string, keptVideo);
    test::ImportUnit(editor_, 3, 4, [](ConfigModel& m) {
      m.unit.RestrictionMark(3, 1) = "R";
      m.unit.FavoriteStore.Cell(1, 3, 2) = Route::Video;
    });
    const FavoritesLogic& grid = editor_.favorites;
    QCOMPARE(test::ShownText(grid, 1, 3), std::string("R"));
    ConnectFavoriteRange(editor_, 1, 6, 1, test::RouteOf(letter));
    for (const int zone : {1, 2, 4}) QCOMPARE(test::ShownText(grid, 1, zone), letter);
    QCOMPARE(test::ShownText(grid, 1, 3), std::string("R"));
    QCOMPARE(test::ShownText(grid, 1, 5), std::string("X"));
    QCOMPARE(test::ShownText(grid, 3, 2), keptVideo);
    QCOMPARE(test::LetterOf(editor_.model.unit.FavoriteStore.Cell(1, 1, 4)), letter);
  }

  void copyFavoriteKeepsNameAndRestrictions() {
    test::ImportUnit(editor_, 3, 4, [](ConfigModel& m) {
      m.unit.FavoriteStore.Cell(1, 2, 2) = Route::Combined;
      m.unit.FavoriteStore.Cell(1, 1, 3) = Route::Audio;
      m.unit.FavoriteStore.Cell(5, 3, 4) = Route::Combined;
    });
    editor_.model.unit.RestrictionMark(3, 1) = "R";  // not yet in the favorites
    CopyFavorite(editor_, 1, 5);
    const FavoriteStoreTable& store = editor_.model.unit.FavoriteStore;
    QVERIFY(store.Cell(5, 2, 2) == Route::Combined);
    QVERIFY(store.Cell(5, 1, 3) == Route::Restricted);
    QVERIFY(store.Cell(5, 3, 4) == Route::None);
    QCOMPARE(editor_.model.unit.FavoriteNames[5], std::string("Fav 5"));
  }
};

QTEST_APPLESS_MAIN(TestBulkEdits)
#include "test_bulk_edits.moc"
