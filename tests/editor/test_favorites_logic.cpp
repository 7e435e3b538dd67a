#include <QtTest>

#include <sstream>

#include "command/command_writer.h"
#include "editor/editor.h"
#include "support/grid_fixture.h"
#include "support/route_letters.h"

using namespace zem;

namespace {

// The row of zone `z` as one text per source column 1 to 16, "." for empty.
std::string Row(const FavoritesLogic& logic, int z) {
  std::string row;
  for (int s = 1; s <= kSources; ++s) {
    const std::string cell = test::ShownText(logic, s, z);
    row += cell.empty() ? std::string(".") : cell;
    if (s < kSources) row += ' ';
  }
  return row;
}

// A double-click as the grid raises it: the click of its first press, then
// the double-click, on the cell just selected.
void DoubleClick(FavoritesLogic& logic, int s, int z) {
  logic.CellClicked(s, z);
  logic.CellDoubleClicked(s, z);
}

// Zone row `z` as the grid shows it, one character per source, "." for empty.
std::string ShownRow(const Editor& e, int z) {
  std::string row;
  for (int s = 1; s <= kSources; ++s) {
    const std::string cell = test::ShownText(e.favorites, s, z);
    row += cell.empty() ? '.' : cell.front();
  }
  return row;
}

// Zone row `z` of favorite `f` as it is stored.
std::string StoredRow(const Editor& e, int f, int z) {
  std::string row;
  for (int s = 1; s <= kSources; ++s) {
    const std::string text = test::LetterOf(e.model.unit.FavoriteStore.Cell(f, s, z));
    row += text.empty() ? '.' : text.front();
  }
  return row;
}

// The cells of the whole grid showing the marker.
int MarkersShown(const Editor& e) {
  int count = 0;
  for (int s = 1; s <= kSources; ++s)
    for (int z = 1; z <= kZones; ++z) count += test::ShownText(e.favorites, s, z) == "?";
  return count;
}

// Favorite 1's zone 5 holds audio from 2 and video from 5, favorite 2's
// combined from 3.
void FillZone5(ConfigModel& m) {
  m.unit.FavoriteStore.Cell(1, 2, 5) = Route::Audio;
  m.unit.FavoriteStore.Cell(1, 5, 5) = Route::Video;
  m.unit.FavoriteStore.Cell(2, 3, 5) = Route::Combined;
}

// Runs a script of page actions on zone row `z`, separated by ", ":
// "click S", "dbl S", "pop L S" (a right-click on S, then item L, "-" for
// No Connection), "step pop L S" (the same as one undo step), "fav I" (list
// position I), "undo", "redo", "import" (the same unit afresh), "toggle S"
// (the restriction page's double-click), "page" (back to this page).
void Run(Editor& e, const std::string& script, int z) {
  std::istringstream in(script);
  for (std::string action; std::getline(in, action, ',');) {
    std::istringstream words(action);
    std::string verb;
    words >> verb;
    const bool step = verb == "step";
    if (step) words >> verb;
    std::string letter;
    if (verb == "pop") words >> letter;
    int n = 0;
    words >> n;
    if (verb == "click") {
      e.favorites.CellClicked(n, z);
    } else if (verb == "dbl") {
      DoubleClick(e.favorites, n, z);
    } else if (verb == "pop") {
      e.favorites.CellRightPressed(n, z);
      const std::string item = letter == "-" ? std::string() : letter;
      const auto choose = [&] { e.favorites.PopupItemChosen(test::RouteOf(item), {}); };
      if (step) {
        e.Step(StepId{StepKind::FavoriteCell, e.model.screen.CurrentFavorite, z}, choose);
      } else {
        choose();
      }
    } else if (verb == "fav") {
      e.favorites.FavoriteChosen(n);
    } else if (verb == "undo") {
      QVERIFY(e.Undo());
    } else if (verb == "redo") {
      QVERIFY(e.Redo());
    } else if (verb == "import") {
      test::ImportUnit(e, 16, 192, FillZone5);
    } else if (verb == "toggle") {
      e.matrix.RestrictionCellDoubleClicked(n, z);
    } else if (verb == "page") {
      e.PageChosen(Page::Favorites);
    } else {
      QFAIL(("unknown action " + action).c_str());
    }
  }
}

}  // namespace

class TestFavoritesLogic : public QObject {
  Q_OBJECT

 private slots:
  void markerHidesAndRestoresTheCellText() {
    Editor editor;
    test::ImportUnit(editor, 16, 192);
    ConfigModel& m = editor.model;
    FavoritesLogic& logic = editor.favorites;
    m.unit.FavoriteStore.Cell(m.screen.CurrentFavorite, 3, 5) = Route::Audio;

    logic.CellClicked(3, 5);
    QCOMPARE(test::ShownText(logic, 3, 5), std::string("?"));
    QCOMPARE(logic.Shown(3, 5).route, Route::Audio);  // hidden under the marker
    QCOMPARE(logic.Marker().cell, (GridCellPos{3, 5}));
    QCOMPARE(m.screen.FavoriteLabels.Cell(0, 0), std::string("Input 3"));

    logic.CellClicked(4, 5);  // the marker moves; "A" comes back
    QCOMPARE(test::ShownText(logic, 3, 5), std::string("A"));
    QCOMPARE(test::ShownText(logic, 4, 5), std::string("?"));
    QCOMPARE(logic.Shown(4, 5).route, Route::None);
    QCOMPARE(m.screen.FavoriteLabels.Cell(0, 0), std::string("Input 4"));

    logic.CellClicked(4, 5);  // clicking the marked cell takes it off
    QCOMPARE(test::ShownText(logic, 4, 5), std::string());
    logic.CellClicked(4, 5);  // and a further click does not mark it again
    QCOMPARE(test::ShownText(logic, 4, 5), std::string());
  }

  // The marker: the one sign of the chosen cell, over the route it hides.
  void markerQuirks_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("stored");  // of the favorite shown
    QTest::addColumn<int>("markers");     // in the whole grid
    const auto row = [](const char* name, const char* script, const char* shown, const char* stored,
                        int markers) { QTest::newRow(name) << script << shown << stored << markers; };
    row("none at first", "", ".A..V...........", ".A..V...........", 0);
    row("one cell at a time", "click 2, click 5, click 9", ".A..V...?.......", ".A..V...........", 1);
    row("second click takes it off", "click 5, click 5", ".A..V...........", ".A..V...........", 0);
    row("third click does not mark again", "click 5, click 5, click 5", ".A..V...........",
        ".A..V...........", 0);
    row("connection clears a marked cell", "click 2, pop C 9", "........C.......", "........C.......", 0);
    row("cleared marked cell not marked again", "click 2, pop C 9, click 2", "........C.......",
        "........C.......", 0);
    row("kept feed stays under the marker", "click 5, pop A 3", "..A.?...........", "..A.V...........", 1);
    row("storing uses the hidden value", "click 2, pop V 7", ".?....V.........", ".A....V.........", 1);
    row("connecting the marked cell", "click 5, pop C 5", "....C...........", "....C...........", 0);
    row("no connection on the marked cell", "click 5, pop - 5", ".A..............", ".A..............", 0);
    row("loading overwrites the marker", "click 3, fav 1", "..C.............", "..C.............", 0);
    row("overwritten marker stays off", "click 3, fav 1, fav 0, click 3", ".A..V...........",
        ".A..V...........", 0);
    row("overwritten marker moves on", "click 2, fav 1, click 9", "..C.....?.......", "..C.............", 1);
    row("restriction takes it off", "click 5, toggle 5, page", ".A..R...........", ".A..R...........", 0);
    // The pair comes back unconnected in every favorite, under the marker too.
    row("restriction lifted under it", "click 5, toggle 5, toggle 5, page, click 5", ".A..............",
        ".A..............", 0);
    row("undo puts it back", "click 5, step pop A 3, undo", ".A..?...........", ".A..V...........", 1);
    row("redo keeps it", "click 5, step pop A 3, undo, redo", "..A.?...........", "..A.V...........", 1);
    row("an import forgets it", "click 5, import, click 5", ".A..?...........", ".A..V...........", 1);
    row("undo leaves a cleared one off", "click 5, step pop C 9, undo", ".A..V...........",
        ".A..V...........", 0);
  }
  void markerQuirks() {
    QFETCH(QString, script);
    QFETCH(QString, shown);
    QFETCH(QString, stored);
    QFETCH(int, markers);
    Editor editor;
    const int z = 5;
    test::ImportUnit(editor, 16, 192, FillZone5);
    Run(editor, script.toStdString(), z);
    QCOMPARE(QString::fromStdString(ShownRow(editor, z)), shown);
    QCOMPARE(QString::fromStdString(StoredRow(editor, editor.model.screen.CurrentFavorite, z)), stored);
    QCOMPARE(MarkersShown(editor), markers);
  }

  void restrictedAndUnusedCellsAreUntouchable() {
    Editor editor;
    test::ImportUnit(editor, 8, 24);
    ConfigModel& m = editor.model;
    FavoritesLogic& logic = editor.favorites;
    const int z = 4;
    m.unit.FavoriteStore.Cell(m.screen.CurrentFavorite, 3, z) = Route::Restricted;
    m.unit.FavoriteStore.Cell(m.screen.CurrentFavorite, 1, z) = Route::Audio;
    m.unit.FavoriteStore.Cell(m.screen.CurrentFavorite, 6, z) = Route::Video;

    logic.CellClicked(3, z);  // "R" never takes the marker
    QCOMPARE(test::ShownText(logic, 3, z), std::string("R"));
    QCOMPARE(logic.Marker().cell, (GridCellPos{0, 0}));
    logic.CellDoubleClicked(3, z);
    QCOMPARE(Row(logic, z), std::string("A . R . . V . . X X X X X X X X"));

    // "A" on a restricted cell clears the conflicting cells and keeps "R".
    logic.CellRightPressed(3, z);
    logic.PopupItemChosen(Route::Audio, GridCellPos{1, 1});
    QCOMPARE(Row(logic, z), std::string(". . R . . V . . X X X X X X X X"));

    // Columns above the source count and rows above the zone count.
    const std::vector<std::string> before = test::ShownGrid(logic);
    for (const GridCellPos cell :
         {GridCellPos{9, 4}, GridCellPos{16, 1}, GridCellPos{2, 25}, GridCellPos{1, 192}}) {
      DoubleClick(logic, cell.Column, cell.Row);
      logic.CellRightPressed(cell.Column, cell.Row);
      for (const char* letter : {"A", "C", "V", ""})
        logic.PopupItemChosen(test::RouteOf(letter), GridCellPos{1, 1});
    }
    QCOMPARE(test::ShownGrid(logic), before);
    QCOMPARE(test::ShownText(logic, 9, 4), std::string("X"));
  }

  void popupTargetsTheRightClickedCellOnceThereWasOne() {
    Editor editor;
    test::ImportUnit(editor, 16, 192);
    ConfigModel& m = editor.model;
    FavoritesLogic& logic = editor.favorites;
    QVERIFY(!m.screen.PopupFromMouse);
    logic.PopupItemChosen(Route::Combined, GridCellPos{6, 10});  // from the keyboard: the selected cell
    QCOMPARE(test::ShownText(logic, 6, 10), std::string("C"));

    // A right-click off the cells: the items do nothing, not even to the
    // selected cell.
    logic.CellRightPressed(-1, 3);
    QVERIFY(m.screen.PopupFromMouse);
    const std::vector<std::string> before = test::ShownGrid(logic);
    for (const char* letter : {"A", "C", "V", ""})
      logic.PopupItemChosen(test::RouteOf(letter), GridCellPos{6, 10});
    QCOMPARE(test::ShownGrid(logic), before);

    // The flag survives a new import.
    test::ImportUnit(editor, 16, 192);
    QVERIFY(m.screen.PopupFromMouse);
  }

  void popupItemsKeepOneAudioAndOneVideoFeed() {
    Editor editor;
    test::ImportUnit(editor, 16, 192);
    ConfigModel& m = editor.model;
    FavoritesLogic& logic = editor.favorites;
    const int z = 20;
    auto reset = [&] {
      for (int s = 1; s <= kSources; ++s)
        m.unit.FavoriteStore.Cell(m.screen.CurrentFavorite, s, z) = Route::None;
      m.unit.FavoriteStore.Cell(m.screen.CurrentFavorite, 2, z) = Route::Audio;
      m.unit.FavoriteStore.Cell(m.screen.CurrentFavorite, 5, z) = Route::Video;
    };
    reset();
    logic.CellRightPressed(7, z);
    logic.PopupItemChosen(Route::Combined, {});
    QCOMPARE(Row(logic, z), std::string(". . . . . . C . . . . . . . . ."));
    reset();
    logic.PopupItemChosen(Route::Video, {});
    QCOMPARE(Row(logic, z), std::string(". A . . . . V . . . . . . . . ."));
    reset();
    logic.PopupItemChosen(Route::Audio, {});
    QCOMPARE(Row(logic, z), std::string(". . . . V . A . . . . . . . . ."));
    logic.PopupItemChosen(Route::None, {});  // "No Connection" touches only its cell
    QCOMPARE(Row(logic, z), std::string(". . . . V . . . . . . . . . . ."));
  }

  void feedHiddenByTheMarkerSurvivesAnItemThatKeepsIt() {
    Editor editor;
    test::ImportUnit(editor, 16, 192);
    ConfigModel& m = editor.model;
    FavoritesLogic& logic = editor.favorites;
    const int z = 30;
    m.unit.FavoriteStore.Cell(m.screen.CurrentFavorite, 5, z) = Route::Video;
    logic.CellClicked(5, z);  // the video feed is under the marker
    logic.CellRightPressed(2, z);
    logic.PopupItemChosen(Route::Audio, {});
    QCOMPARE(test::ShownText(logic, 2, z), std::string("A"));
    QCOMPARE(test::ShownText(logic, 5, z), std::string("?"));
    editor.RefreshPages();
    QVERIFY(m.unit.FavoriteStore.Cell(1, 5, z) == Route::Video);
    logic.CellClicked(9, 9);
    QCOMPARE(Row(logic, z), std::string(". A . . V . . . . . . . . . . ."));

    // "C" replaces every feed, the hidden one too.
    logic.CellClicked(5, z);
    logic.CellRightPressed(7, z);
    logic.PopupItemChosen(Route::Combined, {});
    QCOMPARE(Row(logic, z), std::string(". . . . . . C . . . . . . . . ."));
    logic.CellClicked(9, 9);  // the marker is gone; nothing comes back
    QCOMPARE(Row(logic, z), std::string(". . . . . . C . . . . . . . . ."));
  }

  void listPositionsOutsideTheTenAndUnusedCellsAreKept() {
    Editor editor;
    test::ImportUnit(editor, 8, 24);
    ConfigModel& m = editor.model;
    FavoritesLogic& logic = editor.favorites;
    logic.FavoriteChosen(2);
    QCOMPARE(m.screen.CurrentFavorite, 3);
    logic.FavoriteChosen(10);
    logic.FavoriteChosen(-1);
    QCOMPARE(m.screen.CurrentFavorite, 3);
    QCOMPARE(m.screen.FavoriteList.Selected, 2);

    // Loading keeps the "X" cells of the grid whatever the favorite holds.
    m.unit.FavoriteStore.Cell(2, 12, 3) = Route::Combined;
    m.unit.FavoriteStore.Cell(2, 1, 30) = Route::Audio;
    logic.FavoriteChosen(1);
    QCOMPARE(test::ShownText(logic, 12, 3), std::string("X"));
    QCOMPARE(test::ShownText(logic, 1, 30), std::string("X"));
  }

  void restrictionOverlayReachesEveryFavoriteAndLifts() {
    Editor editor;
    test::ImportUnit(editor, 16, 192, [](ConfigModel& m) {
      for (int f = 1; f <= kFavorites; ++f) m.unit.FavoriteStore.Cell(f, 7, 40) = Route::Combined;
      m.unit.FavoriteStore.Cell(4, 8, 40) = Route::Audio;
    });
    ConfigModel& m = editor.model;
    const FavoritesLogic& logic = editor.favorites;
    QCOMPARE(test::ShownText(logic, 7, 40), std::string("C"));

    m.unit.RestrictionMark(40, 7) = "R";
    editor.PageChosen(Page::Favorites);
    QCOMPARE(test::ShownText(logic, 7, 40), std::string("R"));
    for (int f = 1; f <= kFavorites; ++f) QVERIFY(m.unit.FavoriteStore.Cell(f, 7, 40) == Route::Restricted);
    QVERIFY(m.unit.FavoriteStore.Cell(4, 8, 40) == Route::Audio);

    m.unit.RestrictionMark(40, 7).clear();
    editor.PageChosen(Page::Favorites);
    QCOMPARE(test::ShownText(logic, 7, 40), std::string());
    for (int f = 1; f <= kFavorites; ++f) QVERIFY(m.unit.FavoriteStore.Cell(f, 7, 40) == Route::None);
    QVERIFY(m.unit.FavoriteStore.Cell(4, 8, 40) == Route::Audio);

    // The export carries no favorite line for the formerly restricted pair.
    const std::vector<std::string> lines = BuildCommandSequence(m);
    QCOMPARE(std::count(lines.begin(), lines.end(), std::string("[F4AO40AI8]")), 1);
    for (const std::string& line : lines) QVERIFY2(line.find("AO40I7]") == std::string::npos, line.c_str());
  }
};

QTEST_GUILESS_MAIN(TestFavoritesLogic)
#include "test_favorites_logic.moc"
