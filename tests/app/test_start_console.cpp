// Who writes the window program's --help text on Windows: the program where
// the output was redirected, Qt where it has a console or shows a box.
#include <QtTest>

#include "app/start_console.h"

using zem::OutputKind;
using zem::TextOutput;

Q_DECLARE_METATYPE(OutputKind)
Q_DECLARE_METATYPE(TextOutput)

class TestStartConsole : public QObject {
  Q_OBJECT

 private slots:
  void chooses_data() {
    QTest::addColumn<OutputKind>("out");
    QTest::addColumn<bool>("consoleWindow");
    QTest::addColumn<TextOutput>("expected");
    // "zem-config --help > help.txt" from a command prompt, with or without
    // the console joined (wine joins it, Windows does not).
    QTest::newRow("file") << OutputKind::File << false << TextOutput::Program;
    QTest::newRow("file, console joined") << OutputKind::File << true << TextOutput::Program;
    QTest::newRow("pipe") << OutputKind::Pipe << false << TextOutput::Program;
    QTest::newRow("NUL") << OutputKind::Device << false << TextOutput::Program;
    // A console handle handed in by whoever started it, with no window Qt sees.
    QTest::newRow("console handle only") << OutputKind::Console << false << TextOutput::Program;
    QTest::newRow("console") << OutputKind::Console << true << TextOutput::Qt;
    // Nothing handed in: the console joined, or from the desktop a box.
    QTest::newRow("console joined") << OutputKind::None << true << TextOutput::Qt;
    QTest::newRow("desktop") << OutputKind::None << false << TextOutput::Qt;
  }
  void chooses() {
    QFETCH(OutputKind, out);
    QFETCH(bool, consoleWindow);
    QFETCH(TextOutput, expected);
    QCOMPARE(zem::ChooseTextOutput(out, consoleWindow), expected);
  }
};

QTEST_APPLESS_MAIN(TestStartConsole)
#include "test_start_console.moc"
