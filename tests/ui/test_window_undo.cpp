// Edit > Undo and Redo through the window's real controls: edits taken back
// and done again with every page's controls compared, the menu and its keys,
// greyed during a transfer.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

#include "support/example_file.h"
#include "support/grid_test_helpers.h"
#include "support/window_fixture.h"

using namespace zem;
using namespace zem::test;

namespace {

// What every page's controls show: values, states, texts, the item chosen
// and every grid cell (where the cursor is is the user's).
QStringList Controls(QTabWidget* pages) {
  QStringList shown{QString::number(pages->currentIndex())};
  for (QWidget* w : pages->findChildren<QWidget*>()) {
    // A closed cell editor waits to be deleted; scrolling is the user's.
    if (w->objectName() == "InplaceEditor" || qobject_cast<QScrollBar*>(w)) continue;
    for (const char* property : {"value", "checked", "currentText", "text", "currentRow"})
      if (const QVariant v = w->property(property); v.isValid())
        shown << w->objectName() + property + v.toString();
    if (auto* view = qobject_cast<QAbstractItemView*>(w); view && view->model())
      for (int r = 0; r < view->model()->rowCount(); ++r)
        for (int c = 0; c < view->model()->columnCount(); ++c)
          shown << view->model()->index(r, c).data().toString();
  }
  return shown;
}

}  // namespace

class TestWindowUndo : public QObject, private WindowFixture {
  Q_OBJECT

  QTabWidget* Pages() { return window->findChild<QTabWidget*>("PageControl1"); }
  template <typename T>
  T* Find(const char* name) {
    T* w = window->findChild<T*>(name);
    if (!w) qFatal("no control %s", name);
    return w;
  }
  void Show(Page page) { Pages()->setCurrentIndex(static_cast<int>(page)); }
  QLineEdit* OpenCellEditor(const char* gridName, int row) {
    auto* grid = Find<QTableView>(gridName);
    grid->setCurrentIndex(grid->model()->index(row - 1, 1));
    grid->edit(grid->currentIndex());
    return grid->findChild<QLineEdit*>("InplaceEditor");
  }

  // An edit as the user makes it, on the item chosen in `list` (no step).
  struct Edit {
    const char* step;
    Page page;
    const char* list;
    int row;
    std::function<void(TestWindowUndo&)> make;
  };
  static const std::vector<Edit>& Edits() {
    static const std::vector<Edit> edits = {
        {"Rename Zone 6", Page::SourceZoneNaming, nullptr, 0,
         [](TestWindowUndo& t) {
           QLineEdit* edit = t.OpenCellEditor("StringGrid2", 6);
           edit->selectAll();
           QTest::keyClicks(edit, "Patio");  // each key reaches the model, one step in all
           QTest::keyClick(edit, Qt::Key_Return);
         }},
        {"Route Zone 4 in Favorite 2", Page::Favorites, "ListBox1", 1,
         [](TestWindowUndo& t) { DoubleClickCell(*t.Find<MatrixGridWidget>("StringGrid1"), 3, 4); }},
        {"Volume of Zone 3", Page::ZoneAudioControls, "ListBox3", 2,
         [](TestWindowUndo& t) {
           auto* volume = t.Find<QSlider>("TrackBar13");
           volume->setFocus();
           for (int i = 0; i < 3; ++i) QTest::keyClick(volume, Qt::Key_Left);
           t.Find<QWidget>("ListBox3")->setFocus();
         }},
        {"Front Panel Lock", Page::Options, nullptr, 0,
         [](TestWindowUndo& t) { t.Find<QCheckBox>("FPCheckbox")->click(); }},
    };
    return edits;
  }

 private slots:
  void init() {
    OpenWindow(true);
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    editor->ImportFileText(ExampleText("full-16x192.zem"), "full-16x192.zem");
  }
  void cleanup() { CloseWindow(); }

  void undoShowsAndPutsBackEachEdit_data() {
    QTest::addColumn<int>("which");
    for (std::size_t i = 0; i < Edits().size(); ++i) QTest::newRow(Edits()[i].step) << static_cast<int>(i);
  }
  void undoShowsAndPutsBackEachEdit() {
    QFETCH(int, which);
    const Edit& edit = Edits()[static_cast<std::size_t>(which)];
    Show(edit.page);
    if (edit.list) Find<QListWidget>(edit.list)->setCurrentRow(edit.row);
    const QStringList before = Controls(Pages());
    edit.make(*this);
    // Keys on a slider until the focus leaves, a cell editor's keys until
    // it closes (at the next event-loop pass): one step.
    QTRY_COMPARE(editor->history.Size(), std::size_t{1});
    QCOMPARE(Find<QAction>("Undo1")->text(), QString("&Undo ") + edit.step);
    // Every page shows the change once a page is chosen again.
    Show(Page::ConfigurationFile);
    Show(edit.page);
    const QStringList after = Controls(Pages());
    QVERIFY(before != after);
    for (const bool redo : {false, true}) {
      Show(Page::ConfigurationFile);
      Find<QAction>(redo ? "Redo1" : "Undo1")->trigger();
      QCOMPARE(Controls(Pages()), redo ? after : before);  // the page and item shown included
      QCOMPARE(window->isWindowModified(), redo);
    }
  }

  void menuAndKeysFollowTheStepAndGreyDuringATransfer() {
    auto* undo = Find<QAction>("Undo1");
    auto* redo = Find<QAction>("Redo1");
    Show(Page::Groups);
    auto* grid = Find<MatrixGridWidget>("StringGrid7");
    DoubleClickCell(*grid, 3, 190);
    QCOMPARE(undo->text(), QString("&Undo Groups of Zone 190"));
    QVERIFY(undo->isEnabled() && !redo->isEnabled());

    bool enabledWhileBusy = true;
    prompts->whileFileDialogOpen = [&] { enabledWhileBusy = undo->isEnabled(); };
    prompts->confirmAnswers.push_back(true);  // the unsaved change may go
    Find<QAction>("Import1")->trigger();
    QVERIFY(!enabledWhileBusy);
    // Nothing imported: the history stays. Undo shows the step's row.
    grid->scrollToTop();
    Show(Page::Restrictions);
    undo->trigger();
    QCOMPARE(Pages()->currentIndex(), static_cast<int>(Page::Groups));
    QVERIFY(grid->viewport()->rect().intersects(grid->visualRect(grid->model()->index(189, 2))));
    QCOMPARE(undo->text(), QString("&Undo"));
    QCOMPARE(redo->text(), QString("&Redo Groups of Zone 190"));
    QVERIFY(!undo->isEnabled() && redo->isEnabled());

    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get())) QSKIP("the window cannot be made active here");
    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(editor->history.Done(), std::size_t{1});
    // A cell editor's Ctrl+Z takes back its typing, not the step.
    Show(Page::SourceZoneNaming);
    QLineEdit* edit = OpenCellEditor("StringGrid3", 1);
    QVERIFY(edit);
    const QString name = edit->text();
    edit->setFocus();
    QTest::keyClicks(edit, "zz");
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(edit->text(), name);
    QCOMPARE(editor->history.Done(), std::size_t{1});
    QTest::keyClick(edit, Qt::Key_Escape);
    // Outside an editor the keys are the menu's.
    QTest::keyClick(Find<QWidget>("StringGrid3"), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(editor->history.Done(), std::size_t{0});
    QCOMPARE(Pages()->currentIndex(), static_cast<int>(Page::Groups));
    QTest::keyClick(grid, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(editor->history.Done(), std::size_t{1});
  }
};

QTEST_MAIN(TestWindowUndo)
#include "test_window_undo.moc"
