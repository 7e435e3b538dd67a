// The zone audio page's logic without widgets: clamping on load, what a
// store writes back, which controls each DSP mode enables and the zone
// switching, through the editor as the window drives it.
#include <QtTest>
#include <algorithm>
#include <set>
#include <stdexcept>

#include "editor/editor.h"

using namespace zem;

namespace {

// A configuration of `zones` named zones and two sources, plus `extra` lines.
std::string Config(int zones, std::initializer_list<const char*> extra = {}) {
  std::string text = "[NI1\"Tuner\"]\r\n[NI2\"CD\"]\r\n";
  for (int z = 1; z <= zones; ++z)
    text += "[NO" + std::to_string(z) + "\"Room " + std::to_string(z) + "\"]\r\n";
  for (const char* line : extra) text += std::string(line) + "\r\n";
  return text;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::set<ZoneAudioGroup> EnabledGroups(const ControlFlags& flags) {
  std::set<ZoneAudioGroup> groups;
  for (const ZoneAudioGroup group : kZoneAudioGroups)
    if (flags.Enabled(group)) groups.insert(group);
  return groups;
}

}  // namespace

class TestZoneAudioLogic : public QObject {
  Q_OBJECT

 private slots:
  void clampsOnLoadAndStoresWhatTheControlsHold() {
    Editor e;
    e.ImportFileText(Config(4), "x.zem");
    ZoneAudioRec& rec = e.model.unit.ZoneAudio[2];
    rec.EQUsed = 1;
    e.model.unit.VolumeLocks[2] = 1;
    rec.Band[1] = 12;
    rec.Band[2] = -15;
    rec.Band[3] = -6;
    rec.Bass = 20;
    rec.Treble = -20;
    rec.Volume = 5;
    rec.Balance = -100;
    rec.Lowpass = -1;
    rec.DSPMode = 9;
    rec.SystemEQ = 12;

    ZoneAudioLogic& z = e.zoneAudio;
    z.ZoneChosen(1);
    QCOMPARE(e.model.screen.CurrentZone, 2);
    QCOMPARE(z.BandPosition(1), -10);  // +10 dB at the top
    QCOMPARE(z.BandPosition(2), 10);
    QCOMPARE(z.BandPosition(3), 6);
    QCOMPARE(ZoneAudioLogic::GainText(z.BandPosition(3)), std::string("-6"));
    QCOMPARE(z.BassPosition(), 12);
    QCOMPARE(z.TreblePosition(), -12);
    QCOMPARE(z.VolumePosition(), 0);
    QCOMPARE(z.BalancePosition(), -80);
    QCOMPARE(z.LowpassPosition(), 40);
    QCOMPARE(ZoneAudioLogic::LowpassText(z.LowpassPosition()), std::string("40Hz"));
    QVERIFY(!z.DSPModeList().HasSelection());
    QVERIFY(!e.model.screen.SystemEQList.HasSelection());

    e.PageChosen(Page::Options);
    QCOMPARE(int(rec.Band[1]), 10);
    QCOMPARE(int(rec.Band[2]), -10);
    QCOMPARE(int(rec.Band[3]), -6);
    QCOMPARE(int(rec.Bass), 12);
    QCOMPARE(int(rec.Treble), -12);
    QCOMPARE(int(rec.Volume), 0);
    QCOMPARE(int(rec.Balance), -80);
    QCOMPARE(rec.Lowpass, 40);
    QCOMPARE(int(rec.DSPMode), -1);
    QCOMPARE(int(rec.SystemEQ), -1);
    // Not the page's to change.
    QCOMPARE(int(rec.EQUsed), 1);
    QCOMPARE(int(e.model.unit.VolumeLocks[2]), 1);
  }

  void importedOutOfRangeValuesComeBackClamped() {
    Editor e;
    e.ImportFileText(Config(2, {"[EO1B1L12]", "[EO1M9]"}), "x.zem");
    // The import's final refresh has stored zone 1 as the page shows it.
    QCOMPARE(int(e.model.unit.ZoneAudio[1].Band[1]), 10);
    QCOMPARE(int(e.model.unit.ZoneAudio[1].DSPMode), -1);
    QCOMPARE(e.model.unit.ZoneAudio[1].Lowpass, 40);
    QCOMPARE(e.zoneAudio.BandPosition(1), -10);
    // Mode 9 shows no mode: only the EQUsed controls are usable.
    const ControlFlags& f = e.zoneAudio.Flags();
    QVERIFY(f.Enabled(ZoneAudioGroup::ZoneLevels));
    QVERIFY(!f.Enabled(ZoneAudioGroup::Equalizer));
    QVERIFY(!f.Enabled(ZoneAudioGroup::SystemPreset));
    const std::vector<std::string> lines = e.PrepareExport();
    QVERIFY(Has(lines, "[VO1R0]"));
    QVERIFY(std::none_of(lines.begin(), lines.end(),
                         [](const std::string& l) { return l.rfind("[EO1", 0) == 0; }));
  }

  void throughControlsIsWhatLoadingAndStoringLeaves() {
    Editor e;
    e.ImportFileText(Config(2, {}), "x.zem");
    ZoneAudioRec extreme;
    for (int b = 1; b <= kBands; ++b) extreme.Band[b] = static_cast<std::int8_t>(b % 2 ? 127 : -128);
    extreme.Bass = -100;
    extreme.Treble = 100;
    extreme.Volume = 20;
    extreme.Balance = -128;
    extreme.Lowpass = 1000;
    extreme.DSPMode = 7;
    extreme.SystemEQ = 10;
    extreme.EQUsed = 1;
    ZoneAudioRec inRange = extreme;
    inRange.Volume = -33;
    inRange.DSPMode = 2;
    inRange.SystemEQ = 4;
    inRange.Lowpass = -1;
    for (const ZoneAudioRec& record : {extreme, inRange, ZoneAudioRec{}}) {
      e.model.unit.ZoneAudio[2] = record;
      e.zoneAudio.ShowZone(2);
      QVERIFY(e.model.unit.ZoneAudio[2] == ZoneAudioLogic::ThroughControls(record, 10));
    }
    EQPresetsRec preset;
    preset.Band[1] = 50;
    preset.Band[2] = -3;
    preset.Name = "A name longer than fifteen";
    e.model.unit.EQPresets[3] = preset;
    e.presets.ShowPreset(3);
    QVERIFY(e.model.unit.EQPresets[3] == PresetsLogic::ThroughControls(preset));
  }

  void enablesTheControlsOfTheModeAndOfUsedZones_data() {
    QTest::addColumn<int>("eqUsed");
    QTest::addColumn<int>("mode");
    for (int used : {0, 1})
      for (int mode = -1; mode <= 4; ++mode) QTest::addRow("EQUsed %d mode %d", used, mode) << used << mode;
  }
  void enablesTheControlsOfTheModeAndOfUsedZones() {
    QFETCH(int, eqUsed);
    QFETCH(int, mode);
    Editor e;
    e.ImportFileText(Config(3), "x.zem");
    e.model.unit.ZoneAudio[3].EQUsed = static_cast<std::uint8_t>(eqUsed);
    e.model.unit.ZoneAudio[3].DSPMode = static_cast<std::int8_t>(mode);
    e.zoneAudio.ZoneChosen(2);

    std::set<ZoneAudioGroup> expected = {ZoneAudioGroup::ZoneList, ZoneAudioGroup::ZoneListCaption};
    if (eqUsed) expected.insert(ZoneAudioGroup::ZoneLevels);
    switch (mode) {
      case 1:
        expected.insert(ZoneAudioGroup::Equalizer);
        break;
      case 2:
        expected.insert(ZoneAudioGroup::SystemPreset);
        break;
      case 3:
        expected.insert(ZoneAudioGroup::Tone);
        break;
      case 4:
        expected.insert(ZoneAudioGroup::Lowpass);
        break;
      default:
        break;
    }
    const ControlFlags& flags = e.zoneAudio.Flags();
    QCOMPARE(EnabledGroups(flags), expected);
    QCOMPARE(flags.Visible(ZoneAudioGroup::Tone), mode != 4);
    QCOMPARE(flags.Visible(ZoneAudioGroup::Lowpass), mode == 4);
    QVERIFY(!flags.Visible(ZoneAudioGroup::VolumeLock));
    QVERIFY(flags.Visible(ZoneAudioGroup::Equalizer));

    // Choosing another mode changes the usable controls and, at once, the zone.
    const int other = mode == 4 ? 1 : 4;
    e.zoneAudio.DSPModeChosen(other);
    QCOMPARE(flags.Visible(ZoneAudioGroup::Lowpass), other == 4);
    QCOMPARE(int(e.model.unit.ZoneAudio[3].DSPMode), other);
  }

  void recordNumbersMapToModes_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("mode");  // -1: no mode
    QTest::addColumn<QString>("listed");
    QTest::newRow("off") << 0 << 0 << "EQ/Tone Disabled";
    QTest::newRow("equaliser") << 1 << 1 << "ZQ Mode";
    QTest::newRow("system preset") << 2 << 2 << "Preset Mode";
    QTest::newRow("tone") << 3 << 3 << "Tone Controls";
    QTest::newRow("lowpass") << 4 << 4 << "Lowpass";
    QTest::newRow("none") << -1 << -1 << "";
    QTest::newRow("above the list") << 5 << -1 << "";
    QTest::newRow("unit's stray 9") << 9 << -1 << "";
  }
  void recordNumbersMapToModes() {
    QFETCH(int, number);
    QFETCH(int, mode);
    QFETCH(QString, listed);
    const std::optional<DspMode> found = DspModeOf(number);
    QCOMPARE(found.has_value(), mode >= 0);
    if (!found) return;
    QCOMPARE(static_cast<int>(*found), mode);
    QCOMPARE(QString::fromLatin1(DspModeName(*found).data()), listed);
    // The mode list holds the modes in their numbers' order.
    Editor e;
    QCOMPARE(e.zoneAudio.DSPModeList().Items[static_cast<std::size_t>(number)], listed.toStdString());
  }

  void aGroupOutsideTheEnumerationIsRefused() {
    ControlFlags flags;
    const auto stray = static_cast<ZoneAudioGroup>(kZoneAudioGroups.size());
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, flags.Enabled(stray));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, flags.SetVisible(stray, false));
    // Every group has its own state.
    for (const ZoneAudioGroup group : kZoneAudioGroups) {
      flags.SetAllEnabled(true);
      flags.SetEnabled(group, false);
      for (const ZoneAudioGroup other : kZoneAudioGroups) QCOMPARE(flags.Enabled(other), other != group);
    }
  }

  void switchingZonesStoresTheZoneShownBefore() {
    Editor e;
    e.ImportFileText(Config(8, {"[VO3R-30]", "[EO3M1]", "[VO7R-12]", "[EO7M3]", "[TO7B4T-2]"}), "x.zem");
    ZoneAudioLogic& z = e.zoneAudio;
    z.ZoneChosen(2);
    QCOMPARE(z.VolumePosition(), -30);
    z.SetVolumePosition(-44);
    z.SetBandPosition(5, 3);
    z.ZoneChosen(6);
    QCOMPARE(e.model.screen.CurrentZone, 7);
    QCOMPARE(int(e.model.unit.ZoneAudio[3].Volume), -44);
    QCOMPARE(int(e.model.unit.ZoneAudio[3].Band[5]), -3);
    QCOMPARE(z.VolumePosition(), -12);
    QCOMPARE(z.BassPosition(), -4);  // stored negated, shown as the slider holds it
    QCOMPARE(ZoneAudioLogic::GainText(z.BassPosition()), std::string("4"));
    QCOMPARE(z.TreblePosition(), 2);
    QCOMPARE(z.DSPModeList().Selected, 3);

    // A page switch stores the shown zone without choosing another.
    z.SetBalancePosition(-25);
    e.PageChosen(Page::Favorites);
    QCOMPARE(int(e.model.unit.ZoneAudio[7].Balance), -25);
    QCOMPARE(e.model.screen.ZoneList.Selected, 6);
    const std::vector<std::string> lines = e.PrepareExport();
    QVERIFY(Has(lines, "[BO7L25]"));
    QVERIFY(Has(lines, "[TO7B4T-2]"));
    QVERIFY(Has(lines, "[VO3R-44]"));
    QVERIFY(Has(lines, "[EO3B5L-3]"));
  }

  void presetModeImportSelectsTheSystemPreset() {
    Editor e;
    e.ImportFileText(Config(2, {"[NEP4\"Jazz\"]", "[EO1M2]", "[EO1P3]"}), "x.zem");
    QCOMPARE(e.zoneAudio.DSPModeList().Selected, 2);
    QCOMPARE(e.model.screen.SystemEQList.Selected, 3);
    QCOMPARE(e.model.screen.SystemEQList.Items[3], std::string("Jazz"));
    QVERIFY(e.zoneAudio.Flags().Enabled(ZoneAudioGroup::SystemPreset));
    e.PageChosen(Page::EQPresets);
    QCOMPARE(e.model.screen.SystemEQList.Selected, 3);
    QVERIFY(Has(e.PrepareExport(), "[EO1P3]"));

    // Choosing another system preset reaches the export.
    e.SystemEQPresetChosen(5);
    QVERIFY(Has(e.PrepareExport(), "[EO1P5]"));
  }

  void zoneListWithoutSelectionTouchesNoZone() {
    Editor e;
    e.ImportFileText("[NI1\"Tuner\"]\r\n[EO1M1]\r\n", "x.zem");  // no zone named
    QVERIFY(e.model.screen.ZoneList.Items.empty());
    QVERIFY(!e.model.screen.ZoneList.HasSelection());
    const ZoneAudioRec before = e.model.unit.ZoneAudio[1];
    e.zoneAudio.DSPModeChosen(3);
    QVERIFY(!e.zoneAudio.Flags().Enabled(ZoneAudioGroup::ZoneLevels));  // no zone to ask for EQUsed
    QVERIFY(e.zoneAudio.Flags().Enabled(ZoneAudioGroup::Tone));
    e.zoneAudio.ZoneChosen(0);  // nothing to choose
    QCOMPARE(e.model.screen.CurrentZone, 1);
    QCOMPARE(e.model.unit.ZoneAudio[1], before);
  }

  void resetShowsZoneOneAndPresetOneAgain() {
    Editor e;
    e.ImportFileText(
        Config(4, {"[VO3R-33]", "[EO3M1]", "[EO3B2L5]", "[NEP1\"Flat\"]", "[NEP4\"Rock\"]", "[EP4B1L7]"}),
        "x.zem");
    e.zoneAudio.ZoneChosen(2);
    e.presets.PresetChosen(3);
    QCOMPARE(e.presets.NameText(), std::string("Rock"));

    // A new import starts with a reset; a tab change before it completes must
    // not copy zone 3 into zone 1 nor preset 4 into preset 1.
    e.ResetModel();
    e.PageChosen(Page::ZoneAudioControls);
    QCOMPARE(int(e.model.unit.ZoneAudio[1].Volume), 0);
    QCOMPARE(int(e.model.unit.ZoneAudio[1].Band[2]), 0);
    QCOMPARE(e.model.unit.EQPresets[1].Name, std::string("Flat"));
    QCOMPARE(int(e.model.unit.EQPresets[1].Band[1]), 0);
    QCOMPARE(e.model.unit.EQPresets[4].Name, std::string("Rock"));
    QCOMPARE(int(e.model.unit.EQPresets[4].Band[1]), 7);
    QVERIFY(!e.zoneAudio.Flags().Enabled(ZoneAudioGroup::ZoneList));
  }
};

QTEST_GUILESS_MAIN(TestZoneAudioLogic)
#include "test_zone_audio_logic.moc"
