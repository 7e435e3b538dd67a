// zemctl sheet as a user runs it: forms, titles, papers and its refusals.
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include "support/zemctl_runner.h"

using namespace zem::test;

class TestZemctlSheet : public QObject {
  Q_OBJECT

 private slots:
  // "IN" and "OUT" in the arguments are the example and a file in a
  // temporary folder named by `out`; `written` is a part of what OUT holds
  // afterwards, `said` a part of standard error.
  void sheet_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QByteArray>("said");
    const auto row = [](const char* name, const QStringList& args, const char* out, const char* locale,
                        int status, const QByteArray& written, const QByteArray& said = {}) {
      QTest::newRow(name) << args << out << locale << status << written << said;
    };
    const QByteArray a4 = "/MediaBox [0 0 595.000000 842.000000]",
                     letter = "/MediaBox [0 0 612.000000 792.000000]", missing = "<missing>";
    const QStringList plain{"IN", "-o", "OUT"};
    row("PDF, US locale: Letter", plain, "s.pdf", "en_US.UTF-8", 0, letter);
    row("PDF, German locale: A4", plain, "s.pdf", "de_DE.UTF-8", 0, a4);
    row("--paper wins", {"IN", "--paper", "A4", "-o", "OUT"}, "s.pdf", "en_US.UTF-8", 0, a4);
    row("HTML, its title the file's name", {"IN", "--output", "OUT"}, "s.HTML", "", 0,
        "<title>small-8x24.zem</title>");
    row("--title", {"IN", "-o", "OUT", "--title", "Caf\u00e9 <1>"}, "s.xhtml", "C.UTF-8", 0,
        "<title>Caf\xc3\xa9 &lt;1&gt;</title>");
    // Control characters show as in names; the notes' lines as lines.
    row("--title with control bytes", {"IN", "-o", "OUT", "--title", "a\x01\x62\x1b"}, "s.html", "C.UTF-8", 0,
        "<title>a\\x01b\\x1B</title>");
    row("notes: lines, Latin-1", {"IN", "-o", "OUT", "--notes", "NOTES"}, "s.html", "C.UTF-8", 0,
        "<td>Rack<br/>Caf\xc3\xa9</td>");
    row("notes too large", {"IN", "-o", "OUT", "--notes", "BIG"}, "s.pdf", "", 2, missing,
        "holds more than 64 KiB");
    row("bad paper", {"IN", "-o", "OUT", "--paper", "a5"}, "s.pdf", "", 2, missing,
        "--paper is a4 or letter, not 'a5'");
    row("bad extension", plain, "s.txt", "", 2, missing, "OUT must end in .pdf or .html");
    row("no output", {"IN"}, "s.pdf", "", 2, missing, "sheet needs FILE and -o OUT");
    row("the input as output", {"IN", "-o", "IN"}, "s.pdf", "", 2, missing);
  }

  void sheet() {
    QFETCH(QStringList, args);
    QFETCH(QString, out);
    QFETCH(QString, locale);
    QFETCH(int, status);
    QFETCH(QByteArray, written);
    QFETCH(QByteArray, said);
    QTemporaryDir dir;
    const QString output = dir.filePath(out);
    args.replaceInStrings(QRegularExpression("^IN$"), Source("examples/small-8x24.zem"));
    args.replaceInStrings(QRegularExpression("^OUT$"), output);
    Write(dir.filePath("notes.txt"), "\r\nRack\r\nCaf\xe9\r\n");
    Write(dir.filePath("big.txt"), QByteArray(70000, 'x'));
    args.replaceInStrings(QRegularExpression("^NOTES$"), dir.filePath("notes.txt"));
    args.replaceInStrings(QRegularExpression("^BIG$"), dir.filePath("big.txt"));
    const Run run = Zemctl(QStringList{"sheet"} + args, {}, locale);
    QVERIFY2(run.status == status, run.err.constData());
    QVERIFY2(Read(output).contains(written), qPrintable(output));
    QVERIFY2(run.err.contains(said), run.err.constData());
  }

  // Without a display and with no platform named, on a file that names no source.
  void noDisplay_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("status");
    QTest::newRow("a configuration") << QByteArray("[NI1\"Tuner\"]\r\n[NO1\"Hall\"]\r\n") << 0;
    QTest::newRow("no source") << QByteArray("[SD1]\r\n") << 3;
  }
  void noDisplay() {
    QFETCH(QByteArray, file);
    QFETCH(int, status);
    QTemporaryDir dir;
    Write(dir.filePath("in.zem"), file);
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    process.setProcessEnvironment(env);
    process.start(ZEMCTL_PATH, {"sheet", dir.filePath("in.zem"), "-o", dir.filePath("out.pdf")});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), status);
    QCOMPARE(Read(dir.filePath("out.pdf")).startsWith("%PDF-"), status == 0);
  }
};

QTEST_GUILESS_MAIN(TestZemctlSheet)
#include "test_zemctl_sheet.moc"
