#include "editor/zone_audio_logic.h"

#include <algorithm>
#include <stdexcept>

namespace zem {
// The tables below are indexed by a mode's number: it is its list position.
static_assert([] {
  for (std::size_t i = 0; i < kDspModes.size(); ++i)
    if (static_cast<std::size_t>(kDspModes[i]) != i) return false;
  return true;
}());

std::optional<DspMode> DspModeOf(int number) {
  for (const DspMode mode : kDspModes)
    if (static_cast<int>(mode) == number) return mode;
  return std::nullopt;
}

std::string_view DspModeName(DspMode mode) {
  // In the order of kDspModes, whose numbers are their positions.
  static constexpr std::array<std::string_view, kDspModes.size()> kNames = {
      "EQ/Tone Disabled", "ZQ Mode", "Preset Mode", "Tone Controls", "Lowpass"};
  return kNames.at(static_cast<std::size_t>(mode));
}

ZoneAudioLogic::ZoneAudioLogic(ConfigModel& model, ConfigRevision& revision)
    : model_(model), revision_(revision) {
  for (const DspMode mode : kDspModes) dspModes_.Items.emplace_back(DspModeName(mode));
  flags_.SetVisible(ZoneAudioGroup::VolumeLock, false);
  flags_.SetVisible(ZoneAudioGroup::Lowpass, false);
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
  const ZoneAudioRec& a = model_.unit.ZoneAudio[zone];
  for (int b = 1; b <= kBands; ++b)
    Move(bandPos_[static_cast<std::size_t>(b - 1)], -static_cast<int>(a.Band[b]), kBandMin, kBandMax);
  Move(bass_, a.Bass, kToneMin, kToneMax);
  Move(treble_, a.Treble, kToneMin, kToneMax);
  Move(volume_, a.Volume, kVolumeMin, kVolumeMax);
  Move(balance_, a.Balance, kBalanceMin, kBalanceMax);
  Move(lowpass_, a.Lowpass, kLowpassMin, kLowpassMax);
  dspModes_.Select(a.DSPMode);
  model_.screen.SystemEQList.Select(a.SystemEQ);
  flags_.SetEnabled(ZoneAudioGroup::ZoneList, true);
  ShowDSPMode();
  flags_.SetEnabled(ZoneAudioGroup::ZoneList, true);
  flags_.SetEnabled(ZoneAudioGroup::ZoneListCaption, true);
}

void ZoneAudioLogic::StoreZoneControls(int zone) { StoreZoneControlsInto(model_, zone); }

void ZoneAudioLogic::StoreZoneControlsInto(ConfigModel& target, int zone) const {
  if (!NumberedTable<int, kZones>::Contains(zone)) return;
  ZoneAudioRec& a = target.unit.ZoneAudio[zone];
  for (int b = 1; b <= kBands; ++b) a.Band[b] = static_cast<std::int8_t>(-BandPosition(b));
  a.Bass = static_cast<std::int8_t>(bass_);
  a.Treble = static_cast<std::int8_t>(treble_);
  a.Volume = static_cast<std::int8_t>(volume_);
  a.DSPMode = static_cast<std::int8_t>(dspModes_.HasSelection() ? dspModes_.Selected : -1);
  a.SystemEQ = static_cast<std::int8_t>(
      model_.screen.SystemEQList.HasSelection() ? model_.screen.SystemEQList.Selected : -1);
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
  if (!DspModeOf(a.DSPMode)) a.DSPMode = -1;
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
  flags_.SetVisible(ZoneAudioGroup::Tone, true);
  flags_.SetVisible(ZoneAudioGroup::Lowpass, false);
  flags_.SetAllEnabled(false);
  flags_.SetEnabled(ZoneAudioGroup::ZoneList, true);

  // With no zone chosen there is no record to ask: the zone's own controls
  // stay disabled.
  const int zone = model_.screen.ZoneList.HasSelection() ? model_.screen.ZoneList.Selected + 1 : 0;
  if (NumberedTable<int, kZones>::Contains(zone) && model_.unit.ZoneAudio[zone].EQUsed != 0)
    flags_.SetEnabled(ZoneAudioGroup::ZoneLevels, true);

  const std::optional<DspMode> mode = dspModes_.HasSelection() ? DspModeOf(dspModes_.Selected) : std::nullopt;
  if (!mode) return;
  // The group of controls each mode enables, in the order of kDspModes.
  static constexpr std::array<std::optional<ZoneAudioGroup>, kDspModes.size()> kEnabledBy = {
      std::nullopt, ZoneAudioGroup::Equalizer, ZoneAudioGroup::SystemPreset, ZoneAudioGroup::Tone,
      ZoneAudioGroup::Lowpass};
  if (*mode == DspMode::Lowpass) {
    // The lowpass slider takes the place of bass and treble.
    flags_.SetVisible(ZoneAudioGroup::Tone, false);
    flags_.SetVisible(ZoneAudioGroup::Lowpass, true);
  }
  if (const std::optional<ZoneAudioGroup> group = kEnabledBy.at(static_cast<std::size_t>(*mode)))
    flags_.SetEnabled(*group, true);
}

void ZoneAudioLogic::ZoneChosen(int position) {
  const int zone = position + 1;
  if (!NumberedTable<int, kZones>::Contains(zone) ||
      position >= static_cast<int>(model_.screen.ZoneList.Items.size()))
    return;
  model_.screen.ZoneList.Select(position);
  StoreZoneControls(model_.screen.CurrentZone);
  LoadZoneControls(zone);
  model_.screen.CurrentZone = zone;
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
