// Feeds the input as one line to a freshly reset model, then reads its
// pieces as lines of a received text into a log that keeps its lines and one
// that passes them on; the two must give the same lines.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "command/command_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  zem::ConfigModel model;
  zem::TextLog receivedText, messageLog;
  zem::ResetModel(model, receivedText, messageLog);
  zem::ReadCommand(model, messageLog, line);

  // The received text cuts the input at its CR LF pairs; each piece is read.
  zem::ConfigModel keptModel, passedModel;
  zem::TextLog received, keeping, passing;
  zem::ResetModel(keptModel, received, keeping);
  zem::ResetModel(passedModel, received, passing);
  std::vector<std::string> passed;
  passing.PassLinesTo([&passed](std::string_view piece) { passed.emplace_back(piece); });
  received.AppendText(line);
  received.AppendText("\r\n");
  for (std::size_t i = 0; i < received.LineCount(); ++i) {
    const std::string_view piece = received.LineView(i);
    zem::ReadCommand(keptModel, keeping, piece);
    zem::ReadCommand(passedModel, passing, piece);
  }
  if (passed != keeping.Lines() || passing.LineCount() != 0) {
    std::fputs("the log that passes its lines on reads differently\n", stderr);
    std::abort();
  }
  return 0;
}
