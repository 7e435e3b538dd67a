#include "editor/presets_logic.h"

#include <algorithm>

namespace zem {

void PresetsLogic::SetBandPosition(int band, int position) {
  if (band < 1 || band > kBands) return;
  bandPos_[static_cast<std::size_t>(band - 1)] = std::clamp(position, kMin, kMax);
}

void PresetsLogic::StorePresetControls(int preset) {
  if (!NumberedTable<int, kPresets>::Contains(preset)) return;
  EQPresetsRec& p = model_.EQPresets[preset];
  for (int b = 1; b <= kBands; ++b) p.Band[b] = static_cast<std::int8_t>(-BandPosition(b));
  if (name_ != p.Name) {
    p.Name = name_;
    const int selected = model_.PresetList.Selected;
    FillPresetLists();
    model_.PresetList.Select(selected);
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
  const EQPresetsRec& p = model_.EQPresets[preset];
  for (int b = 1; b <= kBands; ++b) SetBandPosition(b, -static_cast<int>(p.Band[b]));
  name_ = p.Name;
}

void PresetsLogic::FillPresetLists() {
  model_.PresetList.Items.clear();
  model_.SystemEQList.Items.clear();
  for (int n = 1; n <= kPresets; ++n) {
    model_.PresetList.Items.push_back(model_.EQPresets[n].Name);
    model_.SystemEQList.Items.push_back(model_.EQPresets[n].Name);
  }
  model_.PresetList.Selected = -1;
  const int zone = model_.CurrentZone;
  model_.SystemEQList.Select(NumberedTable<int, kZones>::Contains(zone) ? model_.ZoneAudio[zone].SystemEQ
                                                                        : -1);
}

void PresetsLogic::PresetChosen(int position) {
  if (position < 0 || position >= kPresets) return;
  model_.PresetList.Select(position);
  StorePresetControls(model_.CurrentEQPreset);
  LoadPresetControls(position + 1);
  model_.CurrentEQPreset = position + 1;
}

}  // namespace zem
