#include "editor/presets_logic.h"

#include <algorithm>

namespace zem {

void PresetsLogic::SetBandPosition(int band, int position) {
  if (band < 1 || band > kBands) return;
  bandPos_[static_cast<std::size_t>(band - 1)] = std::clamp(position, kMin, kMax);
}

void PresetsLogic::StorePresetControls(int preset) {
  if (!NumberedTable<int, kPresets>::Contains(preset)) return;
  EQPresetsRec& p = model_.unit.EQPresets[preset];
  for (int b = 1; b <= kBands; ++b) p.Band[b] = static_cast<std::int8_t>(-BandPosition(b));
  if (name_ != p.Name) {
    p.Name = name_;
    const int selected = model_.screen.PresetList.Selected;
    FillPresetLists();
    model_.screen.PresetList.Select(selected);
  }
}

void PresetsLogic::StorePresetControlsInto(EQPresetsRec& preset) const {
  for (int b = 1; b <= kBands; ++b) preset.Band[b] = static_cast<std::int8_t>(-BandPosition(b));
  preset.Name = name_;
}

EQPresetsRec PresetsLogic::ThroughControls(const EQPresetsRec& preset) {
  EQPresetsRec p = preset;
  for (int b = 1; b <= kBands; ++b)
    p.Band[b] = static_cast<std::int8_t>(-std::clamp(-int{p.Band[b]}, kMin, kMax));
  return p;
}

void PresetsLogic::LoadPresetControls(int preset) {
  if (!NumberedTable<int, kPresets>::Contains(preset)) return;
  const EQPresetsRec& p = model_.unit.EQPresets[preset];
  for (int b = 1; b <= kBands; ++b) SetBandPosition(b, -static_cast<int>(p.Band[b]));
  name_ = p.Name;
}

void PresetsLogic::FillPresetLists() {
  model_.screen.PresetList.Items.clear();
  model_.screen.SystemEQList.Items.clear();
  for (int n = 1; n <= kPresets; ++n) {
    model_.screen.PresetList.Items.push_back(model_.unit.EQPresets[n].Name);
    model_.screen.SystemEQList.Items.push_back(model_.unit.EQPresets[n].Name);
  }
  model_.screen.PresetList.Selected = -1;
  const int zone = model_.screen.CurrentZone;
  model_.screen.SystemEQList.Select(
      NumberedTable<int, kZones>::Contains(zone) ? model_.unit.ZoneAudio[zone].SystemEQ : -1);
}

void PresetsLogic::PresetChosen(int position) {
  if (position < 0 || position >= kPresets) return;
  model_.screen.PresetList.Select(position);
  StorePresetControls(model_.screen.CurrentEQPreset);
  LoadPresetControls(position + 1);
  model_.screen.CurrentEQPreset = position + 1;
}

}  // namespace zem
