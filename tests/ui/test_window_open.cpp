// Opening a file without File > Import's dialog: by name (the command
// line), by a drop and from File > Open Recent.
#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "support/window_fixture.h"
#include "ui/window/open_recent_menu.h"

using zem::MainWindow;
using Mode = zem::TransferController::Mode;

namespace {

const QString kExample = QStringLiteral(ZEM_SOURCE_DIR "/examples/small-8x24.zem");

std::string Bytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

// What a window shows after an import.
struct Seen {
  std::string received, log, status;
  std::vector<std::string> errors;
  bool loaded;
  Mode mode;
  bool operator==(const Seen&) const = default;
};

Seen SeenIn(const zem::test::WindowFixture& w) {
  return {w.editor->receivedText.Text(), w.editor->messageLog.Text(),
          w.editor->status.Text(),       w.prompts->errors,
          w.editor->HasConfiguration(),  w.window->Controller().CheckedMode()};
}

// Drags `paths` over the window and drops them; whether the drag was taken.
bool Drop(MainWindow& window, const QStringList& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  data.setUrls(urls);
  const QPoint at(100, 100);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&window, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&window, &drop);
  QCoreApplication::processEvents();  // the import runs after the drop
  return drop.isAccepted();
}

void EditAName(MainWindow& window) {
  QAbstractItemModel* names = window.findChild<QTableView*>("StringGrid2")->model();
  QVERIFY(names->setData(names->index(1, 1), "Edited zone"));
  QVERIFY(window.isWindowModified());
}

}  // namespace

class TestWindowOpen : public QObject, private zem::test::WindowFixture {
  Q_OBJECT

  QTemporaryDir dir_;

  QString Copy(const QString& name) {
    const QString path = dir_.filePath(name);
    QFile::remove(path);
    return QFile::copy(kExample, path) ? path : QString();
  }

 private slots:
  void init() { OpenWindow(false); }
  void cleanup() { CloseWindow(); }

  // A file named on the command line (or dropped, or chosen from the recent
  // list) goes through the same import as File > Import with that file
  // chosen: the same texts, errors and ending, in File Mode.
  void openedAsImportWould_data() {
    QTest::addColumn<QString>("content");  // "-": no such file
    QTest::addColumn<bool>("fromTelnetMode");
    QTest::addColumn<bool>("loaded");
    QTest::newRow("configuration") << QString("example") << false << true;
    QTest::newRow("configuration, Telnet Mode") << QString("example") << true << true;
    QTest::newRow("missing file") << QString("-") << false << false;
    QTest::newRow("no configuration") << QString("hello\r\n[NO3\"Hall\"]\r\n") << false << false;
  }
  void openedAsImportWould() {
    QFETCH(QString, content);
    QFETCH(bool, fromTelnetMode);
    QFETCH(bool, loaded);
    QString path = dir_.filePath("missing.zem");
    if (content == "example") path = Copy("unit.zem");
    if (content != "example" && content != "-") {
      QFile file(path = dir_.filePath("words.zem"));
      QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content.toLatin1()) == content.size());
    }
    zem::test::WindowFixture menu;
    menu.OpenWindow(false);
    for (WindowFixture* w : {static_cast<WindowFixture*>(this), &menu}) {
      if (!fromTelnetMode) continue;
      w->prompts->hostAnswers.push_back(std::string("10.0.0.9"));
      w->window->findChild<QAction*>("Telnet1")->trigger();
      QCOMPARE(w->window->Controller().CheckedMode(), Mode::Telnet);
    }
    window->OpenConfigurationFile(Bytes(path));
    if (fromTelnetMode) menu.window->findChild<QAction*>("File2")->trigger();
    menu.prompts->openAnswers.push_back(Bytes(path));
    menu.window->findChild<QAction*>("Import1")->trigger();

    QCOMPARE(SeenIn(*this), SeenIn(menu));
    QCOMPARE(editor->HasConfiguration(), loaded);
    QCOMPARE(window->Controller().CheckedMode(), Mode::File);
    QCOMPARE(prompts->errors.size(), std::size_t(content == "-" ? 1 : 0));
    QVERIFY(prompts->openDialogs.empty());
    // Only a file that was imported goes on the recent list.
    QCOMPARE(window->Controller().Settings().RecentFiles(),
             loaded ? std::vector<std::string>{Bytes(path)} : std::vector<std::string>{});
  }

  void dropImportsAZemFile() {
    const QString first = Copy("first.zem");
    const QString second = Copy("second.ZEM");
    QVERIFY(!Drop(*window, {dir_.filePath("notes.txt")}));
    QVERIFY(Drop(*window, {dir_.filePath("notes.txt"), first}));
    QVERIFY(editor->HasConfiguration());
    QCOMPARE(window->Controller().LastOpenedFile(), Bytes(first));

    // Unsaved changes: the guard asks first, and its Cancel keeps them.
    EditAName(*window);
    QVERIFY(Drop(*window, {second}));
    QCOMPARE(prompts->confirmTexts, std::vector<std::string>{MainWindow::kDiscardQuestion});
    QCOMPARE(window->Controller().LastOpenedFile(), Bytes(first));
    QVERIFY(window->isWindowModified());
    prompts->confirmAnswers.push_back(true);
    QVERIFY(Drop(*window, {second}));
    QCOMPARE(window->Controller().LastOpenedFile(), Bytes(second));
    QVERIFY(!window->isWindowModified());
  }

  // While a transfer runs a drop is refused and says so, and the recent
  // list cannot be opened.
  void nothingOpensDuringATransfer() {
    const QString file = Copy("unit.zem");
    bool refused = false;
    prompts->whileFileDialogOpen = [&] {
      QVERIFY(window->Controller().Busy());
      QVERIFY(!window->findChild<QAction*>("OpenRecentMenu1")->isEnabled());
      QVERIFY(!Drop(*window, {file}));
      refused = editor->status.Text() == MainWindow::kBusyOpenStatus;
    };
    window->findChild<QAction*>("Import1")->trigger();  // the dialog is cancelled
    QCoreApplication::processEvents();
    QVERIFY(refused);
    QVERIFY(!editor->HasConfiguration());
    QVERIFY(window->findChild<QAction*>("OpenRecentMenu1")->isEnabled());
  }

  void openRecent() {
    const QString a = Copy("a.zem"), b = Copy("b.zem"), c = Copy("c.zem");
    for (const QString& path : {a, b, c}) window->OpenConfigurationFile(Bytes(path));
    const QString exported = dir_.filePath("exported.zem");
    QFile::remove(exported);
    prompts->saveAnswers.push_back(Bytes(exported));
    window->findChild<QAction*>("Export1")->trigger();
    QVERIFY(QFile::remove(b));

    auto* menu = window->findChild<zem::OpenRecentMenu*>("OpenRecent1");
    QCOMPARE(menu->menuAction()->text(), QString("Open &Recent"));
    menu->Rebuild();
    QStringList shown;
    QList<bool> enabled;
    for (QAction* item : menu->actions()) {
      if (!item->objectName().startsWith("RecentFile")) continue;
      shown << item->text();
      enabled << item->isEnabled();
    }
    QCOMPARE(shown, (QStringList{exported, c, b, a}));
    QCOMPARE(enabled, (QList<bool>{true, true, false, true}));

    // Chosen, a file is imported after the guard and goes to the top.
    EditAName(*window);
    prompts->confirmAnswers.push_back(true);
    window->findChild<QAction*>("RecentFile4")->trigger();
    QCoreApplication::processEvents();
    QCOMPARE(prompts->confirmTexts.size(), std::size_t(1));
    QCOMPARE(window->Controller().Settings().RecentFiles(),
             (std::vector<std::string>{Bytes(a), Bytes(exported), Bytes(c), Bytes(b)}));

    window->findChild<QAction*>("ClearRecent1")->trigger();
    QCoreApplication::processEvents();
    QVERIFY(window->Controller().Settings().RecentFiles().empty());
    QCOMPARE(menu->actions().size(), 2);  // the separator and "Clear Menu", greyed
    QVERIFY(!window->findChild<QAction*>("ClearRecent1")->isEnabled());
  }
};

QTEST_MAIN(TestWindowOpen)
#include "test_window_open.moc"
