#pragma once

#include "model/config_model.h"

namespace zem {

// Whether the IP address, netmask and gateway fields take `byte`: no control
// byte, and no bracket, which would end the field's command or start another.
constexpr bool NetworkTextTakes(unsigned char byte) {
  return !IsControlByte(byte) && byte != '[' && byte != ']';
}

// The brightness track bar moved (or was set) to `position`.
void DisplayLevelChanged(ConfigModel& model, int position);

}  // namespace zem
