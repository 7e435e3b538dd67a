// The EQ presets page's logic without widgets: the sign of the sliders,
// storing and loading presets, renaming and the two preset lists.
#include <QtTest>

#include "editor/editor.h"

using namespace zem;

namespace {

std::string Config(std::initializer_list<const char*> extra) {
  std::string text = "[NI1\"Tuner\"]\r\n[NO1\"Hall\"]\r\n[NO2\"Bar\"]\r\n";
  for (int n = 1; n <= 10; ++n)
    text += "[NEP" + std::to_string(n) + "\"Preset " + std::to_string(n) + "\"]\r\n";
  for (const char* line : extra) text += std::string(line) + "\r\n";
  return text;
}

}  // namespace

class TestPresetsLogic : public QObject {
  Q_OBJECT

 private slots:
  void slidersHoldMinusTheGain() {
    Editor e;
    e.ImportFileText(Config({"[EP1B1L-6]", "[EP1B2L14]", "[EP2B3L4]"}), "x.zem");
    PresetsLogic& p = e.presets;
    QCOMPARE(e.model.screen.CurrentEQPreset, 1);
    QCOMPARE(p.BandPosition(1), 6);
    QCOMPARE(p.BandPosition(2), -10);  // 14 dB shows at the top end
    QCOMPARE(p.NameText(), std::string("Preset 1"));

    p.SetBandPosition(3, -10);
    p.SetBandPosition(4, 99);
    p.PresetChosen(1);
    QCOMPARE(int(e.model.unit.EQPresets[1].Band[3]), 10);
    QCOMPARE(int(e.model.unit.EQPresets[1].Band[4]), -10);
    QCOMPARE(int(e.model.unit.EQPresets[1].Band[2]), 10);
    QCOMPARE(e.model.screen.CurrentEQPreset, 2);
    QCOMPARE(p.BandPosition(3), -4);
  }

  void renamingRefreshesBothListsInPlace() {
    Editor e;
    e.ImportFileText(Config({"[EO2M2]", "[EO2P6]"}), "x.zem");
    e.zoneAudio.ZoneChosen(1);  // zone 2, system preset position 6
    QCOMPARE(e.model.screen.SystemEQList.Selected, 6);
    PresetsLogic& p = e.presets;
    p.PresetChosen(2);

    // Choosing another preset without a new name leaves both lists alone.
    const ListState presetsBefore = e.model.screen.PresetList;
    const ListState systemBefore = e.model.screen.SystemEQList;
    p.PresetChosen(3);
    QCOMPARE(e.model.screen.PresetList.Items, presetsBefore.Items);
    QCOMPARE(e.model.screen.SystemEQList, systemBefore);

    p.SetNameText("Bright");
    p.PresetChosen(7);
    QCOMPARE(e.model.unit.EQPresets[4].Name, std::string("Bright"));
    QCOMPARE(e.model.screen.PresetList.Items[3], std::string("Bright"));
    QCOMPARE(e.model.screen.SystemEQList.Items[3], std::string("Bright"));
    QCOMPARE(e.model.screen.PresetList.Items.size(), std::size_t(10));
    QCOMPARE(e.model.screen.PresetList.Selected, 7);
    QCOMPARE(e.model.screen.SystemEQList.Selected, 6);  // zone 2's preset, unchanged
    QCOMPARE(p.NameText(), std::string("Preset 8"));
    e.PageChosen(Page::ZoneAudioControls);
    QCOMPARE(int(e.model.unit.ZoneAudio[2].SystemEQ), 6);
  }

  void longNamesFromTheUnitStayWhole() {
    const std::string name = "A name far longer than fifteen \xE9\xE8\xA0";
    Editor e;
    e.ImportFileText(Config({("[NEP1\"" + name + "\"]").c_str()}), "x.zem");
    QCOMPARE(e.presets.NameText(), name);
    e.presets.PresetChosen(1);
    QCOMPARE(e.model.unit.EQPresets[1].Name, name);
    e.presets.PresetChosen(0);
    QCOMPARE(e.presets.NameText(), name);
    QCOMPARE(e.model.screen.PresetList.Items[0], name);
    QCOMPARE(e.model.screen.SystemEQList.Items[0], name);
  }

  void pageSwitchStoresPendingEditsEvenWithoutAChosenPreset() {
    Editor e;
    e.ImportFileText(Config({}), "x.zem");
    QVERIFY(!e.model.screen.PresetList.HasSelection());  // as the import leaves it
    e.presets.SetBandPosition(10, -7);
    e.presets.SetNameText("Evening");
    e.PageChosen(Page::ZoneAudioControls);
    QCOMPARE(int(e.model.unit.EQPresets[1].Band[10]), 7);
    QCOMPARE(e.model.unit.EQPresets[1].Name, std::string("Evening"));
    QCOMPARE(e.model.screen.SystemEQList.Items[0], std::string("Evening"));

    // With a chosen preset the refresh stores and shows that preset again.
    e.presets.PresetChosen(5);
    e.presets.SetBandPosition(1, 2);
    e.PageChosen(Page::Options);
    QCOMPARE(e.model.screen.CurrentEQPreset, 6);
    QCOMPARE(int(e.model.unit.EQPresets[6].Band[1]), -2);
    QCOMPARE(e.presets.BandPosition(1), 2);
    QCOMPARE(int(e.model.unit.EQPresets[1].Band[10]), 7);
  }

  void refillKeepsTheSystemPresetOfTheCurrentZone() {
    Editor e;
    e.ImportFileText(Config({}), "x.zem");
    e.model.unit.ZoneAudio[1].SystemEQ = 9;
    e.presets.FillPresetLists();
    QCOMPARE(e.model.screen.SystemEQList.Selected, 9);
    QVERIFY(!e.model.screen.PresetList.HasSelection());
    e.model.unit.ZoneAudio[1].SystemEQ = -1;
    e.presets.FillPresetLists();
    QVERIFY(!e.model.screen.SystemEQList.HasSelection());
  }
};

QTEST_GUILESS_MAIN(TestPresetsLogic)
#include "test_presets_logic.moc"
