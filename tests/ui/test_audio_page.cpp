// The "Zone Audio Controls" page through its real widgets, offscreen: what
// each control shows, what the user's changes do to the model and the
// export, and the quick EQ Save and Delete buttons with scripted dialogs.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>

#include "editor/editor.h"
#include "transfer/scripted_prompts.h"
#include "ui/zoneaudio/manual_tick_slider.h"
#include "ui/zoneaudio/zone_audio_view.h"

using namespace zem;
using zem::ScriptedPrompts;

namespace {

std::string Config(int zones, std::initializer_list<const char*> extra = {}) {
  std::string text = "[NI1\"Tuner\"]\r\n[NI2\"CD\"]\r\n";
  for (int z = 1; z <= zones; ++z)
    text += "[NO" + std::to_string(z) + "\"Room " + std::to_string(z) + "\"]\r\n";
  for (int n = 1; n <= 10; ++n)
    text += "[NEP" + std::to_string(n) + "\"Preset " + std::to_string(n) + "\"]\r\n";
  for (const char* line : extra) text += std::string(line) + "\r\n";
  return text;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

// The page as the window holds it: shown, and synced whenever the editor
// tells of a change.
struct AudioPage : Editor::Listener {
  explicit AudioPage(const std::string& folder = std::string()) : editor(folder), view(editor, prompts) {
    editor.SetListener(this);
    view.resize(689, 381);
    view.show();
  }
  ~AudioPage() override { editor.SetListener(nullptr); }
  void EditorChanged() override { view.SyncFromEditor(); }

  template <typename T>
  T* Find(const char* name) {
    T* widget = view.findChild<T*>(QString::fromLatin1(name));
    if (!widget) qFatal("no control %s", name);
    return widget;
  }
  QString Text(const char* label) { return Find<QLabel>(label)->text(); }
  QSlider* Slider(const char* name) { return Find<QSlider>(name); }

  Editor editor;
  ScriptedPrompts prompts;
  ZoneAudioView view;
};

// What Qt does when the user picks an entry of a drop-down list.
void Choose(QComboBox* box, int index) {
  box->setCurrentIndex(index);
  emit box->activated(index);
}

void ClickRow(QListWidget* list, int row) {
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

}  // namespace

class TestAudioPage : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // The window's font, so the pictures look as the program does.
    QFont::insertSubstitution("MS Sans Serif", "Liberation Sans");
    QApplication::setFont(QFont("MS Sans Serif", 8));
  }

  void showsTheZoneWithinTheSlidersRanges() {
    AudioPage p;
    // Before any import every control is disabled and the lowpass is hidden.
    for (const char* name : {"ListBox3", "TrackBar13", "ComboBox2", "Button1"})
      QVERIFY2(!p.Find<QWidget>(name)->isEnabled(), name);
    QVERIFY(!p.Slider("TrackBar25")->isVisible());
    QVERIFY(!p.Find<QCheckBox>("VolumeLocked")->isVisible());
    QCOMPARE(p.Find<QListWidget>("ListBox3")->count(), 192);
    QCOMPARE(p.Find<QListWidget>("ListBox3")->item(191)->text(), QString(" Zone 192"));
    QCOMPARE(p.Find<QComboBox>("ComboBox3")->itemText(9), QString("10"));

    p.editor.ImportFileText(Config(4, {"[VO1R-20]", "[BO1L25]", "[EO1M1]", "[EO1B1L12]", "[EO1B2L-4]"}),
                            "x.zem");
    QCOMPARE(p.Slider("TrackBar13")->value(), -20);
    QCOMPARE(p.Text("Label23"), QString("Volume: -20db"));
    QCOMPARE(p.Slider("TrackBar14")->value(), -25);
    QCOMPARE(p.Text("Label30"), QString("Balance (L: 25db / R: 0db)"));
    QCOMPARE(p.Slider("TrackBar1")->value(), -10);
    QCOMPARE(p.Text("Label50"), QString("10"));
    QCOMPARE(p.Slider("TrackBar2")->value(), 4);
    QCOMPARE(p.Text("Label51"), QString("-4"));
    QCOMPARE(p.Text("Label885"), QString("40Hz"));
    QCOMPARE(p.Slider("TrackBar25")->value(), 40);
    QCOMPARE(p.Find<QComboBox>("ComboBox2")->currentIndex(), 1);
    QCOMPARE(p.Find<QListWidget>("ListBox3")->currentRow(), 0);
    QCOMPARE(p.Find<QListWidget>("ListBox3")->item(3)->text(), QString("Room 4"));
    QVERIFY(p.Slider("TrackBar1")->isEnabled());
    QVERIFY(!p.Find<QComboBox>("ComboBox3")->isEnabled());
    QVERIFY(p.Find<QPushButton>("Button1")->isEnabled());
    QCOMPARE(p.Find<QPushButton>("Button2")->text(), QString("Delete"));

    // Syncing ran no handler: zone 1 still holds what was imported.
    QCOMPARE(int(p.editor.model.unit.ZoneAudio[1].Band[1]), 10);
    QCOMPARE(p.editor.model.screen.CurrentZone, 1);
    QCOMPARE(p.Find<ManualTickSlider>("TrackBar14")->Ticks(), (std::vector<int>{0, -40, 40}));
  }

  void verticalSlidersHaveTheirMinimumAtTheTop() {
    AudioPage p;
    p.editor.ImportFileText(Config(1, {"[EO1M3]"}), "x.zem");
    for (const char* name : {"TrackBar1", "TrackBar10", "TrackBar11", "TrackBar12"}) {
      QSlider* s = p.Slider(name);
      QCOMPARE(s->orientation(), Qt::Vertical);
      QVERIFY2(s->invertedAppearance(), name);
    }
    // Clicking above the thumb and pressing Up both move toward the top end,
    // which is the minimum: a higher gain.
    QSlider* bass = p.Slider("TrackBar11");
    QTest::mouseClick(bass, Qt::LeftButton, {}, QPoint(bass->width() / 2, 4));
    QVERIFY(bass->value() < 0);
    const int afterClick = bass->value();
    QTest::keyClick(bass, Qt::Key_Up);
    QCOMPARE(bass->value(), std::max(afterClick - 1, -12));
    QCOMPARE(p.Text("Label36"), QString::number(-bass->value()));
    QCOMPARE(p.editor.zoneAudio.BassPosition(), bass->value());
  }

  void sliderMovesReachTheModelAndTheExport() {
    AudioPage p;
    p.editor.ImportFileText(Config(3, {"[VO1R-20]", "[EO1M3]", "[TO1B0T0]"}), "x.zem");
    QSlider* volume = p.Slider("TrackBar13");
    volume->setValue(-35);
    QCOMPARE(p.Text("Label23"), QString("Volume: -35db"));
    QTest::keyClick(volume, Qt::Key_Right);
    QCOMPARE(p.Text("Label23"), QString("Volume: -34db"));
    p.Slider("TrackBar14")->setValue(30);
    QCOMPARE(p.Text("Label30"), QString("Balance (L: 0db / R: 30db)"));
    p.Slider("TrackBar14")->setValue(0);
    QCOMPARE(p.Text("Label30"), QString("Balance (L: 0db / R: 0db)"));
    p.Slider("TrackBar14")->setValue(-7);
    p.Slider("TrackBar11")->setValue(-5);  // bass +5 dB
    QCOMPARE(p.Text("Label36"), QString("5"));
    p.Slider("TrackBar12")->setValue(3);  // treble -3 dB
    QCOMPARE(p.Text("Label39"), QString("-3"));

    p.editor.PageChosen(zem::Page::Groups);
    const ZoneAudioRec& rec = p.editor.model.unit.ZoneAudio[1];
    QCOMPARE(int(rec.Volume), -34);
    QCOMPARE(int(rec.Balance), -7);
    const std::vector<std::string> lines = p.editor.PrepareExport();
    QVERIFY(Has(lines, "[VO1R-34]"));
    QVERIFY(Has(lines, "[BO1L7]"));
    QVERIFY(Has(lines, "[TO1B5T-3]"));
    QVERIFY(Has(lines, "[EO1M3]"));
    // The refresh shows the same zone again.
    QCOMPARE(p.Slider("TrackBar13")->value(), -34);
  }

  void choosingZonesStoresTheZoneShownBefore() {
    AudioPage p;
    p.editor.ImportFileText(Config(8, {"[VO3R-30]", "[EO3M1]", "[VO7R-12]", "[EO7M4]", "[EO7LP120]"}),
                            "x.zem");
    auto* zones = p.Find<QListWidget>("ListBox3");
    ClickRow(zones, 2);
    QCOMPARE(p.editor.model.screen.CurrentZone, 3);
    QCOMPARE(p.Slider("TrackBar13")->value(), -30);
    p.Slider("TrackBar5")->setValue(-6);
    QCOMPARE(p.Text("Label54"), QString("6"));

    ClickRow(zones, 6);
    QCOMPARE(p.editor.model.screen.CurrentZone, 7);
    QCOMPARE(int(p.editor.model.unit.ZoneAudio[3].Band[5]), 6);
    QCOMPARE(p.Slider("TrackBar13")->value(), -12);
    QCOMPARE(p.Slider("TrackBar5")->value(), 0);

    // Lowpass mode: the lowpass slider takes the place of bass and treble.
    QVERIFY(p.Slider("TrackBar25")->isVisible());
    QVERIFY(p.Slider("TrackBar25")->isEnabled());
    QCOMPARE(p.Slider("TrackBar25")->value(), 120);
    QCOMPARE(p.Text("Label885"), QString("120Hz"));
    QVERIFY(p.Find<QLabel>("Label887")->isVisible());
    QVERIFY(!p.Slider("TrackBar11")->isVisible());
    QVERIFY(!p.Find<QLabel>("Label21")->isVisible());
    QVERIFY(!p.Slider("TrackBar1")->isEnabled());

    // The arrow keys choose the next zone the same way.
    zones->setFocus();
    QTest::keyClick(zones, Qt::Key_Down);
    QCOMPARE(p.editor.model.screen.CurrentZone, 8);
    QCOMPARE(p.editor.model.unit.ZoneAudio[7].Lowpass, 120);
    QVERIFY(!p.Slider("TrackBar25")->isVisible());
    QVERIFY(p.Slider("TrackBar11")->isVisible());
  }

  // Every control of the page, enabled or not, after a zone with each mode is shown.
  void eachModeEnablesItsControls_data() {
    QTest::addColumn<int>("eqUsed");
    QTest::addColumn<int>("mode");
    for (int used : {0, 1})
      for (int mode = -1; mode <= 4; ++mode) QTest::addRow("EQUsed %d mode %d", used, mode) << used << mode;
  }
  void eachModeEnablesItsControls() {
    QFETCH(int, eqUsed);
    QFETCH(int, mode);
    AudioPage p;
    p.editor.ImportFileText(Config(3), "x.zem");
    p.editor.model.unit.ZoneAudio[3].EQUsed = static_cast<std::uint8_t>(eqUsed);
    p.editor.model.unit.ZoneAudio[3].DSPMode = static_cast<std::int8_t>(mode);
    ClickRow(p.Find<QListWidget>("ListBox3"), 2);

    const auto numbered = [](const char* stem, int first, int last) {
      QStringList names;
      for (int i = first; i <= last; ++i) names << stem + QString::number(i);
      return names;
    };
    QStringList enabled = {"ListBox3", "Label37"};
    if (eqUsed)
      enabled << QStringList{"TrackBar13", "TrackBar14", "ComboBox2", "Label97", "Label23",
                             "Label32",    "Label31",    "Label30",   "Label33", "Label34"};
    const QStringList tone = {"Label21", "Label22", "Label27",    "Label28",   "Label29",
                              "Label36", "Label39", "TrackBar11", "TrackBar12"};
    const QStringList lowpass = {"TrackBar25", "Label885", "Label886", "Label887", "Label888"};
    if (mode == 1)
      enabled << QStringList{"Button1", "Button2", "ComboBox1", "Label99",
                             "Label6",  "Label7",  "Label8",    "Label38"}
              << numbered("Label", 9, 18) << numbered("Label", 50, 59) << numbered("TrackBar", 1, 10);
    if (mode == 2)
      enabled << "ComboBox3"
              << "Label98";
    if (mode == 3) enabled << tone;
    if (mode == 4) enabled << lowpass;

    QStringList all = QStringList{"ListBox3", "Label37", "Label35", "ComboBox1", "ComboBox2", "ComboBox3",
                                  "Button1",  "Button2", "Label38", "Label97",   "Label98",   "Label99"}
                      << numbered("TrackBar", 1, 14) << numbered("Label", 6, 18) << numbered("Label", 50, 59)
                      << numbered("Label", 30, 34) << "Label23" << tone << lowpass;
    all.removeDuplicates();
    for (const QString& name : all) {
      QWidget* widget = p.Find<QWidget>(qPrintable(name));
      QVERIFY2(widget->isEnabled() == enabled.contains(name), qPrintable(name));
    }
    for (const QString& name : tone)
      QVERIFY2(p.Find<QWidget>(qPrintable(name))->isVisible() == (mode != 4), qPrintable(name));
    for (const QString& name : lowpass)
      QVERIFY2(p.Find<QWidget>(qPrintable(name))->isVisible() == (mode == 4), qPrintable(name));
    QVERIFY(!p.Find<QCheckBox>("VolumeLocked")->isVisible());
  }

  void dspModeListChangesOnlyWhatIsUsable() {
    AudioPage p;
    p.editor.ImportFileText(Config(2, {"[EO1M1]", "[VO2R-10]"}), "x.zem");
    auto* mode = p.Find<QComboBox>("ComboBox2");
    mode->setFocus();
    QTest::keyClick(mode, Qt::Key_Down);  // "Preset Mode"
    QCOMPARE(mode->currentIndex(), 2);
    QVERIFY(p.Find<QComboBox>("ComboBox3")->isEnabled());
    QVERIFY(p.Find<QLabel>("Label98")->isEnabled());
    QVERIFY(!p.Slider("TrackBar1")->isEnabled());
    QVERIFY(p.Slider("TrackBar1")->isVisible());
    QCOMPARE(int(p.editor.model.unit.ZoneAudio[1].DSPMode), 2);  // the zone takes it at once
    p.editor.PageChosen(zem::Page::Options);
    QCOMPARE(int(p.editor.model.unit.ZoneAudio[1].DSPMode), 2);

    // Zone 2 has no EQ: only the zone list is usable.
    ClickRow(p.Find<QListWidget>("ListBox3"), 1);
    QCOMPARE(p.editor.model.screen.CurrentZone, 2);
    for (const char* name : {"TrackBar13", "TrackBar14", "ComboBox2", "Label97", "ComboBox3", "TrackBar1"})
      QVERIFY2(!p.Find<QWidget>(name)->isEnabled(), name);
    QVERIFY(p.Find<QListWidget>("ListBox3")->isEnabled());
    QCOMPARE(p.Slider("TrackBar13")->value(), -10);
  }

  void presetModeShowsTheImportedSystemPreset() {
    AudioPage p;
    p.editor.ImportFileText(Config(2, {"[NEP4\"Jazz\"]", "[EO1M2]", "[EO1P3]"}), "x.zem");
    auto* system = p.Find<QComboBox>("ComboBox3");
    QCOMPARE(system->currentIndex(), 3);
    QCOMPARE(system->currentText(), QString("Jazz"));
    QVERIFY(system->isEnabled());
    p.editor.PageChosen(zem::Page::ZoneAudioControls);
    QCOMPARE(system->currentIndex(), 3);
    QVERIFY(Has(p.editor.PrepareExport(), "[EO1P3]"));

    Choose(system, 7);
    p.editor.PageChosen(zem::Page::Favorites);
    QCOMPARE(int(p.editor.model.unit.ZoneAudio[1].SystemEQ), 7);
    QVERIFY(Has(p.editor.PrepareExport(), "[EO1P7]"));
  }

  void saveWritesTheBandsAndAsksBeforeOverwriting() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string folder = dir.path().toStdString() + "/eq";  // made by the first save
    AudioPage p(folder);
    p.editor.ImportFileText(Config(1, {"[EO1M1]"}), "x.zem");
    for (int b = 1; b <= 10; ++b) p.Slider(("TrackBar" + std::to_string(b)).c_str())->setValue(b - 5);

    // A name left without ".eq" gets it, so that the file is listed.
    const std::string path = folder + "/Mine.eq";
    p.prompts.saveAnswers = {folder + "/Mine"};
    QTest::mouseClick(p.Find<QPushButton>("Button1"), Qt::LeftButton);
    QCOMPARE(p.prompts.saveDialogs.size(), std::size_t(1));
    QCOMPARE(p.prompts.saveDialogs[0].defaultExtension, std::string("eq"));
    QCOMPARE(p.prompts.saveDialogs[0].filter, std::string("EQ files (*.eq)|*.eq"));
    // Nothing loaded yet: a new name in the quick EQ folder.
    QCOMPARE(p.prompts.saveDialogs[0].fileName, folder + "/New EQ.eq");
    QVERIFY(!QFile::exists(QString::fromStdString(folder + "/Mine")));
    QVERIFY(p.prompts.confirmTexts.empty());
    const QByteArray saved("-4\r\n-3\r\n-2\r\n-1\r\n0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n");
    QCOMPARE(FileBytes(QString::fromStdString(path)), saved);
    auto* files = p.Find<QComboBox>("ComboBox1");
    QCOMPARE(files->count(), 1);
    QCOMPARE(files->itemText(0), QString("Mine"));
    QCOMPARE(p.editor.quickEQPresetList.Items, std::vector<std::string>{"Mine"});

    // Again: the dialog proposes the file last loaded; Cancel on the
    // question leaves the file as it was.
    Choose(files, 0);
    p.Slider("TrackBar1")->setValue(9);
    p.prompts.saveAnswers = {path};
    p.prompts.confirmAnswers = {false};
    QTest::mouseClick(p.Find<QPushButton>("Button1"), Qt::LeftButton);
    QCOMPARE(p.prompts.saveDialogs[1].fileName, path);
    QCOMPARE(p.prompts.confirmTexts, std::vector<std::string>{"File " + path + " exists. Overwrite?"});
    QCOMPARE(FileBytes(QString::fromStdString(path)), saved);
    QCOMPARE(files->currentIndex(), 0);  // lists not rebuilt

    p.prompts.saveAnswers = {path};
    p.prompts.confirmAnswers = {true};
    QTest::mouseClick(p.Find<QPushButton>("Button1"), Qt::LeftButton);
    QVERIFY(FileBytes(QString::fromStdString(path)).startsWith("9\r\n-3\r\n"));

    // A cancelled dialog writes nothing and asks nothing more.
    p.prompts.saveAnswers = {std::nullopt};
    QTest::mouseClick(p.Find<QPushButton>("Button1"), Qt::LeftButton);
    QCOMPARE(p.prompts.saveDialogs.size(), std::size_t(4));
    QCOMPARE(p.prompts.confirmTexts.size(), std::size_t(2));
    QVERIFY(p.prompts.errors.empty());
  }

  void saveThatCannotWriteShowsTheReason() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile blocker(dir.filePath("plain"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QFile keep(dir.filePath("keep.eq"));
    QVERIFY(keep.open(QIODevice::WriteOnly));
    keep.close();
    AudioPage p(dir.path().toStdString());
    p.editor.ImportFileText(Config(1, {"[EO1M1]"}), "x.zem");
    auto* files = p.Find<QComboBox>("ComboBox1");
    Choose(files, 0);

    // A folder that cannot take files, whoever runs the test: its "folder"
    // is a plain file.
    const std::string path = dir.path().toStdString() + "/plain/x.eq";
    p.prompts.saveAnswers = {path};
    QTest::mouseClick(p.Find<QPushButton>("Button1"), Qt::LeftButton);
    QCOMPARE(p.prompts.errors.size(), std::size_t(1));
    const std::string error = zem::ErrorBoxText(p.prompts.errors[0]);
    QVERIFY2(error.rfind("Cannot create file \"" + path + "\". ", 0) == 0, error.c_str());
    QVERIFY(error.size() > ("Cannot create file \"" + path + "\". ").size() + 1);  // the system's reason
    QCOMPARE(error.back(), '.');
    QCOMPARE(files->currentIndex(), 0);  // no list refresh
  }

  void deleteAsksAndListsAgain() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char* name : {"Alpha.eq", "beta.EQ"}) {
      QFile f(dir.filePath(name));
      QVERIFY(f.open(QIODevice::WriteOnly));
    }
    AudioPage p(dir.path().toStdString());
    p.editor.ImportFileText(Config(1, {"[EO1M1]"}), "x.zem");
    auto* files = p.Find<QComboBox>("ComboBox1");
    QCOMPARE(files->count(), 2);

    // Nothing chosen: nothing to ask about, the list is read again.
    QTest::mouseClick(p.Find<QPushButton>("Button2"), Qt::LeftButton);
    QVERIFY(p.prompts.confirmTexts.empty());

    Choose(files, 1);
    p.prompts.confirmAnswers = {false};
    QTest::mouseClick(p.Find<QPushButton>("Button2"), Qt::LeftButton);
    QCOMPARE(p.prompts.confirmTexts, std::vector<std::string>{"Delete EQ: beta?"});
    QVERIFY(QFile::exists(dir.filePath("beta.EQ")));
    QCOMPARE(files->currentIndex(), -1);  // listed again in every case

    Choose(files, 1);
    p.prompts.confirmAnswers = {true};
    QTest::mouseClick(p.Find<QPushButton>("Button2"), Qt::LeftButton);
    QVERIFY(!QFile::exists(dir.filePath("beta.EQ")));
    QVERIFY(QFile::exists(dir.filePath("Alpha.eq")));
    QCOMPARE(files->count(), 1);
    QCOMPARE(files->itemText(0), QString("Alpha"));
  }

  void quickEQFileLoadsIntoTheBandSliders() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile f(dir.filePath("Loud.eq"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("15\r\n-3\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");  // nine lines
    f.close();
    AudioPage p(dir.path().toStdString());
    p.editor.ImportFileText(Config(1, {"[EO1M1]", "[EO1B10L4]"}), "x.zem");
    Choose(p.Find<QComboBox>("ComboBox1"), 0);
    QCOMPARE(p.Slider("TrackBar1")->value(), 10);
    QCOMPARE(p.Text("Label50"), QString("-10"));
    QCOMPARE(p.Slider("TrackBar2")->value(), -3);
    QCOMPARE(p.Slider("TrackBar10")->value(), -4);  // no tenth line
    p.editor.PageChosen(zem::Page::EQPresets);
    QCOMPARE(int(p.editor.model.unit.ZoneAudio[1].Band[1]), -10);
    QCOMPARE(int(p.editor.model.unit.ZoneAudio[1].Band[10]), 4);
  }

  void eachModeShowsItsControls_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("usable");
    QTest::addColumn<QString>("unusable");
    QTest::newRow("disabled") << 0 << "TrackBar13 ComboBox2"
                              << "TrackBar1 TrackBar11 ComboBox3 Button1";
    QTest::newRow("zq") << 1 << "TrackBar1 TrackBar10 Label59 ComboBox1 Button1 Button2"
                        << "TrackBar11 ComboBox3";
    QTest::newRow("preset") << 2 << "ComboBox3 Label98"
                            << "TrackBar1 TrackBar11";
    QTest::newRow("tone") << 3 << "TrackBar11 TrackBar12 Label36 Label39"
                          << "TrackBar1 ComboBox3";
    QTest::newRow("lowpass") << 4 << "TrackBar25 Label885 Label887"
                             << "TrackBar1 ComboBox3";
  }
  void eachModeShowsItsControls() {
    QFETCH(int, mode);
    QFETCH(QString, usable);
    QFETCH(QString, unusable);
    AudioPage p;
    const std::string modeLine = "[EO1M" + std::to_string(mode) + "]";
    p.editor.ImportFileText(Config(6, {"[VO1R-20]", "[BO1L25]", "[EO1B3L6]", "[EO1B8L-4]", "[TO1B3T-2]",
                                       "[EO1LP90]", "[NEP4\"Jazz\"]", "[EO1P3]", modeLine.c_str()}),
                            "demo.zem");
    for (const QString& name : usable.split(' ')) {
      QWidget* w = p.Find<QWidget>(name.toLatin1().constData());
      QVERIFY2(w->isEnabled() && w->isVisible(), qPrintable(name));
    }
    for (const QString& name : unusable.split(' '))
      QVERIFY2(!p.Find<QWidget>(name.toLatin1().constData())->isEnabled(), qPrintable(name));

    const QByteArray shots = qgetenv("ZEM_SHOTS_DIR");
    if (!shots.isEmpty()) {
      static const char* const kNames[] = {"disabled", "zq", "preset", "tone", "lowpass"};
      const QString file =
          QDir(QString::fromLocal8Bit(shots)).filePath(QString("zone-audio-%1.png").arg(kNames[mode]));
      QVERIFY(p.view.grab().save(file));
    }
  }
};

QTEST_MAIN(TestAudioPage)
#include "test_audio_page.moc"
