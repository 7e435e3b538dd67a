// Edit > Undo and Redo through the window's real controls: each kind of
// edit taken back and done again, the pages' controls compared as a whole,
// the menu's texts and shortcuts, steps of a slider's keys, a cell editor's
// own Ctrl+Z, and the greying during a transfer.
#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>
#include <functional>

#include "support/example_file.h"
#include "support/grid_test_helpers.h"
#include "support/window_fixture.h"

using namespace zem;

namespace {

std::string FullExample() { return zem::test::ExampleText("full-16x192.zem"); }

// What every page's controls show: values, states, texts and grid cells.
QStringList Controls(QWidget* pages) {
  QStringList shown{QString::number(static_cast<QTabWidget*>(pages)->currentIndex())};
  for (QWidget* w : pages->findChildren<QWidget*>()) {
    const QString name = w->objectName() + '=';
    if (w->objectName() == "InplaceEditor") continue;  // a closed one waits to be deleted
    if (auto* slider = qobject_cast<QSlider*>(w)) {
      shown << name + QString::number(slider->value());
    } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
      shown << name + QString::number(box->isChecked());
    } else if (auto* edit = qobject_cast<QLineEdit*>(w); edit && !w->objectName().isEmpty()) {
      shown << name + edit->text();
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
      shown << name + QString::number(combo->currentIndex()) + ' ' + combo->currentText();
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {
      shown << name + QString::number(list->currentRow());
      for (int i = 0; i < list->count(); ++i) shown << list->item(i)->text();
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
      shown << name + label->text();
    } else if (auto* view = qobject_cast<QAbstractItemView*>(w); view && view->model()) {
      shown << name;
      const QAbstractItemModel* m = view->model();
      for (int r = 0; r < m->rowCount(); ++r)
        for (int c = 0; c < m->columnCount(); ++c) shown.back() += m->index(r, c).data().toString() + ',';
    }
  }
  return shown;
}

}  // namespace

class TestWindowUndo : public QObject, private zem::test::WindowFixture {
  Q_OBJECT

  QTabWidget* Pages() { return window->findChild<QTabWidget*>("PageControl1"); }
  template <typename T>
  T* Find(const char* name) {
    T* w = window->findChild<T*>(name);
    if (!w) qFatal("no control %s", name);
    return w;
  }
  void Show(Page page) { Pages()->setCurrentIndex(static_cast<int>(page)); }
  void TypeIntoCell(const char* gridName, int row, const char* text) {
    auto* grid = Find<QTableView>(gridName);
    const QModelIndex cell = grid->model()->index(row - 1, 1);
    grid->setCurrentIndex(cell);
    grid->edit(cell);
    auto* edit = grid->findChild<QLineEdit*>("InplaceEditor");
    QVERIFY(edit);
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
  }
  bool Activate() {
    window->activateWindow();
    return QTest::qWaitForWindowActive(window.get());
  }

  // One kind of edit as the user makes it, on the page it belongs to.
  struct Edit {
    const char* step;
    Page page;
    std::function<void(TestWindowUndo&)> go;  // to the item: no step
    std::function<void(TestWindowUndo&)> make;
  };
  static const std::vector<Edit>& Edits() {
    static const std::vector<Edit> edits = {
        {"Rename Zone 6", Page::SourceZoneNaming, nullptr,
         [](TestWindowUndo& t) { t.TypeIntoCell("StringGrid2", 6, "Patio"); }},
        {"Rename Favorite 3", Page::FavoriteGroupNaming, nullptr,
         [](TestWindowUndo& t) { t.TypeIntoCell("StringGrid5", 3, "Night"); }},
        {"Route Zone 4 in Favorite 2", Page::Favorites,
         [](TestWindowUndo& t) { t.Find<QListWidget>("ListBox1")->setCurrentRow(1); },
         [](TestWindowUndo& t) {
           zem::test::DoubleClickCell(*t.Find<MatrixGridWidget>("StringGrid1"), 3, 4);
         }},
        {"Groups of Zone 3", Page::Groups, nullptr,
         [](TestWindowUndo& t) {
           zem::test::DoubleClickCell(*t.Find<MatrixGridWidget>("StringGrid7"), 5, 3);
         }},
        {"Restrict All", Page::Restrictions, nullptr,
         [](TestWindowUndo& t) { t.Find<QPushButton>("Button3")->click(); }},
        {"Volume of Zone 3", Page::ZoneAudioControls,
         [](TestWindowUndo& t) { t.Find<QListWidget>("ListBox3")->setCurrentRow(2); },
         [](TestWindowUndo& t) {
           auto* volume = t.Find<QSlider>("TrackBar13");
           volume->setFocus();
           for (int i = 0; i < 3; ++i) QTest::keyClick(volume, Qt::Key_Left);
           t.Find<QListWidget>("ListBox3")->setFocus();
         }},
        {"DSP Mode of Zone 2", Page::ZoneAudioControls,
         [](TestWindowUndo& t) { t.Find<QListWidget>("ListBox3")->setCurrentRow(1); },
         [](TestWindowUndo& t) {
           auto* modes = t.Find<QComboBox>("ComboBox2");
           modes->setCurrentIndex(4);
           emit modes->activated(4);
         }},
        {"Rename Preset 5", Page::EQPresets,
         [](TestWindowUndo& t) { t.Find<QListWidget>("ListBox2")->setCurrentRow(4); },
         [](TestWindowUndo& t) {
           auto* name = t.Find<QLineEdit>("Edit4");
           name->setFocus();
           QTest::keyClicks(name, "xy");
           t.Find<QListWidget>("ListBox2")->setFocus();
         }},
        {"Front Panel Lock", Page::Options, nullptr,
         [](TestWindowUndo& t) { t.Find<QCheckBox>("FPCheckbox")->click(); }},
    };
    return edits;
  }

 private slots:
  void init() {
    OpenWindow(true);
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    editor->ImportFileText(FullExample(), "full-16x192.zem");
  }
  void cleanup() { CloseWindow(); }

  void menuNamesTheStepsAndGreysWithoutOne() {
    auto* undo = Find<QAction>("Undo1");
    auto* redo = Find<QAction>("Redo1");
    QCOMPARE(undo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    QCOMPARE(redo->shortcuts(), (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                                                     QKeySequence(Qt::CTRL | Qt::Key_Y)}));
    QCOMPARE(Find<QMenu>("EditMenu")->actions(), (QList<QAction*>{undo, redo}));
    QCOMPARE(undo->text(), QString("&Undo"));
    QVERIFY(!undo->isEnabled() && !redo->isEnabled());
    Show(Page::Restrictions);
    Find<QPushButton>("Button3")->click();
    QCOMPARE(undo->text(), QString("&Undo Restrict All"));
    QVERIFY(undo->isEnabled() && !redo->isEnabled());
    undo->trigger();
    QCOMPARE(undo->text(), QString("&Undo"));
    QCOMPARE(redo->text(), QString("&Redo Restrict All"));
    QVERIFY(!undo->isEnabled() && redo->isEnabled());
  }

  void undoShowsAndPutsBackEachEdit_data() {
    QTest::addColumn<int>("which");
    for (std::size_t i = 0; i < Edits().size(); ++i) QTest::newRow(Edits()[i].step) << static_cast<int>(i);
  }
  void undoShowsAndPutsBackEachEdit() {
    QFETCH(int, which);
    const Edit& edit = Edits()[static_cast<std::size_t>(which)];
    Show(edit.page);
    if (edit.go) edit.go(*this);
    const QStringList before = Controls(Pages());
    const UnitConfiguration unitBefore = editor->ConfigurationToExport().unit;
    edit.make(*this);
    QCOMPARE(Find<QAction>("Undo1")->text(), QString("&Undo ") + edit.step);
    // The lists take a preset's new name when the page is shown again.
    Show(Page::ConfigurationFile);
    Show(edit.page);
    const QStringList after = Controls(Pages());
    QVERIFY(before != after);

    Show(Page::ConfigurationFile);
    Find<QAction>("Undo1")->trigger();
    QCOMPARE(Pages()->currentIndex(), static_cast<int>(edit.page));
    QVERIFY(Identical(editor->ConfigurationToExport().unit, unitBefore));
    QCOMPARE(Controls(Pages()), before);
    QVERIFY(!window->isWindowModified());

    Show(Page::ConfigurationFile);
    Find<QAction>("Redo1")->trigger();
    QCOMPARE(Pages()->currentIndex(), static_cast<int>(edit.page));
    QCOMPARE(Controls(Pages()), after);
    QCOMPARE(window->isWindowModified(), edit.page != Page::EQPresets);
  }

  void sliderKeysAreOneStepUntilTheFocusLeaves() {
    Show(Page::ZoneAudioControls);
    auto* balance = Find<QSlider>("TrackBar14");
    balance->setFocus();
    for (int i = 0; i < 4; ++i) QTest::keyClick(balance, Qt::Key_Right);
    QCOMPARE(Find<QAction>("Undo1")->text(), QString("&Undo Balance of Zone 1"));
    Find<QListWidget>("ListBox3")->setFocus();
    balance->setFocus();
    QTest::keyClick(balance, Qt::Key_Right);
    Find<QListWidget>("ListBox3")->setFocus();
    QCOMPARE(editor->history.Size(), std::size_t{2});
    const int moved = balance->value();
    Find<QAction>("Undo1")->trigger();
    QCOMPARE(balance->value(), moved - 1);
    Find<QAction>("Undo1")->trigger();
    QCOMPARE(balance->value(), moved - 5);
  }

  void aCellEditorKeepsItsOwnCtrlZ() {
    if (!Activate()) QSKIP("the window cannot be made active on this platform");
    Show(Page::Groups);
    zem::test::DoubleClickCell(*Find<MatrixGridWidget>("StringGrid7"), 2, 2);
    Show(Page::SourceZoneNaming);
    auto* grid = Find<QTableView>("StringGrid3");
    const QModelIndex cell = grid->model()->index(0, 1);
    grid->setCurrentIndex(cell);
    grid->edit(cell);
    auto* edit = grid->findChild<QLineEdit*>("InplaceEditor");
    QVERIFY(edit);
    const QString name = edit->text();
    edit->setFocus();
    QTest::keyClicks(edit, "zz");
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    // The typing is taken back, not the step of the groups page.
    QVERIFY(edit->text() != name + "zz");
    QCOMPARE(editor->history.Done(), std::size_t{1});
    QCOMPARE(Pages()->currentIndex(), static_cast<int>(Page::SourceZoneNaming));
    QTest::keyClick(edit, Qt::Key_Escape);
    // Outside an editor the shortcut is the menu's.
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(editor->history.Done(), std::size_t{0});
    QCOMPARE(Pages()->currentIndex(), static_cast<int>(Page::Groups));
    QTest::keyClick(Find<QWidget>("StringGrid7"), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(editor->history.Done(), std::size_t{1});
  }

  void greyedWhileATransferRuns() {
    Show(Page::Groups);
    zem::test::DoubleClickCell(*Find<MatrixGridWidget>("StringGrid7"), 2, 2);
    bool undoWhileBusy = true;
    prompts->whileFileDialogOpen = [&] { undoWhileBusy = Find<QAction>("Undo1")->isEnabled(); };
    prompts->confirmAnswers.push_back(true);  // the unsaved change may go
    Find<QAction>("Import1")->trigger();
    QVERIFY(!undoWhileBusy);
    // The cancelled import keeps the history.
    QVERIFY(Find<QAction>("Undo1")->isEnabled());
    QCOMPARE(Find<QAction>("Undo1")->text(), QString("&Undo Groups of Zone 2"));
  }
};

QTEST_MAIN(TestWindowUndo)
#include "test_window_undo.moc"
