// Quick EQ files: the list of names, reading a file into the band sliders of
// either page, and the file text.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "editor/editor.h"
#include "eqfiles/quick_eq_files.h"

using namespace zem;

namespace {

void Write(const QTemporaryDir& dir, const char* name, const QByteArray& bytes) {
  QFile file(dir.filePath(QString::fromLatin1(name)));
  QVERIFY(file.open(QIODevice::WriteOnly));
  QCOMPARE(file.write(bytes), bytes.size());
}

std::string Folder(const QTemporaryDir& dir) { return dir.path().toStdString(); }

int IndexOf(const ListState& list, const std::string& name) {
  for (std::size_t i = 0; i < list.Items.size(); ++i)
    if (list.Items[i] == name) return static_cast<int>(i);
  return -1;
}

const char* const kImport = "[NI1\"Tuner\"]\r\n[NO1\"Hall\"]\r\n[EO1M1]\r\n";

}  // namespace

class TestQuickEQFiles : public QObject {
  Q_OBJECT

 private slots:
  void listsNamesInOrderIgnoringCase() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Write(dir, "b.eq", "0\r\n");
    Write(dir, "A.eq", "0\r\n");
    Write(dir, "c.EQ", "0\r\n");
    Write(dir, "flat.eq.eq", "0\r\n");
    Write(dir, "notes.txt", "0\r\n");
    Write(dir, "eq", "0\r\n");
    Write(dir, ".hidden.eq", "0\r\n");
    QVERIFY(QDir(dir.path()).mkdir("folder.eq"));
    const std::vector<std::string> expected = {"A", "b", "c", "flat"};
    QCOMPARE(ListQuickEQFiles(Folder(dir)), expected);

    // Both pages list the same names; the reset at start fills them.
    Editor e(Folder(dir));
    QCOMPARE(e.quickEQZoneList.Items, expected);
    QCOMPARE(e.quickEQPresetList.Items, expected);
    QVERIFY(!e.quickEQZoneList.HasSelection());

    QVERIFY(ListQuickEQFiles(Folder(dir) + "/missing").empty());
    QVERIFY(ListQuickEQFiles(std::string()).empty());
  }

  void readsUpToTheFirstFailure() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Write(dir, "nine.eq", "1\r\n-2\r\n3\r\n-4\r\n5\r\n-6\r\n7\r\n-8\r\n9\r\n");
    Write(dir, "mixed.eq", "1\n2\r3\r\n4\n\n6\r\n");
    Write(dir, "word.eq", "1\r\n2\r\nthree\r\n4\r\n");
    Write(dir, "long.eq", "0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n");
    const std::string folder = Folder(dir);
    QCOMPARE(ReadQuickEQFile(QuickEQPath(folder, "nine")), (std::vector<int>{1, -2, 3, -4, 5, -6, 7, -8, 9}));
    // CR LF, lone CR and lone LF all end a line; an empty line is no number.
    QCOMPARE(ReadQuickEQFile(QuickEQPath(folder, "mixed")), (std::vector<int>{1, 2, 3, 4}));
    QCOMPARE(ReadQuickEQFile(QuickEQPath(folder, "word")), (std::vector<int>{1, 2}));
    QCOMPARE(ReadQuickEQFile(QuickEQPath(folder, "long")), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    QVERIFY(ReadQuickEQFile(QuickEQPath(folder, "none")).empty());
  }

  void loadsIntoTheZoneSlidersWithinTheirRange() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Write(dir, "nine.eq", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n");
    Write(dir, "Loud.EQ", "15\r\n-12\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n12\r\n");
    Write(dir, "flat.eq.eq", "3\r\n3\r\n3\r\n3\r\n3\r\n3\r\n3\r\n3\r\n3\r\n3\r\n");
    Editor e(Folder(dir));
    e.ImportFileText(kImport, "x.zem");
    ZoneAudioLogic& z = e.zoneAudio;
    z.SetBandPosition(10, -5);

    e.quickEQZoneList.Select(IndexOf(e.quickEQZoneList, "nine"));
    e.ZoneQuickEQChosen();
    for (int b = 1; b <= 9; ++b) QCOMPARE(z.BandPosition(b), b);
    QCOMPARE(z.BandPosition(10), -5);

    // Loud.EQ is found whatever the case of its extension; 15 stops at the end.
    e.quickEQZoneList.Select(IndexOf(e.quickEQZoneList, "Loud"));
    e.ZoneQuickEQChosen();
    QCOMPARE(z.BandPosition(1), 10);
    QCOMPARE(z.BandPosition(2), -10);
    QCOMPARE(z.BandPosition(10), 10);

    // "flat" names flat.eq, which does not exist: nothing changes.
    e.quickEQZoneList.Select(IndexOf(e.quickEQZoneList, "flat"));
    e.ZoneQuickEQChosen();
    QCOMPARE(z.BandPosition(3), 0);

    // The loaded curve reaches the zone when the page is stored.
    e.PageChosen(Page::Favorites);
    QCOMPARE(int(e.model.unit.ZoneAudio[1].Band[1]), -10);
    QCOMPARE(int(e.model.unit.ZoneAudio[1].Band[10]), -10);
  }

  void choosingASystemPresetLoadsTheChosenQuickEQFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Write(dir, "up.eq", "5\r\n5\r\n5\r\n5\r\n5\r\n5\r\n5\r\n5\r\n5\r\n5\r\n");
    Editor e(Folder(dir));
    e.ImportFileText(std::string(kImport) + "[EO1B4L2]\r\n", "x.zem");
    e.quickEQZoneList.Select(0);
    e.zoneAudio.SetBandPosition(4, -2);
    e.zoneAudio.DSPModeChosen(2);
    e.SystemEQPresetChosen(4);
    QCOMPARE(e.model.screen.SystemEQList.Selected, 4);
    for (int b = 1; b <= 10; ++b) QCOMPARE(e.zoneAudio.BandPosition(b), 5);
    // Without a chosen file only the preset changes.
    e.quickEQZoneList.Select(-1);
    e.zoneAudio.SetBandPosition(4, -2);
    e.SystemEQPresetChosen(6);
    QCOMPARE(e.model.screen.SystemEQList.Selected, 6);
    QCOMPARE(e.zoneAudio.BandPosition(4), -2);
  }

  void loadsIntoThePresetSliders() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Write(dir, "curve.eq", "-3\r\n12\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n4\r\n");
    Editor e(Folder(dir));
    e.ImportFileText(kImport, "x.zem");
    e.quickEQPresetList.Select(0);
    e.PresetQuickEQChosen();
    QCOMPARE(e.presets.BandPosition(1), -3);
    QCOMPARE(e.presets.BandPosition(2), 10);
    QCOMPARE(e.presets.BandPosition(10), 4);
    QCOMPARE(int(e.model.unit.EQPresets[1].Band[1]), 3);  // stored at once
    e.PageChosen(Page::Options);
    QCOMPARE(int(e.model.unit.EQPresets[1].Band[1]), 3);
    QCOMPARE(int(e.model.unit.EQPresets[1].Band[2]), -10);
    QCOMPARE(int(e.model.unit.EQPresets[1].Band[10]), -4);
  }

  void fileTextIsTenLinesWithCrLf() {
    const std::array<int, kQuickEQLines> positions = {-10, -3, 0, 1, 2, 3, 4, 5, 6, 10};
    QCOMPARE(QuickEQFileText(positions),
             std::string("-10\r\n-3\r\n0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n10\r\n"));
  }
};

QTEST_GUILESS_MAIN(TestQuickEQFiles)
#include "test_quick_eq_files.moc"
