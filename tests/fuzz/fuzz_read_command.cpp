// Feeds the input as one line to a freshly reset model, once as the text of
// a line and once as a line of the received text, whose log is kept as
// references to it; the two logs must read the same.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "command/command_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  zem::ConfigModel model;
  zem::TextLog receivedText, messageLog;
  zem::ResetModel(model, receivedText, messageLog);
  zem::ReadCommand(model, messageLog, line);

  // The received text cuts the input at its CR LF pairs; each piece is read.
  zem::ConfigModel byText, byReference;
  zem::TextLog received, holding, referring;
  zem::ResetModel(byText, received, holding);
  zem::ResetModel(byReference, received, referring);
  received.AppendText(line);
  received.AppendText("\r\n");
  for (std::size_t i = 0; i < received.LineCount(); ++i) {
    const auto piece = received.Line(i);
    zem::ReadCommand(byText, holding, piece);
    zem::ReadReceivedLine(byReference, referring, received, i, piece);
  }
  if (referring.Text() != holding.Text() || referring.ByteCount() != holding.ByteCount() ||
      referring.LineCount() != holding.LineCount()) {
    std::fputs("the log kept as references reads differently\n", stderr);
    std::abort();
  }
  return 0;
}
