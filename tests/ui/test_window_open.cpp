// Opening a file without File > Import's dialog: by name (the command
// line), by a drop and from File > Open Recent.
#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <tuple>

#include "support/window_fixture.h"

using zem::MainWindow;
using Mode = zem::TransferController::Mode;
using Paths = std::vector<std::string>;

namespace {

std::string Bytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

// What a window shows after an import.
auto Seen(const zem::test::WindowFixture& w) {
  return std::tuple(w.editor->receivedText.Text(), w.editor->messageLog.Text(), w.editor->status.Text(),
                    w.prompts->errors, w.editor->HasConfiguration(), w.window->Controller().CheckedMode());
}

// Drags `path` over the window and drops it; whether the drop was taken.
bool Drop(MainWindow& window, const QString& path) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(path)});
  QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&window, &enter);
  QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  if (enter.isAccepted()) QCoreApplication::sendEvent(&window, &drop);
  QCoreApplication::processEvents();  // the import runs after the drop
  return enter.isAccepted() && drop.isAccepted();
}

}  // namespace

class TestWindowOpen : public QObject, private zem::test::WindowFixture {
  Q_OBJECT

  QTemporaryDir dir_;

  QString Copy(const QString& name) {
    QFile::remove(dir_.filePath(name));
    QFile::copy(ZEM_SOURCE_DIR "/examples/small-8x24.zem", dir_.filePath(name));
    return dir_.filePath(name);
  }

 private slots:
  void init() { OpenWindow(false); }
  void cleanup() { CloseWindow(); }

  // A file opened by name goes through File > Import with that file chosen:
  // the same texts, errors and ending, in File Mode.
  void openedAsImportWould_data() {
    QTest::addColumn<QByteArray>("content");  // empty: no such file
    QTest::addColumn<bool>("fromTelnetMode");
    QTest::newRow("configuration") << QByteArray("example") << false;
    QTest::newRow("configuration, Telnet Mode") << QByteArray("example") << true;
    QTest::newRow("missing file") << QByteArray() << false;
    QTest::newRow("no configuration") << QByteArray("hello\r\n[NO3\"Hall\"]\r\n") << false;
  }
  void openedAsImportWould() {
    QFETCH(QByteArray, content);
    QFETCH(bool, fromTelnetMode);
    QString path = content == "example" ? Copy("unit.zem") : dir_.filePath("other.zem");
    QFile::remove(dir_.filePath("other.zem"));
    QFile file(path);
    if (content != "example" && !content.isEmpty())
      QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();
    zem::test::WindowFixture menu;
    menu.OpenWindow(false);
    for (WindowFixture* w : {static_cast<WindowFixture*>(this), &menu}) {
      w->prompts->hostAnswers.push_back(std::string("10.0.0.9"));
      if (fromTelnetMode) w->window->findChild<QAction*>("Telnet1")->trigger();
    }
    window->OpenConfigurationFile(Bytes(path));
    menu.window->findChild<QAction*>("File2")->trigger();
    menu.prompts->openAnswers.push_back(Bytes(path));
    menu.window->findChild<QAction*>("Import1")->trigger();

    QCOMPARE(Seen(*this), Seen(menu));
    QCOMPARE(window->Controller().CheckedMode(), Mode::File);
    QCOMPARE(prompts->errors.size(), std::size_t(content.isEmpty() ? 1 : 0));
    QVERIFY(prompts->openDialogs.empty());
    // Only a file that was imported goes on the recent list.
    QCOMPARE(window->Controller().Settings().RecentFiles(),
             content == "example" ? Paths{Bytes(path)} : Paths{});
  }

  void dropsAndTheRecentList() {
    const QString a = Copy("a.zem"), b = Copy("b.ZEM"), c = Copy("c.zem");
    QVERIFY(!Drop(*window, dir_.filePath("notes.txt")));
    QVERIFY(Drop(*window, a));
    QVERIFY(editor->HasConfiguration());
    window->OpenConfigurationFile(Bytes(b));
    // Unsaved changes: the guard asks first, and its Cancel keeps them.
    QAbstractItemModel* names = window->findChild<QTableView*>("StringGrid2")->model();
    QVERIFY(names->setData(names->index(1, 1), "Edited zone"));
    QVERIFY(Drop(*window, c));
    QCOMPARE(prompts->confirmTexts, Paths{MainWindow::kDiscardQuestion});
    QCOMPARE(window->Controller().LastOpenedFile(), Bytes(b));
    QVERIFY(window->isWindowModified());
    prompts->saveAnswers.push_back(Bytes(c));
    prompts->confirmAnswers.push_back(true);  // overwrite c
    window->findChild<QAction*>("Export1")->trigger();
    QVERIFY(QFile::remove(b));

    // Newest first, the missing one greyed.
    emit window->findChild<QMenu*>("OpenRecent1")->aboutToShow();
    QStringList shown;
    for (const char* name : {"RecentFile1", "RecentFile2", "RecentFile3"}) {
      const QAction* item = window->findChild<QAction*>(name);
      shown << item->text() + (item->isEnabled() ? "" : " (greyed)");
    }
    QCOMPARE(shown, (QStringList{c, b + " (greyed)", a}));
    QVERIFY(!window->findChild<QAction*>("RecentFile4"));

    // Chosen, a file is imported and goes to the top; eight are kept at most;
    // Clear Menu empties the list.
    window->findChild<QAction*>("RecentFile3")->trigger();
    QCoreApplication::processEvents();
    QCOMPARE(window->Controller().Settings().RecentFiles(), (Paths{Bytes(a), Bytes(c), Bytes(b)}));
    for (int i = 1; i <= 6; ++i)
      window->Controller().Settings().AddRecentFile("/" + std::to_string(i) + ".zem");
    emit window->findChild<QMenu*>("OpenRecent1")->aboutToShow();
    QCOMPARE(window->findChild<QAction*>("RecentFile1")->text(), QString("/6.zem"));
    QCOMPARE(window->findChild<QAction*>("RecentFile8")->text(), c);
    QVERIFY(!window->findChild<QAction*>("RecentFile9"));
    window->findChild<QAction*>("ClearRecent1")->trigger();
    QCoreApplication::processEvents();
    QVERIFY(window->Controller().Settings().RecentFiles().empty());
    QVERIFY(!window->findChild<QAction*>("RecentFile1"));
  }

  // While a transfer runs a drop is refused and says so, and the recent
  // list cannot be opened.
  void nothingOpensDuringATransfer() {
    const QString file = Copy("unit.zem");
    bool refused = false;
    prompts->whileFileDialogOpen = [&] {
      refused = !window->findChild<QAction*>("OpenRecentMenu1")->isEnabled() && !Drop(*window, file) &&
                editor->status.Text() == MainWindow::kBusyOpenStatus;
    };
    window->findChild<QAction*>("Import1")->trigger();  // the dialog is cancelled
    QCoreApplication::processEvents();
    QVERIFY(refused);
    QVERIFY(!editor->HasConfiguration());
    QVERIFY(window->findChild<QAction*>("OpenRecentMenu1")->isEnabled());
  }
};

QTEST_MAIN(TestWindowOpen)
#include "test_window_open.moc"
