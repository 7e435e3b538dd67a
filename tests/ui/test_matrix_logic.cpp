#include <QtTest>

#include <algorithm>

#include "command/command_writer.h"
#include "ui/editor/editor.h"
#include "ui/grid_fixture.h"

using namespace zem;

namespace {

int CountCells(const TextGrid& grid, const std::string& text) {
  int n = 0;
  for (int c = 1; c < grid.Columns(); ++c)
    for (int r = 1; r < grid.Rows(); ++r) n += grid.Cell(c, r) == text ? 1 : 0;
  return n;
}

int CountLinesStarting(const std::vector<std::string>& lines, const std::string& prefix) {
  return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                        [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

// Favorite routing lines: "[F" + favorite number + "AO" ...
int CountFavoriteLines(const std::vector<std::string>& lines) {
  return static_cast<int>(std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
    return l.size() > 2 && l.rfind("[F", 0) == 0 && l[2] >= '0' && l[2] <= '9';
  }));
}

}  // namespace

class TestMatrixLogic : public QObject {
  Q_OBJECT

 private slots:
  void groupCellsToggleAndAZoneJoinsManyGroups() {
    Editor editor;
    testing::ImportUnit(editor, 8, 24);
    ConfigModel& m = editor.model;
    MatrixLogic& logic = editor.matrix;
    for (int g : {1, 3, 10}) logic.StringGrid7DblClick(g, 5);
    QCOMPARE(m.GroupMark(5, 1), std::string("G"));
    QCOMPARE(m.GroupMark(5, 3), std::string("G"));
    QCOMPARE(m.GroupMark(5, 10), std::string("G"));
    QCOMPARE(CountCells(m.GroupGrid, "G"), 3);
    logic.StringGrid7DblClick(3, 5);
    QCOMPARE(m.GroupMark(5, 3), std::string());

    // Rows above the zone count, fixed cells and positions off the grid.
    const TextGrid before = m.GroupGrid;
    for (const GridCellPos cell : {GridCellPos{2, 25}, GridCellPos{2, 192}, GridCellPos{0, 4},
                                   GridCellPos{4, 0}, GridCellPos{11, 4}, GridCellPos{-1, -1}})
      logic.StringGrid7DblClick(cell.Column, cell.Row);
    QCOMPARE(m.GroupGrid, before);
    QCOMPARE(m.GroupMark(25, 2), std::string("X"));

    const std::vector<std::string> lines = BuildCommandSequence(m);
    QCOMPARE(CountLinesStarting(lines, "[G1AO5]"), 1);
    QCOMPARE(CountLinesStarting(lines, "[G10AO5]"), 1);
    QCOMPARE(CountLinesStarting(lines, "[G3AO"), 0);
  }

  void restrictionDoubleClickNamesTheSourceAndToggles() {
    Editor editor;
    testing::ImportUnit(editor, 8, 24);
    ConfigModel& m = editor.model;
    MatrixLogic& logic = editor.matrix;
    m.SourceNames[5] = "Tuner \xE9";
    logic.StringGrid4DblClick(5, 7);
    QCOMPARE(m.RestrictionGrid.Cell(0, 0), std::string("Tuner \xE9"));
    QCOMPARE(m.RestrictionMark(7, 5), std::string("R"));
    logic.StringGrid4DblClick(5, 7);
    QCOMPARE(m.RestrictionMark(7, 5), std::string());

    logic.StringGrid4DblClick(2, 3);
    const TextGrid before = m.RestrictionGrid;
    for (const GridCellPos cell :
         {GridCellPos{9, 3}, GridCellPos{2, 25}, GridCellPos{0, 3}, GridCellPos{17, 3}})
      logic.StringGrid4DblClick(cell.Column, cell.Row);
    QCOMPARE(m.RestrictionGrid, before);  // the corner too: still source 2's name
    QCOMPARE(m.RestrictionGrid.Cell(0, 0), std::string("Input 2"));

    // The corner survives a reset.
    editor.ResetModel();
    QCOMPARE(m.RestrictionGrid.Cell(0, 0), std::string("Input 2"));
    // Before any import the counts are -1: nothing is accepted.
    logic.StringGrid4DblClick(1, 1);
    logic.StringGrid7DblClick(1, 1);
    logic.Button3Click();
    QCOMPARE(CountCells(m.RestrictionGrid, "R"), 0);
    QCOMPARE(CountCells(m.GroupGrid, "G"), 0);
  }

  void restrictAllAndClearAllCoverTheUnit_data() {
    QTest::addColumn<int>("sources");
    QTest::addColumn<int>("zones");
    QTest::newRow("8 x 24") << 8 << 24;
    QTest::newRow("16 x 192") << 16 << 192;
    QTest::newRow("1 x 1") << 1 << 1;
  }
  void restrictAllAndClearAllCoverTheUnit() {
    QFETCH(int, sources);
    QFETCH(int, zones);
    Editor editor;
    testing::ImportUnit(editor, sources, zones, [&](ConfigModel& m) {
      m.FavoriteStore.Cell(2, 1, 1).Set("C");
      m.FavoriteStore.Cell(6, sources, zones).Set("V");
    });
    ConfigModel& m = editor.model;
    const int unused = kSources * kZones - sources * zones;

    editor.matrix.Button3Click();
    QCOMPARE(CountCells(m.RestrictionGrid, "R"), sources * zones);
    QCOMPARE(CountCells(m.RestrictionGrid, "X"), unused);
    editor.PageControl1Change(Page::Favorites);
    for (int f = 1; f <= kFavorites; ++f) {
      int restricted = 0;
      for (int s = 1; s <= kSources; ++s)
        for (int z = 1; z <= kZones; ++z) restricted += m.FavoriteStore.Cell(f, s, z).Is('R') ? 1 : 0;
      QCOMPARE(restricted, sources * zones);
    }
    QCOMPARE(CountCells(m.FavoritesGrid, "R"), sources * zones);
    std::vector<std::string> lines = BuildCommandSequence(m);
    QCOMPARE(CountLinesStarting(lines, "[RPO"), sources * zones);
    QCOMPARE(CountFavoriteLines(lines), 0);

    editor.matrix.Button4Click();
    QCOMPARE(CountCells(m.RestrictionGrid, "R"), 0);
    QCOMPARE(CountCells(m.RestrictionGrid, "X"), unused);
    editor.PageControl1Change(Page::Restrictions);
    QCOMPARE(CountCells(m.FavoritesGrid, ""), sources * zones);
    for (int f = 1; f <= kFavorites; ++f)
      for (int s = 1; s <= sources; ++s)
        for (int z = 1; z <= zones; ++z) QVERIFY(m.FavoriteStore.Cell(f, s, z).Empty());
    lines = BuildCommandSequence(m);
    QCOMPARE(CountLinesStarting(lines, "[RPO"), 0);
    QCOMPARE(CountFavoriteLines(lines), 0);
  }

  void fixtureLeavesWhatARealImportLeaves() {
    std::string text;
    for (int s = 1; s <= 8; ++s)
      text += "[NI" + std::to_string(s) + "\"Input " + std::to_string(s) + "\"]\r\n";
    for (int z = 1; z <= 24; ++z)
      text += "[NO" + std::to_string(z) + "\"Room " + std::to_string(z) + "\"]\r\n";
    for (int n = 1; n <= kFavorites; ++n)
      text += "[NF" + std::to_string(n) + "\"Fav " + std::to_string(n) + "\"]\r\n";
    text += "[RPO3I2]\r\n[G4AO5]\r\n[F1AO6I7]\r\n[F2AO7AI1]\r\n";
    Editor imported;
    imported.ImportFileText(text, "x.zem");
    Editor built;
    testing::ImportUnit(built, 8, 24, [](ConfigModel& m) {
      m.RestrictionMark(3, 2) = "R";
      m.GroupMark(5, 4) = "G";
      m.FavoriteStore.Cell(1, 7, 6).Set("C");
      m.FavoriteStore.Cell(2, 1, 7).Set("A");
    });
    QCOMPARE(built.model.SourceCount, imported.model.SourceCount);
    QCOMPARE(built.model.ZoneCount, imported.model.ZoneCount);
    QVERIFY(built.model.FavoritesGrid == imported.model.FavoritesGrid);
    QVERIFY(built.model.RestrictionGrid == imported.model.RestrictionGrid);
    QVERIFY(built.model.GroupGrid == imported.model.GroupGrid);
    QVERIFY(built.model.FavoriteStore == imported.model.FavoriteStore);
    QVERIFY(built.model.FavoriteList == imported.model.FavoriteList);
    QCOMPARE(built.PagesEnabled(), imported.PagesEnabled());
  }

  void clearAllKeepsConnectionsOfPairsThatWereFree() {
    Editor editor;
    testing::ImportUnit(editor, 8, 24, [](ConfigModel& m) {
      m.RestrictionMark(3, 2) = "R";
      m.FavoriteStore.Cell(5, 4, 3).Set("A");
    });
    ConfigModel& m = editor.model;
    QVERIFY(m.FavoriteStore.Cell(5, 2, 3).Is('R'));
    editor.matrix.Button4Click();
    editor.PageControl1Change(Page::Favorites);
    QVERIFY(m.FavoriteStore.Cell(5, 2, 3).Empty());
    QVERIFY(m.FavoriteStore.Cell(5, 4, 3).Is('A'));
  }
};

QTEST_GUILESS_MAIN(TestMatrixLogic)
#include "test_matrix_logic.moc"
