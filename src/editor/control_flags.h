#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zem {

// The controls of the zone audio page that are enabled or shown together.
// The view says which widgets make up each group.
enum class ZoneAudioGroup : std::uint8_t {
  ZoneList,         // the list of zones
  ZoneListCaption,  // the list's caption
  ZoneLevels,       // volume, balance and the DSP mode list: usable for a zone with EQ
  Equalizer,        // the ten band sliders and the quick EQ files
  SystemPreset,     // the system EQ preset list
  Tone,             // bass and treble
  Lowpass,          // the lowpass filter, shown in place of bass and treble
  VolumeLock,       // the volume lock box, never shown
  BalanceCentre,    // the centre mark of the balance scale; no mode enables it
};

inline constexpr std::array kZoneAudioGroups = {
    ZoneAudioGroup::ZoneList,  ZoneAudioGroup::ZoneListCaption, ZoneAudioGroup::ZoneLevels,
    ZoneAudioGroup::Equalizer, ZoneAudioGroup::SystemPreset,    ZoneAudioGroup::Tone,
    ZoneAudioGroup::Lowpass,   ZoneAudioGroup::VolumeLock,      ZoneAudioGroup::BalanceCentre,
};

// Enabled and visible states of the zone audio page's control groups, so that
// the page logic can decide them without widgets and the view can apply them.
class ControlFlags {
 public:
  bool Enabled(ZoneAudioGroup group) const { return states_[Index(group)].enabled; }
  bool Visible(ZoneAudioGroup group) const { return states_[Index(group)].visible; }
  void SetEnabled(ZoneAudioGroup group, bool enabled) { states_[Index(group)].enabled = enabled; }
  void SetVisible(ZoneAudioGroup group, bool visible) { states_[Index(group)].visible = visible; }
  void SetAllEnabled(bool enabled);

  bool operator==(const ControlFlags&) const = default;

 private:
  struct State {
    bool enabled = true;
    bool visible = true;
    bool operator==(const State&) const = default;
  };
  // The group's place; a value outside the enumeration throws std::out_of_range.
  static std::size_t Index(ZoneAudioGroup group);

  std::array<State, kZoneAudioGroups.size()> states_{};
};

}  // namespace zem
