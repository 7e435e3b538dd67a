#include "editor/control_flags.h"

#include <stdexcept>

namespace zem {

std::size_t ControlFlags::Index(ZoneAudioGroup group) {
  const auto index = static_cast<std::size_t>(group);
  if (index >= kZoneAudioGroups.size() || kZoneAudioGroups[index] != group)
    throw std::out_of_range("ControlFlags: not a zone audio control group");
  return index;
}

void ControlFlags::SetAllEnabled(bool enabled) {
  for (State& state : states_) state.enabled = enabled;
}

}  // namespace zem
