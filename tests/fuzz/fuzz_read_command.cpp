// Feeds the input as one line to a freshly reset model.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "command/command_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zem::ConfigModel model;
  zem::TextLog memo2, memo3;
  zem::ResetModel(model, memo2, memo3);
  zem::ReadCommand(model, memo3, std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
