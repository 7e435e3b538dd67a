#pragma once

#include <array>
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

  // Slider positions (the controls' values); setters keep each in its range.
  // A position the user sets is a pending edit of the zone: a change of the
  // configuration.
  int BandPosition(int band) const { return bandPos_[static_cast<std::size_t>(band - 1)]; }
  void SetBandPosition(int band, int position);
  // TrackBar1 to TrackBar10, as a quick EQ file keeps them.
  const std::array<int, kBands>& BandPositions() const { return bandPos_; }
  int BassPosition() const { return bass_; }  // TrackBar11
  void SetBassPosition(int position);
  int TreblePosition() const { return treble_; }  // TrackBar12
  void SetTreblePosition(int position);
  int VolumePosition() const { return volume_; }  // TrackBar13
  void SetVolumePosition(int position);
  int BalancePosition() const { return balance_; }  // TrackBar14
  void SetBalancePosition(int position);
  int LowpassPosition() const { return lowpass_; }  // TrackBar25
  void SetLowpassPosition(int position);

  // ComboBox2: the DSP mode list; changing it runs ShowDSPMode.
  const ListState& DSPModeList() const { return dspModes_; }
  void DSPModeChosen(int position);
  // ComboBox3 is model.screen.SystemEQList.

  void LoadZoneControls(int zone);
  void StoreZoneControls(int zone);
  // What StoreZoneControls would write, written into `zone` of another model.
  void StoreZoneControlsInto(ConfigModel& target, int zone) const;
  // A zone's record as loading it into the controls and storing it back
  // leaves it: every value within its control's range, a DSP mode or system
  // preset the lists do not hold as none.
  static ZoneAudioRec ThroughControls(const ZoneAudioRec& record, int systemEQCount);

  // Every control's position and state, to put back as a whole.
  struct Controls {
    std::array<int, kBands> bandPos;
    int bass, treble, volume, balance, lowpass;
    ListState dspModes;
    ControlFlags flags;
  };
  Controls SaveControls() const;
  void RestoreControls(const Controls& controls);
  void ShowDSPMode();
  // The user chose entry `position` of the zone list ListBox3.
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
  // Sets a position within its range; true when it moved.
  static bool Move(int& position, int value, int low, int high);

  ConfigModel& model_;
  ConfigRevision& revision_;
  std::array<int, kBands> bandPos_{};
  int bass_ = 0, treble_ = 0, volume_ = 0, balance_ = 0, lowpass_ = kLowpassMin;
  ListState dspModes_;
  ControlFlags flags_;
};

}  // namespace zem
