// File > Compare with File... through the real window, headless.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "support/window_fixture.h"
#include "transfer/file_io.h"

using namespace zem;

namespace {

// Four sources, six zones, zone 3 at -20 dB.
std::string Configuration(const std::string& zone2Name, int zone3Volume) {
  std::string text;
  for (int s = 1; s <= 4; ++s)
    text += "[NI" + std::to_string(s) + "\"Source " + std::to_string(s) + "\"]\r\n";
  for (int z = 1; z <= 6; ++z)
    text += "[NO" + std::to_string(z) + "\"" + (z == 2 ? zone2Name : "Room " + std::to_string(z)) + "\"]\r\n";
  text += "[EO3M0]\r\n[VO3R" + std::to_string(zone3Volume) + "]\r\n";
  return text;
}

bool Write(const QString& path, const std::string& text) {
  return WriteFileAtomically(path.toStdString(), text, nullptr);
}

}  // namespace

class TestWindowCompare : public QObject {
  Q_OBJECT

 private slots:
  void init() { fixture_.OpenWindow(false); }
  void cleanup() { fixture_.CloseWindow(); }

  void listsDifferencesAndChangesNothingElse() {
    Editor& editor = *fixture_.editor;
    ScriptedPrompts& prompts = *fixture_.prompts;
    QAction* compare = fixture_.window->findChild<QAction*>("CompareWithFile1");
    QVERIFY(compare);
    QCOMPARE(compare->text(), QStringLiteral("&Compare with File..."));
    QVERIFY(!compare->isEnabled());  // nothing loaded yet
    fixture_.window->CompareWithFile();
    QVERIFY(prompts.openDialogs.empty());

    QTemporaryDir dir;
    const QString other = dir.filePath("other.zem");
    QVERIFY(Write(other, Configuration("Caf\xE9", -30)));
    editor.ImportFileText(Configuration("Hall", -20), "mine.zem");
    QVERIFY(compare->isEnabled());

    // An edit the zone audio page still holds counts, as an export would write it.
    auto* pages = fixture_.window->findChild<QTabWidget*>("PageControl1");
    editor.SetActivePage(Page::ZoneAudioControls);
    fixture_.window->EditorChanged();
    editor.model.screen.ZoneList.Select(2);
    editor.model.screen.CurrentZone = 3;
    editor.zoneAudio.ShowZone(3);
    editor.zoneAudio.SetVolumePosition(-25);
    const ConfigModel modelBefore = editor.model;
    const std::string receivedBefore = editor.receivedText.Text();
    const std::size_t logLines = editor.messageLog.LineCount();
    const bool modifiedBefore = editor.IsModified();
    QVERIFY(modifiedBefore);

    prompts.openAnswers.push_back(other.toStdString());
    compare->trigger();
    QCOMPARE(prompts.openDialogs.size(), std::size_t(1));
    QCOMPARE(prompts.openDialogs[0].defaultExtension, std::string("zem"));
    QVERIFY(prompts.errors.empty());
    const std::vector<std::string> expected = {
        "Compared with " + other.toStdString() + " (this configuration -> the file):",
        "zone 2 name: \"Hall\" -> \"Caf\xE9\"", "zone 3 volume: -25 dB -> -30 dB"};
    const std::vector<std::string> all = editor.messageLog.Lines();
    QCOMPARE(std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(logLines), all.end()),
             expected);
    QApplication::processEvents();
    const QString shown = fixture_.window->findChild<QPlainTextEdit*>("Memo3")->toPlainText();
    QVERIFY2(shown.endsWith(QString::fromLatin1(
                 "zone 2 name: \"Hall\" -> \"Caf\xE9\"\nzone 3 volume: -25 dB -> -30 dB\n")),
             qPrintable(shown.right(120)));

    // Nothing else moved: the model, Memo2, the unsaved state, the page, the page's controls.
    QVERIFY(editor.model == modelBefore);
    QCOMPARE(editor.receivedText.Text(), receivedBefore);
    QCOMPARE(editor.IsModified(), modifiedBefore);
    QCOMPARE(editor.ActivePage(), Page::ZoneAudioControls);
    QCOMPARE(pages->currentIndex(), static_cast<int>(Page::ZoneAudioControls));
    QCOMPARE(editor.zoneAudio.VolumePosition(), -25);

    // The dialog proposes the file compared last; an equal file says so.
    const QString same = dir.filePath("same.zem");
    editor.zoneAudio.SetVolumePosition(-30);
    QVERIFY(Write(same, Configuration("Caf\xE9", -30)));
    prompts.openAnswers.push_back(same.toStdString());
    compare->trigger();
    QCOMPARE(prompts.openDialogs[1].fileName, other.toStdString());
    QCOMPARE(editor.messageLog.Lines().back(), std::string("zone 2 name: \"Hall\" -> \"Caf\xE9\""));
    editor.model.unit.ZoneNames[2] = "Caf\xE9";
    compare->trigger();  // cancelled: nothing written
    prompts.openAnswers.push_back(same.toStdString());
    const std::size_t beforeEqual = editor.messageLog.LineCount();
    compare->trigger();
    QCOMPARE(editor.messageLog.LineCount(), beforeEqual + 2);
    QCOMPARE(editor.messageLog.Lines().back(),
             std::string("No differences: an export would write the same as the file."));
  }

  void unreadableFilesChangeNothing() {
    Editor& editor = *fixture_.editor;
    ScriptedPrompts& prompts = *fixture_.prompts;
    editor.ImportFileText(Configuration("Hall", -20), "mine.zem");
    QAction* compare = fixture_.window->findChild<QAction*>("CompareWithFile1");
    QTemporaryDir dir;
    const QString noSource = dir.filePath("nosource.zem");
    QVERIFY(Write(noSource, "[VO1R-5]\r\n"));
    const std::string logBefore = editor.messageLog.Text();
    prompts.openAnswers.push_back(dir.filePath("missing.zem").toStdString());
    prompts.openAnswers.push_back(noSource.toStdString());
    prompts.openAnswers.push_back(dir.path().toStdString());  // a folder
    for (int i = 0; i < 3; ++i) compare->trigger();
    QCOMPARE(prompts.errors.size(), std::size_t(3));
    QVERIFY(prompts.errors[0].find("Cannot open file") == 0);
    QVERIFY(prompts.errors[1].find("names no source") != std::string::npos);
    QCOMPARE(editor.messageLog.Text(), logBefore);
    QCOMPARE(editor.model.unit.ZoneNames[2], std::string("Hall"));
  }

  void disabledWhileATransferRuns() {
    Editor& editor = *fixture_.editor;
    ScriptedPrompts& prompts = *fixture_.prompts;
    editor.ImportFileText(Configuration("Hall", -20), "mine.zem");
    QAction* compare = fixture_.window->findChild<QAction*>("CompareWithFile1");
    QVERIFY(compare->isEnabled());
    // The file dialog of a File Mode import opens while the import runs.
    bool enabledDuringImport = true;
    std::size_t dialogsDuringImport = 0;
    prompts.whileFileDialogOpen = [&] {
      enabledDuringImport = compare->isEnabled();
      prompts.whileFileDialogOpen = nullptr;
      fixture_.window->CompareWithFile();  // refused: no second dialog
      dialogsDuringImport = prompts.openDialogs.size();
    };
    prompts.confirmAnswers.push_back(true);
    fixture_.window->findChild<QAction*>("Import1")->trigger();
    QVERIFY(!enabledDuringImport);
    QCOMPARE(dialogsDuringImport, std::size_t(1));
    QVERIFY(compare->isEnabled());  // the cancelled import kept the configuration
  }

 private:
  test::WindowFixture fixture_;
};

QTEST_MAIN(TestWindowCompare)
#include "test_window_compare.moc"
