#pragma once
// zemctl's commands and their options: one table per command, from which
// the command's help is written and by which its arguments are read.
//
// The arguments are read by a parser of zemctl's own rather than
// QCommandLineParser: diff takes --telnet and --serial in the place of A or
// B, so where an option stands among the files matters, and so does the
// order of --timeout and --reply-limit in push; zemctl also never took
// "--output=OUT", "-oOUT", "--" or "-", and an argument is bytes (a file
// name in any encoding), never text decoded through the locale.
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zem {

// Every option a command may take; its table says which it takes.
enum class OptionId {
  Operand,  // not an option: a file (or a side of diff)
  Output,
  Log,
  Raw,
  Telnet,
  Serial,
  Timeout,
  Deadline,
  ReplyLimit,
  Since,
  Backup,
  Verify,
  Strict,
  Changes,
  Check,
  Json,
  All,
  Commands,
  KeepOutOfRange,
  Set,
  Title,
  Address,
  Installer,
  Contact,
  Notes,
  Paper,
  Full,
  Trace,
  Unit,
  Jobs,
  Into,
  Reads,
  Help,
  Version,
};

// One row of a command's option table.
struct OptionRow {
  OptionId id;
  std::string_view shortName;  // "-o", or empty
  std::string_view longName;   // "--output"
  std::string_view valueName;  // "OUT"; empty for an option without a value
  std::string_view help;       // its lines in the command's help, joined by '\n'
  int list = 0;                // which option list of the help shows it
};

// A piece of a command's help: text as it is, or (with `list` 0 or more) the
// options of that list, each option's help starting at `column`.
struct HelpPiece {
  std::string_view text{};
  int list = -1;
  int column = 0;
};

// As many operands as given (diff counts its sides itself).
constexpr std::size_t kAnyNumber = std::numeric_limits<std::size_t>::max();

using CommandRunner = int (*)(const std::vector<std::string>& args);

struct CommandEntry {
  std::string_view name;      // "convert"
  std::string_view synopsis;  // its line in 'zemctl --help': "convert IN.zem -o OUT.zem"
  std::string_view summary;   // and what it says it does
  std::span<const OptionRow> options{};
  std::size_t maxOperands;  // how many files it takes
  std::span<const HelpPiece> help;
  CommandRunner run;
};

// The commands, in the order 'zemctl --help' lists them.
std::span<const CommandEntry* const> Commands();
// --help and --version, which only zemctl itself takes; --help also after a
// command.
std::span<const OptionRow> ProgramOptions();

// The row of `options` named `name` (short or long name); null for none.
const OptionRow* FindOption(std::span<const OptionRow> options, std::string_view name);

// An option given on the command line with its value, or an operand.
struct GivenArgument {
  OptionId id;
  std::string value;  // the option's value; the operand itself
};

struct ParsedArguments {
  std::vector<GivenArgument> given;  // in the order of the command line
  // The first argument the command does not take (an option not in its
  // table or without its value, an operand too many, one that starts with
  // '-' or is empty); `given` ends before it.
  std::optional<std::string> unexpected;
};

// Reads `args` by `command`'s table. An option that takes a value takes the
// next argument, whatever it is; a repeated option is given again.
ParsedArguments ParseArguments(const CommandEntry& command, const std::vector<std::string>& args);

// The command's help, as 'zemctl COMMAND --help' prints it.
std::string HelpText(const CommandEntry& command);
// 'zemctl --help': the commands.
std::string ProgramHelpText();

}  // namespace zem
