#include "editor/presets_logic.h"

#include <algorithm>

namespace zem {

EQPresetsRec* PresetsLogic::Shown() {
  const int preset = model_.screen.CurrentEQPreset;
  return NumberedTable<int, kPresets>::Contains(preset) ? &model_.unit.EQPresets[preset] : nullptr;
}

const EQPresetsRec* PresetsLogic::Shown() const {
  const int preset = model_.screen.CurrentEQPreset;
  return NumberedTable<int, kPresets>::Contains(preset) ? &model_.unit.EQPresets[preset] : nullptr;
}

int PresetsLogic::BandPosition(int band) const {
  const EQPresetsRec* p = Shown();
  if (!p || band < 1 || band > kBands) return 0;
  // The sliders hold minus the gain.
  return std::clamp(-int{p->Band[band]}, kMin, kMax);
}

void PresetsLogic::SetBandPosition(int band, int position) {
  EQPresetsRec* p = Shown();
  if (!p || band < 1 || band > kBands) return;
  p->Band[band] = static_cast<std::int8_t>(-std::clamp(position, kMin, kMax));
}

const std::string& PresetsLogic::NameText() const {
  static const std::string kNone;
  const EQPresetsRec* p = Shown();
  return p ? p->Name : kNone;
}

void PresetsLogic::SetNameText(std::string text) {
  EQPresetsRec* p = Shown();
  if (!p || p->Name == text) return;
  p->Name = std::move(text);
  namesPending_ = true;
}

EQPresetsRec PresetsLogic::ThroughControls(const EQPresetsRec& preset) {
  EQPresetsRec p = preset;
  for (int b = 1; b <= kBands; ++b)
    p.Band[b] = static_cast<std::int8_t>(-std::clamp(-int{p.Band[b]}, kMin, kMax));
  return p;
}

void PresetsLogic::ShowPreset(int preset) {
  if (!NumberedTable<int, kPresets>::Contains(preset)) return;
  EQPresetsRec& p = model_.unit.EQPresets[preset];
  p = ThroughControls(p);
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
  namesPending_ = false;
}

void PresetsLogic::ShowNewNames() {
  if (!namesPending_) return;
  const int selected = model_.screen.PresetList.Selected;
  FillPresetLists();
  model_.screen.PresetList.Select(selected);
}

void PresetsLogic::PresetChosen(int position) {
  if (position < 0 || position >= kPresets) return;
  model_.screen.PresetList.Select(position);
  ShowNewNames();
  model_.screen.CurrentEQPreset = position + 1;
  ShowPreset(position + 1);
}

}  // namespace zem
