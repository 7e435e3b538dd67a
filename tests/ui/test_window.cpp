#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QShortcut>
#include <QSignalSpy>
#include <QSlider>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QWheelEvent>
#include <QWindow>

#include "editor/editor.h"
#include "support/window_fixture.h"
#include "ui/window/main_window.h"
#include "ui/window/text_area_feed.h"

using zem::Editor;
using zem::MainWindow;
using zem::Page;
using zem::ScriptedPrompts;

namespace {

// Eight sources, twenty-four zones, one favorite name.
std::string SmallConfiguration() {
  std::string text;
  for (int s = 1; s <= 8; ++s)
    text += "[NI" + std::to_string(s) + "\"Source " + std::to_string(s) + "\"]\r\n";
  for (int z = 1; z <= 24; ++z) text += "[NO" + std::to_string(z) + "\"Room " + std::to_string(z) + "\"]\r\n";
  text += "[NF1\"Morning\"]\r\n";
  return text;
}

// What a text area shows for a log's text: CR LF pairs are line breaks.
QString Shown(const std::string& text) {
  QString shown = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
  shown.replace("\r\n", "\n");
  return shown;
}

// A caption as shown: a single '&' marks the mnemonic and is not shown,
// "&&" shows one '&'.
QString Shown(const QString& caption) {
  QString shown;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') shown += caption[++i];
      continue;
    }
    shown += caption[i];
  }
  return shown;
}

// A control the user operates, as opposed to the parts Qt builds inside
// one (scroll bars, headers, a viewport's editors, the tab bar's arrows).
bool IsControl(const QWidget* w) {
  return qobject_cast<const QAbstractSlider*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
         qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
         qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QPlainTextEdit*>(w) ||
         qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QTabBar*>(w) ||
         qobject_cast<const QTabWidget*>(w);
}

bool IsPartOfAControl(const QWidget* w) {
  for (const QWidget* up = w->parentWidget(); up && !up->isWindow(); up = up->parentWidget()) {
    // The window's client area scrolls as a whole on a small screen: the
    // controls in it are no parts of that.
    const bool clientScroller = up->objectName() == "ClientScroller";
    if ((qobject_cast<const QAbstractScrollArea*>(up) && !clientScroller) ||
        qobject_cast<const QComboBox*>(up) || qobject_cast<const QAbstractSpinBox*>(up) ||
        qobject_cast<const QTabBar*>(up) || qobject_cast<const QMenuBar*>(up))
      return true;
  }
  return qobject_cast<const QScrollBar*>(w) != nullptr;
}

}  // namespace

class TestWindow : public QObject, private zem::test::WindowFixture {
  Q_OBJECT

 private slots:
  void init() { OpenWindow(false); }
  void cleanup() { CloseWindow(); }

  void windowAndMenu() {
    QCOMPARE(window->objectName(), QString("Form1"));
    // "[*]" stands for the unsaved-changes mark; without changes the title
    // reads as it always did.
    QCOMPARE(window->windowTitle(), QString("ZEM Configuration[*]"));
    QCOMPARE(window->width(), 713);
    window->show();
    QApplication::processEvents();
    QCOMPARE(window->windowHandle()->title(), QString("ZEM Configuration"));
    QCOMPARE(window->height() - window->menuBar()->height(), 450);
    QCOMPARE(window->centralWidget()->height() + window->statusBar()->height(), 450);
    // The default size is the smallest; the window grows and maximises.
    QCOMPARE(window->minimumSize(), window->size());
    QVERIFY(window->maximumSize().width() > window->width() &&
            window->maximumSize().height() > window->height());
    QVERIFY(window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

    QMenuBar* bar = window->findChild<QMenuBar*>("MainMenu1");
    QVERIFY(bar);
    const QList<QAction*> top = bar->actions();
    QCOMPARE(top.size(), 3);
    QCOMPARE(Shown(top[0]->text()), QString("File"));
    QCOMPARE(top[0]->menu()->objectName(), QString("File1"));
    QCOMPARE(Shown(top[1]->text()), QString("Edit"));
    QCOMPARE(top[1]->menu()->objectName(), QString("EditMenu"));
    QCOMPARE(top[2]->objectName(), QString("About1"));
    QCOMPARE(Shown(top[2]->text()), QString("About"));

    const QList<QAction*> items = top[0]->menu()->actions();
    const QStringList names{"File2",
                            "Serial1",
                            "Telnet1",
                            "N3",
                            "Import1",
                            "Export1",
                            "ExportChanges1",
                            "Live1",
                            "CompareWithFile1",
                            "CompareWithUnit1",
                            "VerifyAfterExport1",
                            "BackUpBeforeExport1",
                            "CheckConnection1",
                            "FullCheck1",
                            "SaveSupportFile1",
                            "NamesSeparator",
                            "ImportNames1",
                            "ExportNames1",
                            "SheetSeparator",
                            "PrintSheet1",
                            "ExportSheet1",
                            "SheetEndSeparator",
                            "OpenRecentMenu1",
                            "OpenSite1",
                            "N1",
                            "Exit1"};
    const QStringList texts{"File Mode",
                            "Serial Mode",
                            "Telnet Mode",
                            "",
                            "Import",
                            "Export",
                            "Export Changes",
                            "Live",
                            "Compare with File...",
                            "Compare with Unit...",
                            "Verify After Export",
                            "Back Up Before Export",
                            "Check Connection...",
                            "Check Reads the Whole Answer",
                            "Save Support File...",
                            "",
                            "Import Names...",
                            "Export Names...",
                            "",
                            "Print Sheet...",
                            "Export Sheet...",
                            "",
                            "Open Recent",
                            "Open Site...",
                            "",
                            "Exit"};
    QCOMPARE(items.size(), names.size());
    for (int i = 0; i < items.size(); ++i) {
      QCOMPARE(items[i]->objectName(), names[i]);
      QCOMPARE(Shown(items[i]->text()), texts[i]);
      QCOMPARE(items[i]->isSeparator(), texts[i].isEmpty());
      // Live alone has a shortcut, to be switched while a slider has the focus.
      QCOMPARE(items[i]->shortcut().isEmpty(), names[i] != "Live1");
      // The modes, the two checks around an export, and Live.
      QCOMPARE(items[i]->isCheckable(), i < 3 || names[i] == "VerifyAfterExport1" ||
                                            names[i] == "BackUpBeforeExport1" || names[i] == "Live1" ||
                                            names[i] == "FullCheck1");
    }
    QVERIFY(items[0]->isChecked());
    QVERIFY(!items[1]->isChecked());
    QVERIFY(!items[2]->isChecked());
    QCOMPARE(items[0]->actionGroup(), items[2]->actionGroup());
    QCOMPARE(items[0]->actionGroup()->exclusionPolicy(), QActionGroup::ExclusionPolicy::ExclusiveOptional);
  }

  void menusHaveMnemonics() {
    QMenuBar* bar = window->findChild<QMenuBar*>("MainMenu1");
    const QList<QAction*> top = bar->actions();
    QCOMPARE(QKeySequence::mnemonic(top[0]->text()), QKeySequence(Qt::ALT | Qt::Key_F));
    QCOMPARE(QKeySequence::mnemonic(top[1]->text()), QKeySequence(Qt::ALT | Qt::Key_E));
    QCOMPARE(QKeySequence::mnemonic(top[2]->text()), QKeySequence(Qt::ALT | Qt::Key_A));
    // Each item of the File menu has its own letter; only an item every
    // letter of whose text another item has goes without.
    QSet<QString> letters;
    QList<QAction*> without;
    for (QAction* item : top[0]->menu()->actions()) {
      if (item->isSeparator()) continue;
      const QKeySequence key = QKeySequence::mnemonic(item->text());
      if (key.isEmpty()) {
        without << item;
        continue;
      }
      QVERIFY2(!letters.contains(key.toString()), qPrintable(item->objectName()));
      letters.insert(key.toString());
    }
    for (QAction* item : without)
      for (const QChar c : item->text())
        if (c.isLetter())
          QVERIFY2(letters.contains(QKeySequence::mnemonic(QStringLiteral("&") + c).toString()),
                   qPrintable(item->objectName() + ": " + c));

    editor->ImportFileText(SmallConfiguration(), "/tmp/unit.zem");  // Export is greyed until then
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get()))
      QSKIP("the window cannot be made active on this platform");
    QMenu* fileMenu = window->findChild<QMenu*>("File1");
    QVERIFY(!fileMenu->isVisible());
    QTest::keyClick(window.get(), Qt::Key_F, Qt::AltModifier);
    QTRY_VERIFY(fileMenu->isVisible());
    // In the open menu, the item's letter chooses it.
    QAction* exportAction = window->findChild<QAction*>("Export1");
    bool chosen = false;
    connect(exportAction, &QAction::triggered, this, [&] { chosen = true; });
    QTest::keyClick(fileMenu, Qt::Key_E);
    QVERIFY(chosen);
    QVERIFY(!fileMenu->isVisible());
  }

  void pagesInTabOrder() {
    auto* pages = window->findChild<QTabWidget*>("PageControl1");
    QVERIFY(pages);
    QCOMPARE(pages->geometry(), QRect(8, 8, 697, 409));
    const QStringList names{"TabSheet1", "TabSheet3", "TabSheet6", "TabSheet5", "TabSheet10",
                            "TabSheet2", "TabSheet7", "TabSheet4", "TabSheet8", "TabSheet9"};
    const QStringList captions{"Configuration File",
                               "Source / Zone Naming",
                               "Favorite / Group Naming",
                               "Zone Audio Controls",
                               "EQ Presets",
                               "Favorites",
                               "Groups",
                               "Restrictions",
                               "Communication Settings",
                               "Options"};
    QCOMPARE(pages->count(), zem::kPageCount);
    for (int i = 0; i < pages->count(); ++i) {
      QCOMPARE(pages->widget(i)->objectName(), names[i]);
      QCOMPARE(pages->tabText(i), captions[i]);
      QCOMPARE(pages->isTabVisible(i), i != static_cast<int>(Page::CommunicationSettings));
    }
    QCOMPARE(pages->currentIndex(), 0);

    auto* receivedText = window->findChild<QPlainTextEdit*>("Memo2");
    auto* messageLog = window->findChild<QPlainTextEdit*>("Memo3");
    QVERIFY(receivedText && messageLog);
    QCOMPARE(receivedText->geometry(), QRect(8, 8, 345, 361));
    QCOMPARE(messageLog->geometry(), QRect(360, 8, 321, 361));
    // Read-only: typing into a text area changes nothing.
    for (QPlainTextEdit* textArea : {receivedText, messageLog}) {
      QTest::keyClicks(textArea, "typed\r");
      QTest::keyClick(textArea, Qt::Key_V, Qt::ControlModifier);
    }
    QCOMPARE(editor->receivedText.ByteCount(), std::size_t(0));
    QCOMPARE(editor->messageLog.ByteCount(), std::size_t(0));
    QCOMPARE(receivedText->toPlainText(), QString());

    // The placeholder page's controls exist with their texts.
    QCOMPARE(window->findChild<QCheckBox*>("CheckBox1")->text(), QString("CheckBox1"));
    QCOMPARE(window->findChild<QLineEdit*>("Edit1")->text(), QString("Edit1"));
    QCOMPARE(window->findChild<QLineEdit*>("Edit2")->text(), QString("Edit2"));
    QCOMPARE(window->findChild<QLineEdit*>("Edit3")->text(), QString("Edit2"));
  }

  // The page without a tab is never shown: not by the keys that walk the
  // tabs, not by the wheel over the tab bar, not to a screen reader.
  void pageWithoutATabIsNeverShown() {
    window->show();
    editor->ImportFileText(SmallConfiguration(), "unit.zem");
    auto* pages = window->findChild<QTabWidget*>("PageControl1");
    const int restrictions = static_cast<int>(Page::Restrictions), options = static_cast<int>(Page::Options);
    pages->setCurrentIndex(restrictions);
    QTest::keyClick(pages, Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(pages->currentIndex(), options);
    QTest::keyClick(pages, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(pages->currentIndex(), restrictions);

    QTabBar* tabs = pages->tabBar();
    const QPointF over = tabs->tabRect(restrictions).center();
    for (const int delta : {-120, 120}) {  // down, then up
      QWheelEvent wheel(over, tabs->mapToGlobal(over), {}, {0, delta}, Qt::NoButton, {}, Qt::NoScrollPhase,
                        false);
      QApplication::sendEvent(tabs, &wheel);
      QCOMPARE(pages->currentIndex(), delta < 0 ? options : restrictions);
    }
    // The controls of the page follow the import as the others' do.
    QVERIFY(window->findChild<QCheckBox*>("CheckBox1")->isEnabled());

    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(tabs);
    QStringList announced;
    for (int i = 0; i < bar->childCount(); ++i)
      if (bar->child(i)->role() == QAccessible::PageTab && !bar->child(i)->state().invisible)
        announced << bar->child(i)->text(QAccessible::Name);
    QCOMPARE(announced.size(), zem::kPageCount - 1);
    QVERIFY(!announced.contains("Communication Settings"));
  }

  void everyControlHasAnAccessibleName() {
    QFile example(ZEM_SOURCE_DIR "/examples/full-16x192.zem");
    QVERIFY(example.open(QIODevice::ReadOnly));
    editor->ImportFileText(example.readAll().toStdString(), "/tmp/full-16x192.zem");
    window->show();
    auto* pages = window->findChild<QTabWidget*>("PageControl1");
    int checked = 0;
    QVERIFY(window->findChild<QWidget*>("StringGrid1")->isEnabled());
    for (int page = 0; page < pages->count(); ++page) {
      pages->setCurrentIndex(page);
      QApplication::processEvents();
      for (QWidget* w : pages->widget(page)->findChildren<QWidget*>()) {
        if (w->window() != window.get() || !IsControl(w) || IsPartOfAControl(w)) continue;
        // Enabled or not: a control the DSP mode greys is still announced.
        ++checked;
        QVERIFY2(!w->accessibleName().trimmed().isEmpty(), qPrintable(w->objectName()));
      }
    }
    // Fifty-odd controls on the pages: sliders, grids, lists, fields, buttons.
    QVERIFY(checked >= 50);
    for (QWidget* w : {static_cast<QWidget*>(pages), static_cast<QWidget*>(pages->tabBar()),
                       window->findChild<QWidget*>("CancelButton")})
      QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
    QCOMPARE(window->findChild<QSlider*>("TrackBar13")->accessibleName(), QString("Volume in dB"));
    QCOMPARE(window->findChild<QSlider*>("TrackBar4")->accessibleName(),
             QString("Band 4 (250 Hz) gain in dB"));
    QCOMPARE(window->findChild<QWidget*>("StringGrid1")->accessibleName(), QString("Favorites matrix"));
    QCOMPARE(window->findChild<QWidget*>("IPAddress")->accessibleName(), QString("IP Address"));

    // The grids give their cells row and column headers.
    for (const char* name : {"StringGrid1", "StringGrid2", "StringGrid4", "StringGrid7"}) {
      const QAbstractItemModel* model = window->findChild<QAbstractItemView*>(name)->model();
      QVERIFY2(!model->headerData(2, Qt::Vertical).toString().isEmpty(), name);
      QVERIFY2(!model->headerData(1, Qt::Horizontal).toString().isEmpty(), name);
    }
    auto* zoneNames = window->findChild<QTableView*>("StringGrid2");
    QCOMPARE(zoneNames->model()->headerData(2, Qt::Vertical).toString(), QString("Zone 3"));
    QCOMPARE(zoneNames->model()->headerData(1, Qt::Horizontal).toString(), QString("Zone name"));
    // A name cell's editor says whose name it holds.
    pages->setCurrentIndex(static_cast<int>(Page::SourceZoneNaming));
    const QModelIndex third = zoneNames->model()->index(2, 1);
    zoneNames->setCurrentIndex(third);
    zoneNames->edit(third);
    auto* cellEditor = zoneNames->findChild<QLineEdit*>("InplaceEditor");
    QVERIFY(cellEditor);
    QCOMPARE(cellEditor->accessibleName(), QString("Zone name of zone 3"));
  }

  void pagesDisabledUntilImport() {
    const QStringList controls{"StringGrid2", "StringGrid3", "StringGrid5",
                               "StringGrid6", "CheckBox1",   "Edit1"};
    auto* pages = window->findChild<QTabWidget*>("PageControl1");
    for (const QString& name : controls)
      QVERIFY2(!window->findChild<QWidget*>(name)->isEnabled(), qPrintable(name));
    // The pages themselves stay enabled, so their tabs can still be chosen.
    for (int i = 0; i < pages->count(); ++i) QVERIFY(pages->widget(i)->isEnabled());
    QVERIFY(window->findChild<QWidget*>("Memo2")->isEnabled());

    editor->ImportFileText(SmallConfiguration(), "/tmp/unit.zem");
    for (const QString& name : controls)
      QVERIFY2(window->findChild<QWidget*>(name)->isEnabled(), qPrintable(name));

    // A later reset disables them again.
    editor->ResetModel();
    for (const QString& name : controls)
      QVERIFY2(!window->findChild<QWidget*>(name)->isEnabled(), qPrintable(name));
  }

  void statusLineShowsEditorStatus() {
    auto* bar = window->findChild<QStatusBar*>("StatusBar1");
    QVERIFY(bar);
    QCOMPARE(bar->height(), 19);
    auto* text = bar->findChild<QLabel*>("StatusText");
    editor->status.Set(" Parsing...");
    QCOMPARE(text->text(), QString(" Parsing..."));
    editor->ImportFileText(SmallConfiguration(), "/tmp/unit.zem");
    QCOMPARE(text->text(), QString(" Import Complete"));
    // Single-byte text is shown byte for byte.
    editor->status.Set(std::string(" Exported to file: /tmp/caf\xe9.zem"));
    QCOMPARE(text->text(), QString::fromLatin1(" Exported to file: /tmp/caf\xe9.zem"));
    QVERIFY(!bar->findChild<QPushButton*>("CancelButton")->isVisibleTo(window.get()));
  }

  void cancelButtonFitsTheStatusLine() {
    window->show();
    auto* bar = window->findChild<QStatusBar*>("StatusBar1");
    auto* cancel = bar->findChild<QPushButton*>("CancelButton");
    // As while a transfer runs.
    cancel->setVisible(true);
    bar->layout()->activate();
    QApplication::processEvents();
    QVERIFY(cancel->isVisible());
    QVERIFY2(bar->rect().contains(cancel->geometry()),
             qPrintable(QString("button %1,%2 %3x%4 in a status line of height %5")
                            .arg(cancel->x())
                            .arg(cancel->y())
                            .arg(cancel->width())
                            .arg(cancel->height())
                            .arg(bar->height())));
    // Its caption fits inside it.
    QVERIFY(cancel->height() >= cancel->fontMetrics().height());
    QVERIFY(cancel->width() >= cancel->fontMetrics().horizontalAdvance(cancel->text()));
    QCOMPARE(bar->height(), 19);
  }

  void receivedTextTakesBytesInBatches() {
    auto* receivedText = window->findChild<QPlainTextEdit*>("Memo2");
    std::string stream;
    for (int i = 0; stream.size() < 100000; ++i) {
      stream += "[VO" + std::to_string(i % 192 + 1) + "R-" + std::to_string(i % 80) + "]\r\n";
      if (i % 500 == 0) stream += std::string(600, 'x');  // a few long lines
    }
    stream.resize(100000);
    stream.back() = 'y';  // ends inside a line, not on a held-back CR
    const QSignalSpy takenIn(receivedText->document(), &QTextDocument::contentsChanged);
    for (char byte : stream) editor->receivedText.AppendText(std::string_view(&byte, 1));
    // Nothing was taken in byte by byte: the scroll range waits for the pass.
    QCOMPARE(takenIn.count(), 0);
    QCOMPARE(receivedText->verticalScrollBar()->maximum(), 0);
    QApplication::processEvents();
    QCOMPARE(takenIn.count(), 1);
    QCOMPARE(receivedText->toPlainText(), Shown(editor->receivedText.Text()));
    QCOMPARE(static_cast<std::size_t>(receivedText->blockCount()), editor->receivedText.LineCount());
    QVERIFY(receivedText->verticalScrollBar()->maximum() > 0);
  }

  void textAreaShowsControlBytesWithinTheLine() {
    auto* receivedText = window->findChild<QPlainTextEdit*>("Memo2");
    editor->receivedText.AppendText("Sending: [A]\n\r");
    editor->receivedText.AppendText("Sending: [B]\n\r");
    editor->receivedText.AppendText("tab\there\r");
    QApplication::processEvents();
    // Only CR LF breaks a line; a CR at the end waits for its LF.
    QCOMPARE(receivedText->toPlainText(), QString("Sending: [A]  Sending: [B]  tab here"));
    editor->receivedText.AppendText("\nnext");
    // Text that follows soon after is shown in the next slice.
    QTRY_COMPARE(receivedText->toPlainText(), QString("Sending: [A]  Sending: [B]  tab here\nnext"));
    QCOMPARE(receivedText->toPlainText(), zem::TextAreaText(editor->receivedText.Text()));

    editor->receivedText.Clear();
    editor->receivedText.AppendText("z");
    editor->receivedText.Clear();
    QApplication::processEvents();
    QCOMPARE(receivedText->toPlainText(), QString());
  }

  void messageLogShowsLogLinesAndLatin1() {
    auto* messageLog = window->findChild<QPlainTextEdit*>("Memo3");
    editor->messageLog.AppendLine("Zone: 1 Name: Caf\xe9 \xff");
    editor->messageLog.AppendLine("Import Complete");
    QApplication::processEvents();
    QCOMPARE(messageLog->toPlainText(), QString::fromLatin1("Zone: 1 Name: Caf\xe9 \xff\nImport Complete\n"));
  }

  void textAreaShowsTextAlreadyThere() {
    editor->messageLog.AppendLine("before the window");
    window.reset();
    window = std::make_unique<MainWindow>(*editor, *prompts);
    QCOMPARE(window->findChild<QPlainTextEdit*>("Memo3")->toPlainText(), QString("before the window\n"));
  }

  void aboutBox() {
    window->findChild<QAction*>("About1")->trigger();
    QCOMPARE(prompts->informations.size(), std::size_t(1));
    const std::string& text = prompts->informations[0];
    const std::string first = "ZEM Configuration Utility\n\r";
    QCOMPARE(text.substr(0, first.size()), first);
    const std::string tail = " - V1.4 - Dec 2011";
    QVERIFY(text.size() > first.size() + tail.size());
    QCOMPARE(text.substr(text.size() - tail.size()), tail);
    QCOMPARE(text.find('\n', first.size()), std::string::npos);
  }

  void userTabChangeRefreshesButCodeDoesNot() {
    auto* pages = window->findChild<QTabWidget*>("PageControl1");
    // Before any import the zone list holds the reset's 192 labels.
    QCOMPARE(editor->model.screen.ZoneList.Items.size(), std::size_t(192));

    // Shown from code: the page changes, nothing is refreshed.
    editor->SetActivePage(Page::Favorites);
    editor->NotifyChanged();
    QCOMPARE(pages->currentIndex(), static_cast<int>(Page::Favorites));
    QCOMPARE(editor->model.screen.ZoneList.Items.size(), std::size_t(192));

    // Chosen by the user: the refresh runs, with ZoneCount -1.
    pages->setCurrentIndex(static_cast<int>(Page::Groups));
    QCOMPARE(editor->ActivePage(), Page::Groups);
    QVERIFY(editor->model.screen.ZoneList.Items.empty());
    QCOMPARE(editor->model.screen.FavoriteList.Items, std::vector<std::string>(10));
  }

  void importShowsFirstPageAndNames() {
    auto* pages = window->findChild<QTabWidget*>("PageControl1");
    pages->setCurrentIndex(static_cast<int>(Page::Options));
    editor->ImportFileText(SmallConfiguration(), "/tmp/unit.zem");
    QCOMPARE(pages->currentIndex(), 0);
    QApplication::processEvents();
    QVERIFY(window->findChild<QPlainTextEdit*>("Memo2")->toPlainText().startsWith("[NI1\"Source 1\"]\n"));
    QVERIFY(window->findChild<QPlainTextEdit*>("Memo3")->toPlainText().endsWith("Import Complete\n"));
  }

  void longImportShowsHeadAndTail() {
    QTemporaryDir dir;
    const QString path = dir.filePath("many.zem");
    std::string text;
    for (int i = 0; i < 700; ++i) text += SmallConfiguration();  // 23,100 lines
    {
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(text.data(), static_cast<qint64>(text.size()));
    }
    prompts->openAnswers.push_back(path.toStdString());
    window->findChild<QAction*>("Import1")->trigger();
    QCOMPARE(editor->receivedText.LineCount(), std::size_t(23100));
    auto* receivedText = window->findChild<QPlainTextEdit*>("Memo2");
    QTRY_VERIFY(receivedText->toPlainText().endsWith("[NO24\"Room 24\"]\n[NF1\"Morning\"]\n"));
    QTextDocument* shown = receivedText->document();
    QCOMPARE(shown->blockCount(), 20002);
    QCOMPARE(shown->findBlockByNumber(0).text(), QString("[NI1\"Source 1\"]"));
    QCOMPARE(shown->findBlockByNumber(9999).text(), Shown(editor->receivedText.Line(9999)));
    QCOMPARE(shown->findBlockByNumber(10000).text(), QString("... 3100 lines not shown ..."));
    QCOMPARE(shown->findBlockByNumber(10001).text(), Shown(editor->receivedText.Line(13100)));
    QTRY_VERIFY(window->findChild<QPlainTextEdit*>("Memo3")->toPlainText().endsWith("Import Complete\n"));
  }

  void busyWhileTransferRuns() {
    // The file dialog of a file import opens while the import runs.
    bool sawImport = true, sawExport = true, sawMode = true, sawCancel = false, sawEscape = false;
    prompts->whileFileDialogOpen = [&] {
      sawImport = window->findChild<QAction*>("Import1")->isEnabled();
      sawExport = window->findChild<QAction*>("Export1")->isEnabled();
      sawMode = window->findChild<QAction*>("Serial1")->isEnabled();
      sawCancel = window->findChild<QPushButton*>("CancelButton")->isVisibleTo(window.get());
      sawEscape = window->findChild<QShortcut*>("EscapeShortcut")->isEnabled();
    };
    window->findChild<QAction*>("Import1")->trigger();
    QCOMPARE(prompts->openDialogs.size(), std::size_t(1));
    QVERIFY(!sawImport);
    QVERIFY(!sawExport);
    QVERIFY(!sawMode);
    QVERIFY(sawCancel);
    QVERIFY(sawEscape);
    QVERIFY(!window->findChild<QShortcut*>("EscapeShortcut")->isEnabled());
    QVERIFY(window->findChild<QAction*>("Import1")->isEnabled());
    QVERIFY(!window->findChild<QAction*>("Export1")->isEnabled());  // still nothing to export
    QVERIFY(!window->findChild<QPushButton*>("CancelButton")->isVisibleTo(window.get()));
    // The cancelled dialog imports nothing: the pages stay as they were.
    QVERIFY(!editor->PagesEnabled());
  }

  void importShowsTheTextPageBeforeReading() {
    editor->ImportFileText(SmallConfiguration(), "/tmp/unit.zem");
    auto* pages = window->findChild<QTabWidget*>("PageControl1");
    pages->setCurrentIndex(static_cast<int>(Page::Options));
    int shownWhileAsked = -1;
    bool gridEnabledWhileAsked = true;
    prompts->whileFileDialogOpen = [&] {
      shownWhileAsked = pages->currentIndex();
      gridEnabledWhileAsked = window->findChild<QWidget*>("StringGrid2")->isEnabled();
    };
    window->findChild<QAction*>("Import1")->trigger();
    QCOMPARE(shownWhileAsked, 0);
    QVERIFY(!gridEnabledWhileAsked);
    // Nothing chosen: the page and the pages' state come back.
    QCOMPARE(pages->currentIndex(), static_cast<int>(Page::Options));
    QVERIFY(window->findChild<QWidget*>("StringGrid2")->isEnabled());
  }

  void unsavedChangesAreMarkedAndAskedAbout() {
    QTemporaryDir dir;
    const QString unitFile = dir.filePath("unit.zem");
    {
      QFile file(unitFile);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(SmallConfiguration().c_str());
    }
    window->show();
    editor->ImportFileText(SmallConfiguration(), unitFile.toStdString());
    auto* pages = window->findChild<QTabWidget*>("PageControl1");
    auto* names = window->findChild<QTableView*>("StringGrid2");
    const QString title = "ZEM Configuration";
    QTRY_COMPARE(window->windowHandle()->title(), title);

    // Moving between pages changes nothing.
    for (int i = 1; i < pages->count(); ++i) pages->setCurrentIndex(i);
    pages->setCurrentIndex(0);
    QVERIFY(!editor->IsModified());

    // A typed name is a change, shown in the title at once.
    pages->setCurrentIndex(static_cast<int>(Page::SourceZoneNaming));
    const QModelIndex zone2 = names->model()->index(1, 1);
    names->setCurrentIndex(zone2);
    names->edit(zone2);
    auto* edit = names->findChild<QLineEdit*>("InplaceEditor");
    QVERIFY(edit);
    edit->selectAll();
    QTest::keyClicks(edit, "Hall");
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(editor->model.unit.ZoneNames[2], std::string("Hall"));
    QTRY_VERIFY(window->isWindowModified());
    QCOMPARE(window->windowHandle()->title(), title + "*");
    const std::string question = MainWindow::DiscardQuestion(true, 0);
    QCOMPARE(question, std::string("The configuration has changes that were not exported. Discard them?"));

    // Import: Cancel keeps everything and reads nothing; OK imports.
    prompts->confirmAnswers.push_back(false);
    window->findChild<QAction*>("Import1")->trigger();
    QCOMPARE(prompts->confirmTexts, std::vector<std::string>{question});
    // Enter on the question keeps the edits.
    QCOMPARE(prompts->confirmDefaults.front(), zem::Prompts::DefaultButton::Cancel);
    QVERIFY(prompts->openDialogs.empty() && prompts->saveDialogs.empty());
    QCOMPARE(editor->model.unit.ZoneNames[2], std::string("Hall"));
    prompts->confirmAnswers.push_back(true);
    prompts->openAnswers.push_back(unitFile.toStdString());
    window->findChild<QAction*>("Import1")->trigger();
    QCOMPARE(prompts->confirmTexts.size(), std::size_t(2));
    QCOMPARE(editor->model.unit.ZoneNames[2], std::string("Room 2"));
    QVERIFY(!window->isWindowModified());

    // Any change is marked at once, however it is made.
    QVERIFY(names->model()->setData(names->model()->index(1, 1), "Hall"));
    QVERIFY(window->isWindowModified());

    // Exit and the close box: Cancel keeps the window, OK closes it.
    prompts->confirmAnswers.push_back(false);
    window->findChild<QAction*>("Exit1")->trigger();
    QVERIFY(window->isVisible());
    prompts->confirmAnswers.push_back(false);
    window->windowHandle()->close();
    QVERIFY(window->isVisible());
    QCOMPARE(prompts->confirmTexts.size(), std::size_t(4));
    prompts->confirmAnswers.push_back(true);
    window->windowHandle()->close();
    QVERIFY(!window->isVisible());
    window->show();
    prompts->confirmAnswers.push_back(true);
    window->findChild<QAction*>("Exit1")->trigger();
    QVERIFY(!window->isVisible());
    QCOMPARE(prompts->confirmTexts.size(), std::size_t(6));

    // Without changes nothing is asked: an export leaves none.
    window->show();
    editor->PrepareExport();
    editor->MarkExported();
    QVERIFY(!window->isWindowModified());
    window->findChild<QAction*>("Exit1")->trigger();
    QVERIFY(!window->isVisible());
    QCOMPARE(prompts->confirmTexts.size(), std::size_t(6));
  }

  void slidersSayWhatTheirLabelsShow_data() {
    QTest::addColumn<QString>("slider");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("said");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("name");
    QTest::newRow("band") << "TrackBar1" << 5 << "-5 dB" << -5 << "Band 1 (32 Hz) gain in dB";
    QTest::newRow("band 6") << "TrackBar6" << 2 << "-2 dB" << -2 << "Band 6 (1 kHz) gain in dB";
    QTest::newRow("bass") << "TrackBar11" << -12 << "+12 dB" << 12 << "Bass in dB";
    QTest::newRow("treble") << "TrackBar12" << 0 << "0 dB" << 0 << "Treble in dB";
    QTest::newRow("preset band") << "TrackBar24" << -6 << "+6 dB" << 6 << "Band 1 (32 Hz) gain in dB";
    QTest::newRow("preset band 10") << "TrackBar15" << 1 << "-1 dB" << -1 << "Band 10 (16 kHz) gain in dB";
    QTest::newRow("lowpass") << "TrackBar25" << 120 << "120 Hz" << 120 << "Lowpass in Hz";
    QTest::newRow("volume") << "TrackBar13" << -20 << "-20 dB" << -20 << "Volume in dB";
    QTest::newRow("balance") << "TrackBar14" << -25 << "left 25 dB" << -25 << "Balance, negative is left";
    QTest::newRow("display 0") << "Display" << 0 << "100%" << 100 << "Display level";
    QTest::newRow("display 2") << "Display" << 2 << "50%" << 50 << "Display level";
  }

  void slidersSayWhatTheirLabelsShow() {
    QFETCH(QString, slider);
    QFETCH(int, position);
    QFETCH(QString, said);
    QFETCH(int, number);
    QFETCH(QString, name);
    editor->ImportFileText(SmallConfiguration(), "unit.zem");
    auto* control = window->findChild<QSlider*>(slider);
    QVERIFY(control);
    control->setValue(position);
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(control);
    QCOMPARE(reader->text(QAccessible::Name), name);
    QCOMPARE(reader->text(QAccessible::Value), said);
    QCOMPARE(reader->valueInterface()->currentValue().toInt(), number);
    // Set the way it is said, the slider takes the position, and the change
    // is marked at once, but for a preset's (presets are not exported).
    control->setValue(control->value() == control->minimum() ? control->maximum() : control->minimum());
    editor->PrepareExport();
    editor->MarkExported();
    reader->valueInterface()->setCurrentValue(number);
    QCOMPARE(control->value(), position);
    QCOMPARE(window->isWindowModified(), !window->findChild<QWidget*>("TabSheet10")->isAncestorOf(control));
  }

  void dropDownListsAreReadByTheirChosenEntry_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("label");        // its caption
    QTest::addColumn<QString>("description");  // what it is for, where the caption does not say it
    QTest::addColumn<QString>("entry");        // the chosen entry
    // clang-format off
    QTest::newRow("DSP mode") << "ComboBox2" << "Label97" << "" << "ZQ Mode";
    QTest::newRow("system EQ") << "ComboBox3" << "Label98" << "" << "Warm";
    QTest::newRow("zone quick EQ") << "ComboBox1" << "Label38" << "Quick EQ file" << "Warm";
    QTest::newRow("preset quick EQ") << "ComboBox4" << "Label96" << "" << "Warm";
    // clang-format on
  }

  // Screen readers on Linux hear names and labels, not values.
  void dropDownListsAreReadByTheirChosenEntry() {
    QFETCH(QString, list);
    QFETCH(QString, label);
    QFETCH(QString, description);
    QFETCH(QString, entry);
    editor->ImportFileText(SmallConfiguration(), "unit.zem");
    auto* box = window->findChild<QComboBox*>(list);
    if (box->findText(entry) < 0) box->addItem(entry);
    box->setCurrentText(entry);
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(box);
    QCOMPARE(reader->text(QAccessible::Name), entry);
    QCOMPARE(reader->text(QAccessible::Value), entry);
    QCOMPARE(reader->text(QAccessible::Description), description);
    const auto labels = reader->relations(QAccessible::Label);
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.front().first->object(), window->findChild<QLabel*>(label));
    // With nothing chosen, the list is read by what it is for, once.
    box->setCurrentIndex(-1);
    QCOMPARE(reader->text(QAccessible::Name), box->accessibleName());
    QCOMPARE(reader->text(QAccessible::Description), QString());
  }

  void changesThroughAssistiveToolsAreMarkedAtOnce() {
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    editor->ImportFileText(SmallConfiguration(), "unit.zem");
    QVERIFY(!window->isWindowModified());
    auto* dhcp = window->findChild<QCheckBox*>("DHCPCheckbox");
    const bool dhcpBefore = dhcp->isChecked();
    QAccessible::queryAccessibleInterface(dhcp)->actionInterface()->doAction(
        QAccessibleActionInterface::toggleAction());
    QCOMPARE(dhcp->isChecked(), !dhcpBefore);
    QVERIFY(window->isWindowModified());  // no input event has run since

    // Preset edits are the unit's own data, and their page says so.
    auto* pages = window->findChild<QTabWidget*>("PageControl1");
    pages->setCurrentIndex(static_cast<int>(Page::EQPresets));
    QCOMPARE(window->findChild<QLabel*>("PresetsNotExported")->text(),
             QString("EQ presets are kept in the unit and are not part of an export."));

    // A vertical slider reached with Tab shows the keyboard focus.
    auto* band = window->findChild<QSlider*>("TrackBar24");
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    auto* next = window->findChild<QSlider*>("TrackBar23");
    const QImage unfocused = next->grab().toImage();
    band->setFocus();
    QTest::keyClick(window->windowHandle(), Qt::Key_Tab);
    QVERIFY(next->hasFocus());
    QVERIFY(next->grab().toImage() != unfocused);
  }

  void serialExportWithoutAPortFailsVisibly() {
    // DHCP on: the placeholder addresses, never sent, do not stop the export first.
    editor->ImportFileText(SmallConfiguration() + "[DHCP1]\r\n", "/tmp/unit.zem");
    auto* status = window->findChild<QLabel*>("StatusText");
    window->findChild<QAction*>("Serial1")->trigger();  // port chooser cancelled
    QCOMPARE(prompts->errors.size(), std::size_t(1));
    window->findChild<QAction*>("Export1")->trigger();  // asks again, cancelled again
    QCOMPARE(prompts->portQuestions.size(), std::size_t(2));
    QCOMPARE(prompts->errors.size(), std::size_t(2));
    QCOMPARE(prompts->errors.back(), std::string("No serial port selected"));
    QCOMPARE(status->text(), QString(" Export failed"));
    QCOMPARE(window->Controller().LinesSent(), 0);
  }

  void modeMenuMessages() {
    auto* messageLog = window->findChild<QPlainTextEdit*>("Memo3");
    auto* fileMode = window->findChild<QAction*>("File2");
    auto* serialMode = window->findChild<QAction*>("Serial1");
    auto* telnetMode = window->findChild<QAction*>("Telnet1");

    prompts->hostAnswers.push_back(std::string("127.0.0.1"));
    telnetMode->trigger();
    QCOMPARE(prompts->hostQuestions.size(), std::size_t(1));
    QCOMPARE(prompts->hostQuestions.back().caption, std::string("Enter the address for the ZEM4100"));
    QCOMPARE(prompts->hostQuestions.back().prompt, std::string("Hostname or IP Address: "));
    QCOMPARE(prompts->hostQuestions.back().initialText, std::string());
    QTRY_COMPARE(messageLog->toPlainText(), QString("Using host: 127.0.0.1\n"));
    QVERIFY(telnetMode->isChecked() && !fileMode->isChecked() && !serialMode->isChecked());

    // Cancelled host prompt: no mode checked at all.
    telnetMode->trigger();
    QCOMPARE(prompts->hostQuestions.back().caption, std::string("Enter the address for the ZEM4100"));
    QCOMPARE(prompts->hostQuestions.back().prompt, std::string("Hostname or IP Address: "));
    QCOMPARE(prompts->hostQuestions.back().initialText, std::string("127.0.0.1"));
    QTRY_COMPARE(messageLog->toPlainText(), QString("No host entered.  Telnet disabled.\n"));
    QVERIFY(!telnetMode->isChecked() && !fileMode->isChecked() && !serialMode->isChecked());
    // With no mode Import and Export are greyed, and the status line says why.
    auto* importAction = window->findChild<QAction*>("Import1");
    auto* exportAction = window->findChild<QAction*>("Export1");
    QVERIFY(!importAction->isEnabled() && !exportAction->isEnabled());
    QCOMPARE(window->findChild<QLabel*>("StatusText")->text(),
             QString(" No mode chosen: choose File, Serial or Telnet Mode in the File menu"));

    // Serial Mode with the port chooser cancelled: message, error box, checked.
    serialMode->trigger();
    QTRY_COMPARE(messageLog->toPlainText(), QString("Please make sure the ZEM is set to 9600 bps.\n"));
    QCOMPARE(prompts->portQuestions.size(), std::size_t(1));
    QCOMPARE(prompts->errors.size(), std::size_t(1));
    QVERIFY(serialMode->isChecked() && !fileMode->isChecked() && !telnetMode->isChecked());
    QVERIFY(importAction->isEnabled());
    QVERIFY(!exportAction->isEnabled());  // nothing loaded to export
    editor->ImportFileText(SmallConfiguration(), "/tmp/unit.zem");
    QVERIFY(exportAction->isEnabled());

    fileMode->trigger();
    QTRY_COMPARE(messageLog->toPlainText(), QString());
    QVERIFY(fileMode->isChecked() && !serialMode->isChecked() && !telnetMode->isChecked());
  }

  void screenshot() {
    editor->ImportFileText(SmallConfiguration(), "/tmp/unit.zem");
    window->show();
    QApplication::processEvents();
    const QPixmap picture = window->grab();
    QCOMPARE(picture.size(), window->size());
    const QString folder = qEnvironmentVariable("ZEM_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
      QVERIFY(picture.save(folder + "/window.png"));
      auto* pages = window->findChild<QTabWidget*>("PageControl1");
      pages->setCurrentIndex(static_cast<int>(Page::SourceZoneNaming));
      QApplication::processEvents();
      QVERIFY(window->grab().save(folder + "/naming.png"));
      pages->setCurrentIndex(static_cast<int>(Page::FavoriteGroupNaming));
      QApplication::processEvents();
      QVERIFY(window->grab().save(folder + "/naming2.png"));
    }
  }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
