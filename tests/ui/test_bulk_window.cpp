// The bulk edits through the window's real controls: ranges of names and
// their keys, the names file, Copy Audio and Copy Favorite, matrix ranges,
// the headers' owners and the find bar.
#include <sys/stat.h>
#include <QAbstractSlider>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>
#include <tuple>

#include "editor/names_csv.h"
#include "support/example_file.h"
#include "support/grid_test_helpers.h"
#include "support/names_files.h"
#include "support/route_letters.h"
#include "support/window_fixture.h"
#include "transfer/file_io.h"
#include "ui/pages/choice_dialog.h"
#include "ui/pages/find_bar.h"

using namespace zem;
using namespace zem::test;

namespace {

QString Lines(int count, const QString& stem) {
  QString text;
  for (int i = 1; i <= count; ++i) text += stem + QString::number(i) + "\n";
  return text;
}

// Types each character as a key press, Latin-1 letters too (QTest's own
// helpers take ASCII only).
void TypeText(QWidget* widget, const QString& text) {
  for (const QChar ch : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(widget, &press);
  }
}

}  // namespace

class TestBulkWindow : public QObject, private WindowFixture {
  Q_OBJECT

  QTemporaryDir dir_;

  template <typename T>
  T* Find(const char* name, QObject* in = nullptr) {
    T* w = (in ? in : window.get())->findChild<T*>(name);
    if (!w) qFatal("no control %s", name);
    return w;
  }
  void Show(Page page) {
    Find<QTabWidget>("PageControl1")->setCurrentIndex(static_cast<int>(page));
    QApplication::processEvents();
  }
  QString Status() { return Find<QLabel>("StatusText")->text(); }
  QString UndoText() { return Find<QAction>("Undo1")->text(); }
  void Undo() { Find<QAction>("Undo1")->trigger(); }
  void Redo() { Find<QAction>("Redo1")->trigger(); }
  QTableView* NameGrid(const char* name, int row) {
    auto* grid = Find<QTableView>(name);
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(row - 1, 1));
    return grid;
  }
  const std::string& Zone(int z) { return editor->model.unit.ZoneNames[z]; }

 private slots:
  void init() {
    OpenWindow(true);
    editor->ImportFileText(ExampleText("small-8x24.zem"), "small-8x24.zem");
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
  }
  void cleanup() { CloseWindow(); }

  void pasteShapes_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("undo");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("lastName");  // of the last row pasted into
    QTest::addColumn<int>("lastRow");
    const auto add = [](const char* name, int row, const QString& clipboard, const char* undo,
                        const char* status, const char* lastName, int lastRow) {
      QTest::newRow(name) << row << clipboard << undo << status << lastName << lastRow;
    };
    add("one line", 5, "Den\n", "&Undo Paste Zone Name", "", "Den", 5);
    add("past the end", 13, Lines(24, "Suite "), "&Undo Paste 12 Zone Names", " 12 lines did not fit",
        "Suite 12", 24);
    add("long names past the end", 23, "Guest Suite Number 2\nB\nC\n", "&Undo Paste 2 Zone Names",
        " 1 line did not fit, 1 name cut to 15 characters", "B", 24);
    add("not Latin-1", 1, QString("A\nB\nEuro \u20AC"), "&Undo",
        " Paste refused: line 3 holds a character a name cannot hold", "Living Room", 1);
  }
  void pasteShapes() {
    QFETCH(int, row);
    QFETCH(QString, clipboard);
    QFETCH(QString, undo);
    QFETCH(QString, status);
    QFETCH(QString, lastName);
    QFETCH(int, lastRow);
    Show(Page::SourceZoneNaming);
    const UnitConfiguration before = editor->model.unit;
    QApplication::clipboard()->setText(clipboard);
    QTest::keyClick(NameGrid("StringGrid2", row), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Zone(lastRow), lastName.toStdString());
    if (!status.isEmpty()) QCOMPARE(Status(), status);
    QCOMPARE(UndoText(), undo);
    if (undo == "&Undo") return;
    // The zone labels of the matrices follow at once.
    QCOMPARE(editor->model.screen.GroupLabels.Cell(0, lastRow), lastName.toStdString());
    const UnitConfiguration after = editor->model.unit;
    Undo();
    QVERIFY(editor->model.unit == before);
    Redo();
    QVERIFY(editor->model.unit == after);
  }

  void copyAndClearARange() {
    Show(Page::FavoriteGroupNaming);
    QTableView* grid = NameGrid("StringGrid5", 2);
    for (int i = 0; i < 2; ++i) QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    const UnitConfiguration& unit = editor->model.unit;
    QCOMPARE(QApplication::clipboard()->text().toStdString(),
             unit.FavoriteNames[2] + "\n" + unit.FavoriteNames[3] + "\n" + unit.FavoriteNames[4] + "\n");
    // The range shows in the style's selection colours.
    const QImage picture = grid->viewport()->grab().toImage();
    QCOMPARE(picture.pixelColor(grid->visualRect(grid->model()->index(1, 1)).topLeft() + QPoint(2, 2)),
             grid->palette().color(QPalette::Highlight));
    QTest::keyClick(grid, Qt::Key_Delete);
    for (int f = 2; f <= 4; ++f) QCOMPARE(unit.FavoriteNames[f], std::string());
    QCOMPARE(UndoText(), "&Undo Clear 3 Favorite Names");
    // Ctrl+A takes the whole column.
    QTest::keyClick(grid, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(grid->selectionModel()->selectedIndexes().size(), kFavorites);
  }

  void pasteIntoAnOpenCellEditor() {
    Show(Page::SourceZoneNaming);
    QTableView* grid = NameGrid("StringGrid2", 3);
    grid->edit(grid->currentIndex());
    auto* edit = Find<QLineEdit>("InplaceEditor", grid);
    edit->selectAll();
    QApplication::clipboard()->setText("Pantry\nCellar");
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(Zone(3), std::string("Pantry"));
    QCOMPARE(Zone(4), std::string("Master Bedroom"));
    QCOMPARE(UndoText(), "&Undo Rename Zone 3");
  }

  void importNames_data() {
    QTest::addColumn<int>("which");
    for (std::size_t i = 0; i < NamesFiles().size(); ++i)
      QTest::newRow(NamesFiles()[i].name) << static_cast<int>(i);
  }
  void importNames() {
    QFETCH(int, which);
    const NamesFile& file = NamesFiles()[static_cast<std::size_t>(which)];
    const QString path = dir_.filePath("names.csv");
    QVERIFY(WriteFileAtomically(path.toStdString(), file.bytes, nullptr));
    const UnitConfiguration before = editor->model.unit;
    prompts->openAnswers.push_back(path.toStdString());
    Find<QAction>("ImportNames1")->trigger();
    if (file.changed < 0) {
      QCOMPARE(prompts->errors.size(), std::size_t{1});
      QVERIFY2(prompts->errors[0].ends_with(file.error), prompts->errors[0].c_str());
      QVERIFY(editor->model.unit == before);
      QCOMPARE(UndoText(), "&Undo");
      return;
    }
    QVERIFY(prompts->errors.empty());
    QCOMPARE(Zone(3), file.zone3);
    QVERIFY(Status().startsWith(QString(" %1 name").arg(file.changed)));
    QCOMPARE(UndoText(), QString("&Undo Import %1 Names").arg(file.changed));
    Undo();
    QVERIFY(editor->model.unit == before);
  }

  void exportNames() {
    const QString path = dir_.filePath("out.csv");
    QFile::remove(path);
    editor->model.unit.ZoneNames[4] = "A\tB";
    prompts->saveAnswers.push_back(path.toStdString());
    Find<QAction>("ExportNames1")->trigger();
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll().toStdString(), NamesCsvText(editor->model.unit));
    // The name with a tab is left out, and said so.
    QCOMPARE(Status(), " Names exported to " + path + "; left out, holding a control byte: zone 4");
    QVERIFY(editor->messageLog.Text().ends_with(
        "Left out of the names file, it holds a control byte: zone 4 \"A\\x09B\"\r\n"));

    // A FIFO nobody reads fails at once: the window never waits for a reader.
    const QString fifo = dir_.filePath("fifo.csv");
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    prompts->saveAnswers.push_back(fifo.toStdString());
    prompts->confirmAnswers.push_back(true);
    const std::size_t errors = prompts->errors.size();
    Find<QAction>("ExportNames1")->trigger();
    QCOMPARE(prompts->errors.size(), errors + 1);
    // Nor is a FIFO read: its writer might never come.
    prompts->openAnswers.push_back(fifo.toStdString());
    Find<QAction>("ImportNames1")->trigger();
    QCOMPARE(prompts->errors.back(),
             "No names imported from " + fifo.toStdString() + ": it is not a regular file");
    // Nor compared with.
    prompts->openAnswers.push_back(fifo.toStdString());
    Find<QAction>("CompareWithFile1")->trigger();
    QCOMPARE(prompts->errors.back(),
             "Cannot open file " + fifo.toStdString() + ". A FIFO, not a regular file");
  }

  void copyAudioToAGroup() {
    Show(Page::ZoneAudioControls);
    editor->model.unit.GroupNames[2] = "Upstairs";
    for (int z = 1; z <= 24; ++z) editor->model.unit.GroupMark(z, 2) = z == 4 || z == 7 || z == 9 ? "G" : "";
    for (int g = 3; g <= kGroups; ++g) {  // 3, no name, holds 7 and 10; 4 nothing; 6 a name alone
      editor->model.unit.GroupNames[g] = g == 6 ? "Garden" : "";
      for (int z = 1; z <= 24; ++z)
        editor->model.unit.GroupMark(z, g) = g == 3 && (z == 7 || z == 10) ? "G" : "";
    }
    editor->model.unit.ZoneNames[12] = "  ";
    Find<QListWidget>("ListBox3")->setCurrentRow(4);  // zone 5
    editor->model.unit.ZoneAudio[5].Volume = -17;
    editor->model.unit.ZoneAudio[5].Balance = 21;
    Find<QAction>("CopyAudioSettings1")->trigger();
    auto* dialog = Find<ChoiceDialog>("CopyAudioDialog");
    QCOMPARE(Find<QListWidget>("CopyAudioZones", dialog)->count(), 23);
    Find<QPushButton>("CopyAudioGroup2", dialog)->click();
    QCOMPARE(dialog->Chosen(), (std::vector<int>{4, 7, 9}));
    Find<QPushButton>("CopyAudioDialogOk", dialog)->click();
    for (const int z : {4, 7, 9}) QVERIFY(editor->model.unit.ZoneAudio[z] == editor->model.unit.ZoneAudio[5]);
    QCOMPARE(UndoText(), "&Undo Copy Audio of Zone 5 to 3 Zones");
    // The dialog has gone. From the zone list's context menu too, every zone chosen.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!window->findChild<ChoiceDialog*>("CopyAudioDialog"));
    emit Find<QListWidget>("ListBox3")->customContextMenuRequested(QPoint(4, 4));
    Find<QAction>("ZoneListCopyAudio")->trigger();
    dialog = Find<ChoiceDialog>("CopyAudioDialog");
    QVERIFY(dialog->isVisible());
    Find<QPushButton>("CopyAudioSelectAll", dialog)->click();
    QCOMPARE(dialog->Chosen().size(), std::size_t{23});
    // What to copy: OK needs one part at least, and the choice stays.
    for (const char* part : {"CopyAudioEQ", "CopyAudioVolume", "CopyAudioBalance"})
      Find<QCheckBox>(part, dialog)->click();
    QVERIFY(!Find<QPushButton>("CopyAudioDialogOk", dialog)->isEnabled());
    Find<QCheckBox>("CopyAudioBalance", dialog)->click();
    Find<QPushButton>("CopyAudioDialogOk", dialog)->click();
    QCOMPARE(UndoText(), "&Undo Copy Balance of Zone 5 to 23 Zones");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Find<QAction>("CopyAudioSettings1")->trigger();
    dialog = Find<ChoiceDialog>("CopyAudioDialog");
    QVERIFY(!Find<QCheckBox>("CopyAudioVolume", dialog)->isChecked() &&
            Find<QCheckBox>("CopyAudioBalance", dialog)->isChecked());

    // Blank names shown by number. Pressed, a group adds its zones to those
    // chosen; released, it takes off those no other pressed group holds; a
    // screen reader hears which.
    const auto group = [&](int g) {
      return dialog->findChild<QPushButton*>(QString("CopyAudioGroup%1").arg(g));
    };
    QCOMPARE(Find<QListWidget>("CopyAudioZones", dialog)->item(10)->text(), "12 Zone 12");
    QVERIFY(group(3) && group(3)->text() == "Group 3" && group(6) && !group(4));
    dialog->Select([](int zone) { return zone == 1; });
    const std::tuple<int, bool, std::vector<int>> steps[] = {
        {3, true, {1, 7, 10}}, {2, true, {1, 4, 7, 9, 10}}, {3, false, {1, 4, 7, 9}}, {2, false, {1}}};
    for (const auto& [g, pressed, chosen] : steps) {
      group(g)->click();
      QAccessibleInterface* button = QAccessible::queryAccessibleInterface(group(g));
      QVERIFY(button->role() == QAccessible::Button && bool(button->state().pressed) == pressed);
      QCOMPARE(dialog->Chosen(), chosen);
    }
  }

  void copyFavorite() {
    Show(Page::Favorites);
    Find<QListWidget>("ListBox1")->setCurrentRow(1);  // favorite 2
    Find<QAction>("CopyFavorite1")->trigger();
    auto* dialog = Find<ChoiceDialog>("CopyFavoriteDialog");
    dialog->Select([](int f) { return f == 7; });
    Find<QPushButton>("CopyFavoriteDialogOk", dialog)->click();
    for (int z = 1; z <= 24; ++z)
      for (int s = 1; s <= 8; ++s)
        QVERIFY(editor->model.unit.FavoriteStore.Cell(7, s, z) ==
                editor->model.unit.FavoriteStore.Cell(2, s, z));
    QCOMPARE(UndoText(), "&Undo Copy Favorite 2 to Favorite 7");
  }

  void matrixRange_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("grid");
    QTest::addColumn<QString>("undo");
    QTest::newRow("groups") << int(Page::Groups) << "StringGrid7"
                            << "&Undo Groups of 4 Zones";
    QTest::newRow("restrictions") << int(Page::Restrictions) << "StringGrid4"
                                  << "&Undo Restrictions of 4 Zones";
  }
  void matrixRange() {
    QFETCH(int, page);
    QFETCH(QString, grid);
    QFETCH(QString, undo);
    Show(static_cast<Page>(page));
    auto* matrix = Find<MatrixGridWidget>(qPrintable(grid));
    const bool groups = page == int(Page::Groups);
    TextGrid& marks = groups ? editor->model.unit.GroupMarks : editor->model.unit.RestrictionMarks;
    marks.Cell(2, 22) = "";
    marks.Cell(3, 23) = groups ? "G" : "R";
    // From (2, 22) to (3, 25) by the keyboard: the anchor is empty, so every cell gets a mark.
    ClickCell(*matrix, 2, 22);
    QTest::keyClick(matrix, Qt::Key_Right, Qt::ShiftModifier);
    for (int i = 0; i < 3; ++i) QTest::keyClick(matrix, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(matrix->AnchorCell(), (GridCellPos{2, 22}));
    QTest::keyClick(matrix, Qt::Key_Space);
    const std::string mark = groups ? "G" : "R";
    for (int z = 22; z <= 24; ++z)
      for (int c = 2; c <= 3; ++c) QCOMPARE(marks.Cell(c, z), mark);
    QCOMPARE(UndoText(), undo);
    // A double-click acts on its own cell.
    DoubleClickCell(*matrix, 3, 23);
    QCOMPARE(marks.Cell(3, 23), std::string());
    QCOMPARE(marks.Cell(2, 23), mark);
  }

  void favoritesRange() {
    Show(Page::Favorites);
    auto* grid = Find<MatrixGridWidget>("StringGrid1");
    editor->model.unit.RestrictionMark(6, 2) = "R";
    editor->RefreshPages();
    ClickCell(*grid, 2, 4);
    for (int i = 0; i < 4; ++i) QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    // A wider selection keeps only the anchor's column.
    QTest::keyClick(grid, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(grid->SelectionFirst(), (GridCellPos{2, 4}));
    QCOMPARE(grid->SelectionLast(), (GridCellPos{2, 8}));
    editor->favorites.PopupOpenedFromKeyboard();
    Find<QAction>("VVideoOnly1")->trigger();
    for (const int z : {5, 7, 8}) QCOMPARE(test::ShownText(editor->favorites, 2, z), std::string("V"));
    QCOMPARE(test::ShownText(editor->favorites, 2, 6), std::string("R"));
    QCOMPARE(UndoText(), "&Undo Route 5 Zones in Favorite 1");
  }

  void headersSayWhoseTheyAre() {
    auto* model = Find<MatrixGridWidget>("StringGrid4")->model();
    QCOMPARE(model->headerData(3, Qt::Horizontal, Qt::ToolTipRole).toString(), "Source 4: Tuner");
    QCOMPARE(model->headerData(1, Qt::Vertical, Qt::AccessibleDescriptionRole).toString(), "Zone 2: Kitchen");
    auto* groups = Find<MatrixGridWidget>("StringGrid7")->model();
    editor->model.unit.GroupNames[1] = "Upstairs";
    QCOMPARE(groups->headerData(0, Qt::Horizontal, Qt::ToolTipRole).toString(), "Group 1: Upstairs");
  }

  void findBar_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("view");
    QTest::newRow("zone names") << int(Page::SourceZoneNaming) << "StringGrid2";
    QTest::newRow("groups") << int(Page::Groups) << "StringGrid7";
    QTest::newRow("restrictions") << int(Page::Restrictions) << "StringGrid4";
    QTest::newRow("zone audio") << int(Page::ZoneAudioControls) << "ListBox3";
  }
  void findBar() {
    QFETCH(int, page);
    QFETCH(QString, view);
    Show(static_cast<Page>(page));
    UnitConfiguration& unit = editor->model.unit;
    unit.ZoneNames[10] = "Suite 1";
    unit.ZoneNames[20] = "Suite \xC9t\xE9";
    editor->RefreshPages();
    auto* list = Find<QAbstractItemView>(qPrintable(view));
    list->setFocus();
    list->setCurrentIndex(list->model()->index(0, view == "ListBox3" ? 0 : 1));
    QWidget* pageWidget = Find<QTabWidget>("PageControl1")->currentWidget();
    QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
    auto* bar = Find<FindBar>("FindBar", pageWidget);
    QVERIFY(bar->isVisible());
    auto* edit = Find<QLineEdit>("FindEdit", bar);
    QTest::keyClicks(edit, "suite");
    QCOMPARE(list->currentIndex().row(), 9);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(list->currentIndex().row(), 19);
    QTest::keyClick(edit, Qt::Key_F3);
    QCOMPARE(list->currentIndex().row(), 9);
    QCOMPARE(bar->StatusText(), FindBar::kWrappedTop);
    QTest::keyClick(edit, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(list->currentIndex().row(), 19);
    QCOMPARE(bar->StatusText(), FindBar::kWrappedBottom);
    edit->clear();
    TypeText(edit, QString::fromLatin1("\xE9T\xC9"));
    QCOMPARE(list->currentIndex().row(), 19);
    edit->clear();
    QTest::keyClicks(edit, "xyz");
    QCOMPARE(bar->StatusText(), "No zone named like \"xyz\"");
    QCOMPARE(list->currentIndex().row(), 19);
    // The open bar hides no label, slider or button of its page.
    for (QWidget* control : pageWidget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      if (control != bar && control->isVisible() &&
          (qobject_cast<QLabel*>(control) || qobject_cast<QAbstractSlider*>(control) ||
           qobject_cast<QAbstractButton*>(control) || qobject_cast<QComboBox*>(control)))
        QVERIFY2(!bar->geometry().intersects(control->geometry()), qPrintable(control->objectName()));
    QTest::keyClick(edit, Qt::Key_Escape);
    QVERIFY(!bar->isVisible());
  }

  void findOnFavoritesOnlyScrolls() {
    Show(Page::Favorites);
    editor->model.unit.ZoneNames[20] = "Guest Suite";
    editor->RefreshPages();
    auto* grid = Find<MatrixGridWidget>("StringGrid1");
    ClickCell(*grid, 1, 1);
    const QModelIndex current = grid->currentIndex();
    const ScreenState screen = editor->model.screen;
    QTest::keyClick(grid, Qt::Key_F, Qt::ControlModifier);
    auto* bar = Find<FindBar>("FindBar", Find<QWidget>("TabSheet2"));
    QTest::keyClicks(Find<QLineEdit>("FindEdit", bar), "suite");
    QCOMPARE(grid->currentIndex(), current);
    QVERIFY(editor->model.screen == screen);
    QCOMPARE(grid->rowAt(grid->visualRect(grid->model()->index(19, 0)).center().y()), 19);
  }
};

QTEST_MAIN(TestBulkWindow)
#include "test_bulk_window.moc"
