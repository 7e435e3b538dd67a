// zemctl sheet: the handover sheet of a configuration file, as PDF or HTML.
#include <QDate>
#include <QFileInfo>

#include "cli/zemctl.h"
#include "sheet/sheet_document.h"
#include "sheet/sheet_pages.h"

namespace zem {
namespace {

constexpr OptionRow kSheetOptions[] = {
    {OptionId::Output, "-o", "--output", "OUT",
     "the sheet to write: PDF for OUT.pdf, XHTML for\n"
     "OUT.html (replaced atomically; checked before\n"
     "FILE is read)"},
    {OptionId::Title, "", "--title", "TEXT", "the sheet's title (default: FILE's name)"},
    {OptionId::Paper, "", "--paper", "PAPER",
     "a4 or letter: the PDF's paper (default: Letter\n"
     "where the locale's territory uses it, else A4)"},
};

constexpr HelpPiece kSheetHelp[] = {
    {"Usage: zemctl sheet FILE.zem -o OUT.pdf|OUT.html [--title TEXT] [--paper PAPER]\n"
     "\n"
     "Imports FILE as 'zemctl convert' does and writes its handover sheet, what\n"
     "an export right after that import writes, for people: the title block\n"
     "(date, counts, network, front panel), sources, zones with their groups,\n"
     "restricted sources and audio in words, a picture of each zone's ZQ curve,\n"
     "favorites, groups, and the EQ presets when the configuration holds any.\n"
     "The PDF has pages with a running header and \"Page N of M\"; the XHTML is\n"
     "one file with its pictures inline as SVG. No display is needed.\n"},
    {.list = 0, .column = 21},
    {"Exit status: 0 written; 2 a file cannot be read or written, or bad\n"
     "arguments; 3 FILE names no source, so there is nothing to write; 4\n"
     "written, but FILE passed the read limit, so only its beginning was read.\n"},
};

QString Local(const std::string& bytes) {
  return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

constexpr CommandEntry kSheetCommand{.name = "sheet",
                                     .synopsis = "FILE.zem -o OUT.pdf|OUT.html",
                                     .summary = "write a configuration's handover sheet",
                                     .options = kSheetOptions,
                                     .maxOperands = 1,
                                     .help = kSheetHelp,
                                     .run = RunSheet};

int RunSheet(const std::vector<std::string>& args) {
  if (PrintHelpIfAsked(args, kSheetCommand)) return kExitOk;
  std::string input, output, paperName;
  std::optional<std::string> title;
  const ParsedArguments parsed = ParseArguments(kSheetCommand, args);
  for (const GivenArgument& a : parsed.given) {
    if (a.id == OptionId::Operand) input = a.value;
    if (a.id == OptionId::Output) output = a.value;
    if (a.id == OptionId::Title) title = a.value;
    if (a.id == OptionId::Paper) paperName = a.value;
  }
  if (parsed.unexpected) return UnexpectedArgument(kSheetCommand, *parsed.unexpected);
  if (input.empty() || output.empty()) return Usage(kSheetCommand, "sheet needs FILE and -o OUT");
  const std::optional<SheetFormat> format = SheetFormatFor(output);
  if (!format) return Usage(kSheetCommand, "OUT must end in .pdf or .html: " + output);
  QPageSize::PageSizeId paper = LocalePaper();
  if (!paperName.empty()) {
    const std::optional<QPageSize::PageSizeId> named = PaperNamed(paperName);
    if (!named) return Usage(kSheetCommand, "--paper is a4 or letter, not '" + paperName + "'");
    paper = *named;
  }
  if (const int status = CheckFiles(input, {{"-o", output}})) return status;

  Editor editor;
  bool cut = false;
  if (!ImportFile(editor, input, &cut)) return kExitUsage;
  if (!editor.HasConfiguration()) {
    PrintError(input + " names no source; nothing to write, " + output + " not written");
    return kExitNoConfiguration;
  }
  // The model as an export leaves it, as dump shows it.
  editor.PrepareExport();
  const QString shownTitle = title ? Local(*title) : QFileInfo(Local(input)).fileName();  // as the window's title names it
  const QByteArray bytes =
      SheetFileBytes(BuildSheet(editor.model, shownTitle, QDate::currentDate()), *format, paper);
  if (!WriteOutputFile(output, std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()))))
    return kExitUsage;
  return cut ? kExitIncomplete : kExitOk;
}

}  // namespace zem
