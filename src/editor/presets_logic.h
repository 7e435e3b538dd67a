#pragma once

#include <array>
#include <string>

#include "model/config_model.h"

namespace zem {

// The "EQ Presets" page without widgets: ten band sliders (band 1 is
// TrackBar24 at the left), the name box Edit4 and the preset list ListBox2.
class PresetsLogic {
 public:
  static constexpr int kMin = -10, kMax = 10;
  static constexpr std::size_t kTypedNameLength = 15;

  explicit PresetsLogic(ConfigModel& model) : model_(model) {}

  int BandPosition(int band) const { return bandPos_[static_cast<std::size_t>(band - 1)]; }
  void SetBandPosition(int band, int position);
  const std::string& NameText() const { return name_; }  // Edit4
  void SetNameText(std::string text) { name_ = std::move(text); }

  void StorePresetControls(int preset);
  // The bands and name as StorePresetControls would store them.
  void StorePresetControlsInto(EQPresetsRec& preset) const;
  // A preset as loading it into the controls and storing it back leaves it.
  static EQPresetsRec ThroughControls(const EQPresetsRec& preset);
  void LoadPresetControls(int preset);
  // Refills ListBox2 and ComboBox3 with the preset names.
  void FillPresetLists();
  // The user chose entry `position` of ListBox2.
  void PresetChosen(int position);

  // The sliders and the name box as a whole, to put back.
  struct Controls {
    std::array<int, kBands> bandPos;
    std::string name;
  };
  Controls SaveControls() const { return Controls{bandPos_, name_}; }
  void RestoreControls(const Controls& controls) {
    bandPos_ = controls.bandPos;
    name_ = controls.name;
  }

 private:
  ConfigModel& model_;
  std::array<int, kBands> bandPos_{};
  std::string name_;
};

}  // namespace zem
