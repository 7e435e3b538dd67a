#include <QtTest>

#include <algorithm>

#include "editor/editor.h"
#include "support/grid_fixture.h"
#include "support/route_letters.h"

using namespace zem;

namespace {

int CountCells(const TextGrid& grid, const std::string& text) {
  int n = 0;
  for (int c = 1; c < grid.Columns(); ++c)
    for (int r = 1; r < grid.Rows(); ++r) n += grid.Cell(c, r) == text ? 1 : 0;
  return n;
}

}  // namespace

class TestMatrixLogic : public QObject {
  Q_OBJECT

 private slots:
  void doubleClicksOutsideTheUnitChangeNothing() {
    Editor editor;
    test::ImportUnit(editor, 8, 24);
    ConfigModel& m = editor.model;
    MatrixLogic& logic = editor.matrix;
    logic.RestrictionCellDoubleClicked(2, 3);
    const TextGrid groups = m.unit.GroupMarks;
    const TextGrid restrictions = m.unit.RestrictionMarks;
    const GridLabels labels = m.screen.RestrictionLabels;
    for (const GridCellPos cell :
         {GridCellPos{2, 25}, GridCellPos{2, 192}, GridCellPos{0, 4}, GridCellPos{4, 0}, GridCellPos{11, 4},
          GridCellPos{17, 3}, GridCellPos{-1, -1}}) {
      logic.GroupCellDoubleClicked(cell.Column, cell.Row);
      logic.RestrictionCellDoubleClicked(cell.Column, cell.Row);
    }
    logic.RestrictionCellDoubleClicked(9, 3);  // a source above the count
    QCOMPARE(m.unit.GroupMarks, groups);
    QCOMPARE(m.unit.RestrictionMarks, restrictions);
    QCOMPARE(m.screen.RestrictionLabels, labels);  // the corner too: still source 2's name
    QCOMPARE(m.screen.RestrictionLabels.Cell(0, 0), std::string("Input 2"));

    // The corner survives a reset; before any import the counts are -1 and
    // nothing is accepted, the buttons included.
    editor.ResetModel();
    QCOMPARE(m.screen.RestrictionLabels.Cell(0, 0), std::string("Input 2"));
    logic.RestrictionCellDoubleClicked(1, 1);
    logic.GroupCellDoubleClicked(1, 1);
    logic.RestrictAll();
    QCOMPARE(CountCells(m.unit.RestrictionMarks, "R"), 0);
    QCOMPARE(CountCells(m.unit.GroupMarks, "G"), 0);
  }

  void restrictAllCoversASingleZoneUnit() {
    Editor editor;
    test::ImportUnit(editor, 1, 1);
    editor.matrix.RestrictAll();
    QCOMPARE(CountCells(editor.model.unit.RestrictionMarks, "R"), 1);
    QCOMPARE(editor.model.unit.RestrictionMark(1, 1), std::string("R"));
    editor.matrix.ClearAllRestrictions();
    QCOMPARE(CountCells(editor.model.unit.RestrictionMarks, "R"), 0);
    QCOMPARE(CountCells(editor.model.unit.RestrictionMarks, "X"), kSources * kZones - 1);
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
    test::ImportUnit(built, 8, 24, [](ConfigModel& m) {
      m.unit.RestrictionMark(3, 2) = "R";
      m.unit.GroupMark(5, 4) = "G";
      m.unit.FavoriteStore.Cell(1, 7, 6) = Route::Combined;
      m.unit.FavoriteStore.Cell(2, 1, 7) = Route::Audio;
    });
    QCOMPARE(built.model.unit.SourceCount, imported.model.unit.SourceCount);
    QCOMPARE(built.model.unit.ZoneCount, imported.model.unit.ZoneCount);
    QVERIFY(test::ShownGrid(built.favorites) == test::ShownGrid(imported.favorites));
    QVERIFY(built.model.unit.RestrictionMarks == imported.model.unit.RestrictionMarks);
    QVERIFY(built.model.unit.GroupMarks == imported.model.unit.GroupMarks);
    QVERIFY(built.model.unit.FavoriteStore == imported.model.unit.FavoriteStore);
    QVERIFY(built.model.screen.FavoriteList == imported.model.screen.FavoriteList);
    QCOMPARE(built.PagesEnabled(), imported.PagesEnabled());
  }

  void clearAllKeepsConnectionsOfPairsThatWereFree() {
    Editor editor;
    test::ImportUnit(editor, 8, 24, [](ConfigModel& m) {
      m.unit.RestrictionMark(3, 2) = "R";
      m.unit.FavoriteStore.Cell(5, 4, 3) = Route::Audio;
    });
    ConfigModel& m = editor.model;
    QVERIFY(m.unit.FavoriteStore.Cell(5, 2, 3) == Route::Restricted);
    editor.matrix.ClearAllRestrictions();
    editor.PageChosen(Page::Favorites);
    QVERIFY(m.unit.FavoriteStore.Cell(5, 2, 3) == Route::None);
    QVERIFY(m.unit.FavoriteStore.Cell(5, 4, 3) == Route::Audio);
  }
};

QTEST_GUILESS_MAIN(TestMatrixLogic)
#include "test_matrix_logic.moc"
