// File > Print Sheet... and File > Export Sheet... through the real window, headless.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QBuffer>
#include <QMenu>
#include <QPdfWriter>
#include <QPrinter>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>
#include <utility>

#include "editor/names_csv.h"
#include "sheet/sheet_pages.h"
#include "support/window_fixture.h"
#include "support/zemctl_runner.h"
#include "transfer/file_io.h"

using namespace zem;

namespace {

const std::string kConfiguration = "[NI1\"Tuner\"]\r\n[NO1\"Hall\"]\r\n[NO2\"Caf\xE9\"]\r\n";

QByteArray Read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// The title of an XHTML sheet; empty when it does not read as XML.
QString HtmlTitle(const QByteArray& html) {
  QXmlStreamReader xml(html);
  QString title;
  while (!xml.atEnd())
    if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("title") &&
        title.isEmpty())
      title = xml.readElementText();
  return xml.hasError() ? QString() : title;
}

// Each page's text as pdftotext reads it, blanks squeezed (two renderings
// may space a word apart by a hair); nothing when it could not run.
QStringList PageTexts(const QString& pdf) {
  QProcess process;
  process.start("pdftotext", {"-layout", pdf, "-"});
  if (!process.waitForFinished(60000) || process.exitCode() != 0) return {};
  QStringList pages = QString::fromUtf8(process.readAllStandardOutput()).split('\f');
  if (!pages.isEmpty() && pages.back().trimmed().isEmpty()) pages.removeLast();
  for (QString& page : pages) page = page.simplified();
  return pages;
}

}  // namespace

class TestWindowSheet : public QObject, private test::WindowFixture {
  Q_OBJECT

  static std::string S(const QString& path) { return path.toStdString(); }
  void Load() {
    editor->ImportFileText(kConfiguration, "a.zem");
    window->EditorChanged();
  }

 private slots:
  void init() { OpenWindow(false); }
  void cleanup() { CloseWindow(); }

  // After Compare with File..., before Exit; greyed until a configuration is
  // loaded; Print Sheet... opens the preview.
  void menuItemsAndPreview() {
    auto* menu = window->findChild<QMenu*>("File1");
    QStringList names;
    for (QAction* action : menu->actions()) names << action->objectName();
    const qsizetype print = names.indexOf("PrintSheet1");
    QVERIFY(print > names.indexOf("CompareWithFile1"));
    QCOMPARE(names.indexOf("ExportSheet1"), print + 1);
    QVERIFY(names.indexOf("Exit1") > print + 1);
    auto* printAction = window->findChild<QAction*>("PrintSheet1");
    auto* exportAction = window->findChild<QAction*>("ExportSheet1");
    QCOMPARE(printAction->text(), QStringLiteral("&Print Sheet..."));
    QCOMPARE(exportAction->text(), QStringLiteral("Exp&ort Sheet..."));
    QVERIFY(!printAction->isEnabled() && !exportAction->isEnabled());
    window->PrintSheet();
    window->ExportSheet();
    QVERIFY(prompts->printJobs.empty() && prompts->saveDialogs.empty());

    Load();
    QVERIFY(printAction->isEnabled() && exportAction->isEnabled());
    // The preview gets a job that draws the sheet on whatever device it is given.
    printAction->trigger();
    QCOMPARE(prompts->printJobs.size(), std::size_t(1));
    QCOMPARE(prompts->printJobs[0].caption, std::string("Print Sheet"));
    QByteArray pdf;
    {
      QBuffer buffer(&pdf);
      buffer.open(QIODevice::WriteOnly);
      QPdfWriter writer(&buffer);
      prompts->printJobs[0].paint(writer);
    }
    QVERIFY(pdf.startsWith("%PDF-"));
    QVERIFY(pdf.contains("/Type /Page"));
  }

  // The chosen name's extension picks the form; an existing file is replaced
  // only when the user agrees.
  void exportSheet_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<QByteArray>("starts");  // the file afterwards; "old" when left alone
    QTest::newRow("PDF") << "s.pdf" << false << false << QByteArray("%PDF-");
    QTest::newRow("replaced") << "s.pdf" << true << true << QByteArray("%PDF-");
    QTest::newRow("kept") << "s.pdf" << true << false << QByteArray("old");
    QTest::newRow("another extension") << "s.txt" << false << false << QByteArray("<missing>");
  }
  void exportSheet() {
    QFETCH(QString, name);
    QFETCH(bool, exists);
    QFETCH(bool, overwrite);
    QFETCH(QByteArray, starts);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    if (exists) QVERIFY(WriteFileAtomically(S(path), "old", nullptr));
    Load();
    prompts->saveAnswers.push_back(S(path));
    prompts->confirmAnswers.push_back(overwrite);
    window->findChild<QAction*>("ExportSheet1")->trigger();
    QCOMPARE(prompts->saveDialogs.at(0).defaultExtension, std::string("pdf"));
    QCOMPARE(prompts->confirmTexts.size(), std::size_t(exists));
    QVERIFY(Read(path).startsWith(starts));
    QCOMPARE(prompts->errors.size(), std::size_t(name.endsWith(".txt")));
    QCOMPARE(editor->status.Text() == "Sheet exported to file: " + S(path),
             starts != "old" && starts != "<missing>");
  }

  // A FIFO that a program reads gets every byte, however small its buffer;
  // a reader that leaves is named as the reason.
  void exportToAFifo_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("leaves");  // the reader, at its first read
    QTest::newRow("sheet") << "ExportSheet1" << false;
    QTest::newRow("names") << "ExportNames1" << false;
    QTest::newRow("names, the reader leaves") << "ExportNames1" << true;
  }
  void exportToAFifo() {
    QFETCH(QString, action);
    QFETCH(bool, leaves);
    window->OpenConfigurationFile(S(test::Source("examples/full-16x192.zem")));
    QTemporaryDir dir;
    const std::string fifo = S(dir.filePath(action == "ExportSheet1" ? "s.html" : "n.csv"));
    int fd = ::mkfifo(fifo.c_str(), 0600) == 0 ? ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK) : -1;
    QVERIFY(fd >= 0 && ::fcntl(fd, F_SETPIPE_SZ, 4096) >= 0);  // the smallest buffer
    QByteArray got;
    const auto readAll = [&] {
      char chunk[1024];
      for (ssize_t n; fd >= 0 && (n = ::read(fd, chunk, sizeof chunk)) > 0;) got.append(chunk, n);
    };
    QSocketNotifier reader(fd, QSocketNotifier::Read);
    connect(&reader, &QSocketNotifier::activated, this, [&] {
      if (!leaves) return readAll();
      reader.setEnabled(false);
      ::close(std::exchange(fd, -1));
    });
    prompts->saveAnswers.push_back(fifo);
    prompts->confirmAnswers.push_back(true);
    window->findChild<QAction*>(action)->trigger();
    readAll();
    if (fd >= 0) ::close(fd);
    const std::string left = "Cannot create file " + fifo + ". The program reading it stopped before the end";
    QCOMPARE(prompts->errors, leaves ? std::vector<std::string>{left} : std::vector<std::string>{});
    if (!leaves && action == "ExportNames1") QCOMPARE(got.toStdString(), NamesCsvText(editor->model.unit));
    if (!leaves && action == "ExportSheet1") QVERIFY(got.size() > 4096 && !HtmlTitle(got).isEmpty());
  }

  // The title names the file imported in File Mode, as the window's title
  // does, and the proposed name lies beside it; with none, the default title.
  void titleFromTheFile() {
    QTemporaryDir dir;
    const QString site = dir.filePath("site.zem"), html = dir.filePath("s.html");
    QVERIFY(WriteFileAtomically(S(site), kConfiguration, nullptr));
    Load();
    prompts->saveAnswers.push_back(S(html));
    window->ExportSheet();
    QCOMPARE(HtmlTitle(Read(html)), QStringLiteral("ZEM Configuration"));
    QCOMPARE(prompts->saveDialogs.at(0).fileName, std::string());

    window->OpenConfigurationFile(S(site));
    QVERIFY(editor->HasConfiguration());
    prompts->saveAnswers.push_back(S(html));
    prompts->confirmAnswers.push_back(true);
    window->ExportSheet();
    QCOMPARE(HtmlTitle(Read(html)), QStringLiteral("site.zem"));
    QCOMPARE(prompts->saveDialogs.at(1).fileName, S(dir.filePath("site.pdf")));
  }

  // The title block is asked for first; Cancel there does nothing more.
  // The installer's fields are proposed again for any file, the site's only
  // for the file they were given for. The same configuration, title block
  // and paper give the same pages with the same text on each, whether drawn
  // for the print preview (a printer of its own resolution and margins),
  // exported by the window or by zemctl.
  void titleBlockAndSamePages() {
    QTemporaryDir dir;
    const QString file = test::Source("examples/full-16x192.zem"), notes = dir.filePath("notes.txt");
    const QString exported = dir.filePath("window.pdf"), printed = dir.filePath("preview.pdf"),
                  written = dir.filePath("zemctl.pdf");
    window->OpenConfigurationFile(S(file));
    prompts->sheetAnswers.push_back(std::nullopt);
    window->PrintSheet();
    prompts->sheetAnswers.push_back(std::nullopt);
    window->ExportSheet();
    QVERIFY(prompts->printJobs.empty() && prompts->saveDialogs.empty());
    QCOMPARE(prompts->sheetProposals.at(0), (Prompts::SheetFields{"full-16x192.zem", "", "", "", ""}));

    const Prompts::SheetFields given{"Smith residence", "1 High St", "AV Co", "0123",
                                     "Rack in the cellar.\nKey at the desk."};
    prompts->sheetAnswers.push_back(given);
    prompts->saveAnswers.push_back(S(exported));
    window->ExportSheet();
    window->PrintSheet();
    QCOMPARE(prompts->sheetProposals.back(), given);
    QCOMPARE(prompts->printJobs.size(), std::size_t(1));
    {
      QPrinter printer(QPrinter::HighResolution);
      printer.setPageSize(QPageSize(LocalePaper()));
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(printed);
      prompts->printJobs[0].paint(printer);
    }
    window->OpenConfigurationFile(S(test::Source("examples/small-8x24.zem")));
    window->PrintSheet();
    QCOMPARE(prompts->sheetProposals.back(),
             (Prompts::SheetFields{"small-8x24.zem", "", "AV Co", "0123", ""}));

    test::Write(notes, "Rack in the cellar.\nKey at the desk.\n");
    const QString paper = LocalePaper() == QPageSize::Letter ? "letter" : "a4";
    const test::Run run =
        test::Zemctl({"sheet", file, "-o", written, "--title", "Smith residence", "--address", "1 High St",
                      "--installer", "AV Co", "--contact", "0123", "--notes", notes, "--paper", paper});
    QVERIFY2(run.status == 0, run.err.constData());
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
      QSKIP("pdftotext (poppler-utils) is not installed");
    const QStringList pages = PageTexts(exported);
    QVERIFY(pages.size() > 1);
    QVERIFY(pages.front().contains("Smith residence") && pages.front().contains("Key at the desk."));
    QVERIFY(pages.back().contains(QStringLiteral("Page %1 of %1").arg(pages.size())));
    QCOMPARE(PageTexts(printed), pages);
    QCOMPARE(PageTexts(written), pages);
  }
};

QTEST_MAIN(TestWindowSheet)
#include "test_window_sheet.moc"
