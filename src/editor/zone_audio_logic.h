#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "editor/config_revision.h"
#include "editor/control_flags.h"
#include "model/config_model.h"

namespace zem {

// What a zone's DSP does, as ZoneAudioRec::DSPMode numbers it.
enum class DspMode : std::int8_t {
  Off = 0,           // "EQ/Tone Disabled"
  Equalizer = 1,     // the ten-band equaliser
  SystemPreset = 2,  // one of the unit's EQ presets
  Tone = 3,          // bass and treble
  Lowpass = 4,       // the lowpass filter
};

// In the order of the DSP mode list.
inline constexpr std::array kDspModes = {DspMode::Off, DspMode::Equalizer, DspMode::SystemPreset,
                                         DspMode::Tone, DspMode::Lowpass};

// The mode a record's number stands for; none for a number no mode has.
std::optional<DspMode> DspModeOf(int number);
// The mode's entry in the DSP mode list.
std::string_view DspModeName(DspMode mode);

// The "Zone Audio Controls" page without widgets: the positions of its
// sliders and lists, which controls are usable, and the load/store rules
// between them and a zone's record.
class ZoneAudioLogic {
 public:
  static constexpr int kBandMin = -10, kBandMax = 10;
  static constexpr int kToneMin = -12, kToneMax = 12;
  static constexpr int kVolumeMin = -80, kVolumeMax = 0;
  static constexpr int kBalanceMin = -80, kBalanceMax = 80;
  static constexpr int kLowpassMin = 40, kLowpassMax = 240;

  ZoneAudioLogic(ConfigModel& model, ConfigRevision& revision);

  // Slider positions: the shown zone's record (CurrentZone), each value
  // within its control's range. A position the user sets goes into the
  // record at once: a change of the configuration.
  int BandPosition(int band) const;
  void SetBandPosition(int band, int position);
  // The ten band sliders, as a quick EQ file keeps them.
  std::array<int, kBands> BandPositions() const;
  int BassPosition() const;
  void SetBassPosition(int position);
  int TreblePosition() const;
  void SetTreblePosition(int position);
  int VolumePosition() const;
  void SetVolumePosition(int position);
  int BalancePosition() const;
  void SetBalancePosition(int position);
  int LowpassPosition() const;
  void SetLowpassPosition(int position);

  // The DSP mode list, its entry the shown zone's mode; changing
  // it runs ShowDSPMode.
  ListState DSPModeList() const;
  void DSPModeChosen(int position);
  // The system EQ preset list is model.screen.SystemEQList;
  // its choice is the shown zone's.
  void SystemEQChosen(int position);

  // Shows `zone` in the controls: its record is brought into the controls'
  // ranges, which is no edit (the revision stays; see SetBeforeShowing).
  void ShowZone(int zone);
  // Told of a zone about to be shown, before its record is brought into
  // range: the editor closes the open step and brings what it compares
  // the configuration with into range alike.
  void SetBeforeShowing(std::function<void(int zone)> beforeShowing) {
    beforeShowing_ = std::move(beforeShowing);
  }
  // A zone's record as showing it leaves it: every value within its
  // control's range, a DSP mode or system preset the lists do not hold as
  // none.
  static ZoneAudioRec ThroughControls(const ZoneAudioRec& record, int systemEQCount);

  void ShowDSPMode();
  // The user chose entry `position` of the zone list.
  void ZoneChosen(int position);

  // Enabling of the page's control groups (the page-wide enabling included).
  ControlFlags& Flags() { return flags_; }
  const ControlFlags& Flags() const { return flags_; }

  // Readout texts of the sliders.
  static std::string GainText(int position);     // minus the position
  static std::string VolumeText(int position);   // "Volume: -20db"
  static std::string BalanceText(int position);  // "Balance (L: 25db / R: 0db)"
  static std::string LowpassText(int position);  // "40Hz"

 private:
  // Whether the controls show a zone: one is chosen in the zone list.
  bool ShowsZone() const;
  // The shown zone's record, else the controls' own values; never null.
  ZoneAudioRec* Shown();
  const ZoneAudioRec* Shown() const;
  // A control moved: a change of the configuration when it shows a zone.
  void Moved();
  // Sets a record's value to `value` within its range; true when it moved.
  template <typename T>
  bool Move(T& value, int position, int low, int high);

  ConfigModel& model_;
  ConfigRevision& revision_;
  ControlFlags flags_;
  std::function<void(int)> beforeShowing_;
  // The controls' values while the unit names no zone: nothing to edit.
  ZoneAudioRec unshown_;
};

}  // namespace zem
