#include "editor/zone_audio_logic.h"

#include <algorithm>

namespace zem {
namespace {

std::vector<std::string> PageControlNames() {
  std::vector<std::string> names = {"ListBox3",  "Label37", "TrackBar25", "ComboBox1",    "ComboBox2",
                                    "ComboBox3", "Button1", "Button2",    "VolumeLocked", "Label38",
                                    "Label97",   "Label98", "Label99",    "Label885",     "Label886",
                                    "Label887",  "Label888"};
  for (int i = 1; i <= 14; ++i) names.push_back("TrackBar" + std::to_string(i));
  for (int i = 6; i <= 18; ++i) names.push_back("Label" + std::to_string(i));
  for (int i = 21; i <= 36; ++i)
    if (i != 24 && i != 25 && i != 26) names.push_back("Label" + std::to_string(i));
  names.push_back("Label39");
  for (int i = 50; i <= 59; ++i) names.push_back("Label" + std::to_string(i));
  return names;
}

const char* const kToneControls[] = {"Label21", "Label22", "Label27",    "Label28",   "Label29",
                                     "Label36", "Label39", "TrackBar11", "TrackBar12"};
const char* const kLowpassControls[] = {"TrackBar25", "Label885", "Label886", "Label887", "Label888"};

}  // namespace

const std::array<const char*, 5> ZoneAudioLogic::kDSPModeNames = {"EQ/Tone Disabled", "ZQ Mode",
                                                                  "Preset Mode", "Tone Controls", "Lowpass"};

ZoneAudioLogic::ZoneAudioLogic(ConfigModel& model, ConfigRevision& revision)
    : model_(model), revision_(revision), flags_(PageControlNames()) {
  for (const char* name : kDSPModeNames) dspModes_.Items.emplace_back(name);
  flags_.SetVisible("VolumeLocked", false);
  for (const char* name : kLowpassControls) flags_.SetVisible(name, false);
}

bool ZoneAudioLogic::Move(int& position, int value, int low, int high) {
  const int clamped = std::clamp(value, low, high);
  if (clamped == position) return false;
  position = clamped;
  return true;
}

void ZoneAudioLogic::SetBandPosition(int band, int position) {
  if (band < 1 || band > kBands) return;
  if (Move(bandPos_[static_cast<std::size_t>(band - 1)], position, kBandMin, kBandMax)) revision_.Bump();
}
void ZoneAudioLogic::SetBassPosition(int position) {
  if (Move(bass_, position, kToneMin, kToneMax)) revision_.Bump();
}
void ZoneAudioLogic::SetTreblePosition(int position) {
  if (Move(treble_, position, kToneMin, kToneMax)) revision_.Bump();
}
void ZoneAudioLogic::SetVolumePosition(int position) {
  if (Move(volume_, position, kVolumeMin, kVolumeMax)) revision_.Bump();
}
void ZoneAudioLogic::SetBalancePosition(int position) {
  if (Move(balance_, position, kBalanceMin, kBalanceMax)) revision_.Bump();
}
void ZoneAudioLogic::SetLowpassPosition(int position) {
  if (Move(lowpass_, position, kLowpassMin, kLowpassMax)) revision_.Bump();
}

void ZoneAudioLogic::DSPModeChosen(int position) {
  const int before = dspModes_.Selected;
  dspModes_.Select(position);
  if (dspModes_.Selected != before) revision_.Bump();
  ShowDSPMode();
}

void ZoneAudioLogic::LoadZoneControls(int zone) {
  if (!NumberedTable<int, kZones>::Contains(zone)) return;
  // Showing a zone is no change of it.
  const ZoneAudioRec& a = model_.ZoneAudio[zone];
  for (int b = 1; b <= kBands; ++b)
    Move(bandPos_[static_cast<std::size_t>(b - 1)], -static_cast<int>(a.Band[b]), kBandMin, kBandMax);
  Move(bass_, a.Bass, kToneMin, kToneMax);
  Move(treble_, a.Treble, kToneMin, kToneMax);
  Move(volume_, a.Volume, kVolumeMin, kVolumeMax);
  Move(balance_, a.Balance, kBalanceMin, kBalanceMax);
  flags_.SetEnabled("TrackBar25", true);
  Move(lowpass_, a.Lowpass, kLowpassMin, kLowpassMax);
  dspModes_.Select(a.DSPMode);
  model_.SystemEQList.Select(a.SystemEQ);
  flags_.SetEnabled("ListBox3", true);
  ShowDSPMode();
  flags_.SetEnabled("ListBox3", true);
  flags_.SetEnabled("Label37", true);
}

void ZoneAudioLogic::StoreZoneControls(int zone) { StoreZoneControlsInto(model_, zone); }

void ZoneAudioLogic::StoreZoneControlsInto(ConfigModel& target, int zone) const {
  if (!NumberedTable<int, kZones>::Contains(zone)) return;
  ZoneAudioRec& a = target.ZoneAudio[zone];
  for (int b = 1; b <= kBands; ++b) a.Band[b] = static_cast<std::int8_t>(-BandPosition(b));
  a.Bass = static_cast<std::int8_t>(bass_);
  a.Treble = static_cast<std::int8_t>(treble_);
  a.Volume = static_cast<std::int8_t>(volume_);
  a.DSPMode = static_cast<std::int8_t>(dspModes_.HasSelection() ? dspModes_.Selected : -1);
  a.SystemEQ =
      static_cast<std::int8_t>(model_.SystemEQList.HasSelection() ? model_.SystemEQList.Selected : -1);
  a.Balance = static_cast<std::int8_t>(balance_);
  a.Lowpass = lowpass_;
}

ZoneAudioRec ZoneAudioLogic::ThroughControls(const ZoneAudioRec& record, int systemEQCount) {
  ZoneAudioRec a = record;
  const auto clamp8 = [](int value, int low, int high) {
    return static_cast<std::int8_t>(std::clamp(value, low, high));
  };
  // Band sliders hold minus the gain.
  for (int b = 1; b <= kBands; ++b)
    a.Band[b] = static_cast<std::int8_t>(-std::clamp(-int{a.Band[b]}, kBandMin, kBandMax));
  a.Bass = clamp8(a.Bass, kToneMin, kToneMax);
  a.Treble = clamp8(a.Treble, kToneMin, kToneMax);
  a.Volume = clamp8(a.Volume, kVolumeMin, kVolumeMax);
  a.Balance = clamp8(a.Balance, kBalanceMin, kBalanceMax);
  a.Lowpass = std::clamp(a.Lowpass, kLowpassMin, kLowpassMax);
  if (a.DSPMode < 0 || a.DSPMode >= static_cast<int>(kDSPModeNames.size())) a.DSPMode = -1;
  if (a.SystemEQ < 0 || a.SystemEQ >= systemEQCount) a.SystemEQ = -1;
  return a;
}

ZoneAudioLogic::Controls ZoneAudioLogic::SaveControls() const {
  return Controls{bandPos_, bass_, treble_, volume_, balance_, lowpass_, dspModes_, flags_};
}

void ZoneAudioLogic::RestoreControls(const Controls& controls) {
  bandPos_ = controls.bandPos;
  bass_ = controls.bass;
  treble_ = controls.treble;
  volume_ = controls.volume;
  balance_ = controls.balance;
  lowpass_ = controls.lowpass;
  dspModes_ = controls.dspModes;
  flags_ = controls.flags;
}

void ZoneAudioLogic::ShowDSPMode() {
  for (const char* name : kToneControls) flags_.SetVisible(name, true);
  for (const char* name : kLowpassControls) flags_.SetVisible(name, false);
  flags_.SetAllEnabled(false);
  flags_.SetEnabled("ListBox3", true);

  // With no zone chosen there is no record to ask: the zone's own controls
  // stay disabled.
  const int zone = model_.ZoneList.HasSelection() ? model_.ZoneList.Selected + 1 : 0;
  if (NumberedTable<int, kZones>::Contains(zone) && model_.ZoneAudio[zone].EQUsed != 0) {
    for (const char* name : {"TrackBar13", "TrackBar14", "ComboBox2", "Label97", "Label23", "Label32",
                             "Label31", "Label30", "Label33", "Label34"})
      flags_.SetEnabled(name, true);
  }

  switch (dspModes_.HasSelection() ? dspModes_.Selected : -1) {
    case 1:
      for (const char* name :
           {"Button1", "Button2", "ComboBox1", "Label99", "Label6", "Label7", "Label8", "Label38"})
        flags_.SetEnabled(name, true);
      for (int i = 9; i <= 18; ++i) flags_.SetEnabled("Label" + std::to_string(i), true);
      for (int i = 50; i <= 59; ++i) flags_.SetEnabled("Label" + std::to_string(i), true);
      for (int i = 1; i <= 10; ++i) flags_.SetEnabled("TrackBar" + std::to_string(i), true);
      break;
    case 2:
      flags_.SetEnabled("ComboBox3", true);
      flags_.SetEnabled("Label98", true);
      break;
    case 3:
      for (const char* name : kToneControls) flags_.SetEnabled(name, true);
      break;
    case 4:
      for (const char* name : kToneControls) flags_.SetVisible(name, false);
      for (const char* name : kLowpassControls) {
        flags_.SetVisible(name, true);
        flags_.SetEnabled(name, true);
      }
      break;
    default:
      break;
  }
}

void ZoneAudioLogic::ZoneChosen(int position) {
  const int zone = position + 1;
  if (!NumberedTable<int, kZones>::Contains(zone) ||
      position >= static_cast<int>(model_.ZoneList.Items.size()))
    return;
  model_.ZoneList.Select(position);
  StoreZoneControls(model_.CurrentZone);
  LoadZoneControls(zone);
  model_.CurrentZone = zone;
}

std::string ZoneAudioLogic::GainText(int position) { return std::to_string(-position); }

std::string ZoneAudioLogic::VolumeText(int position) { return "Volume: " + std::to_string(position) + "db"; }

std::string ZoneAudioLogic::BalanceText(int position) {
  const int left = position < 0 ? -position : 0;
  const int right = position > 0 ? position : 0;
  return "Balance (L: " + std::to_string(left) + "db / R: " + std::to_string(right) + "db)";
}

std::string ZoneAudioLogic::LowpassText(int position) { return std::to_string(position) + "Hz"; }

}  // namespace zem
