#include <QtTest>

#include <QAccessible>
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>
#include <cctype>
#include <sstream>

#include "command/command_writer.h"
#include "support/grid_fixture.h"
#include "support/grid_test_helpers.h"
#include "support/route_letters.h"
#include "ui/favorites/favorites_view.h"
#include "ui/matrix/color_swatch_widget.h"
#include "ui/matrix/groups_view.h"
#include "ui/matrix/matrix_grid_widget.h"
#include "ui/matrix/restrictions_view.h"

using namespace zem;
using namespace zem::test;

namespace {

int CountLines(const std::vector<std::string>& lines, const std::string& prefix) {
  return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                        [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The lines of a sequence that start with `prefix` and a digit, sorted.
std::vector<std::string> Numbered(const std::vector<std::string>& lines, const std::string& prefix) {
  std::vector<std::string> out;
  for (const std::string& l : lines)
    if (l.size() > prefix.size() && l.rfind(prefix, 0) == 0 &&
        std::isdigit(static_cast<unsigned char>(l[prefix.size()])))
      out.push_back(l);
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::string> Changed(std::vector<std::string> lines, std::initializer_list<const char*> removed,
                                 std::initializer_list<const char*> added) {
  for (const char* r : removed) {
    const auto it = std::find(lines.begin(), lines.end(), r);
    if (it == lines.end())
      qWarning("line %s is not in the sequence", r);
    else
      lines.erase(it);
  }
  lines.insert(lines.end(), added.begin(), added.end());
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::string ReadExample(const char* name) {
  QFile file(QString(ZEM_SOURCE_DIR "/examples/") + name);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll().toStdString();
}

}  // namespace

class TestGridsMatrix : public QObject {
  Q_OBJECT

 private slots:
  void groupsPageTogglesMemberships() {
    Editor editor;
    GroupsView page(editor);
    auto& grid = *page.findChild<MatrixGridWidget*>("StringGrid7");
    QCOMPARE(page.objectName(), QString("TabSheet7"));
    QCOMPARE(grid.geometry(), QRect(55, 28, 383, 329));
    QCOMPARE(grid.model()->columnCount(), 10);
    QCOMPARE(grid.model()->headerData(9, Qt::Horizontal).toString(), QString("10"));
    QCOMPARE(page.findChild<QLabel*>("Label68")->text(), QString("Group Assigned"));
    QCOMPARE(page.findChild<ColorSwatchWidget*>("Shape7")->geometry(), QRect(522, 186, 17, 13));
    QCOMPARE(page.findChild<ColorSwatchWidget*>("Shape7")->Fill(), QColor(119, 255, 119));
    QCOMPARE(page.findChild<QLabel*>("Label69")->pos(), QPoint(545, 205));
    QVERIFY(!grid.isEnabled());

    ImportUnit(editor, 8, 24);
    page.SyncFromEditor();
    QVERIFY(grid.isEnabled());
    QVERIFY(ShowPage(page));
    for (int g : {1, 3, 10}) DoubleClickCell(grid, g, 5);
    DoubleClickCell(grid, 2, 6);
    DoubleClickCell(grid, 2, 6);   // a second double-click takes it away
    DoubleClickCell(grid, 4, 25);  // a zone the unit does not have
    ConfigModel& m = editor.model;
    QCOMPARE(m.unit.GroupMark(5, 1), std::string("G"));
    QCOMPARE(m.unit.GroupMark(5, 3), std::string("G"));
    QCOMPARE(m.unit.GroupMark(5, 10), std::string("G"));
    QCOMPARE(m.unit.GroupMark(6, 2), std::string());
    QCOMPARE(m.unit.GroupMark(25, 4), std::string("X"));
    QCOMPARE(CellFill(grid, 3, 5).rgb(), QColor(119, 255, 119).rgb());
    QCOMPARE(CellFill(grid, 2, 5).rgb(), QColor(255, 255, 255).rgb());
    QCOMPARE(CellFill(grid, 4, 25).rgb(), ButtonFace(page.palette()).rgb());

    // A single click changes nothing on this page.
    ClickCell(grid, 7, 7);
    QCOMPARE(m.unit.GroupMark(7, 7), std::string());

    editor.PageChosen(Page::Groups);
    const std::vector<std::string> lines = BuildCommandSequence(m);
    QCOMPARE(CountLines(lines, "[G1AO"), 1);
    QVERIFY(Has(lines, "[G1AO5]"));
    QVERIFY(Has(lines, "[G3AO5]"));
    QVERIFY(Has(lines, "[G10AO5]"));
    QCOMPARE(CountLines(lines, "[G2AO"), 0);
  }

  void keysToggleAndCellsSayWhatTheyHold_data() {
    QTest::addColumn<bool>("groups");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("empty");
    QTest::addColumn<QString>("marked");
    QTest::newRow("groups") << true << "group 2 Upstairs"
                            << "not a member"
                            << "member";
    QTest::newRow("restrictions") << false << "source 2 Tuner"
                                  << "allowed"
                                  << "restricted";
  }

  void keysToggleAndCellsSayWhatTheyHold() {
    QFETCH(bool, groups);
    QFETCH(QString, column);
    QFETCH(QString, empty);
    QFETCH(QString, marked);
    Editor editor;
    ImportUnit(editor, 8, 24, [](ConfigModel& m) {
      m.unit.GroupNames[2] = "Upstairs";
      m.unit.SourceNames[2] = "Tuner";
      m.unit.ZoneNames[3] = "Kitchen";
    });
    std::unique_ptr<QWidget> page;
    if (groups)
      page = std::make_unique<GroupsView>(editor);
    else
      page = std::make_unique<RestrictionsView>(editor);
    auto& grid = *page->findChild<MatrixGridWidget*>();
    QVERIFY(ShowPage(*page));
    const TextGrid& cells = groups ? editor.model.unit.GroupMarks : editor.model.unit.RestrictionMarks;

    // Space and Enter toggle the current cell as a double-click does.
    ClickCell(grid, 2, 2);
    grid.setFocus(Qt::TabFocusReason);
    QWindow* window = page->windowHandle();
    QTest::keyClick(window, Qt::Key_Down);
    QTest::keyClick(window, Qt::Key_Space);
    QCOMPARE(cells.Cell(2, 3), std::string(groups ? "G" : "R"));
    QTest::keyClick(window, Qt::Key_Return);
    QCOMPARE(cells.Cell(2, 3), std::string());
    QTest::keyClick(window, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(cells.Cell(2, 3), std::string(groups ? "G" : "R"));
    if (!groups) {
      // The restriction reaches the favorites at the next page switch.
      editor.PageChosen(Page::Favorites);
      QVERIFY(editor.model.unit.FavoriteStore.Cell(4, 2, 3) == Route::Restricted);
    }

    QAccessibleTableInterface* table = QAccessible::queryAccessibleInterface(&grid)->tableInterface();
    QCOMPARE(table->cellAt(2, 1)->text(QAccessible::Name), QString("Kitchen, %1: %2").arg(column, marked));
    QCOMPARE(table->cellAt(0, 1)->text(QAccessible::Name), QString("Room 1, %1: %2").arg(column, empty));
    QCOMPARE(table->cellAt(24, 1)->text(QAccessible::Name), QString("Zone 25, %1: not used").arg(column));

    // The focus frame shows while the grid has the focus, and only then.
    const QRect cell = grid.CellRect({2, 3});
    const QImage focused = grid.grab(cell).toImage();
    grid.clearFocus();
    QVERIFY(!grid.hasFocus());
    const QImage unfocused = grid.grab(cell).toImage();
    QVERIFY(focused != unfocused);
    QCOMPARE(focused.pixelColor(cell.width() / 2, cell.height() / 2),
             unfocused.pixelColor(cell.width() / 2, cell.height() / 2));
  }

  void restrictionDoubleClickShowsTheSourceName() {
    Editor editor;
    RestrictionsView page(editor);
    auto& grid = *page.findChild<MatrixGridWidget*>("StringGrid4");
    QCOMPARE(page.objectName(), QString("TabSheet4"));
    QCOMPARE(grid.geometry(), QRect(55, 28, 538, 329));
    QCOMPARE(page.findChild<QPushButton*>("Button3")->geometry(), QRect(608, 28, 75, 25));
    QCOMPARE(page.findChild<QPushButton*>("Button4")->text(), QString("Clear All"));

    ImportUnit(editor, 8, 24);
    editor.model.unit.SourceNames[5] = "Cin\xE9ma";
    page.SyncFromEditor();
    QVERIFY(ShowPage(page));
    DoubleClickCell(grid, 5, 7);
    QCOMPARE(editor.model.unit.RestrictionMark(7, 5), std::string("R"));
    QCOMPARE(grid.GridModel().CornerText().toLatin1(), QByteArray("Cin\xE9ma"));
    QCOMPARE(CellFill(grid, 5, 7).rgb(), QColor(255, 119, 119).rgb());
    DoubleClickCell(grid, 5, 7);
    QCOMPARE(editor.model.unit.RestrictionMark(7, 5), std::string());
    DoubleClickCell(grid, 9, 7);   // a source the unit does not have
    DoubleClickCell(grid, 2, 30);  // a zone it does not have
    QCOMPARE(editor.model.unit.RestrictionMark(7, 9), std::string("X"));
    QCOMPARE(editor.model.unit.RestrictionMark(30, 2), std::string("X"));
    QCOMPARE(grid.GridModel().CornerText().toLatin1(), QByteArray("Cin\xE9ma"));
  }

  void restrictAllAndClearAllReachTheFavorites_data() {
    QTest::addColumn<int>("sources");
    QTest::addColumn<int>("zones");
    QTest::newRow("8 x 24") << 8 << 24;
    QTest::newRow("16 x 192") << 16 << 192;
  }
  void restrictAllAndClearAllReachTheFavorites() {
    QFETCH(int, sources);
    QFETCH(int, zones);
    Editor editor;
    RestrictionsView restrictions(editor);
    FavoritesView favorites(editor);
    ImportUnit(editor, sources, zones, [&](ConfigModel& m) {
      m.unit.FavoriteStore.Cell(1, 1, 1) = Route::Combined;
      m.unit.FavoriteStore.Cell(7, sources, zones) = Route::Audio;
    });
    restrictions.SyncFromEditor();
    favorites.SyncFromEditor();
    QVERIFY(ShowPage(restrictions));
    ConfigModel& m = editor.model;
    QCOMPARE(ShownText(editor.favorites, 1, 1), std::string("C"));

    QTest::mouseClick(restrictions.findChild<QPushButton*>("Button3"), Qt::LeftButton);
    for (int z = 1; z <= kZones; ++z)
      for (int s = 1; s <= kSources; ++s)
        QCOMPARE(m.unit.RestrictionMark(z, s), std::string(s <= sources && z <= zones ? "R" : "X"));
    editor.PageChosen(Page::Favorites);
    favorites.SyncFromEditor();
    for (int f = 1; f <= kFavorites; ++f)
      for (int s = 1; s <= sources; ++s)
        for (int z = 1; z <= zones; ++z) QVERIFY(m.unit.FavoriteStore.Cell(f, s, z) == Route::Restricted);
    QCOMPARE(ShownText(editor.favorites, sources, zones), std::string("R"));
    std::vector<std::string> lines = BuildCommandSequence(m);
    QCOMPARE(CountLines(lines, "[RPO"), sources * zones);
    QVERIFY(Has(lines, "[RPO" + std::to_string(zones) + "I" + std::to_string(sources) + "]"));

    QTest::mouseClick(restrictions.findChild<QPushButton*>("Button4"), Qt::LeftButton);
    editor.PageChosen(Page::Favorites);
    favorites.SyncFromEditor();
    for (int s = 1; s <= sources; ++s)
      for (int z = 1; z <= zones; ++z) QVERIFY(ShownText(editor.favorites, s, z).empty());
    lines = BuildCommandSequence(m);
    QCOMPARE(CountLines(lines, "[RPO"), 0);
    QCOMPARE(CountLines(lines, "[F1AO"), 0);  // lifted pairs stay unconnected
  }

  void restrictedPairShowsInTheFavoritesAfterAPageSwitch() {
    Editor editor;
    RestrictionsView restrictions(editor);
    FavoritesView favorites(editor);
    ImportUnit(editor, 16, 192, [](ConfigModel& m) {
      for (int f = 1; f <= kFavorites; ++f) m.unit.FavoriteStore.Cell(f, 7, 40) = Route::Video;
    });
    restrictions.SyncFromEditor();
    favorites.SyncFromEditor();
    QVERIFY(ShowPage(restrictions));
    auto& grid = *restrictions.findChild<MatrixGridWidget*>("StringGrid4");
    DoubleClickCell(grid, 7, 40);
    // The restriction edit takes the routes of every favorite with it.
    QCOMPARE(ShownText(editor.favorites, 7, 40), std::string("R"));

    editor.PageChosen(Page::Favorites);
    favorites.SyncFromEditor();
    QCOMPARE(favorites.Grid()->model()->index(39, 6).data().toString(), QString("R"));
    for (int f = 1; f <= kFavorites; ++f)
      QVERIFY(editor.model.unit.FavoriteStore.Cell(f, 7, 40) == Route::Restricted);

    DoubleClickCell(grid, 7, 40);
    editor.PageChosen(Page::Favorites);
    favorites.SyncFromEditor();
    QCOMPARE(favorites.Grid()->model()->index(39, 6).data().toString(), QString());
    for (int f = 1; f <= kFavorites; ++f)
      QVERIFY(editor.model.unit.FavoriteStore.Cell(f, 7, 40) == Route::None);
  }

  void editsOnTheThreePagesReachTheExport() {
    const std::string text = ReadExample("small-8x24.zem");
    QVERIFY(!text.empty());
    Editor editor;
    FavoritesView favorites(editor);
    GroupsView groups(editor);
    RestrictionsView restrictions(editor);
    editor.ImportFileText(text, "small-8x24.zem");
    favorites.SyncFromEditor();
    groups.SyncFromEditor();
    restrictions.SyncFromEditor();
    std::vector<std::string> original;
    {
      std::istringstream in(text);
      for (std::string line; std::getline(in, line);) original.push_back(line.substr(0, line.find('\r')));
    }

    // What the import shows.
    auto favoriteText = [&](int s, int z) {
      return favorites.Grid()->model()->index(z - 1, s - 1).data().toString();
    };
    QCOMPARE(favoriteText(4, 2), QString("C"));
    QCOMPARE(favoriteText(3, 3), QString("V"));
    QCOMPARE(favoriteText(5, 3), QString("A"));
    QCOMPARE(favoriteText(6, 1), QString("R"));
    QCOMPARE(favoriteText(9, 1), QString("X"));
    QCOMPARE(favoriteText(1, 25), QString("X"));
    QCOMPARE(favorites.Grid()->model()->headerData(0, Qt::Vertical).toString(), QString("Living Room"));

    QVERIFY(ShowPage(favorites));
    MatrixGridWidget& favoritesGrid = *favorites.Grid();
    DoubleClickCell(favoritesGrid, 1, 1);  // [F1AO1I1]
    RightClickCell(favoritesGrid, 7, 2);   // "C" replaces [F1AO2I4]
    favorites.PopupMenu()->findChild<QAction*>("CCombinedAV1")->trigger();
    favorites.PopupMenu()->hide();
    favorites.hide();

    QVERIFY(ShowPage(groups));
    DoubleClickCell(*groups.Grid(), 2, 1);
    DoubleClickCell(*groups.Grid(), 1, 1);
    groups.hide();

    QVERIFY(ShowPage(restrictions));
    DoubleClickCell(*restrictions.Grid(), 6, 1);  // lifted
    DoubleClickCell(*restrictions.Grid(), 2, 1);  // restricted: favorites 6 and 8 lose their feed
    editor.PageChosen(Page::Favorites);

    const std::vector<std::string> exported = BuildCommandSequence(editor.model);
    QCOMPARE(Numbered(exported, "[F"),
             Changed(Numbered(original, "[F"), {"[F1AO2I4]", "[F6AO1VI2]", "[F8AO1I2]"},
                     {"[F1AO1I1]", "[F1AO2I7]"}));
    QCOMPARE(Numbered(exported, "[G"), Changed(Numbered(original, "[G"), {"[G1AO1]"}, {"[G2AO1]"}));
    QCOMPARE(Numbered(exported, "[RPO"), Changed(Numbered(original, "[RPO"), {"[RPO1I6]"}, {"[RPO1I2]"}));
    favorites.SyncFromEditor();
    QCOMPARE(favoriteText(2, 1), QString("R"));
    QCOMPARE(favoriteText(6, 1), QString());
  }

  void fixedRowAndColumnStayInViewWhileScrolling() {
    Editor editor;
    RestrictionsView page(editor);
    ImportUnit(editor, 16, 192);
    editor.model.unit.ZoneNames[192] = "Terrasse \xE8t\xE8";
    editor.PageChosen(Page::Restrictions);
    page.SyncFromEditor();
    QVERIFY(ShowPage(page));
    auto& grid = *page.findChild<MatrixGridWidget*>("StringGrid4");
    DoubleClickCell(grid, 16, 192);  // scrolls to the last zone
    QCOMPARE(editor.model.unit.RestrictionMark(192, 16), std::string("R"));
    QVERIFY(grid.verticalScrollBar()->value() > 0);
    // The number row and the corner are still there, and the last row's
    // label is the zone name.
    QCOMPARE(grid.CellAtGridPoint(grid.CellRect({3, 0}).center()), (GridCellPos{3, 0}));
    QCOMPARE(grid.CellAtGridPoint(grid.CellRect({0, 0}).center()), (GridCellPos{0, 0}));
    QCOMPARE(grid.CellAtGridPoint(grid.CellRect({0, 192}).center()), (GridCellPos{0, 192}));
    QCOMPARE(CellFill(grid, 3, 0).rgb(), QColor(170, 170, 170).rgb());
    QCOMPARE(grid.model()->headerData(191, Qt::Vertical).toString().toLatin1(),
             QByteArray("Terrasse \xE8t\xE8"));
  }
};

QTEST_MAIN(TestGridsMatrix)
#include "test_grids_matrix.moc"
