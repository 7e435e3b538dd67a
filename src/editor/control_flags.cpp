#include "editor/control_flags.h"

namespace zem {

ControlFlags::ControlFlags(std::vector<std::string> names) : names_(std::move(names)) {
  for (const auto& name : names_) states_.emplace(name, State{});
}

bool ControlFlags::Enabled(std::string_view name) const {
  auto it = states_.find(name);
  return it == states_.end() || it->second.enabled;
}

bool ControlFlags::Visible(std::string_view name) const {
  auto it = states_.find(name);
  return it == states_.end() || it->second.visible;
}

void ControlFlags::SetEnabled(std::string_view name, bool enabled) {
  auto it = states_.find(name);
  if (it != states_.end()) it->second.enabled = enabled;
}

void ControlFlags::SetVisible(std::string_view name, bool visible) {
  auto it = states_.find(name);
  if (it != states_.end()) it->second.visible = visible;
}

void ControlFlags::SetAllEnabled(bool enabled) {
  for (auto& [name, state] : states_) state.enabled = enabled;
}

}  // namespace zem
