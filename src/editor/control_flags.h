#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace zem {

// Enabled and visible states of a page's controls, by object name, so that
// page logic can decide them without widgets and views can apply them.
class ControlFlags {
 public:
  explicit ControlFlags(std::vector<std::string> names);

  bool Enabled(std::string_view name) const;
  bool Visible(std::string_view name) const;
  void SetEnabled(std::string_view name, bool enabled);
  void SetVisible(std::string_view name, bool visible);
  void SetAllEnabled(bool enabled);
  const std::vector<std::string>& Names() const { return names_; }

 private:
  struct State {
    bool enabled = true;
    bool visible = true;
  };
  std::vector<std::string> names_;
  std::map<std::string, State, std::less<>> states_;
};

}  // namespace zem
