// zemctl's one parser and help writer, over the commands' option tables.
#include "cli/zemctl_options.h"

#include <array>

#include "cli/zemctl.h"

namespace zem {
namespace {

constexpr std::array kCommands{&kCheckCommand, &kConvertCommand,   &kPullCommand,  &kDiffCommand,
                               &kPushCommand,  &kDumpCommand,      &kBuildCommand, &kNamesCommand,
                               &kSheetCommand, &kCheckLinkCommand, &kSiteCommand};

// 'zemctl --help' names these in its last lines rather than in a list.
constexpr OptionRow kProgramOptions[] = {
    {OptionId::Help, "-h", "--help", "", ""},
    {OptionId::Version, "", "--version", "", ""},
};

// "  NAME  help": the help from `column` on, on the next line when the name
// reaches it; each further line of help indented to `column`.
void AppendRow(std::string& text, std::string_view name, std::string_view help, int column) {
  const auto width = static_cast<std::size_t>(column);
  const std::string indent(width, ' ');
  text += "  ";
  text += name;
  if (name.size() + 3 > width) {
    text += '\n';
    text += indent;
  } else {
    text.append(width - name.size() - 2, ' ');
  }
  for (std::size_t at = 0;;) {
    const std::size_t end = help.find('\n', at);
    text += help.substr(at, end - at);
    text += '\n';
    if (end == std::string_view::npos) break;
    text += indent;
    at = end + 1;
  }
}

std::string RowName(const OptionRow& row) {
  std::string name;
  if (!row.shortName.empty()) name.append(row.shortName).append(", ");
  name += row.longName;
  if (!row.valueName.empty()) name.append(" ").append(row.valueName);
  return name;
}

}  // namespace

std::span<const CommandEntry* const> Commands() { return kCommands; }

std::span<const OptionRow> ProgramOptions() { return kProgramOptions; }

const OptionRow* FindOption(std::span<const OptionRow> options, std::string_view name) {
  for (const OptionRow& row : options)
    if (name == row.longName || (!row.shortName.empty() && name == row.shortName)) return &row;
  return nullptr;
}

ParsedArguments ParseArguments(const CommandEntry& command, const std::vector<std::string>& args) {
  ParsedArguments parsed;
  std::size_t operands = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (const OptionRow* row = FindOption(command.options, a)) {
      if (row->valueName.empty()) {
        parsed.given.push_back({row->id, {}});
        continue;
      }
      if (i + 1 < args.size()) {
        parsed.given.push_back({row->id, args[++i]});
        continue;
      }
    } else if (!a.empty() && a[0] != '-' && operands < command.maxOperands) {
      ++operands;
      parsed.given.push_back({OptionId::Operand, a});
      continue;
    }
    parsed.unexpected = a;
    break;
  }
  return parsed;
}

std::string HelpText(const CommandEntry& command) {
  std::string text;
  for (const HelpPiece& piece : command.help) {
    text += piece.text;
    for (const OptionRow& row : command.options)
      if (piece.list >= 0 && row.list == piece.list) AppendRow(text, RowName(row), row.help, piece.column);
  }
  return text;
}

std::string ProgramHelpText() {
  std::string text = "Usage: zemctl COMMAND [OPTIONS]\n\nCommands:\n";
  for (const CommandEntry* command : Commands())
    AppendRow(text, std::string(command->name) + " " + std::string(command->synopsis), command->summary, 33);
  return text +
         "\n"
         "Run 'zemctl COMMAND --help' for the options of a command, 'zemctl --version'\n"
         "for the version.\n";
}

}  // namespace zem
