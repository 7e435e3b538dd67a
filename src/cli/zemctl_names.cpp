// zemctl names: a configuration's names as a names file, and a names file
// applied to a configuration, as File > Export Names... and Import Names...
// write and read them.
#include <cstdio>

#include "cli/zemctl.h"
#include "editor/names_csv.h"
#include "transfer/file_io.h"
#include "transfer/names_file.h"

namespace zem {
namespace {

constexpr OptionRow kNamesOptions[] = {
    {OptionId::Output, "-o", "--output", "OUT",
     "the file to write: the names file (default: standard\n"
     "output), or with --set the configuration file"},
    {OptionId::Set, "", "--set", "NAMES.csv", "apply the names of NAMES.csv to IN and write OUT"},
};

constexpr HelpPiece kNamesHelp[] = {
    {"Usage: zemctl names IN.zem [-o OUT.csv]\n"
     "       zemctl names IN.zem --set NAMES.csv -o OUT.zem\n"
     "\n"
     "Writes the names of IN as the window's File > Export Names... does: a\n"
     "header row kind,number,name, then one row a name (kind zone, source,\n"
     "favorite or group) of every zone and source within the counts and every\n"
     "favorite and group; UTF-8 with a byte-order mark, CR LF, quoted as\n"
     "spreadsheets quote. A name beginning with = + - @ or ' is written with\n"
     "one leading ' so that spreadsheets keep it as text; a name holding a\n"
     "control byte is left out, with a warning on standard error. With --set,\n"
     "reads NAMES.csv (at most 1 MiB; a FIFO too) as File > Import Names...\n"
     "does: UTF-8 or Windows-1252, commas or semicolons (header\n"
     "kind;number;name), one leading ' taken off; typographic quotes and\n"
     "dashes become ' \" -, and they and names cut to 15 characters are\n"
     "counted on standard error. Writes IN with those names to OUT, as\n"
     "'zemctl convert' writes it.\n"},
    {.list = 0, .column = 24},
    {"Exit status: 0 written; 2 bad arguments, a file that cannot be read or\n"
     "written, OUT naming IN or NAMES.csv, or NAMES.csv refused (over 1 MiB,\n"
     "UTF-16, no header row, a character a name cannot hold, a number beyond\n"
     "the counts, an unknown kind, an item given twice: the line is named and\n"
     "nothing is written); 3 IN names no source.\n"},
};

}  // namespace

constexpr CommandEntry kNamesCommand{.name = "names",
                                     .synopsis = "IN.zem [-o OUT.csv]",
                                     .summary = "write the names as CSV, or apply a CSV file's (--set)",
                                     .options = kNamesOptions,
                                     .maxOperands = 1,
                                     .help = kNamesHelp,
                                     .run = RunNames};

int RunNames(const std::vector<std::string>& args) {
  if (PrintHelpIfAsked(args, kNamesCommand)) return kExitOk;
  std::string input, output, names;
  const ParsedArguments parsed = ParseArguments(kNamesCommand, args);
  for (const GivenArgument& a : parsed.given) {
    if (a.id == OptionId::Operand) input = a.value;
    if (a.id == OptionId::Output) output = a.value;
    if (a.id == OptionId::Set) names = a.value;
  }
  if (parsed.unexpected) return UnexpectedArgument(kNamesCommand, *parsed.unexpected);
  if (input.empty()) return Usage(kNamesCommand, "names needs IN");
  if (!names.empty() && output.empty()) return Usage(kNamesCommand, "--set needs -o OUT");
  if (const int status = CheckFiles(input, {{"-o", output}})) return status;
  // NAMES.csv is read as IN is: OUT may name neither, under any spelling.
  if (!names.empty())
    if (const int status = CheckFiles(names, {{"-o", output}})) return status;

  Editor editor;
  bool cut = false;
  if (!ImportFile(editor, input, &cut)) return kExitUsage;
  if (cut) {
    PrintError(input + " was not read in full; nothing written");
    return kExitUsage;
  }
  if (!editor.HasConfiguration()) {
    PrintError(NoConfigurationText(input) + "; nothing written");
    return kExitNoConfiguration;
  }
  if (names.empty()) {
    std::vector<NameEntry> leftOut;
    const std::string text = NamesCsvText(editor.model.unit, &leftOut);
    for (const NameEntry& e : leftOut) PrintError("warning: " + std::string(kNameLeftOut) + NameEntryText(e));
    if (!output.empty()) return WriteOutputFile(output, text) ? kExitOk : kExitUsage;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
      PrintError("cannot write the names to standard output");
      return kExitUsage;
    }
    return kExitOk;
  }
  const NamesImport import = ImportNamesFromPath(editor, names, true);
  if (!import.csv.error.empty()) {
    PrintError(names + ": " + import.csv.error + "; " + output + " not written");
    return kExitUsage;
  }
  for (const std::string& note : import.csv.Notes()) PrintError("warning: " + note);
  const std::optional<std::string> text =
      CheckedExportText(editor, ExportTarget::File, false, output + " not written");
  if (!text || !WriteOutputFile(output, *text)) return kExitUsage;
  return kExitOk;
}

}  // namespace zem
