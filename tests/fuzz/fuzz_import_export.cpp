// Imports the input as a configuration file, as the window's File import and
// zemctl do, exports it, and imports and exports that export twice more.
//
// The first export need not import back to itself: by the export rules, a
// zone whose DSP mode is unknown (negative, or one the zone page cannot show)
// still writes its volume line, which reads back as "no EQ reported" and is
// then left out; an "[EO zLP-1]" line is not read back either. What must hold
// for any input: no crash, an export of bounded size, and an export of an
// imported export is stable: exporting it again after a round trip gives the
// same bytes. A source number 0 ("[NI0...]") raises the source count to 0:
// such a configuration exports no source line and so imports back to none.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "command/command_writer.h"
#include "editor/editor.h"

namespace {

// Far above a whole unit's export (about 50 KB), whatever the input: names
// are cut to their length and every table is bounded.
constexpr std::size_t kExportBound = std::size_t{4} << 20;

std::string ExportOf(std::string_view text, int* sourceCount = nullptr) {
  zem::Editor editor;
  editor.ImportFileText(std::string(text), "fuzz.zem");
  if (sourceCount) *sourceCount = editor.model.unit.SourceCount;
  return editor.HasConfiguration() ? zem::ZemFileText(editor.PrepareExport()) : std::string();
}

[[noreturn]] void Fail(const char* what, const std::string& a, const std::string& b) {
  std::size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  const std::size_t from = at > 60 ? at - 60 : 0;
  std::fprintf(stderr, "%s: differs at byte %zu of %zu/%zu:\n%.200s\n---\n%.200s\n", what, at, a.size(),
               b.size(), a.c_str() + from, b.c_str() + from);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  int sources = -1;
  const std::string first = ExportOf(std::string_view(reinterpret_cast<const char*>(data), size), &sources);
  if (first.empty()) return 0;
  if (first.size() > kExportBound) Fail("export too large", first, std::string());
  // An export names its sources, so with one or more it imports to a configuration.
  const std::string second = ExportOf(first);
  if (second.empty()) {
    if (sources == 0) return 0;
    Fail("export imports to nothing", first, second);
  }
  const std::string third = ExportOf(second);
  if (third != second) Fail("export of an imported export changed", second, third);
  return 0;
}
