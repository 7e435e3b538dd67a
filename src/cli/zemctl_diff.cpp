// zemctl diff: two configurations, each a file or a unit, imported as the
// window imports them and compared table by table.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <cstdio>
#include <optional>

#include "cli/zemctl.h"
#include "editor/config_diff.h"
#include "editor/editor.h"
#include "editor/unit_names.h"
#include "transfer/latin1.h"

namespace zem {
namespace {

constexpr OptionRow kDiffOptions[] = {
    {OptionId::Telnet, "", "--telnet", "HOST[:PORT]", "a unit's Telnet port (default port 23)"},
    {OptionId::Serial, "", "--serial", "DEVICE",
     "a unit's serial port (9600 bps; a full unit takes\n"
     "about 95 s to answer)"},
    {OptionId::Json, "", "--json", "",
     "print a JSON array instead, one object a difference:\n"
     "{\"table\", \"indices\", \"field\", \"before\", \"after\"}.\n"
     "A value is null for none, a number for counts, dB, Hz,\n"
     "gains, DSP mode numbers, display level positions (0 is\n"
     "100%) and balance (negative: left), true/false for\n"
     "on/off, otherwise a string: names as their plain bytes,\n"
     "each byte the character U+0000-U+00FF of that value.",
     1},
    {OptionId::Commands, "", "--commands", "",
     "print instead the command lines that bring a unit\n"
     "holding A to B, one a line, as 'zemctl push B\n"
     "--since A' would send them (bytes as they are sent),\n"
     "without sending them: each option, name and network\n"
     "setting that changed, the audio lines of each zone\n"
     "whose audio changed, a restriction, group or\n"
     "favorite block whole when that table changed, and\n"
     "\"[EC]\" last. Nothing when nothing changed. A and B\n"
     "must have the same source and zone counts (exit\n"
     "status 2 otherwise).",
     1},
    {OptionId::All, "", "--all", "",
     "also compare what a unit reports but a file does not\n"
     "carry: the EQ presets and the zones' volume locks",
     1},
    {OptionId::Timeout, "", "--timeout", "SECONDS",
     "how long connecting to a unit may take, and how long\n"
     "a unit may go after the request or its last complete\n"
     "command line without sending another, whatever other\n"
     "bytes it sends (default: no limit; over a serial port\n"
     "an import also ends after 4 s of silence)",
     1},
    {OptionId::Deadline, "", "--deadline", "SECONDS",
     "how long reading a unit, or a file such as a FIFO,\n"
     "may take in all (default 600; exit status 2 when a\n"
     "file is not read by then)",
     1},
    {OptionId::Trace, "", "--trace", "FILE", kTraceOption.help, 1},
};

constexpr HelpPiece kDiffHelp[] = {
    {"Usage: zemctl diff A B [--json] [--all] [--timeout SECONDS] [--deadline SECONDS]\n"
     "       zemctl diff --commands A B [--timeout SECONDS] [--deadline SECONDS]\n"
     "\n"
     "Compares two configurations and prints every difference from A to B, one\n"
     "a line, table by table: counts, sources, zones (name and audio),\n"
     "restrictions, groups, favorites, options. Each of A and B is a\n"
     "configuration file (read as 'zemctl check' reads it) or a unit, given as\n"},
    {.list = 0, .column = 24},
    {"Both are imported as the window imports them and compared as an export\n"
     "would write them: no line means the two exports are the same bytes,\n"
     "except that against a unit each name is compared without the letters\n"
     "a unit cannot return (bytes beyond plain ASCII), as a read of it drops\n"
     "them; standard error says how many names were compared so.\n"
     "Example lines:\n"
     "  sources: 8 -> 12\n"
     "  zone 12 name: \"Patio\" -> \"Deck\"\n"
     "  zone 5 volume: -20 dB -> -30 dB\n"
     "  restriction zone 9 source 4: none -> R\n"
     "  favorite 3 zone 7: C from source 2 -> none\n"
     "  options IP address: \"192.168.1.20\" -> \"192.168.1.21\"\n"
     "\"none\": that side's export writes no such value. In names, bytes below\n"
     "32 and 127 are shown as \\xNN, '\"' and '\\' as \\\" and \\\\; bytes 128-255 are\n"
     "printed as Latin-1 in UTF-8 when the locale's character set is UTF-8.\n"},
    {.list = 1, .column = 21},
    {"Exit status: 0 no difference (--commands: no line); 1 differences (or\n"
     "lines) printed; 2 bad arguments, the counts differ (--commands), or\n"
     "a side cannot be read: a file that cannot be read, passed the read limit\n"
     "(64 MiB or a million lines) or names no source, a unit that cannot be\n"
     "reached or whose answer was empty or may be incomplete. Why goes to\n"
     "standard error, and nothing is compared.\n"},
};

// One side: a file, or a unit over a link.
struct Side {
  std::string path;
  LinkArgs link;
  bool IsUnit() const { return path.empty(); }
  std::string Name() const {
    if (!link.telnet.empty()) return "the unit at " + link.telnet;
    if (!link.serial.empty()) return "the unit on " + link.serial;
    return path;
  }
};

// Imports one side; false (after saying why) when it cannot be compared.
bool Load(Editor& editor, const Side& side, const UnitLimits& limits) {
  if (side.IsUnit()) {
    const int status = PullIntoEditor(editor, side.link, limits, "nothing compared.");
    if (status == kExitIncomplete)
      PrintError(side.Name() + " may have sent only part of its configuration; nothing compared");
    if (status != kExitOk) return false;
  } else {
    bool cut = false;
    if (!ImportFile(editor, side.path, &cut, limits.deadlineMs)) return false;
    if (cut) {
      PrintError("nothing compared: " + side.path + " was not read in full");
      return false;
    }
  }
  if (!editor.HasConfiguration()) {
    PrintError(NoConfigurationText(side.Name()) + "; nothing compared");
    return false;
  }
  return true;
}

QJsonValue JsonValue(const DifferenceValue& v) {
  switch (v.kind) {
    case DifferenceValue::Kind::Number:
      return QJsonValue(static_cast<qint64>(v.number));
    case DifferenceValue::Kind::Flag:
      return QJsonValue(v.number != 0);
    case DifferenceValue::Kind::Text:
      return QJsonValue(Latin1(v.text));
    case DifferenceValue::Kind::None:
      break;
  }
  return QJsonValue(QJsonValue::Null);
}

}  // namespace

QJsonArray DifferencesJson(const std::vector<ConfigDifference>& differences) {
  QJsonArray array;
  for (const ConfigDifference& d : differences) {
    QJsonArray indices;
    for (const int n : d.indices) indices.append(n);
    QJsonObject object;
    object.insert(QStringLiteral("table"), Latin1(DiffTableWord(d.table)));
    object.insert(QStringLiteral("indices"), indices);
    object.insert(QStringLiteral("field"), Latin1(d.field));
    object.insert(QStringLiteral("before"), JsonValue(d.beforeValue));
    object.insert(QStringLiteral("after"), JsonValue(d.afterValue));
    array.append(object);
  }
  return array;
}

namespace {

std::string JsonText(const std::vector<ConfigDifference>& differences) {
  return QJsonDocument(DifferencesJson(differences)).toJson(QJsonDocument::Indented).toStdString();
}

std::string LinesText(const std::vector<ConfigDifference>& differences) {
  std::string text;
  for (const ConfigDifference& d : differences) {
    text += TerminalText(DifferenceLine(d));
    text += '\n';
  }
  return text;
}

bool PrintAll(const std::string& text, const char* what) {
  if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0)
    return true;
  PrintError(std::string("cannot write the ") + what + " to standard output");
  return false;
}

// diff --commands: the lines a push of `after` since `before` sends.
int PrintCommands(const Editor& before, const Editor& after) {
  const std::optional<std::vector<std::string>> lines = ChangedLines(before, after);
  if (!lines) return kExitUsage;
  std::string text;
  for (const std::string& line : *lines) text += line + '\n';
  if (!PrintAll(text, "command lines")) return kExitUsage;
  return lines->empty() ? kExitOk : kExitDiffers;
}

}  // namespace

constexpr CommandEntry kDiffCommand{.name = "diff",
                                    .synopsis = "A B",
                                    .summary = "compare two configurations, each a file or a unit",
                                    .options = kDiffOptions,
                                    .maxOperands = kAnyNumber,
                                    .help = kDiffHelp,
                                    .run = RunDiff};

int RunDiff(const std::vector<std::string>& args) {
  if (PrintHelpIfAsked(args, kDiffCommand)) return kExitOk;
  std::vector<Side> sides;
  bool json = false;
  bool commands = false;
  auto scope = ComparisonScope::Exported;
  UnitLimits limits;
  const ParsedArguments parsed = ParseArguments(kDiffCommand, args);
  for (const GivenArgument& a : parsed.given) {
    Side side;
    std::string problem;
    if (TakeUnitOption(a, side.link, limits, &problem)) {
      if (!problem.empty()) return Usage(kDiffCommand, problem);
      // Each link names a side of its own, where it stands.
      if (!side.link.telnet.empty() || !side.link.serial.empty()) sides.push_back(side);
    } else if (a.id == OptionId::Json) {
      json = true;
    } else if (a.id == OptionId::Commands) {
      commands = true;
    } else if (a.id == OptionId::All) {
      scope = ComparisonScope::WithUnitOnly;
    } else if (a.id == OptionId::Operand) {
      side.path = a.value;
      sides.push_back(side);
    }
  }
  if (parsed.unexpected) return Usage(kDiffCommand, "unknown option '" + *parsed.unexpected + "'");
  if (sides.size() != 2)
    return Usage(kDiffCommand, "diff compares two configurations, each a file or a unit");
  if (commands && (json || scope != ComparisonScope::Exported))
    return Usage(kDiffCommand, "--commands goes with neither --json nor --all");
  // The trace never replaces a file compared.
  for (const Side& side : sides)
    if (!side.IsUnit())
      if (const int status = CheckFiles(side.path, {{"--trace", TracePath()}})) return status;

  Editor before;
  Editor after;
  if (!Load(before, sides[0], limits) || !Load(after, sides[1], limits)) return kExitUsage;
  if (commands) return PrintCommands(before, after);
  std::string namesNote;
  const std::vector<ConfigDifference> differences =
      CompareForReport(before.model, after.model, scope, sides[0].IsUnit() || sides[1].IsUnit(), &namesNote);
  if (!namesNote.empty()) PrintError(namesNote);

  const std::string text = json ? JsonText(differences) : LinesText(differences);
  if (!PrintAll(text, "differences")) return kExitUsage;
  return differences.empty() ? kExitOk : kExitDiffers;
}

}  // namespace zem
