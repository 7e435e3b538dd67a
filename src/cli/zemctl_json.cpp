// zemctl dump --json / build: a configuration as JSON for scripts, and back.
#include <cstdio>

#include "cli/config_json.h"
#include "cli/zemctl.h"
#include "command/command_writer.h"
#include "editor/editor.h"
#include "editor/read_back_check.h"
#include "transfer/file_io.h"

namespace zem {
namespace {

constexpr OptionRow kDumpOptions[] = {
    {OptionId::Json, "", "--json", "", "write JSON (required; the only form so far)"},
    {OptionId::Output, "-o", "--output", "OUT",
     "write OUT (replaced atomically) instead of standard\n"
     "output; checked before FILE is read"},
};

constexpr HelpPiece kDumpHelp[] = {
    {"Usage: zemctl dump FILE.zem --json [-o OUT.json]\n"
     "\n"
     "Imports FILE as 'zemctl convert' does and writes, as one JSON object,\n"
     "everything an export right after that import writes: counts, names,\n"
     "zone audio, restrictions, favorites, groups and options, and also the EQ\n"
     "presets and volume locks, which a .zem file does not carry. The format\n"
     "(\"zem-config\", version 1) is described in docs/json-format.md and\n"
     "docs/zem-config.schema.json. Arrays count from 0: zone 12 is zones[11].\n"
     "Names are single-byte text: byte b is the character U+00bb, so any name\n"
     "is valid JSON and 'zemctl build' gets the same bytes back.\n"},
    {.list = 0, .column = 21},
    {"Exit status: 0 written; 2 a file cannot be read or written, or bad\n"
     "arguments; 3 FILE names no source, so there is nothing to write; 4\n"
     "written, but FILE passed the read limit, so only its beginning was read.\n"},
};

constexpr OptionRow kBuildOptions[] = {
    {OptionId::Output, "-o", "--output", "OUT",
     "the configuration file to write (replaced\n"
     "atomically; checked before FILE is read)"},
    {OptionId::KeepOutOfRange, "", "--keep-out-of-range", "",
     "accept values outside the window's ranges that\n"
     "still fit the unit's commands (a unit may report\n"
     "such values, and dump keeps them)"},
    {OptionId::Strict, "", "--strict", "",
     "refuse to write OUT when a value would not read back\n"
     "as it is (exit status 1)"},
};

constexpr HelpPiece kBuildHelp[] = {
    {"Usage: zemctl build FILE.json -o OUT.zem [--keep-out-of-range] [--strict]\n"
     "\n"
     "Reads a configuration in the JSON form that 'zemctl dump --json' writes\n"
     "and writes OUT exactly as the window's File Mode export writes that\n"
     "configuration: 'zemctl dump' then 'zemctl build' gives back the bytes of\n"
     "'zemctl convert'. Every key is required and no other is taken; values\n"
     "must have their types, arrays their lengths, names at most 15 bytes\n"
     "(U+0000 to U+00FF, no line break), and every value the export writes\n"
     "must lie within its control's range in the window (volume -80 to 0,\n"
     "balance -80 to 80, bands -10 to 10, bass and treble -12 to 12, lowpass\n"
     "40 to 240, DSP mode -1 to 4, system EQ -1 to 9). Each problem is printed\n"
     "with its JSON path (zones[11].name is the name of zone 12), and then\n"
     "nothing is written. Names hold no control byte; the IP address, netmask\n"
     "and gateway neither, nor \"[\" or \"]\". A value that would read back as\n"
     "another command or as several lines is refused with its path. As with\n"
     "'zemctl convert', a value only lost on reading back (a lowpass of -1, a\n"
     "volume with no DSP mode) is written as it is and named on standard error\n"
     "as 'zemctl: warning: ...' (--strict refuses it), as is an address a unit\n"
     "cannot use (DHCP off). The EQ presets and volume locks are checked but\n"
     "not written, as a .zem file does not carry them; a note says when they\n"
     "hold anything.\n"},
    {.list = 0, .column = 24},
    {"FILE may hold at most 16 MiB.\n"
     "Exit status: 0 written (warnings too); 1 FILE is not such a configuration\n"
     "or a value is refused, nothing written; 2 a file cannot be read or\n"
     "written, or bad arguments.\n"},
};

// Far beyond the largest configuration's JSON (about 4 MiB with every
// favorite cell connected), and small enough to parse without worry.
constexpr ReadLimits kJsonReadLimits{std::size_t{16} << 20, 1000000};

// Where the JSON form holds an exported value: "zones[0].name"; empty for
// a line no single value explains.
std::string JsonPathOf(const ExportedField& field) {
  const std::string index = "[" + std::to_string(field.number - 1) + "]";
  switch (field.kind) {
    case ExportedField::Kind::SourceName:
      return "sources" + index + ".name";
    case ExportedField::Kind::ZoneName:
      return "zones" + index + ".name";
    case ExportedField::Kind::FavoriteName:
      return "favorites" + index + ".name";
    case ExportedField::Kind::GroupName:
      return "groups" + index + ".name";
    case ExportedField::Kind::IPAddress:
      return "options.ipAddress";
    case ExportedField::Kind::Netmask:
      return "options.netmask";
    case ExportedField::Kind::Gateway:
      return "options.gateway";
    case ExportedField::Kind::ZoneVolume:
      return "zones" + index + ".volume";
    case ExportedField::Kind::ZoneLowpass:
      return "zones" + index + ".lowpass";
    case ExportedField::Kind::Line:
      return {};
  }
  return {};
}

bool WriteStandardOutput(const std::string& bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0;
}

}  // namespace

constexpr CommandEntry kDumpCommand{.name = "dump",
                                    .synopsis = "FILE.zem --json [-o OUT.json]",
                                    .summary = "write a configuration as JSON, for scripts",
                                    .options = kDumpOptions,
                                    .maxOperands = 1,
                                    .help = kDumpHelp,
                                    .run = RunDump};
constexpr CommandEntry kBuildCommand{.name = "build",
                                     .synopsis = "FILE.json -o OUT.zem",
                                     .summary = "write a configuration file from such JSON",
                                     .options = kBuildOptions,
                                     .maxOperands = 1,
                                     .help = kBuildHelp,
                                     .run = RunBuild};

int RunDump(const std::vector<std::string>& args) {
  if (PrintHelpIfAsked(args, kDumpCommand)) return kExitOk;
  std::string input, output;
  bool json = false;
  const ParsedArguments parsed = ParseArguments(kDumpCommand, args);
  for (const GivenArgument& a : parsed.given) {
    if (a.id == OptionId::Operand) input = a.value;
    if (a.id == OptionId::Output) output = a.value;
    if (a.id == OptionId::Json) json = true;
  }
  if (parsed.unexpected) return UnexpectedArgument(kDumpCommand, *parsed.unexpected);
  if (input.empty()) return Usage(kDumpCommand, "dump needs a configuration file");
  if (!json) return Usage(kDumpCommand, "dump needs --json (the only form it writes)");
  if (const int status = CheckFiles(input, {{"-o", output}})) return status;

  Editor editor;
  bool cut = false;
  if (!ImportFile(editor, input, &cut)) return kExitUsage;
  if (!editor.HasConfiguration()) {
    PrintError(input + " names no source; nothing to dump" +
               (output.empty() ? "" : ", " + output + " not written"));
    return kExitNoConfiguration;
  }
  // The model as the export leaves it, so that build gives the same bytes.
  editor.PrepareExport();
  const std::string text = ConfigToJsonText(editor.model);
  if (output.empty()) {
    if (!WriteStandardOutput(text)) {
      PrintError("cannot write to standard output");
      return kExitUsage;
    }
  } else if (!WriteOutputFile(output, text)) {
    return kExitUsage;
  }
  return cut ? kExitIncomplete : kExitOk;
}

int RunBuild(const std::vector<std::string>& args) {
  if (PrintHelpIfAsked(args, kBuildCommand)) return kExitOk;
  std::string input, output;
  JsonReadOptions options;
  bool strict = false;
  const ParsedArguments parsed = ParseArguments(kBuildCommand, args);
  for (const GivenArgument& a : parsed.given) {
    if (a.id == OptionId::Operand) input = a.value;
    if (a.id == OptionId::Output) output = a.value;
    if (a.id == OptionId::KeepOutOfRange) options.keepOutOfRange = true;
    if (a.id == OptionId::Strict) strict = true;
  }
  if (parsed.unexpected) return UnexpectedArgument(kBuildCommand, *parsed.unexpected);
  if (input.empty() || output.empty()) return Usage(kBuildCommand, "build needs FILE.json and -o OUT.zem");
  if (const int status = CheckFiles(input, {{"-o", output}})) return status;

  std::string error, limit;
  const std::optional<std::string> text = ReadWholeFile(input, &error, &limit, kJsonReadLimits);
  if (!text) {
    PrintError("cannot read " + input + ": " + error);
    return kExitUsage;
  }
  if (!limit.empty()) {
    PrintError(input + " passed the limit of " + limit + "; no configuration is that large; " + output +
               " not written");
    return kExitFailed;
  }
  // The model an import starts from, so that what the JSON leaves to the
  // defaults is what an import would leave.
  ConfigModel model;
  {
    TextLog received, log;
    ResetModel(model, received, log);
  }
  const std::vector<JsonProblem> problems = ConfigFromJsonText(*text, options, model);
  if (!problems.empty()) {
    for (const JsonProblem& problem : problems) PrintError(input + ": " + problem.Text());
    PrintError(output + " not written");
    return kExitFailed;
  }
  const std::vector<std::string> lines = BuildCommandSequence(model);
  // The rules of convert: corruption is refused, a loss written with a
  // warning (refused with --strict), as is an address a unit cannot use.
  const std::vector<ReadBackProblem> readBack = CheckReadBack(model, lines);
  const auto where = [&input](const ReadBackProblem& problem) {
    const std::string path = JsonPathOf(problem.field);
    return input + ": " + (path.empty() ? FieldLabel(problem.field) : path) + ": " + problem.why;
  };
  const std::vector<ReadBackProblem> refusing = ProblemsWhere(readBack, ExportTarget::File, strict, true);
  if (!refusing.empty()) {
    for (const ReadBackProblem& problem : refusing) PrintError(where(problem));
    PrintError("these values would not read back as they are; " + output + " not written");
    return kExitFailed;
  }
  if (!WriteOutputFile(output, ZemFileText(lines))) return kExitUsage;
  for (const ReadBackProblem& problem : ProblemsWhere(readBack, ExportTarget::File, strict, false))
    PrintError("warning: " + where(problem));
  const std::vector<std::string> notWritten = ValuesNotWritten(model);
  if (!notWritten.empty()) {
    std::string list;
    for (std::size_t i = 0; i < notWritten.size() && i < 5; ++i) list += (i ? ", " : "") + notWritten[i];
    if (notWritten.size() > 5) list += " and " + std::to_string(notWritten.size() - 5) + " more";
    PrintError("note: a .zem file does not carry EQ presets or volume locks; not written: " + list);
  }
  return kExitOk;
}

}  // namespace zem
