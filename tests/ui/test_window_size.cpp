// The window's size: the default size and layout, growing controls on a
// larger window, and a window that fits a small screen.

#include <QApplication>
#include <QHash>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTest>

#include "support/window_fixture.h"
#include "ui/window/main_window.h"

using zem::MainWindow;

namespace {

const char* const kTallGrids[] = {"StringGrid1", "StringGrid4", "StringGrid7", "StringGrid2",
                                  "StringGrid3", "StringGrid5", "StringGrid6"};
const char* const kTextAreas[] = {"Memo2", "Memo3"};

bool Grows(const QWidget* w) {
  for (const char* name : kTallGrids)
    if (w->objectName() == name) return true;
  for (const char* name : kTextAreas)
    if (w->objectName() == name) return true;
  return false;
}

// Every control placed on a page: the pages' direct children.
QList<QWidget*> PageControls(QTabWidget* pages) {
  QList<QWidget*> controls;
  for (int i = 0; i < pages->count(); ++i)
    controls += pages->widget(i)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  return controls;
}

QHash<QWidget*, QRect> Geometries(const QList<QWidget*>& widgets) {
  QHash<QWidget*, QRect> geometries;
  for (QWidget* w : widgets) geometries.insert(w, w->geometry());
  return geometries;
}

}  // namespace

class TestWindowSize : public QObject, private zem::test::WindowFixture {
  Q_OBJECT

 private slots:
  void initTestCase() { style_ = QApplication::style()->name(); }
  void init() { OpenWindow(false); }
  void cleanup() {
    CloseWindow();
    if (QApplication::style()->name() != style_) QApplication::setStyle(style_);
  }

  // The Windows style's menu bar is a pixel taller in the window than its
  // size hint says.
  void opensAtTheDefaultSizeAndLayout_data() {
    QTest::addColumn<QString>("style");
    QTest::newRow("default style") << QString();
    QTest::newRow("Windows style") << QString("Windows");
  }
  void opensAtTheDefaultSizeAndLayout() {
    QFETCH(QString, style);
    if (!style.isEmpty()) {
      CloseWindow();
      QVERIFY(QApplication::setStyle(style));
      OpenWindow(false);
    }
    auto* pages = window->findChild<QTabWidget*>("PageControl1");
    const QList<QWidget*> controls = PageControls(pages);
    QVERIFY(controls.size() > 100);
    const QHash<QWidget*, QRect> asBuilt = Geometries(controls);
    window->show();
    QApplication::processEvents();

    QCOMPARE(window->size(), QSize(713, window->menuBar()->height() + 450));
    QCOMPARE(window->minimumSize(), window->size());
    QVERIFY(window->maximumWidth() > 4000 && window->maximumHeight() > 4000);
    QVERIFY(window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QCOMPARE(pages->geometry(), QRect(8, 8, 697, 409));
    // Every control stays where the pages put it.
    for (QWidget* w : controls) QVERIFY2(w->geometry() == asBuilt[w], qPrintable(w->objectName()));
    const QHash<QString, QRect> places{
        {"StringGrid1", {55, 28, 538, 329}},  {"StringGrid4", {55, 28, 538, 329}},
        {"StringGrid7", {55, 28, 383, 329}},  {"StringGrid2", {16, 28, 297, 340}},
        {"StringGrid3", {368, 28, 297, 340}}, {"StringGrid5", {16, 28, 297, 340}},
        {"StringGrid6", {368, 28, 297, 340}}, {"Memo2", {8, 8, 345, 361}},
        {"Memo3", {360, 8, 321, 361}},        {"ListBox1", {608, 28, 73, 137}}};
    for (auto it = places.begin(); it != places.end(); ++it) {
      auto* w = window->findChild<QWidget*>(it.key());
      QVERIFY2(w, qPrintable(it.key()));
      QCOMPARE(w->geometry(), it.value());
    }
    // No scroll bars at the default size.
    auto* scroller = window->findChild<QScrollArea*>("ClientScroller");
    QVERIFY(!scroller->horizontalScrollBar()->isVisible() && !scroller->verticalScrollBar()->isVisible());
  }

  void gridsAndTextAreasGrowWithTheWindow() {
    auto* pages = window->findChild<QTabWidget*>("PageControl1");
    const QList<QWidget*> controls = PageControls(pages);
    const QHash<QWidget*, QRect> atDefault = Geometries(controls);
    window->show();
    QApplication::processEvents();
    const QSize before = window->size();
    window->resize(before + QSize(300, 400));
    QApplication::processEvents();
    QCOMPARE(window->size(), before + QSize(300, 400));

    QCOMPARE(pages->geometry(), QRect(8, 8, 697 + 300, 409 + 400));
    for (const char* name : kTallGrids) {
      auto* grid = window->findChild<QWidget*>(name);
      const QRect was = atDefault[grid];
      QCOMPARE(grid->geometry(), was.adjusted(0, 0, 0, 400));
    }
    auto* received = window->findChild<QPlainTextEdit*>("Memo2");
    auto* log = window->findChild<QPlainTextEdit*>("Memo3");
    QCOMPARE(received->geometry(), QRect(8, 8, 345 + 150, 361 + 400));
    QCOMPARE(log->geometry(), QRect(360 + 150, 8, 321 + 150, 361 + 400));
    for (QWidget* w : controls)
      if (!Grows(w)) QVERIFY2(w->geometry() == atDefault[w], qPrintable(w->objectName()));
    for (int i = 0; i < pages->count(); ++i) {
      if (!pages->isTabVisible(i)) continue;
      pages->setCurrentIndex(i);
      QApplication::processEvents();
      const QList<QWidget*> siblings = pages->widget(i)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
      // Everything stays on its page, and nothing overlaps its neighbours.
      for (QWidget* w : siblings)
        QVERIFY2(w->isHidden() || pages->widget(i)->rect().contains(w->geometry()),
                 qPrintable(w->objectName()));
      for (QWidget* a : siblings)
        for (QWidget* b : siblings)
          if (a != b && (Grows(a) || Grows(b)) && a->isVisible() && b->isVisible() && !a->isWindow() &&
              !b->isWindow())
            QVERIFY2(!a->geometry().intersects(b->geometry()),
                     qPrintable(a->objectName() + " overlaps " + b->objectName()));
    }

    // Back to the default size, back to the default layout.
    window->resize(before);
    QApplication::processEvents();
    for (QWidget* w : controls) QVERIFY2(w->geometry() == atDefault[w], qPrintable(w->objectName()));
  }

  void fitsTheAvailableArea() {
    const QSize size(713, 470);
    const QMargins frame(4, 30, 4, 4);
    // Room enough: centred, at its size.
    QCOMPARE(MainWindow::FitWindow(size, frame, QRect(0, 0, 1280, 1024)),
             QRect(QPoint(4 + (1272 - 713) / 2, 30 + (990 - 470) / 2), size));
    // A small area, not at the origin: the window and its frame fit inside it.
    const QRect small(100, 40, 640, 400);
    const QRect placed = MainWindow::FitWindow(size, frame, small);
    QVERIFY(small.contains(placed.marginsAdded(frame)));
    QCOMPARE(placed.size(), QSize(640 - 8, 400 - 34));
    // Narrow but tall: only the width shrinks, the title bar stays on screen.
    const QRect narrow(0, 0, 600, 2000);
    const QRect tall = MainWindow::FitWindow(size, frame, narrow);
    QCOMPARE(tall.size(), QSize(592, 470));
    QVERIFY(narrow.contains(tall.marginsAdded(frame)));
  }

  void aWindowOnASmallScreenScrolls() {
    const QRect small(20, 10, 600, 380);
    window->FitInto(small);
    window->show();
    QApplication::processEvents();
    QVERIFY2(small.contains(window->geometry()), qPrintable(QString("%1,%2 %3x%4")
                                                                .arg(window->x())
                                                                .arg(window->y())
                                                                .arg(window->width())
                                                                .arg(window->height())));
    QVERIFY(window->minimumWidth() <= 600 && window->minimumHeight() <= 380);
    // The client area keeps its default layout and scrolls.
    auto* scroller = window->findChild<QScrollArea*>("ClientScroller");
    QVERIFY(scroller->horizontalScrollBar()->isVisible() && scroller->verticalScrollBar()->isVisible());
    QCOMPARE(window->findChild<QTabWidget*>("PageControl1")->geometry(), QRect(8, 8, 697, 409));
    QCOMPARE(window->findChild<QWidget*>("StringGrid1")->geometry(), QRect(55, 28, 538, 329));
    // The status line stays in view, below the scrolled area.
    QVERIFY(window->rect().contains(window->statusBar()->geometry()));
  }

  void aWindowShownOffTheScreenComesBackOnIt() {
    const QRect available = window->screen()->availableGeometry();
    window->move(available.topLeft() - QPoint(300, 200));
    window->show();
    QApplication::processEvents();
    QVERIFY(available.contains(window->frameGeometry()));
    QCOMPARE(window->size(), window->minimumSize());
  }

 private:
  QString style_;
};

QTEST_MAIN(TestWindowSize)
#include "test_window_size.moc"
