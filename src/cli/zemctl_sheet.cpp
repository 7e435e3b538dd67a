// zemctl sheet: the handover sheet of a configuration file, as PDF or HTML.
#include <QFileInfo>
#include <QStringDecoder>

#include "cli/zemctl.h"
#include "sheet/sheet_document.h"
#include "sheet/sheet_pages.h"
#include "transfer/file_io.h"

namespace zem {
namespace {

constexpr OptionRow kSheetOptions[] = {
    {OptionId::Output, "-o", "--output", "OUT",
     "the sheet to write: PDF for OUT.pdf, XHTML for\n"
     "OUT.html (replaced atomically; checked before\n"
     "FILE is read)"},
    {OptionId::Title, "", "--title", "TEXT",
     "the site or client: the sheet's heading and\nrunning header (default: FILE's name)"},
    {OptionId::Address, "", "--address", "TEXT", "the site's address"},
    {OptionId::Installer, "", "--installer", "TEXT", "the installer or company"},
    {OptionId::Contact, "", "--contact", "TEXT", "a contact line (telephone, e-mail)"},
    {OptionId::Notes, "", "--notes", "NOTES",
     "a text file of notes, a few lines (UTF-8, or\nLatin-1 where it is not; at most 64 KiB)"},
    {OptionId::Paper, "", "--paper", "PAPER",
     "a4 or letter: the PDF's paper (default: Letter\n"
     "where the locale's territory uses it, else A4)"},
};

constexpr HelpPiece kSheetHelp[] = {
    {"Usage: zemctl sheet FILE.zem -o OUT.pdf|OUT.html [--title TEXT]\n"
     "         [--address TEXT] [--installer TEXT] [--contact TEXT] [--notes NOTES]\n"
     "         [--paper PAPER]\n"
     "\n"
     "Imports FILE as 'zemctl convert' does and writes its handover sheet, what\n"
     "an export right after that import writes, for people: the title block\n"
     "(the site, its address, the installer, a contact, notes, the date, counts,\n"
     "network, front panel; a field not given is left out, a control character\n"
     "in one shows as \\xNN), sources, zones with their groups, restricted\n"
     "sources and audio in words, a picture of each zone's ZQ curve, the\n"
     "favorites as one table, groups, and the EQ presets when the configuration\n"
     "holds any. The PDF has pages with a running header and \"Page N of M\"; the\n"
     "XHTML is one file with its pictures inline as SVG. No display is needed.\n"},
    {.list = 0, .column = 21},
    {"Exit status: 0 written; 2 a file cannot be read or written, or bad\n"
     "arguments; 3 FILE names no source, so there is nothing to write; 4\n"
     "written, but FILE passed the read limit, so only its beginning was read.\n"},
};

QString Local(const std::string& bytes) {
  return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Notes are a few lines; a larger file is not notes.
constexpr ReadLimits kNotesLimits{std::size_t{64} << 10, 1000};

// The notes file's text: UTF-8, or Latin-1 where it is not valid UTF-8.
std::optional<QString> ReadNotes(const std::string& path) {
  std::string error, limit;
  const std::optional<std::string> bytes = ReadWholeFile(path, &error, &limit, kNotesLimits);
  if (!bytes) {
    PrintError("cannot read " + path + ": " + error);
    return std::nullopt;
  }
  if (!limit.empty()) {
    PrintError("--notes " + path + " holds more than 64 KiB or 1000 lines; notes are a few lines");
    return std::nullopt;
  }
  const QByteArray raw(bytes->data(), static_cast<qsizetype>(bytes->size()));
  QStringDecoder utf8(QStringDecoder::Utf8);
  const QString text = utf8(raw);
  return utf8.hasError() ? QString::fromLatin1(raw) : text;
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
  std::string input, output, paperName, notes;
  std::optional<std::string> title;
  SheetTitleBlock fields;
  const ParsedArguments parsed = ParseArguments(kSheetCommand, args);
  for (const GivenArgument& a : parsed.given) {
    if (a.id == OptionId::Operand) input = a.value;
    if (a.id == OptionId::Output) output = a.value;
    if (a.id == OptionId::Title) title = a.value;
    if (a.id == OptionId::Address) fields.address = Local(a.value);
    if (a.id == OptionId::Installer) fields.installer = Local(a.value);
    if (a.id == OptionId::Contact) fields.contact = Local(a.value);
    if (a.id == OptionId::Notes) notes = a.value;
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
  if (!notes.empty()) {
    if (const int status = CheckFiles(notes, {{"-o", output}})) return status;
    const std::optional<QString> text = ReadNotes(notes);
    if (!text) return kExitUsage;
    fields.notes = *text;
  }

  Editor editor;
  bool cut = false;
  if (!ImportFile(editor, input, &cut)) return kExitUsage;
  if (!editor.HasConfiguration()) {
    PrintError(input + " names no source; nothing to write, " + output + " not written");
    return kExitNoConfiguration;
  }
  // The model as an export leaves it, as dump shows it.
  editor.PrepareExport();
  // By default the file's name, as the window's title names it.
  fields.site = title ? Local(*title) : QFileInfo(Local(input)).fileName();
  if (!WriteOutputFile(output, SheetFile(editor.model, fields, *format, paper))) return kExitUsage;
  return cut ? kExitIncomplete : kExitOk;
}

}  // namespace zem
