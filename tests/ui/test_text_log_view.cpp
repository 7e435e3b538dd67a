// The text areas' view over a line log: what it shows, following the end,
// selecting and copying the bytes themselves, clearing.

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <cmath>
#include <memory>
#include <string>

#include "model/text_log.h"
#include "ui/window/text_log_view.h"

using zem::TextLog;
using zem::TextLogView;
using Position = TextLogView::Position;

namespace {

QString FromBytes(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// A view of a text area's size, shown and laid out.
struct ShownView {
  TextLog log;
  TextLogView view{log};
  ShownView() {
    view.resize(345, 361);
    view.show();
    QApplication::processEvents();
  }
};

}  // namespace

class TestTextLogView : public QObject {
  Q_OBJECT

 private slots:
  void showsTheLinesItHasNotCopied() {
    ShownView shown;
    const QImage empty = shown.view.viewport()->grab().toImage();
    shown.log.AppendLine("Zone: 1 Name: Caf\xe9");
    shown.log.AppendText("open\tline\r");
    QApplication::processEvents();
    // A CR at the end waits for its LF; a TAB shows as a blank.
    QCOMPARE(shown.view.ShownText(), FromBytes("Zone: 1 Name: Caf\xe9\nopen line"));
    QCOMPARE(shown.view.ShownLineCount(), std::size_t(2));
    QVERIFY(shown.view.viewport()->grab().toImage() != empty);
    shown.log.AppendText("\n");
    QApplication::processEvents();
    QCOMPARE(shown.view.ShownText(), FromBytes("Zone: 1 Name: Caf\xe9\nopen line\n"));
    QCOMPARE(shown.view.ShownLineCount(), std::size_t(3));

    // A view made over a log that already holds text shows it as it stands.
    shown.log.AppendText("tail\r");
    TextLogView late(shown.log);
    QCOMPARE(late.ShownText(), shown.view.ShownText());
    QCOMPARE(late.ShownLineCount(), std::size_t(3));
    QCOMPARE(late.ShownText(), zem::TextLogDisplayText("Zone: 1 Name: Caf\xe9\r\nopen\tline\r\ntail"));
  }

  void followsTheEndWhileItIsInSight() {
    ShownView shown;
    QScrollBar* bar = shown.view.verticalScrollBar();
    for (int i = 0; i < 500; ++i) shown.log.AppendLine("line " + std::to_string(i));
    QApplication::processEvents();
    QVERIFY(bar->maximum() > 400);
    QCOMPARE(bar->value(), bar->maximum());
    // The last line is in sight, at the bottom of the area.
    const QPoint last = shown.view.PointOf({499, 0});
    QVERIFY(last.y() > 0 && last.y() + shown.view.fontMetrics().height() <= shown.view.viewport()->height());
    QCOMPARE(shown.view.PositionAt(last + QPoint(1, 1)).line, std::size_t(499));

    // Scrolled back, the view stays where the user put it.
    bar->setValue(10);
    shown.log.AppendLine("more");
    QCOMPARE(shown.view.ShownLineCount(), std::size_t(502));
    QTRY_COMPARE(bar->maximum(), 502 - bar->pageStep());
    QCOMPARE(bar->value(), 10);
    // Back at the end, it follows again.
    QTest::keyClick(&shown.view, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(bar->value(), bar->maximum());
    shown.log.AppendLine("and more");
    QCOMPARE(shown.view.ShownLineCount(), std::size_t(503));
    QTRY_COMPARE(bar->maximum(), 503 - bar->pageStep());
    QCOMPARE(bar->value(), bar->maximum());
  }

  void longLinesScrollSidewaysNeverWrap() {
    ShownView shown;
    QScrollBar* sideways = shown.view.horizontalScrollBar();
    QCOMPARE(sideways->maximum(), 0);
    const std::string longLine(1 << 20, 'W');
    shown.log.AppendText(longLine);
    QApplication::processEvents();
    QCOMPARE(shown.view.ShownLineCount(), std::size_t(1));
    // As wide as the line: within 2% of its measured width.
    const double wide =
        shown.view.fontMetrics().horizontalAdvance(QString(1000, 'W')) * (longLine.size() / 1000.0);
    QVERIFY2(std::abs(sideways->maximum() - wide) < wide / 50,
             qPrintable(QString("%1 for %2").arg(sideways->maximum()).arg(wide)));
    // End goes to the line's end and brings it into sight.
    QTest::keyClick(&shown.view, Qt::Key_End);
    QCOMPARE(shown.view.CursorPosition(), (Position{0, longLine.size()}));
    const QPoint end = shown.view.PointOf(shown.view.CursorPosition());
    QVERIFY2(end.x() >= 0 && end.x() <= shown.view.viewport()->width(), qPrintable(QString::number(end.x())));
    QCOMPARE(shown.view.PositionAt(end), shown.view.CursorPosition());

    // A larger font makes the lines wider.
    const int before = sideways->maximum();
    QFont larger = shown.view.font();
    larger.setPixelSize(2 * QFontInfo(larger).pixelSize());
    shown.view.setFont(larger);
    QVERIFY(sideways->maximum() > before * 3 / 2);
  }

  void selectionAndCopyGiveTheBytes() {
    ShownView shown;
    shown.log.AppendLine("Caf\xe9\tX");
    shown.log.AppendLine("second \xff line");
    shown.log.AppendLine("third");
    QApplication::processEvents();
    TextLogView& view = shown.view;

    // Every place maps to its point and back, also scrolled sideways.
    for (const Position place : {Position{0, 0}, Position{0, 4}, Position{1, 13}, Position{2, 3}})
      QCOMPARE(view.PositionAt(view.PointOf(place) + QPoint(1, 1)), place);

    // Dragged with the mouse from the "f" of the first line to the "r" of the third.
    QWidget* area = view.viewport();
    const auto at = [&](Position place) { return view.PointOf(place) + QPoint(1, 2); };
    QTest::mousePress(area, Qt::LeftButton, {}, at({0, 2}));
    QTest::mouseMove(area, at({1, 5}));
    QTest::mouseMove(area, at({2, 3}));
    QTest::mouseRelease(area, Qt::LeftButton, {}, at({2, 3}));
    QCOMPARE(view.SelectionAnchor(), (Position{0, 2}));
    QCOMPARE(view.CursorPosition(), (Position{2, 3}));
    const QString selected = FromBytes("f\xe9\tX\nsecond \xff line\nthi");
    QCOMPARE(view.SelectedText(), selected);
    QApplication::clipboard()->clear();
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), selected);
    // The copy holds the bytes: back in single bytes they are what arrived.
    const QByteArray bytes = QApplication::clipboard()->text().toLatin1();
    QCOMPARE(bytes, QByteArray("f\xe9\tX\nsecond \xff line\nthi"));

    // From the keyboard: Shift extends, a plain move drops the selection.
    QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
    QVERIFY(!view.HasSelection());
    QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(view.SelectedText(), FromBytes("Caf\xe9\tX\nse"));
    QTest::keyClick(&view, Qt::Key_End, Qt::ShiftModifier);
    QCOMPARE(view.SelectedText(), FromBytes("Caf\xe9\tX\nsecond \xff line"));
    // Backwards across a line start, then the selection ends before the anchor.
    QTest::keyClick(&view, Qt::Key_Home);
    QTest::keyClick(&view, Qt::Key_Left, Qt::ShiftModifier);
    QCOMPARE(view.SelectedText(), QString("\n"));
    QTest::keyClick(&view, Qt::Key_Home, Qt::ShiftModifier);
    QCOMPARE(view.SelectedText(), FromBytes("Caf\xe9\tX\n"));
    QCOMPARE(view.SelectionAnchor(), (Position{1, 0}));

    // Select All takes every line; the context menu copies too.
    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(view.SelectedText(), FromBytes("Caf\xe9\tX\nsecond \xff line\nthird\n"));
    QApplication::clipboard()->clear();
    std::unique_ptr<QMenu> menu = view.MakeContextMenu();
    QAction* copy = menu->findChild<QAction*>("CopyAction");
    QVERIFY(copy && copy->isEnabled());
    copy->trigger();
    QCOMPARE(QApplication::clipboard()->text(), view.SelectedText());

    // A double click takes a word.
    QTest::mouseDClick(area, Qt::LeftButton, {}, at({1, 2}));
    QCOMPARE(view.SelectedText(), QString("second"));
    QVERIFY(view.HasSelection());
    // The selected part is painted differently from the same text unselected.
    const QImage withSelection = area->grab().toImage();
    view.Select({1, 0}, {1, 0});
    QVERIFY(area->grab().toImage() != withSelection);
    QVERIFY(!view.MakeContextMenu()->findChild<QAction*>("CopyAction")->isEnabled());
  }

  void assistiveToolsReadTheText() {
    ShownView shown;
    shown.log.AppendLine("first line");
    shown.log.AppendLine("Caf\xe9 au lait");
    shown.log.AppendLine("third");
    QApplication::processEvents();
    QAccessibleInterface* area = QAccessible::queryAccessibleInterface(&shown.view);
    QVERIFY(area);
    QCOMPARE(area->role(), QAccessible::EditableText);
    QVERIFY(area->state().readOnly && area->state().multiLine);
    QAccessibleTextInterface* text = area->textInterface();
    QVERIFY(text);

    const QString all = FromBytes("first line\nCaf\xe9 au lait\nthird\n");
    QCOMPARE(text->characterCount(), all.size());
    QCOMPARE(text->text(0, text->characterCount()), all);
    QCOMPARE(text->text(11, 15), FromBytes("Caf\xe9"));
    int start = -1, end = -1;
    QCOMPARE(text->textAtOffset(13, QAccessible::LineBoundary, &start, &end), FromBytes("Caf\xe9 au lait\n"));
    QCOMPARE(start, 11);
    QCOMPARE(end, 24);
    QCOMPARE(text->textAfterOffset(13, QAccessible::LineBoundary, &start, &end), QString("third\n"));
    QCOMPARE(text->textBeforeOffset(13, QAccessible::LineBoundary, &start, &end), QString("first line\n"));
    QCOMPARE(text->textAtOffset(17, QAccessible::WordBoundary, &start, &end), QString("au"));
    QCOMPARE(start, 16);
    QCOMPARE(text->textAtOffset(29, QAccessible::CharBoundary, &start, &end), QString("\n"));

    // A selection made by the tool is the view's, and the other way round.
    text->setSelection(0, 6, 15);
    QCOMPARE(shown.view.SelectedText(), FromBytes("line\nCaf\xe9"));
    shown.view.Select({2, 1}, {0, 2});
    QCOMPARE(text->selectionCount(), 1);
    text->selection(0, &start, &end);
    QCOMPARE(start, 2);
    QCOMPARE(end, 25);
    QCOMPARE(text->cursorPosition(), 2);
    // A character's place on the screen leads back to it.
    QCOMPARE(text->offsetAtPoint(text->characterRect(19).topLeft() + QPoint(1, 2)), 19);
  }

  void clearingEmptiesTheArea() {
    ShownView shown;
    const QImage empty = shown.view.viewport()->grab().toImage();
    for (int i = 0; i < 100; ++i) shown.log.AppendLine(std::string(300, 'x') + std::to_string(i));
    QApplication::processEvents();
    shown.view.SelectAll();
    QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(&shown.view)->textInterface();
    QCOMPARE(text->characterCount(), 100 * 302 - 10 + 100);
    QVERIFY(shown.view.verticalScrollBar()->value() > 0);
    QVERIFY(shown.view.horizontalScrollBar()->maximum() > 0);

    shown.log.Clear();
    // Cleared at once, not on the next pass: nothing refers to lines now gone.
    QCOMPARE(shown.view.ShownText(), QString());
    QCOMPARE(shown.view.ShownLineCount(), std::size_t(1));
    QVERIFY(!shown.view.HasSelection());
    QCOMPARE(shown.view.SelectedText(), QString());
    QCOMPARE(shown.view.verticalScrollBar()->maximum(), 0);
    QCOMPARE(shown.view.horizontalScrollBar()->maximum(), 0);
    QApplication::processEvents();
    QCOMPARE(shown.view.viewport()->grab().toImage(), empty);
    // A place past the end of the text falls on its end.
    QCOMPARE(shown.view.PositionAt(QPoint(200, 300)), (Position{0, 0}));

    shown.log.AppendText("after");
    QApplication::processEvents();
    QCOMPARE(shown.view.ShownText(), QString("after"));
    QCOMPARE(text->characterCount(), 5);
    QCOMPARE(text->text(1, 4), QString("fte"));
    shown.view.SelectAll();
    QCOMPARE(shown.view.SelectedText(), QString("after"));
  }
};

QTEST_MAIN(TestTextLogView)
#include "test_text_log_view.moc"
