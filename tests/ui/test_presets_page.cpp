// The "EQ Presets" page through its real widgets, offscreen: sliders and
// gains, renaming with the typing limit, the two preset lists and loading a
// quick EQ file.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

#include "editor/editor.h"
#include "transfer/scripted_prompts.h"
#include "ui/presets/presets_view.h"
#include "ui/zoneaudio/zone_audio_view.h"

using namespace zem;

namespace {

std::string Config(std::initializer_list<const char*> extra = {}) {
  std::string text = "[NI1\"Tuner\"]\r\n[NO1\"Hall\"]\r\n[NO2\"Bar\"]\r\n";
  for (int n = 1; n <= 10; ++n)
    text += "[NEP" + std::to_string(n) + "\"Preset " + std::to_string(n) + "\"]\r\n";
  for (const char* line : extra) text += std::string(line) + "\r\n";
  return text;
}

// Both pages that show preset names, synced as the window syncs them.
struct PresetPages : Editor::Listener {
  explicit PresetPages(const std::string& folder = std::string())
      : editor(folder), view(editor, prompts), zoneView(editor, prompts) {
    editor.SetListener(this);
    view.resize(689, 381);
    view.show();
  }
  ~PresetPages() override { editor.SetListener(nullptr); }
  void EditorChanged() override {
    view.SyncFromEditor();
    zoneView.SyncFromEditor();
  }

  template <typename T>
  T* Find(const char* name) {
    T* widget = view.findChild<T*>(QString::fromLatin1(name));
    if (!widget) qFatal("no control %s", name);
    return widget;
  }
  QSlider* Band(int band) { return Find<QSlider>(("TrackBar" + std::to_string(25 - band)).c_str()); }
  QString Gain(int band) { return Find<QLabel>(("Label" + std::to_string(83 + band)).c_str())->text(); }
  QLineEdit* Name() { return Find<QLineEdit>("Edit4"); }
  QListWidget* List() { return Find<QListWidget>("ListBox2"); }

  Editor editor;
  zem::ScriptedPrompts prompts;
  PresetsView view;
  ZoneAudioView zoneView;
};

// Types characters that QTest::keyClicks cannot (beyond ASCII).
void TypeText(QWidget* widget, const QString& text) {
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &release);
  }
}

void ClickRow(QListWidget* list, int row) {
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

}  // namespace

class TestPresetsPage : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QFont::insertSubstitution("MS Sans Serif", "Liberation Sans");
    QApplication::setFont(QFont("MS Sans Serif", 8));
  }

  void showsThePresetOnInvertedSliders() {
    PresetPages p;
    for (const char* name : {"TrackBar24", "TrackBar15", "ListBox2", "Edit4", "ComboBox4", "Label95"})
      QVERIFY2(!p.Find<QWidget>(name)->isEnabled(), name);
    QCOMPARE(p.Find<QLabel>("Label74")->text(), QString("32"));
    QCOMPARE(p.Find<QLabel>("Label83")->text(), QString("16K"));
    QCOMPARE(p.Band(1)->geometry(), QRect(47, 39, 45, 150));
    QCOMPARE(p.Band(10)->geometry(), QRect(452, 39, 45, 150));

    p.editor.ImportFileText(Config({"[EP1B1L-6]", "[EP1B3L10]", "[NEP1\"Caf\xE9\"]"}), "x.zem");
    QVERIFY(p.Band(1)->isEnabled());
    QVERIFY(p.Band(1)->invertedAppearance());
    QCOMPARE(p.Band(1)->value(), 6);
    QCOMPARE(p.Gain(1), QString("-6"));
    QCOMPARE(p.Band(3)->value(), -10);
    QCOMPARE(p.Gain(3), QString("10"));
    QCOMPARE(p.Name()->text(), QString::fromLatin1("Caf\xE9"));
    QCOMPARE(p.List()->count(), 10);
    QCOMPARE(p.List()->item(0)->text(), QString::fromLatin1("Caf\xE9"));
    QVERIFY(p.List()->selectedItems().isEmpty());

    // The Up key moves toward the top: a higher gain.
    QTest::keyClick(p.Band(2), Qt::Key_Up);
    QCOMPARE(p.Band(2)->value(), -1);
    QCOMPARE(p.Gain(2), QString("1"));
    p.editor.PageChosen(Page::Options);
    QCOMPARE(int(p.editor.model.unit.EQPresets[1].Band[2]), 1);
    QCOMPARE(int(p.editor.model.unit.EQPresets[1].Band[1]), -6);
    QCOMPARE(p.editor.model.unit.EQPresets[1].Name, std::string("Caf\xE9"));
  }

  void renamingShowsInBothListsAtTheSamePlace() {
    PresetPages p;
    p.editor.ImportFileText(Config({"[EO1M2]", "[EO1P1]"}), "x.zem");
    ClickRow(p.List(), 1);
    QCOMPARE(p.editor.model.screen.CurrentEQPreset, 2);
    QCOMPARE(p.Name()->text(), QString("Preset 2"));

    p.Name()->setFocus();
    p.Name()->selectAll();
    QTest::keyClicks(p.Name(), "Late night lounge music");  // 23 characters typed
    QCOMPARE(p.Name()->text(), QString("Late night loun"));
    QCOMPARE(p.editor.presets.NameText(), std::string("Late night loun"));

    ClickRow(p.List(), 4);
    QCOMPARE(p.editor.model.unit.EQPresets[2].Name, std::string("Late night loun"));
    QCOMPARE(p.List()->item(1)->text(), QString("Late night loun"));
    QCOMPARE(p.List()->currentRow(), 4);
    QVERIFY(p.List()->item(4)->isSelected());
    QCOMPARE(p.Name()->text(), QString("Preset 5"));
    auto* system = p.zoneView.findChild<QComboBox*>("ComboBox3");
    QCOMPARE(system->itemText(1), QString("Late night loun"));
    QCOMPARE(system->currentIndex(), 1);  // zone 1 keeps its system preset

    // Typed characters outside ASCII are kept as single bytes.
    p.Name()->setFocus();
    p.Name()->selectAll();
    TypeText(p.Name(), QString::fromLatin1("Gr\xFC\xDF"));
    ClickRow(p.List(), 0);
    QCOMPARE(p.editor.model.unit.EQPresets[5].Name, std::string("Gr\xFC\xDF"));
  }

  void longUnitNamesAreShownWholeAndOnlyTypingIsLimited() {
    PresetPages p;
    const char* longName = "Twenty characters ok";
    p.editor.ImportFileText(Config({"[NEP1\"Twenty characters ok\"]"}), "x.zem");
    QCOMPARE(p.Name()->text(), QString(longName));

    p.Name()->setFocus();
    p.Name()->end(false);
    QTest::keyClicks(p.Name(), "x");
    QCOMPARE(p.Name()->text(), QString(longName));  // already past the limit
    QTest::keyClick(p.Name(), Qt::Key_Backspace);
    QCOMPARE(p.Name()->text(), QString("Twenty characters o"));
    QTest::keyClicks(p.Name(), "k");
    QCOMPARE(p.Name()->text(), QString("Twenty characters o"));
    p.Name()->undo();
    QCOMPARE(p.Name()->text(), QString(longName));

    // Unchanged, the name is stored whole.
    ClickRow(p.List(), 2);
    QCOMPARE(p.editor.model.unit.EQPresets[1].Name, std::string(longName));
    ClickRow(p.List(), 0);
    QCOMPARE(p.Name()->text(), QString(longName));

    // Replacing it with something short is typing within the limit.
    p.Name()->setFocus();
    p.Name()->selectAll();
    QTest::keyClicks(p.Name(), "Short");
    QCOMPARE(p.Name()->text(), QString("Short"));

    // A paste keeps what fits.
    p.Name()->insert("-and-far-too-long");
    QCOMPARE(p.Name()->text(), QString("Short-and-far-t"));
    QCOMPARE(p.editor.presets.NameText(), std::string("Short-and-far-t"));
  }

  void quickEQFileLoadsIntoTheSliders() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile f(dir.filePath("Curve.eq"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("12\r\n-2\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n3\r\n");
    f.close();
    PresetPages p(dir.path().toStdString());
    p.editor.ImportFileText(Config(), "x.zem");
    auto* files = p.Find<QComboBox>("ComboBox4");
    QVERIFY(!files->isEditable());
    QCOMPARE(files->count(), 1);
    QCOMPARE(files->itemText(0), QString("Curve"));
    files->setCurrentIndex(0);
    emit files->activated(0);
    QCOMPARE(p.Band(1)->value(), 10);
    QCOMPARE(p.Gain(1), QString("-10"));
    QCOMPARE(p.Band(2)->value(), -2);
    QCOMPARE(p.Band(10)->value(), 3);
    QCOMPARE(int(p.editor.model.unit.EQPresets[1].Band[1]), -10);  // the preset takes it at once
    p.editor.PageChosen(Page::ZoneAudioControls);
    QCOMPARE(int(p.editor.model.unit.EQPresets[1].Band[1]), -10);
    QCOMPARE(int(p.editor.model.unit.EQPresets[1].Band[10]), -3);

    const QByteArray shots = qgetenv("ZEM_SHOTS_DIR");
    if (!shots.isEmpty()) {
      ClickRow(p.List(), 0);
      QVERIFY(p.view.grab().save(QDir(QString::fromLocal8Bit(shots)).filePath("presets.png")));
    }
  }
};

QTEST_MAIN(TestPresetsPage)
#include "test_presets_page.moc"
