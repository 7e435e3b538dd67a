#include <QtTest>

#include <QAccessible>
#include <QAccessibleTableCellInterface>
#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <algorithm>

#include "command/command_writer.h"
#include "support/grid_fixture.h"
#include "support/grid_test_helpers.h"
#include "support/route_letters.h"
#include "ui/favorites/favorites_view.h"
#include "ui/matrix/color_swatch_widget.h"
#include "ui/matrix/matrix_grid_widget.h"

using namespace zem;
using namespace zem::test;

namespace {

// One favorites page over its own editor.
struct FavoritesPage {
  Editor editor;
  FavoritesView page{editor};
  MatrixGridWidget& grid = *page.findChild<MatrixGridWidget*>("StringGrid1");
  QMenu& menu = *page.findChild<QMenu*>("PopupMenu1");
  QListWidget& list = *page.findChild<QListWidget*>("ListBox1");

  std::string Cell(int s, int z) const { return ShownText(editor.favorites, s, z); }
  void Set(int s, int z, const char* letter) {
    editor.model.unit.FavoriteStore.Cell(editor.model.screen.CurrentFavorite, s, z) = RouteOf(letter);
  }
  void Import(int sources, int zones, const std::function<void(ConfigModel&)>& fill = {}) {
    ImportUnit(editor, sources, zones, fill);
    page.SyncFromEditor();
  }
  void Choose(const char* item) {
    QAction* action = menu.findChild<QAction*>(item);
    QVERIFY2(action, item);
    action->trigger();
    menu.hide();
  }
  void KeyboardPopup() {
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5), grid.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&grid, &event);
  }
};

bool SameColor(const QColor& a, const QColor& b) { return a.rgb() == b.rgb(); }

}  // namespace

class TestGridsFavorites : public QObject {
  Q_OBJECT

 private slots:
  void pageHoldsItsControlsInPlace() {
    FavoritesPage p;
    QCOMPARE(p.page.objectName(), QString("TabSheet2"));
    QCOMPARE(p.grid.geometry(), QRect(55, 28, 538, 329));
    QCOMPARE(p.list.geometry(), QRect(608, 28, 73, 137));
    QCOMPARE(p.page.findChild<QLabel*>("Label47")->text(), QString("Legend"));
    QVERIFY(p.page.findChild<QLabel*>("Label47")->font().bold());
    const QStringList items = {"A) Audio Only", "C) Combined A/V", "V) Video Only", "No Connection"};
    const QStringList names = {"AAudioOnly1", "CCombinedAV1", "VVideoOnly1", "NoConnection1"};
    QCOMPARE(p.menu.actions().size(), 4);
    for (int i = 0; i < 4; ++i) {
      QCOMPARE(p.menu.actions()[i]->text(), items[i]);
      QCOMPARE(p.menu.actions()[i]->objectName(), names[i]);
    }
    const struct {
      const char* shape;
      const char* label;
      const char* text;
      int top;
      QColor fill;
    } legend[] = {{"Shape1", "Label43", "No connect", 218, QColor(255, 255, 255)},
                  {"Shape2", "Label44", "Audio/Video", 237, QColor(119, 255, 119)},
                  {"Shape3", "Label45", "Audio Only", 256, QColor(0, 255, 255)},
                  {"Shape4", "Label46", "Video Only", 275, QColor(255, 255, 0)},
                  {"Shape5", "Label48", "Restricted", 294, QColor(255, 119, 119)},
                  {"Shape9", "Label70", "Not Used", 313, ButtonFace(p.page.palette())}};
    for (const auto& entry : legend) {
      auto* shape = p.page.findChild<ColorSwatchWidget*>(entry.shape);
      QVERIFY2(shape, entry.shape);
      QCOMPARE(shape->geometry(), QRect(603, entry.top, 17, 13));
      QCOMPARE(shape->Fill(), entry.fill);
      auto* label = p.page.findChild<QLabel*>(entry.label);
      QCOMPARE(label->text(), QString(entry.text));
      QCOMPARE(label->pos(), QPoint(625, entry.top));
    }
  }

  void cellsAreDrawnInTheirColours() {
    FavoritesPage p;
    p.Import(14, 192, [](ConfigModel& m) {
      m.unit.FavoriteStore.Cell(1, 1, 1) = Route::Audio;
      m.unit.FavoriteStore.Cell(1, 2, 1) = Route::Video;
      m.unit.FavoriteStore.Cell(1, 3, 2) = Route::Combined;
      m.unit.RestrictionMark(3, 4) = "R";
    });
    QVERIFY(ShowPage(p.page));
    p.grid.Refresh();
    ClickCell(p.grid, 5, 5);
    const QColor face = ButtonFace(p.page.palette());
    QVERIFY(SameColor(CellFill(p.grid, 1, 1), QColor(0, 255, 255)));
    QVERIFY(SameColor(CellFill(p.grid, 2, 1), QColor(255, 255, 0)));
    QVERIFY(SameColor(CellFill(p.grid, 3, 2), QColor(119, 255, 119)));
    QVERIFY(SameColor(CellFill(p.grid, 4, 3), QColor(255, 119, 119)));
    QVERIFY(SameColor(CellFill(p.grid, 5, 5), QColor(0, 0, 255)));
    QVERIFY(SameColor(CellFill(p.grid, 6, 6), QColor(255, 255, 255)));
    QVERIFY(SameColor(CellFill(p.grid, 15, 1), face));  // "X"
    QVERIFY(SameColor(CellFill(p.grid, 1, 0), QColor(170, 170, 170)));
    QVERIFY(SameColor(CellFill(p.grid, 0, 1), face));
    QVERIFY(SameColor(CellFill(p.grid, 0, 0), QColor(255, 255, 255)));

    // Data cells are 25 x 24 pixels with a line after each; column 0 is 100.
    const QImage image = p.grid.grab().toImage();
    const QRect cell = p.grid.CellRect({1, 1});
    const QColor line = GridLineColor(p.grid);
    QCOMPARE(cell.size(), QSize(25, 24));
    QVERIFY(SameColor(image.pixelColor(cell.left() + 24, cell.top() + 5), QColor(0, 255, 255)));
    QVERIFY(SameColor(image.pixelColor(cell.left() + 25, cell.top() + 5), line));
    QVERIFY(SameColor(image.pixelColor(cell.left() + 5, cell.top() + 23), QColor(0, 255, 255)));
    QVERIFY(SameColor(image.pixelColor(cell.left() + 5, cell.top() + 24), line));
    QCOMPARE(p.grid.CellRect({0, 1}).size(), QSize(100, 24));
    QCOMPARE(p.grid.CellRect({1, 0}).size(), QSize(25, 24));
    QCOMPARE(p.grid.CellRect({0, 0}).size(), QSize(100, 24));
    const QRect label = p.grid.CellRect({0, 1});
    QVERIFY(SameColor(image.pixelColor(label.right() + 1, label.top() + 5), line));
    QVERIFY(SameColor(image.pixelColor(label.right(), label.top() + 5), face));
  }

  void textColoursFollowTheLetterAndTheEnabledState() {
    const QPalette palette;
    const QColor grey = InactiveCaptionText(palette);
    QCOMPARE(DataCellColors(GridKind::Favorites, "?", palette, true).text, QColor(255, 255, 255));
    QCOMPARE(DataCellColors(GridKind::Favorites, "?", palette, false).text, QColor(255, 255, 255));
    QCOMPARE(DataCellColors(GridKind::Favorites, "C", palette, true).text, QColor(0, 0, 0));
    QCOMPARE(DataCellColors(GridKind::Favorites, "C", palette, false).text, grey);
    QCOMPARE(DataCellColors(GridKind::Favorites, "Cz", palette, true).background, QColor(119, 255, 119));
    QCOMPARE(DataCellColors(GridKind::Favorites, "G", palette, true).background, QColor(255, 255, 255));
    QCOMPARE(DataCellColors(GridKind::Groups, "G", palette, true).background, QColor(119, 255, 119));
    QCOMPARE(DataCellColors(GridKind::Groups, "R", palette, true).background, QColor(255, 255, 255));
    QCOMPARE(DataCellColors(GridKind::Restrictions, "R", palette, true).background, QColor(255, 119, 119));
    QCOMPARE(DataCellColors(GridKind::Restrictions, "?", palette, false).text, grey);
    QCOMPARE(DataCellColors(GridKind::Groups, "X", palette, true).background, ButtonFace(palette));
    QCOMPARE(HeaderRowColors(palette, false).text, grey);
    QCOMPARE(CornerColors(palette, true).background, QColor(255, 255, 255));
  }

  void mouseEventsArriveOnceAndInOrder() {
    FavoritesPage p;
    p.Import(16, 192);
    QVERIFY(ShowPage(p.page));
    QStringList events;
    auto record = [&](const char* what) {
      return [&events, what](int c, int r) { events << QString("%1 %2,%3").arg(what).arg(c).arg(r); };
    };
    connect(&p.grid, &MatrixGridWidget::CellClicked, this, record("click"));
    connect(&p.grid, &MatrixGridWidget::CellDoubleClicked, this, record("dbl"));
    connect(&p.grid, &MatrixGridWidget::CellRightPressed, this, record("right"));
    connect(&p.grid, &MatrixGridWidget::ContextMenuRequest, this,
            [&](QPoint, bool key) { events << (key ? "menu key" : "menu mouse"); });
    QWindow* window = p.page.windowHandle();
    QTest::mousePress(window, Qt::LeftButton, {}, CellCentre(p.grid, 3, 4));
    QCOMPARE(events, QStringList());  // nothing until the button is released
    QTest::mouseRelease(window, Qt::LeftButton, {}, CellCentre(p.grid, 3, 4));
    QCOMPARE(events, QStringList({"click 3,4"}));
    events.clear();
    DoubleClickCell(p.grid, 5, 6);
    QCOMPARE(events, QStringList({"click 5,6", "dbl 5,6"}));
    events.clear();
    RightClickCell(p.grid, 9, 2);
    QCOMPARE(events, QStringList({"right 9,2", "menu mouse"}));
    p.menu.hide();
    events.clear();
    p.KeyboardPopup();
    QCOMPARE(events, QStringList({"menu key"}));
    p.menu.hide();
  }

  void clicksMarkTheCellAndNameItsSource() {
    FavoritesPage p;
    p.Import(16, 192, [](ConfigModel& m) { m.unit.FavoriteStore.Cell(1, 3, 5) = Route::Audio; });
    QVERIFY(ShowPage(p.page));
    ClickCell(p.grid, 3, 5);
    QCOMPARE(p.Cell(3, 5), std::string("?"));
    QCOMPARE(p.editor.favorites.Shown(3, 5).route, Route::Audio);
    QCOMPARE(p.grid.GridModel().CornerText(), QString("Input 3"));

    ClickCell(p.grid, 4, 5);
    QCOMPARE(p.Cell(3, 5), std::string("A"));
    QCOMPARE(p.Cell(4, 5), std::string("?"));
    QCOMPARE(p.grid.GridModel().CornerText(), QString("Input 4"));
    ClickCell(p.grid, 4, 5);  // one click, one handler call: the marker comes off
    QCOMPARE(p.Cell(4, 5), std::string());

    // The keyboard moves the selection and raises the same handler.
    QTest::keyClick(p.page.windowHandle(), Qt::Key_Down);
    QCOMPARE(p.grid.SelectedCell(), (GridCellPos{4, 6}));
    QCOMPARE(p.Cell(4, 6), std::string("?"));

    // A dragged rectangle keeps the column where it began (a zone takes one
    // source for audio and one for video) and selects its top cell,
    // whichever way it is drawn.
    QWindow* window = p.page.windowHandle();
    QTest::mousePress(window, Qt::LeftButton, {}, CellCentre(p.grid, 8, 9));
    QTest::mouseMove(window, CellCentre(p.grid, 7, 8));
    QTest::mouseMove(window, CellCentre(p.grid, 6, 7));
    QTest::mouseRelease(window, Qt::LeftButton, {}, CellCentre(p.grid, 6, 7));
    QCOMPARE(p.grid.SelectedCell(), (GridCellPos{8, 7}));
    QCOMPARE(p.grid.SelectionLast(), (GridCellPos{8, 9}));
    QCOMPARE(p.Cell(8, 7), std::string("?"));
    QCOMPARE(p.Cell(8, 9), std::string());

    // Clicks on the fixed cells select nothing and mark nothing.
    ClickCell(p.grid, 2, 0);
    ClickCell(p.grid, 0, 3);
    QCOMPARE(p.grid.SelectedCell(), (GridCellPos{8, 7}));
    QCOMPARE(p.editor.favorites.Marker().cell, (GridCellPos{8, 7}));
  }

  void doubleClicksRunThroughTheConnections() {
    FavoritesPage p;
    p.Import(16, 192, [](ConfigModel& m) {
      m.unit.FavoriteStore.Cell(1, 2, 9) = Route::Audio;
      m.unit.FavoriteStore.Cell(1, 5, 9) = Route::Video;
    });
    QVERIFY(ShowPage(p.page));
    DoubleClickCell(p.grid, 7, 9);
    QCOMPARE(p.Cell(7, 9), std::string("C"));
    QCOMPARE(p.Cell(2, 9), std::string());
    QCOMPARE(p.Cell(5, 9), std::string());

    p.Set(5, 9, "V");
    p.grid.Refresh();
    DoubleClickCell(p.grid, 7, 9);
    QCOMPARE(p.Cell(7, 9), std::string("A"));
    QCOMPARE(p.Cell(5, 9), std::string("V"));  // audio only keeps the video feed
    p.Set(5, 9, "");
    p.Set(2, 9, "A");
    DoubleClickCell(p.grid, 7, 9);
    QCOMPARE(p.Cell(7, 9), std::string("V"));
    QCOMPARE(p.Cell(2, 9), std::string("A"));  // video only keeps the audio feed
    DoubleClickCell(p.grid, 7, 9);
    QCOMPARE(p.Cell(7, 9), std::string());
    DoubleClickCell(p.grid, 7, 9);
    QCOMPARE(p.Cell(7, 9), std::string("C"));
    QCOMPARE(p.Cell(2, 9), std::string());

    // Restricted and unused cells take neither the marker nor a connection.
    p.Import(8, 24, [](ConfigModel& m) { m.unit.RestrictionMark(4, 3) = "R"; });
    QCOMPARE(p.Cell(3, 4), std::string("R"));
    DoubleClickCell(p.grid, 3, 4);
    QCOMPARE(p.Cell(3, 4), std::string("R"));
    QCOMPARE(p.editor.favorites.Marker().cell, (GridCellPos{0, 0}));
    DoubleClickCell(p.grid, 9, 4);
    DoubleClickCell(p.grid, 2, 25);
    QCOMPARE(p.Cell(9, 4), std::string("X"));
    QCOMPARE(p.Cell(2, 25), std::string("X"));
    for (int z = 1; z <= 24; ++z)
      for (int s = 1; s <= 8; ++s)
        if (!(s == 3 && z == 4)) QVERIFY(p.Cell(s, z).empty());
  }

  void popupActsOnTheRightClickedCellOrTheSelection() {
    FavoritesPage p;
    p.Import(16, 192);
    QVERIFY(ShowPage(p.page));
    ClickCell(p.grid, 6, 10);

    // From the keyboard, before any right-click: the selected cell.
    p.KeyboardPopup();
    QVERIFY(p.menu.isVisible());
    p.Choose("CCombinedAV1");
    QCOMPARE(p.Cell(6, 10), std::string("C"));

    // A right press names its cell and leaves the selection alone.
    RightClickCell(p.grid, 4, 11);
    QVERIFY(p.menu.isVisible());
    QCOMPARE(p.grid.SelectedCell(), (GridCellPos{6, 10}));
    QCOMPARE(p.editor.model.screen.PopupCell, (GridCellPos{4, 11}));
    p.Choose("VVideoOnly1");
    QCOMPARE(p.Cell(4, 11), std::string("V"));

    // Right-clicks on the number row, the zone labels and the corner make
    // every item do nothing.
    for (const GridCellPos fixed : {GridCellPos{9, 0}, GridCellPos{0, 3}, GridCellPos{0, 0}}) {
      RightClickCell(p.grid, fixed.Column, fixed.Row);
      QVERIFY(p.menu.isVisible());
      QCOMPARE(p.editor.model.screen.PopupCell, fixed);
      const std::vector<std::string> before = ShownGrid(p.editor.favorites);
      for (const char* item : {"AAudioOnly1", "CCombinedAV1", "VVideoOnly1", "NoConnection1"}) p.Choose(item);
      QCOMPARE(ShownGrid(p.editor.favorites), before);
    }
  }

  void onlyNavigationKeysMoveTheMarkerAndThePopupTarget() {
    FavoritesPage p;
    // A "C" further down the column, where a type-ahead search for "c" would land.
    p.Import(16, 192, [](ConfigModel& m) { m.unit.FavoriteStore.Cell(1, 6, 20) = Route::Combined; });
    QVERIFY(ShowPage(p.page));
    ClickCell(p.grid, 6, 10);
    QWindow* window = p.page.windowHandle();
    const std::vector<std::string> before = ShownGrid(p.editor.favorites);
    QTest::keyClick(window, Qt::Key_C);
    QTest::keyClick(window, Qt::Key_X);
    QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(p.grid.SelectedCell(), (GridCellPos{6, 10}));
    QCOMPARE(p.grid.selectionModel()->selectedIndexes().size(), 1);
    QCOMPARE(p.editor.favorites.Marker().cell, (GridCellPos{6, 10}));
    QVERIFY(ShownGrid(p.editor.favorites) == before);

    // The keyboard's popup still acts on the marked cell.
    p.KeyboardPopup();
    p.Choose("CCombinedAV1");
    QCOMPARE(p.Cell(6, 10), std::string("C"));
    QCOMPARE(p.Cell(6, 20), std::string("C"));
    QCOMPARE(p.Cell(1, 1), std::string());

    // The navigation keys move it as ever.
    QTest::keyClick(window, Qt::Key_Down);
    QCOMPARE(p.grid.SelectedCell(), (GridCellPos{6, 11}));
    QCOMPARE(p.editor.favorites.Marker().cell, (GridCellPos{6, 11}));
  }

  void keyboardPopupActsOnTheCurrentCell_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Menu") << int(Qt::Key_Menu) << int(Qt::NoModifier);
    QTest::newRow("Shift+F10") << int(Qt::Key_F10) << int(Qt::ShiftModifier);
    QTest::newRow("Space") << int(Qt::Key_Space) << int(Qt::NoModifier);
    QTest::newRow("Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
    QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier);
  }

  void keyboardPopupActsOnTheCurrentCell() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    FavoritesPage p;
    p.Import(16, 192);
    QVERIFY(ShowPage(p.page));
    RightClickCell(p.grid, 3, 5);
    p.Choose("CCombinedAV1");
    QCOMPARE(p.Cell(3, 5), std::string("C"));
    p.editor.PrepareExport();
    p.editor.MarkExported();
    // The arrows move to another cell; the key opens the popup there.
    ClickCell(p.grid, 3, 6);
    p.grid.setFocus(Qt::TabFocusReason);
    QWindow* window = p.page.windowHandle();
    QTest::keyClick(window, Qt::Key_Right);
    QTest::keyClick(window, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QVERIFY(p.menu.isVisible());
    QVERIFY((p.menu.geometry().topLeft() - p.grid.mapToGlobal(p.grid.CellRect({4, 6}).center()))
                .manhattanLength() < 3);
    p.Choose("AAudioOnly1");
    QCOMPARE(p.Cell(4, 6), std::string("A"));
    QCOMPARE(p.Cell(3, 5), std::string("C"));
    QVERIFY(p.editor.IsModified());
  }

  void popupItemsAnswerTheirLetters_data() {
    QTest::addColumn<char>("letter");
    QTest::addColumn<bool>("byKeyboard");  // opened with the Menu key, not a right-click
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("row");  // sources 1 to 8 of zone 10 afterwards, "." for empty
    // Zone 10 holds "A" under source 2 and "V" under source 5.
    QTest::newRow("A") << 'A' << false << 7 << "....V.A.";
    QTest::newRow("C") << 'C' << false << 7 << "......C.";
    QTest::newRow("V") << 'V' << false << 7 << ".A....V.";
    QTest::newRow("N") << 'N' << false << 5 << ".A......";
    QTest::newRow("v, opened by keyboard") << 'v' << true << 7 << ".A....V.";
    QTest::newRow("x is no item") << 'x' << false << 7 << ".A..V...";
  }

  void popupItemsAnswerTheirLetters() {
    QFETCH(char, letter);
    QFETCH(bool, byKeyboard);
    QFETCH(int, source);
    QFETCH(QString, row);
    FavoritesPage p;
    p.Import(8, 24, [](ConfigModel& m) {
      m.unit.FavoriteStore.Cell(1, 2, 10) = Route::Audio;
      m.unit.FavoriteStore.Cell(1, 5, 10) = Route::Video;
    });
    QVERIFY(ShowPage(p.page));
    QWindow* window = p.page.windowHandle();
    byKeyboard ? ClickCell(p.grid, source, 10) : RightClickCell(p.grid, source, 10);
    if (byKeyboard) QTest::keyClick(window, Qt::Key_Menu);
    QVERIFY(p.menu.isVisible());
    QTest::keyClick(window, letter);
    const auto shown = [&p] {
      QString letters;
      for (int s = 1; s <= 8; ++s) letters += p.Cell(s, 10).empty() ? '.' : p.Cell(s, 10)[0];
      return letters.replace('?', '.');
    };
    QCOMPARE(shown(), row);
    // As a click: the menu closes, and the change is one step to undo.
    const bool acted = row != ".A..V...";
    QCOMPARE(p.menu.isVisible(), !acted);
    QCOMPARE(p.editor.Undo(), acted);
    QCOMPARE(shown(), QString(".A..V..."));
    QCOMPARE(p.menu.actions().front()->text(), QString("A) Audio Only"));
  }

  void cellsAndHeadersSayWhatTheyHold() {
    FavoritesPage p;
    p.Import(8, 192, [](ConfigModel& m) {
      m.unit.ZoneNames[5] = "Kitchen";
      m.unit.SourceNames[4] = "Tuner";
      m.unit.FavoriteStore.Cell(1, 4, 5) = Route::Combined;
      m.unit.FavoriteStore.Cell(1, 2, 5) = Route::Video;
      m.unit.FavoriteStore.Cell(1, 1, 5) = Route::Audio;
      m.unit.RestrictionMark(5, 3) = "R";
    });
    QVERIFY(ShowPage(p.page));
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(&p.grid);
    QVERIFY(grid && grid->tableInterface());
    auto said = [&](int s, int z) {
      QAccessibleInterface* cell = grid->tableInterface()->cellAt(z - 1, s - 1);
      return cell ? cell->text(QAccessible::Name) : QString();
    };
    QCOMPARE(said(4, 5), QString("Kitchen, source 4 Tuner: combined audio and video"));
    QCOMPARE(said(1, 5), QString("Kitchen, source 1 Input 1: audio only"));
    QCOMPARE(said(2, 5), QString("Kitchen, source 2 Input 2: video only"));
    QCOMPARE(said(3, 5), QString("Kitchen, source 3 Input 3: restricted"));
    QCOMPARE(said(5, 5), QString("Kitchen, source 5 Input 5: no connection"));
    QCOMPARE(said(9, 5), QString("Kitchen, source 9: not used"));
    ClickCell(p.grid, 4, 5);
    QCOMPARE(p.Cell(4, 5), std::string("?"));
    QCOMPARE(said(4, 5), QString("Kitchen, source 4 Tuner: selected, combined audio and video"));
    // Column headers carry the source's name; the painted number stays.
    QAccessibleInterface* cell = grid->tableInterface()->cellAt(0, 3);
    QVERIFY(cell && cell->tableCellInterface());
    QAccessibleInterface* header = cell->tableCellInterface()->columnHeaderCells().value(0);
    QVERIFY(header);
    QCOMPARE(header->text(QAccessible::Name), QString("4 Tuner"));
    QCOMPARE(p.grid.model()->headerData(3, Qt::Horizontal).toString(), QString("4"));
  }

  void favoritesSurviveSwitchingInTheList() {
    FavoritesPage p;
    p.Import(16, 192);
    QVERIFY(ShowPage(p.page));
    QCOMPARE(p.list.count(), 10);
    QCOMPARE(p.list.item(1)->text(), QString("Fav 2"));
    QCOMPARE(p.list.currentRow(), 0);

    auto pick = [&](int row) {
      QTest::mouseClick(p.list.viewport(), Qt::LeftButton, {},
                        p.list.visualItemRect(p.list.item(row)).center());
    };
    pick(2);
    QCOMPARE(p.editor.model.screen.CurrentFavorite, 3);
    DoubleClickCell(p.grid, 4, 12);
    DoubleClickCell(p.grid, 6, 13);
    DoubleClickCell(p.grid, 6, 13);
    ClickCell(p.grid, 4, 12);
    ClickCell(p.grid, 6, 13);  // selected again: shows the marker
    QCOMPARE(p.Cell(6, 13), std::string("?"));
    pick(0);
    QCOMPARE(p.Cell(4, 12), std::string());
    QVERIFY(p.editor.model.unit.FavoriteStore.Cell(3, 6, 13) == Route::Audio);
    pick(2);
    QCOMPARE(p.Cell(4, 12), std::string("C"));
    QCOMPARE(p.Cell(6, 13), std::string("A"));

    // A page switch keeps the chosen entry and shows the names afresh.
    p.editor.model.unit.FavoriteNames[3] = "Party \xE9t\xE9";
    p.editor.PageChosen(Page::Favorites);
    p.page.SyncFromEditor();
    QCOMPARE(p.list.currentRow(), 2);
    QCOMPARE(p.list.item(2)->text().toLatin1(), QByteArray("Party \xE9t\xE9"));
    QCOMPARE(p.editor.model.screen.CurrentFavorite, 3);

    // The export carries the edits of favorite 3.
    const std::vector<std::string> lines = BuildCommandSequence(p.editor.model);
    auto has = [&](const char* line) { return std::find(lines.begin(), lines.end(), line) != lines.end(); };
    QVERIFY(has("[F3AO12I4]"));
    QVERIFY(has("[F3AO13AI6]"));
    QVERIFY(!has("[F1AO12I4]"));
  }

  void zoneAndSourceNamesKeepTheirBytes() {
    FavoritesPage p;
    p.Import(16, 192);
    const std::string zone = "Caf\xE9 \xC0\xFF!";
    const std::string source =
        "R\xE9"
        "cepteur";
    p.editor.model.unit.ZoneNames[3] = zone;
    p.editor.model.unit.SourceNames[2] = source;
    p.editor.PageChosen(Page::Favorites);
    p.page.SyncFromEditor();
    const QString shown = p.grid.model()->headerData(2, Qt::Vertical).toString();
    QCOMPARE(shown.size(), qsizetype(zone.size()));
    QCOMPARE(shown.at(3), QChar(0xE9));
    QCOMPARE(shown.toLatin1().toStdString(), zone);
    p.editor.favorites.CellClicked(2, 1);
    p.grid.Refresh();
    QCOMPARE(p.grid.GridModel().CornerText().toLatin1().toStdString(), source);
  }

  void pageIsGreyedUntilAnImport() {
    FavoritesPage p;
    QVERIFY(ShowPage(p.page));
    QVERIFY(p.page.isEnabled());
    QVERIFY(!p.grid.isEnabled());
    QVERIFY(!p.list.isEnabled());
    RightClickCell(p.grid, 2, 2);
    QVERIFY(!p.menu.isVisible());
    QVERIFY(!p.editor.model.screen.PopupFromMouse);
    p.Import(16, 192);
    QVERIFY(p.grid.isEnabled());
    QVERIFY(p.list.isEnabled());
  }
};

QTEST_MAIN(TestGridsFavorites)
#include "test_grids_favorites.moc"
