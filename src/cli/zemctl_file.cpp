// zemctl check / convert: the import of a configuration file, as the window
// does it, without a window.
#include <cstdio>
#include <optional>

#include "cli/zemctl.h"
#include "command/command_writer.h"
#include "transfer/file_io.h"
#include "ui/editor/editor.h"

namespace zem {
namespace {

const char kCheckHelp[] =
    "Usage: zemctl check FILE.zem\n"
    "\n"
    "Imports FILE as the window's File Mode import does and prints the log.\n"
    "Exit status: 0 every line was understood; 1 a line was not handled or a\n"
    "number could not be read; 2 the file cannot be read or bad arguments.\n";

const char kConvertHelp[] =
    "Usage: zemctl convert IN.zem -o OUT.zem [--log LOG]\n"
    "\n"
    "Imports IN and writes to OUT exactly what the window's File Mode export\n"
    "writes right after that import. OUT is replaced atomically.\n"
    "  -o, --output OUT   the configuration file to write\n"
    "  --log LOG          also write the import log to LOG\n"
    "Exit status: 0 written; 2 a file cannot be read or written, or bad\n"
    "arguments; 3 IN names no source, so there is nothing to export.\n";

// Reads and imports `path` into `editor`; false (after saying why) when the
// file cannot be read.
bool ImportFile(Editor& editor, const std::string& path) {
  std::string error;
  std::optional<std::string> text = ReadWholeFile(path, &error);
  if (!text) {
    PrintError("cannot read " + path + ": " + error);
    return false;
  }
  editor.ImportFileText(*text, path);
  return true;
}

// The unit's own block markers, which the reader does not know.
bool IsBlockMarker(std::string_view line) {
  return line == "[RAR]" || line == "[GAR]" || line == "[FAR]" || line == "[EC]";
}

bool LogShowsProblems(const TextLog& log) {
  const std::string_view notHandled = "Didn't Handle: ";
  const std::string_view errorParsing = "Error parsing: ";
  for (std::size_t i = 0; i < log.LineCount(); ++i) {
    std::string_view line = log.Line(i);
    if (line.substr(0, errorParsing.size()) == errorParsing) return true;
    if (line.substr(0, notHandled.size()) == notHandled && !IsBlockMarker(line.substr(notHandled.size())))
      return true;
  }
  return false;
}

}  // namespace

int RunCheck(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kCheckHelp, stdout);
    return 0;
  }
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-')
    return Usage(kCheckHelp, "check takes one configuration file");
  Editor editor;
  if (!ImportFile(editor, args[0])) return 2;
  const std::string log = LogText(editor.memo3);
  std::fwrite(log.data(), 1, log.size(), stdout);
  return LogShowsProblems(editor.memo3) ? 1 : 0;
}

int RunConvert(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kConvertHelp, stdout);
    return 0;
  }
  std::string input, output, logPath;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if ((a == "-o" || a == "--output" || a == "--log") && i + 1 < args.size()) {
      (a == "--log" ? logPath : output) = args[++i];
    } else if (!a.empty() && a[0] != '-' && input.empty()) {
      input = a;
    } else {
      return Usage(kConvertHelp, "unexpected argument '" + a + "'");
    }
  }
  if (input.empty() || output.empty()) return Usage(kConvertHelp, "convert needs IN and -o OUT");

  Editor editor;
  if (!ImportFile(editor, input)) return 2;
  std::string error;
  if (!logPath.empty() && !WriteFileAtomically(logPath, LogText(editor.memo3), &error)) {
    PrintError("cannot write " + logPath + ": " + error);
    return 2;
  }
  if (!editor.HasConfiguration()) {
    PrintError(input + " names no source; nothing to export, " + output + " not written");
    return 3;
  }
  const std::string bytes = ZemFileText(editor.PrepareExport());
  if (!WriteFileAtomically(output, bytes, &error)) {
    PrintError("cannot write " + output + ": " + error);
    return 2;
  }
  return 0;
}

}  // namespace zem
