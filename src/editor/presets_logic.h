#pragma once

#include <array>
#include <string>

#include "model/config_model.h"

namespace zem {

// The "EQ Presets" page without widgets: ten band sliders (band 1 is
// at the left), the name box and the preset list.
// The sliders and the name box show preset CurrentEQPreset; what the user
// sets in them goes into it at once.
class PresetsLogic {
 public:
  static constexpr int kMin = -10, kMax = 10;
  static constexpr std::size_t kTypedNameLength = 15;

  explicit PresetsLogic(ConfigModel& model) : model_(model) {}

  int BandPosition(int band) const;
  void SetBandPosition(int band, int position);
  const std::string& NameText() const;  // the name box
  void SetNameText(std::string text);

  // A preset as showing it leaves it: every band within the sliders' range.
  static EQPresetsRec ThroughControls(const EQPresetsRec& preset);
  // Shows `preset` in the controls: its bands are brought into range, which
  // is no edit.
  void ShowPreset(int preset);
  // Refills the preset list and the system EQ preset list with the preset names.
  void FillPresetLists();
  // A renamed preset's name reaches the two lists: refilled, the chosen
  // entry kept, when a name was typed since they were filled.
  void ShowNewNames();
  // The user chose entry `position` of the preset list.
  void PresetChosen(int position);

  // Whether a name was typed since the lists were filled; an import that
  // reads nothing puts it back with the configuration.
  bool NamesPending() const { return namesPending_; }
  void SetNamesPending(bool pending) { namesPending_ = pending; }

 private:
  // The shown preset; none when CurrentEQPreset is no preset.
  EQPresetsRec* Shown();
  const EQPresetsRec* Shown() const;

  ConfigModel& model_;
  bool namesPending_ = false;
};

}  // namespace zem
