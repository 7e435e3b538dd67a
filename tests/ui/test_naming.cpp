#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include "command/command_writer.h"
#include "editor/editor.h"
#include "support/window_fixture.h"
#include "ui/naming/name_grid_delegate.h"
#include "ui/window/main_window.h"

using zem::Editor;
using zem::MainWindow;
using zem::Page;
using zem::ScriptedPrompts;

namespace {

std::string Configuration(int sources, int zones) {
  std::string text;
  for (int s = 1; s <= sources; ++s)
    text += "[NI" + std::to_string(s) + "\"Input " + std::to_string(s) + "\"]\r\n";
  for (int z = 1; z <= zones; ++z)
    text += "[NO" + std::to_string(z) + "\"Room " + std::to_string(z) + "\"]\r\n";
  return text;
}

// Types each character as a key press and release, as a keyboard with that
// key would (QTest's own helpers take ASCII only).
void TypeText(QWidget* widget, const QString& text) {
  for (const QChar ch : text) {
    const auto key = static_cast<Qt::Key>(ch.toUpper().unicode());
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(ch));
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
  }
}

}  // namespace

class TestNaming : public QObject, private zem::test::WindowFixture {
  Q_OBJECT

 private slots:
  void init() {
    OpenWindow(true);
    pages = window->findChild<QTabWidget*>("PageControl1");
  }
  void cleanup() { CloseWindow(); }

  void gridsAndLabels() {
    const struct {
      const char* grid;
      const char* page;
      QPoint at;
      int nameWidth;
      int rows;
      const char* label;
    } grids[] = {{"StringGrid2", "TabSheet3", {16, 28}, 208, 192, "Zone 192"},
                 {"StringGrid3", "TabSheet3", {368, 28}, 227, 16, "Source 16"},
                 {"StringGrid5", "TabSheet6", {16, 28}, 227, 10, "Favorite 10"},
                 {"StringGrid6", "TabSheet6", {368, 28}, 227, 10, "Group 10"}};
    for (const auto& g : grids) {
      auto* grid = window->findChild<QTableView*>(g.grid);
      QVERIFY2(grid, g.grid);
      QCOMPARE(grid->parentWidget()->objectName(), QString(g.page));
      QCOMPARE(grid->geometry(), QRect(g.at, QSize(297, 340)));
      QCOMPARE(grid->columnWidth(0), 64);
      QCOMPARE(grid->columnWidth(1), g.nameWidth);
      QCOMPARE(grid->rowHeight(0), 20);
      QCOMPARE(grid->model()->rowCount(), g.rows);
      QCOMPARE(grid->model()->columnCount(), 2);
      QCOMPARE(grid->model()->index(g.rows - 1, 0).data().toString(), QString(g.label));
      // Labels are fixed; names are edited in place.
      QCOMPARE(grid->model()->flags(grid->model()->index(0, 0)) & (Qt::ItemIsEditable | Qt::ItemIsSelectable),
               Qt::ItemFlags());
      QVERIFY(grid->model()->flags(grid->model()->index(0, 1)) & Qt::ItemIsEditable);
    }
    const struct {
      const char* name;
      const char* text;
    } labels[] = {{"Label4", "Zone Names"},
                  {"Label5", "Source Names"},
                  {"Label60", "Favorite Names"},
                  {"Label61", "Group Names"}};
    for (const auto& l : labels) {
      auto* label = window->findChild<QLabel*>(l.name);
      QVERIFY2(label, l.name);
      QCOMPARE(label->text(), QString(l.text));
      QVERIFY(label->font().bold());
    }
  }

  void rowCountsFollowTheImport() {
    editor->ImportFileText(Configuration(8, 24), "/tmp/unit.zem");
    auto* zones = window->findChild<QTableView*>("StringGrid2");
    auto* sources = window->findChild<QTableView*>("StringGrid3");
    QCOMPARE(zones->model()->rowCount(), 24);
    QCOMPARE(sources->model()->rowCount(), 8);
    QCOMPARE(zones->model()->index(23, 1).data().toString(), QString("Room 24"));
    QCOMPARE(sources->model()->index(7, 1).data().toString(), QString("Input 8"));
    QCOMPARE(window->findChild<QTableView*>("StringGrid5")->model()->rowCount(), 10);

    // A larger unit next time shows all of its zones again.
    editor->ImportFileText(Configuration(16, 100), "/tmp/unit.zem");
    QCOMPARE(zones->model()->rowCount(), 100);
    QCOMPARE(sources->model()->rowCount(), 16);
    // A file that names no zone still lists one row.
    editor->ImportFileText("[NI1\"a\"]\r\n", "/tmp/unit.zem");
    QCOMPARE(zones->model()->rowCount(), 1);
  }

  void keyRuleOnTheInplaceEditor() {
    editor->ImportFileText(Configuration(8, 24), "/tmp/unit.zem");
    editor->model.unit.ZoneNames[1] = "ABCDEFGHIJKLMN";  // 14 characters
    pages->setCurrentIndex(static_cast<int>(Page::SourceZoneNaming));
    QLineEdit* edit = OpenEditor("StringGrid2", 0);
    QVERIFY(edit);
    QCOMPARE(edit->text(), QString("ABCDEFGHIJKLMN"));
    edit->deselect();
    edit->end(false);

    QTest::keyClick(edit, 'O');
    QCOMPARE(edit->text(), QString("ABCDEFGHIJKLMNO"));
    QTest::keyClick(edit, 'P');  // a 16th character is refused
    QCOMPARE(edit->text(), QString("ABCDEFGHIJKLMNO"));
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(edit->text(), QString("ABCDEFGHIJKLMN"));
    QTest::keyClick(edit, 'Q');  // accepted again after a Backspace
    QCOMPARE(edit->text(), QString("ABCDEFGHIJKLMNQ"));
    // The model follows each key, before the editor is closed.
    QCOMPARE(editor->model.unit.ZoneNames[1], std::string("ABCDEFGHIJKLMNQ"));

    // Typing over a selected part of a full name is refused as well.
    edit->selectAll();
    QTest::keyClick(edit, 'Z');
    QCOMPARE(edit->text(), QString("ABCDEFGHIJKLMNQ"));

    // Enter passes and ends the edit.
    QTest::keyClick(edit, Qt::Key_Return);
    QApplication::processEvents();
    QCOMPARE(editor->model.unit.ZoneNames[1], std::string("ABCDEFGHIJKLMNQ"));
  }

  // Text that reaches a name other than by typing keeps the rule of typed
  // text: one line, at most 15 characters.
  void textFromElsewhereIsOneLineWithinTheLimit_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("before");  // the name; "|" marks the caret, "[...]" a selection
    QTest::addColumn<QString>("incoming");
    QTest::addColumn<QString>("after");
    const auto row = [](const QString& how, const char* name, const char* before, const char* incoming,
                        const char* after) {
      QTest::newRow(qPrintable(how + ": " + name)) << how << before << incoming << after;
    };
    for (const QString how : {"paste", "drop", "input method", "paste action"}) {
      row(how, "a copied command with its line end", "X|", "[EC]\r\n", "X[EC]");
      row(how, "the first line only", "|", "Hall\nKitchen", "Hall");
      row(how, "cut to the limit", "|", "A pasted name of 27 letters", "A pasted name o");
      row(how, "into a full name", "123456789012345|", "a", "123456789012345");
    }
    // Inside a name, typing's rule keeps what was there; a selection is
    // replaced as typing replaces it.
    for (const QString how : {"paste", "input method"}) {
      row(how, "in the middle", "ABCDEFGHIJ|KL", "xyz12", "ABCDEFGHIJxyzKL");
      row(how, "over a selection", "[Old name]", "A pasted name of 27 letters", "A pasted name o");
    }
  }

  void textFromElsewhereIsOneLineWithinTheLimit() {
    QFETCH(QString, how);
    QFETCH(QString, before);
    QFETCH(QString, incoming);
    QFETCH(QString, after);
    editor->ImportFileText(Configuration(8, 24), "/tmp/unit.zem");
    QString name = before;
    name.remove('|').remove('[').remove(']');
    editor->model.unit.ZoneNames[2] = name.toStdString();
    pages->setCurrentIndex(static_cast<int>(Page::SourceZoneNaming));
    QLineEdit* edit = OpenEditor("StringGrid2", 1);
    QVERIFY(edit);
    QCOMPARE(edit->text(), name);
    if (before.contains('[')) {
      edit->setSelection(before.indexOf('['), before.indexOf(']') - before.indexOf('[') - 1);
    } else {
      edit->deselect();
      edit->setCursorPosition(before.indexOf('|'));
    }

    if (how == "paste" || how == "paste action") {
      QApplication::clipboard()->setText(incoming);
      if (QApplication::clipboard()->text() != incoming) QSKIP("no clipboard on this platform");
      if (how == "paste")
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
      else
        edit->paste();  // the context menu's Paste: no key passes the editor
    } else if (how == "drop") {
      QMimeData data;
      data.setText(incoming);
      const QPointF at(edit->width() - 2, edit->height() / 2);  // after the name
      QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(edit, &enter);
      QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(edit, &drop);
    } else {
      QInputMethodEvent event;
      event.setCommitString(incoming);
      QApplication::sendEvent(edit, &event);
    }
    QApplication::processEvents();
    QCOMPARE(QString::fromStdString(editor->model.unit.ZoneNames[2]), after);
    QCOMPARE(edit->text(), after);
  }

  void inputMethodTextKeepsTheLimit() {
    editor->ImportFileText(Configuration(8, 24), "/tmp/unit.zem");
    editor->model.unit.ZoneNames[1] = "ABCDEFGHIJKLM";  // 13 characters
    pages->setCurrentIndex(static_cast<int>(Page::SourceZoneNaming));
    QLineEdit* edit = OpenEditor("StringGrid2", 0);
    QVERIFY(edit);
    edit->deselect();
    edit->end(false);
    const auto commit = [edit](const QString& text) {
      QInputMethodEvent event;
      event.setCommitString(text);
      QApplication::sendEvent(edit, &event);
    };
    // A composed character within the limit is taken as it is.
    commit(QString::fromLatin1("\xe9"));
    QCOMPARE(edit->text(), QString::fromLatin1("ABCDEFGHIJKLM\xe9"));
    // Of a longer commit only what fits is taken; beyond single-byte text nothing.
    commit(QString(QChar(0x20AC)) + QString::fromLatin1("\xfcxyz"));
    QCOMPARE(edit->text(), QString::fromLatin1("ABCDEFGHIJKLM\xe9\xfc"));
    commit("q");
    QCOMPARE(edit->text(), QString::fromLatin1("ABCDEFGHIJKLM\xe9\xfc"));
    QCOMPARE(editor->model.unit.ZoneNames[1], std::string("ABCDEFGHIJKLM\xe9\xfc"));

    QCOMPARE(zem::NameCommitAccepted("", "abc"), QString("abc"));
    QCOMPARE(zem::NameCommitAccepted("12345678901234", "ab"), QString("a"));
    QCOMPARE(zem::NameCommitAccepted("123456789012345", "a"), QString());
    QCOMPARE(zem::NameCommitAccepted("", QString("a\tb") + QChar(0x20AC)), QString("ab"));
  }

  void keyRuleForCharacters() {
    const QString full("123456789012345");
    QVERIFY(zem::NameKeyAccepted("12345678901234", "x"));
    QVERIFY(!zem::NameKeyAccepted(full, "x"));
    QVERIFY(!zem::NameKeyAccepted(full, " "));
    QVERIFY(zem::NameKeyAccepted(full, "\b"));
    QVERIFY(zem::NameKeyAccepted(full, "\r"));
    QVERIFY(zem::NameKeyAccepted(full, QString()));  // arrows, Delete
    QVERIFY(zem::NameKeyAccepted("", QString::fromLatin1("\xe9")));
    // Single-byte text cannot hold it, so it is refused rather than mangled.
    QVERIFY(!zem::NameKeyAccepted("", QString(QChar(0x20AC))));
  }

  void namesKeepBytesAbove127() {
    editor->ImportFileText(Configuration(8, 24), "/tmp/unit.zem");
    const std::string stored("Caf\xe9 \x80\xff\xa0");
    editor->model.unit.SourceNames[2] = stored;
    editor->NotifyChanged();
    auto* sources = window->findChild<QTableView*>("StringGrid3");
    const QString shown = sources->model()->index(1, 1).data().toString();
    QCOMPARE(shown.size(), 8);
    QCOMPARE(shown.at(3).unicode(), char16_t(0xE9));
    QCOMPARE(shown.at(5).unicode(), char16_t(0x80));
    QCOMPARE(shown.at(6).unicode(), char16_t(0xFF));
    QCOMPARE(shown.at(7).unicode(), char16_t(0xA0));

    // Typed in the grid, the bytes reach the model unchanged...
    pages->setCurrentIndex(static_cast<int>(Page::SourceZoneNaming));
    QLineEdit* edit = OpenEditor("StringGrid3", 3);
    QVERIFY(edit);
    edit->selectAll();
    TypeText(edit, QString::fromLatin1("Gr\xfc\xdf \xe9t\xe9"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(editor->model.unit.SourceNames[4], std::string("Gr\xfc\xdf \xe9t\xe9"));
    // ...and come back as the same characters.
    editor->NotifyChanged();
    QCOMPARE(sources->model()->index(3, 1).data().toString(), QString::fromLatin1("Gr\xfc\xdf \xe9t\xe9"));
    // The writer sends them as they are.
    const std::vector<std::string> lines = zem::BuildCommandSequence(editor->model);
    QVERIFY(std::find(lines.begin(), lines.end(), std::string("[NI4\"Gr\xfc\xdf \xe9t\xe9\"]")) !=
            lines.end());
  }

  void renamedZoneReachesTheOtherPages() {
    editor->ImportFileText(Configuration(8, 24), "/tmp/unit.zem");
    pages->setCurrentIndex(static_cast<int>(Page::SourceZoneNaming));
    QLineEdit* edit = OpenEditor("StringGrid2", 2);
    QVERIFY(edit);
    edit->selectAll();
    QTest::keyClicks(edit, "Kitchen");
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(editor->model.unit.ZoneNames[3], std::string("Kitchen"));
    // The matrix grids' labels follow at once.
    QCOMPARE(editor->model.screen.FavoriteLabels.Cell(0, 3), std::string("Kitchen"));
    QCOMPARE(editor->model.screen.RestrictionLabels.Cell(0, 3), std::string("Kitchen"));
    QCOMPARE(editor->model.screen.GroupLabels.Cell(0, 3), std::string("Kitchen"));

    // The zone list of the zone audio page after the next tab change.
    pages->setCurrentIndex(static_cast<int>(Page::Favorites));
    QCOMPARE(editor->model.screen.ZoneList.Items.size(), std::size_t(24));
    QCOMPARE(editor->model.screen.ZoneList.Items[2], std::string("Kitchen"));
    QCOMPARE(editor->model.screen.ZoneList.Items[3], std::string("Room 4"));
  }

  void zoneNameGridPaintCopiesEveryZoneLabel() {
    editor->model.unit.ZoneNames[30] = "Old Room";  // kept from an earlier import
    editor->ImportFileText(Configuration(8, 24), "/tmp/unit.zem");
    // The refresh of the import copies the named zones only.
    QCOMPARE(editor->model.screen.FavoriteLabels.Cell(0, 24), std::string("Room 24"));
    QCOMPARE(editor->model.screen.GroupLabels.Cell(0, 30), std::string("Zone 30"));
    // Painting the zone-name grid copies all 192 names.
    pages->setCurrentIndex(static_cast<int>(Page::SourceZoneNaming));
    window->findChild<QTableView*>("StringGrid2")->viewport()->grab();
    QCOMPARE(editor->model.screen.GroupLabels.Cell(0, 30), std::string("Old Room"));
    QCOMPARE(editor->model.screen.RestrictionLabels.Cell(0, 30), std::string("Old Room"));
    QCOMPARE(editor->model.screen.FavoriteLabels.Cell(0, 31), std::string());
  }

  void renamedFavoriteReachesTheFavoritesList() {
    editor->ImportFileText(Configuration(8, 24), "/tmp/unit.zem");
    pages->setCurrentIndex(static_cast<int>(Page::FavoriteGroupNaming));
    QLineEdit* edit = OpenEditor("StringGrid5", 1);
    QVERIFY(edit);
    QTest::keyClicks(edit, "Evening \"jazz\"");
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(editor->model.unit.FavoriteNames[2], std::string("Evening \"jazz\""));
    pages->setCurrentIndex(static_cast<int>(Page::Favorites));
    QCOMPARE(editor->model.screen.FavoriteList.Items.size(), std::size_t(10));
    QCOMPARE(editor->model.screen.FavoriteList.Items[1], std::string("Evening \"jazz\""));
    QCOMPARE(editor->model.screen.FavoriteList.Items[0], std::string());
  }

  void cellsPaintedAsSpecified() {
    pages->setCurrentIndex(static_cast<int>(Page::FavoriteGroupNaming));
    auto* grid = window->findChild<QTableView*>("StringGrid6");
    QApplication::processEvents();
    const auto darkest = [grid](QRect area) {
      const QImage image = grid->viewport()->grab().toImage();
      int dark = 255;
      for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) dark = std::min(dark, qGray(image.pixel(x, y)));
      return dark;
    };
    const QImage image = grid->viewport()->grab().toImage();
    const QRect label = grid->visualRect(grid->model()->index(0, 0));
    const QRect name = grid->visualRect(grid->model()->index(0, 1));
    QCOMPARE(QColor(image.pixel(label.left() + 2, label.top() + 2)),
             grid->palette().color(QPalette::Active, QPalette::Button));
    QCOMPARE(QColor(image.pixel(name.right() - 2, name.top() + 2)), QColor(Qt::white));
    // Disabled before any import: grey text; enabled: black text.
    QVERIFY(!grid->isEnabled());
    const int disabledText = darkest(label.adjusted(1, 1, -1, -1));
    editor->ImportFileText(Configuration(8, 24), "/tmp/unit.zem");
    pages->setCurrentIndex(static_cast<int>(Page::FavoriteGroupNaming));
    QApplication::processEvents();
    const int enabledText = darkest(label.adjusted(1, 1, -1, -1));
    QVERIFY2(enabledText < 60, qPrintable(QString::number(enabledText)));
    QVERIFY2(disabledText > enabledText + 40, qPrintable(QString::number(disabledText)));
    // No selection highlight on the current cell.
    grid->setCurrentIndex(grid->model()->index(0, 1));
    QApplication::processEvents();
    QCOMPARE(QColor(grid->viewport()->grab().toImage().pixel(name.right() - 2, name.top() + 2)),
             QColor(Qt::white));
  }

 private:
  QLineEdit* OpenEditor(const char* gridName, int row) {
    auto* grid = window->findChild<QTableView*>(gridName);
    const QModelIndex cell = grid->model()->index(row, 1);
    grid->setCurrentIndex(cell);
    grid->edit(cell);
    return qobject_cast<QLineEdit*>(grid->indexWidget(cell));
  }

  QTabWidget* pages = nullptr;
};

QTEST_MAIN(TestNaming)
#include "test_naming.moc"
