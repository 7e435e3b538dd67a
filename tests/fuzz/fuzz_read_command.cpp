// Feeds the input as one line to a freshly reset model.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "command/command_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zem::ConfigModel model;
  zem::TextLog receivedText, messageLog;
  zem::ResetModel(model, receivedText, messageLog);
  zem::ReadCommand(model, messageLog, std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
