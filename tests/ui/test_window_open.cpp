// Opening a file without File > Import's dialog: by name (the command
// line), by a drop and from File > Open Recent.
#include <QAction>
#include <QDropEvent>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <tuple>

#include "support/example_file.h"
#include "support/window_fixture.h"

using zem::MainWindow;
using Paths = std::vector<std::string>;

namespace {

std::string Bytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

// What a window shows after an import.
auto Seen(const zem::test::WindowFixture& w) {
  return std::tuple(w.editor->receivedText.Text(), w.editor->messageLog.Text(), w.editor->status.Text(),
                    w.prompts->errors, w.editor->HasConfiguration(), w.window->Controller().CheckedMode());
}

// Drags `urls` over the window and drops them; whether the drop was taken.
bool Drop(MainWindow& window, const QList<QUrl>& urls) {
  QMimeData data;
  data.setUrls(urls);
  QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&window, &enter);
  QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  if (enter.isAccepted()) QCoreApplication::sendEvent(&window, &drop);
  QCoreApplication::processEvents();  // the import runs after the drop
  return enter.isAccepted() && drop.isAccepted();
}
bool Drop(MainWindow& window, const QString& path) { return Drop(window, {QUrl::fromLocalFile(path)}); }

}  // namespace

class TestWindowOpen : public QObject, private zem::test::WindowFixture {
  Q_OBJECT

  QTemporaryDir dir_;
  // A file there, by default a copy of an example.
  QString Write(const QString& name, QByteArray content = {}) {
    if (content.isEmpty()) content = QByteArray::fromStdString(zem::test::ExampleText("small-8x24.zem"));
    QFile file(dir_.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() ? file.fileName() : "";
  }
  QAction* Item(const char* name) { return window->findChild<QAction*>(name); }
  // File > Open Recent as it shows: the items' texts, missing files greyed.
  QStringList RecentMenu() {
    emit window->findChild<QMenu*>("OpenRecent1")->aboutToShow();
    QStringList shown;
    for (const QAction* item : window->findChild<QMenu*>("OpenRecent1")->actions())
      if (item->objectName().startsWith("RecentFile"))
        shown << item->text() + (item->isEnabled() ? "" : " greyed");
    return shown;
  }

 private slots:
  void init() { OpenWindow(false); }
  void cleanup() { CloseWindow(); }

  // A file opened by name or dropped is imported as File > Import would,
  // with the same texts and errors, and ends in File Mode.
  void openedAsImportWould_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("droppedInTelnetMode");
    QTest::addColumn<bool>("imported");
    QTest::newRow("configuration") << Write("unit.zem") << false << true;
    QTest::newRow("configuration dropped, Telnet Mode") << Write("unit.zem") << true << true;
    QTest::newRow("missing file") << dir_.filePath("missing.zem") << false << false;
    QTest::newRow("no configuration") << Write("none.zem", "hello\r\n[NO3\"Hall\"]\r\n") << false << false;
  }
  void openedAsImportWould() {
    QFETCH(QString, file);
    QFETCH(bool, droppedInTelnetMode);
    QFETCH(bool, imported);
    zem::test::WindowFixture menu;
    menu.OpenWindow(false);
    for (WindowFixture* w : {static_cast<WindowFixture*>(this), &menu}) {
      w->prompts->hostAnswers.push_back(std::string("10.0.0.9"));
      if (droppedInTelnetMode) w->window->findChild<QAction*>("Telnet1")->trigger();
    }
    if (!droppedInTelnetMode) window->OpenConfigurationFile(Bytes(file));
    QVERIFY(!droppedInTelnetMode || Drop(*window, file));
    menu.window->findChild<QAction*>("File2")->trigger();
    menu.prompts->openAnswers.push_back(Bytes(file));
    menu.window->findChild<QAction*>("Import1")->trigger();

    QCOMPARE(Seen(*this), Seen(menu));
    QCOMPARE(editor->HasConfiguration(), imported);
    QCOMPARE(prompts->errors.empty(), QFile::exists(file));
    // Only a file that was imported goes on the recent list.
    QCOMPARE(window->Controller().Settings().RecentFiles(), imported ? Paths{Bytes(file)} : Paths{});
  }

  // Only a local *.zem file is taken from a drop, the first among its URLs;
  // otherwise the status names the first URL refused.
  void dropsTakeLocalConfigurationFiles_data() {
    QTest::addColumn<QStringList>("urls");
    QTest::addColumn<QByteArray>("taken");    // the path opened
    QTest::addColumn<QByteArray>("refused");  // or the name the status gives
    const auto row = [](const char* name, const QStringList& urls, QByteArray taken, QByteArray refused) {
      QTest::newRow(name) << urls << taken << refused;
    };
    row("local", {"file:///tmp/x.zem"}, "/tmp/x.zem", "");
    row("any case", {"file:///tmp/X.ZEM"}, "/tmp/X.ZEM", "");
    row("localhost", {"file://localhost/tmp/x.zem"}, "/tmp/x.zem", "");
    row("Latin-1 byte", {"file:///tmp/caf%E9.zem"}, "/tmp/caf\xe9.zem", "");
    row("other host", {"file://otherhost/x.zem"}, "", "file://otherhost/x.zem");
    row("NUL in the path", {"file:///tmp/secret.txt%00.zem"}, "", "/tmp/secret.txt%00.zem");
    row("not .zem, named first", {"file:///tmp/notes.txt", "http://h/a.zem"}, "", "/tmp/notes.txt");
    row("http", {"http://example.com/x.zem"}, "", "http://example.com/x.zem");
    row("second taken", {"file:///tmp/a.txt", "file:///tmp/b.zem"}, "/tmp/b.zem", "");
  }
  void dropsTakeLocalConfigurationFiles() {
    QFETCH(QStringList, urls);
    QFETCH(QByteArray, taken);
    QFETCH(QByteArray, refused);
    QList<QUrl> dropped;
    for (const QString& url : urls) dropped << QUrl(url);
    QCOMPARE(Drop(*window, dropped), !taken.isEmpty());
    QCOMPARE(window->Controller().LastOpenedFile(), taken.toStdString());
    if (!refused.isEmpty())
      QCOMPARE(editor->status.Text(), MainWindow::kNotConfigurationStatus + refused.toStdString());
  }

  // A drop, the unsaved guard and File > Open Recent; nothing opens while a
  // transfer runs.
  void dropsAndTheRecentList() {
    const QString a = Write("a.zem"), b = Write("b.ZEM"), c = Write("c.zem");
    bool refused = false;
    prompts->whileFileDialogOpen = [&] {
      refused = !Item("OpenRecentMenu1")->isEnabled() && !Drop(*window, a) &&
                editor->status.Text() == MainWindow::kBusyOpenStatus;
    };
    Item("Import1")->trigger();  // the dialog is cancelled
    QVERIFY(refused && !editor->HasConfiguration() && Item("OpenRecentMenu1")->isEnabled());
    prompts->whileFileDialogOpen = nullptr;
    QVERIFY(!Drop(*window, dir_.filePath("notes.txt")));
    QVERIFY(Drop(*window, a));
    window->OpenConfigurationFile(Bytes(b));
    // Unsaved changes: the guard asks first, and its Cancel keeps them.
    QAbstractItemModel* names = window->findChild<QTableView*>("StringGrid2")->model();
    QVERIFY(names->setData(names->index(1, 1), "Edited zone"));
    QVERIFY(Drop(*window, c));
    QCOMPARE(prompts->confirmTexts, Paths{MainWindow::DiscardQuestion(true, 0)});
    QCOMPARE(window->Controller().LastOpenedFile(), Bytes(b));
    prompts->saveAnswers.push_back(Bytes(c));
    prompts->confirmAnswers.push_back(true);  // overwrite c
    Item("Export1")->trigger();
    QVERIFY(QFile::remove(b));
    QCOMPARE(RecentMenu(), (QStringList{c, b + " greyed", a}));

    // Chosen, a file is imported and goes to the top; eight are kept at most.
    Item("RecentFile3")->trigger();
    QCoreApplication::processEvents();
    QCOMPARE(window->Controller().LastOpenedFile(), Bytes(a));
    QStringList eight{a, c};
    for (int i = 1; i <= 6; ++i) {
      window->Controller().Settings().AddRecentFile("/" + std::to_string(i) + ".zem");
      eight.prepend(QString("/%1.zem greyed").arg(i));
    }
    QCOMPARE(RecentMenu(), eight);
    Item("ClearRecent1")->trigger();
    QCoreApplication::processEvents();
    QVERIFY(window->Controller().Settings().RecentFiles().empty() && RecentMenu().isEmpty());
  }
};

QTEST_MAIN(TestWindowOpen)
#include "test_window_open.moc"
