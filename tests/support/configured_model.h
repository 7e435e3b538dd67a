#pragma once

// A freshly reset model that knows its source and zone counts, as an import
// that named them would leave it: the start of the writer's tests.

#include "model/config_model.h"
#include "model/text_log.h"

namespace zem::test {

inline ConfigModel Configured(int sources, int zones) {
  ConfigModel m;
  TextLog receivedText, messageLog;
  ResetModel(m, receivedText, messageLog);
  m.unit.SourceCount = sources;
  m.unit.ZoneCount = zones;
  return m;
}

}  // namespace zem::test
