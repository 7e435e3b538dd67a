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
  flags_.SetVisible(ZoneAudioGroup::VolumeLock, false);
  flags_.SetVisible(ZoneAudioGroup::Lowpass, false);
  unshown_.Lowpass = kLowpassMin;
}

bool ZoneAudioLogic::ShowsZone() const {
  return model_.screen.ZoneList.HasSelection() &&
         NumberedTable<int, kZones>::Contains(model_.screen.CurrentZone);
}

ZoneAudioRec* ZoneAudioLogic::Shown() {
  return ShowsZone() ? &model_.unit.ZoneAudio[model_.screen.CurrentZone] : &unshown_;
}

const ZoneAudioRec* ZoneAudioLogic::Shown() const {
  return ShowsZone() ? &model_.unit.ZoneAudio[model_.screen.CurrentZone] : &unshown_;
}

void ZoneAudioLogic::Moved() {
  if (ShowsZone()) revision_.Bump();
}

template <typename T>
bool ZoneAudioLogic::Move(T& value, int position, int low, int high) {
  const T clamped = static_cast<T>(std::clamp(position, low, high));
  if (clamped == value) return false;
  value = clamped;
  return true;
}

int ZoneAudioLogic::BandPosition(int band) const {
  if (band < 1 || band > kBands) return 0;
  // Band sliders hold minus the gain.
  return std::clamp<int>(-int{Shown()->Band[band]}, kBandMin, kBandMax);
}

std::array<int, kBands> ZoneAudioLogic::BandPositions() const {
  std::array<int, kBands> positions{};
  for (int b = 1; b <= kBands; ++b) positions[static_cast<std::size_t>(b - 1)] = BandPosition(b);
  return positions;
}

int ZoneAudioLogic::BassPosition() const { return std::clamp<int>(Shown()->Bass, kToneMin, kToneMax); }
int ZoneAudioLogic::TreblePosition() const { return std::clamp<int>(Shown()->Treble, kToneMin, kToneMax); }
int ZoneAudioLogic::VolumePosition() const {
  return std::clamp<int>(Shown()->Volume, kVolumeMin, kVolumeMax);
}
int ZoneAudioLogic::BalancePosition() const {
  return std::clamp<int>(Shown()->Balance, kBalanceMin, kBalanceMax);
}
int ZoneAudioLogic::LowpassPosition() const {
  return std::clamp<int>(Shown()->Lowpass, kLowpassMin, kLowpassMax);
}

void ZoneAudioLogic::SetBandPosition(int band, int position) {
  if (band < 1 || band > kBands) return;
  if (Move(Shown()->Band[band], -std::clamp(position, kBandMin, kBandMax), -kBandMax, -kBandMin)) Moved();
}
void ZoneAudioLogic::SetBassPosition(int position) {
  if (Move(Shown()->Bass, position, kToneMin, kToneMax)) Moved();
}
void ZoneAudioLogic::SetTreblePosition(int position) {
  if (Move(Shown()->Treble, position, kToneMin, kToneMax)) Moved();
}
void ZoneAudioLogic::SetVolumePosition(int position) {
  if (Move(Shown()->Volume, position, kVolumeMin, kVolumeMax)) Moved();
}
void ZoneAudioLogic::SetBalancePosition(int position) {
  if (Move(Shown()->Balance, position, kBalanceMin, kBalanceMax)) Moved();
}
void ZoneAudioLogic::SetLowpassPosition(int position) {
  if (Move(Shown()->Lowpass, position, kLowpassMin, kLowpassMax)) Moved();
}

ListState ZoneAudioLogic::DSPModeList() const {
  ListState list;
  for (const DspMode mode : kDspModes) list.Items.emplace_back(DspModeName(mode));
  list.Select(Shown()->DSPMode);
  return list;
}

void ZoneAudioLogic::DSPModeChosen(int position) {
  // A position the list does not hold chooses no mode.
  const int mode = DspModeOf(position) ? position : -1;
  if (std::int8_t& shown = Shown()->DSPMode; shown != mode) {
    shown = static_cast<std::int8_t>(mode);
    Moved();
  }
  ShowDSPMode();
}

void ZoneAudioLogic::SystemEQChosen(int position) {
  ListState& list = model_.screen.SystemEQList;
  list.Select(position);
  if (std::int8_t& shown = Shown()->SystemEQ; shown != list.Selected) {
    shown = static_cast<std::int8_t>(list.Selected);
    Moved();
  }
}

void ZoneAudioLogic::ShowZone(int zone) {
  if (!NumberedTable<int, kZones>::Contains(zone)) return;
  if (beforeShowing_) beforeShowing_(zone);
  // Showing a zone is no change of it.
  ZoneAudioRec& a = model_.unit.ZoneAudio[zone];
  a = ThroughControls(a, static_cast<int>(model_.screen.SystemEQList.Items.size()));
  model_.screen.SystemEQList.Select(a.SystemEQ);
  flags_.SetEnabled(ZoneAudioGroup::ZoneList, true);
  ShowDSPMode();
  flags_.SetEnabled(ZoneAudioGroup::ZoneList, true);
  flags_.SetEnabled(ZoneAudioGroup::ZoneListCaption, true);
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

  const std::optional<DspMode> mode = DspModeOf(Shown()->DSPMode);
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
  model_.screen.CurrentZone = zone;
  ShowZone(zone);
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
