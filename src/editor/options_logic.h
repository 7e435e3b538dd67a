#pragma once

#include <string>

#include "editor/config_revision.h"
#include "model/config_model.h"

namespace zem {

// Whether the IP address, netmask and gateway fields take `byte`: no control
// byte, and no bracket, which would end the field's command or start another.
constexpr bool NetworkTextTakes(unsigned char byte) {
  return !IsControlByte(byte) && byte != '[' && byte != ']';
}

// The brightness track bar moved (or was set) to `position`.
void DisplayLevelChanged(ConfigModel& model, int position);

// The options page's edits: each writes its option and moves the revision.
class OptionsLogic {
 public:
  OptionsLogic(ConfigModel& model, ConfigRevision& revision) : model_(model), revision_(revision) {}

  // A box of the page: DHCP, the front panel lock, the IR lockout.
  void SetFlag(bool OptionsRec::*option, bool on);
  // A field of the page: the IP address, the netmask, the gateway.
  void SetText(std::string OptionsRec::*option, std::string text);
  // The brightness track bar moved to `position`.
  void SetDisplayLevel(int position);

 private:
  ConfigModel& model_;
  ConfigRevision& revision_;
};

}  // namespace zem
