// zemctl check / convert: the import of a configuration file, as the window
// does it, without a window.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/zemctl.h"
#include "command/command_writer.h"
#include "editor/editor.h"
#include "transfer/file_io.h"

namespace zem {
namespace {

constexpr HelpPiece kCheckHelp[] = {
    {"Usage: zemctl check FILE.zem\n"
     "\n"
     "Imports FILE as the window's File Mode import does and prints the log.\n"
     "FILE may be a regular file or a FIFO (such as /dev/stdin fed by a pipe);\n"
     "at most its first 64 MiB and million lines are read.\n"
     "Exit status: 0 every line was understood; 1 a line was not handled, a\n"
     "number could not be read, FILE holds no configuration command at all, or\n"
     "FILE passed the read limit; 2 FILE cannot be read (a device, a folder...)\n"
     "or bad arguments, or the log cannot be written.\n"},
};

constexpr OptionRow kConvertOptions[] = {
    {OptionId::Output, "-o", "--output", "OUT", "the configuration file to write"},
    {OptionId::Log, "", "--log", "LOG", "also write the import log to LOG"},
    {OptionId::Strict, "", "--strict", "",
     "refuse to write OUT when a value would not read back\n"
     "as it is (exit status 2)"},
};

constexpr HelpPiece kConvertHelp[] = {
    {"Usage: zemctl convert IN.zem -o OUT.zem [--log LOG] [--strict]\n"
     "\n"
     "Imports IN and writes to OUT exactly what the window's File Mode export\n"
     "writes right after that import. OUT is replaced atomically: a failed\n"
     "write (a full disk too) leaves the old OUT as it was. A FIFO or a device\n"
     "such as /dev/null or /dev/stdout is written as it is, never replaced.\n"
     "IN is read as 'zemctl check' reads it (at most 64 MiB and a million lines).\n"},
    {.list = 0, .column = 21},
    {"OUT and LOG are checked before IN is read: each must be writable, and none\n"
     "may name IN or the other.\n"
     "A value the reader would not take back as it is (a lowpass of -1, a volume\n"
     "with no DSP mode) is written as it is and named on standard error as\n"
     "'zemctl: warning: ...', as is an address a unit cannot use (DHCP off);\n"
     "the exit status stays as it is.\n"
     "Exit status: 0 written; 2 a file cannot be read or written, two of the\n"
     "files are the same, bad arguments, or a value would read back as another\n"
     "command or as several lines (each one is named; with --strict also a value\n"
     "that would not read back as it is); 3 IN names no source, so there is\n"
     "nothing to export; 4 written, but IN passed the read limit, so only its\n"
     "beginning was converted.\n"},
};

// The unit's own block markers, which the reader does not know.
bool IsBlockMarker(std::string_view line) {
  return line == "[RAR]" || line == "[GAR]" || line == "[FAR]" || line == "[EC]";
}

// A log line that says a line was not understood.
bool ShowsProblem(std::string_view line) {
  const std::string_view notHandled = "Didn't Handle: ";
  const std::string_view errorParsing = "Error parsing: ";
  if (line.substr(0, errorParsing.size()) == errorParsing) return true;
  return line.substr(0, notHandled.size()) == notHandled && !IsBlockMarker(line.substr(notHandled.size()));
}

// Whether the text holds a line the import reads as a command.
bool HasCommandLine(const TextLog& text) {
  for (std::size_t i = 0; i < text.LineCount(); ++i) {
    const std::string_view line = text.LineView(i);
    if (!line.empty() && (line.front() == '[' || line.front() == '(')) return true;
  }
  return false;
}

}  // namespace

constexpr CommandEntry kCheckCommand{.name = "check",
                                     .synopsis = "FILE.zem",
                                     .summary = "read a configuration file and print the log",
                                     .maxOperands = 1,
                                     .help = kCheckHelp,
                                     .run = RunCheck};
constexpr CommandEntry kConvertCommand{.name = "convert",
                                       .synopsis = "IN.zem -o OUT.zem",
                                       .summary = "write what an export right after importing IN writes",
                                       .options = kConvertOptions,
                                       .maxOperands = 1,
                                       .help = kConvertHelp,
                                       .run = RunConvert};

int RunCheck(const std::vector<std::string>& args) {
  if (PrintHelpIfAsked(args, kCheckCommand)) return kExitOk;
  const ParsedArguments parsed = ParseArguments(kCheckCommand, args);
  if (parsed.unexpected || parsed.given.size() != 1)
    return Usage(kCheckCommand, "check takes one configuration file");
  const std::string& path = parsed.given.front().value;
  Editor editor;
  // The log is printed as the import makes it, never held whole.
  LogPrinter printer(stdout);
  bool problems = false;
  editor.messageLog.PassLinesTo([&printer, &problems](std::string_view line) {
    problems = problems || ShowsProblem(line);
    printer.Print(line);
  });
  bool cut = false;
  if (!ImportFile(editor, path, &cut)) return kExitUsage;
  if (!printer.Finish()) {
    PrintError("cannot write the log: " + std::string(std::strerror(errno)));
    return kExitUsage;
  }
  if (!HasCommandLine(editor.receivedText)) {
    PrintError(path + ": no configuration commands found");
    return kExitFailed;
  }
  return cut || problems ? kExitFailed : kExitOk;
}

int RunConvert(const std::vector<std::string>& args) {
  if (PrintHelpIfAsked(args, kConvertCommand)) return kExitOk;
  std::string input, output, logPath;
  bool strict = false;
  const ParsedArguments parsed = ParseArguments(kConvertCommand, args);
  for (const GivenArgument& a : parsed.given) {
    if (a.id == OptionId::Operand) input = a.value;
    if (a.id == OptionId::Output) output = a.value;
    if (a.id == OptionId::Log) logPath = a.value;
    if (a.id == OptionId::Strict) strict = true;
  }
  if (parsed.unexpected) return UnexpectedArgument(kConvertCommand, *parsed.unexpected);
  if (input.empty() || output.empty()) return Usage(kConvertCommand, "convert needs IN and -o OUT");

  if (const int status = CheckFiles(input, {{"-o", output}, {"--log", logPath}})) return status;

  Editor editor;
  bool cut = false;
  if (!ImportFile(editor, input, &cut)) return kExitUsage;
  if (!logPath.empty() && !WriteOutputFile(logPath, LogText(editor.messageLog))) return kExitUsage;
  if (!editor.HasConfiguration()) {
    PrintError(input + " names no source; nothing to export, " + output + " not written");
    return kExitNoConfiguration;
  }
  const std::optional<std::string> bytes =
      CheckedExportText(editor, ExportTarget::File, strict, output + " not written");
  if (!bytes || !WriteOutputFile(output, *bytes)) return kExitUsage;
  return cut ? kExitIncomplete : kExitOk;
}

}  // namespace zem
