#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/zemctl_options.h"
#include "editor/editor.h"
#include "editor/read_back_check.h"
#include "model/text_log.h"

class QJsonArray;

namespace zem {

class ScriptedPrompts;
struct ConfigDifference;
class TransferController;

// zemctl's exit statuses, one name for each meaning its manual page gives.
enum ExitStatus : int {
  kExitOk = 0,
  // The command's own failure: a line not understood (check), the link
  // failed or a line went unanswered (pull, push), not a configuration
  // (build).
  kExitFailed = 1,
  // The configurations differ (diff, push --verify).
  kExitDiffers = 1,
  // Bad arguments, a file that cannot be read or written, two names of one
  // file, an export that would read back as something else (with --strict,
  // also one that would not read back as itself), a push of an address a
  // unit cannot use.
  kExitUsage = 2,
  // No configuration: it names no source (or the unit sent nothing at all),
  // so there is nothing to write or send.
  kExitNoConfiguration = 3,
  // Written or sent, but possibly incomplete: a cut input or answer, or
  // lines the unit answered "(ERROR)".
  kExitIncomplete = 4,
  // push --backup failed, so nothing was sent.
  kExitBackupFailed = 5,
  // push --verify could not read the configuration back in full.
  kExitNotVerified = 6,
  // push stopped at Ctrl+C (SIGINT), between two lines or before sending.
  kExitInterrupted = 130,
};

// Each command takes the arguments after its name and returns the exit status.
int RunCheck(const std::vector<std::string>& args);
int RunConvert(const std::vector<std::string>& args);
int RunDiff(const std::vector<std::string>& args);
int RunPull(const std::vector<std::string>& args);
int RunPush(const std::vector<std::string>& args);
int RunDump(const std::vector<std::string>& args);
int RunBuild(const std::vector<std::string>& args);
int RunNames(const std::vector<std::string>& args);
int RunSheet(const std::vector<std::string>& args);
int RunCheckLink(const std::vector<std::string>& args);
int RunSite(const std::vector<std::string>& args);

// Each command's name, option table and help, beside its Run function.
extern const CommandEntry kCheckCommand;
extern const CommandEntry kConvertCommand;
extern const CommandEntry kDiffCommand;
extern const CommandEntry kPullCommand;
extern const CommandEntry kPushCommand;
extern const CommandEntry kDumpCommand;
extern const CommandEntry kBuildCommand;
extern const CommandEntry kNamesCommand;
extern const CommandEntry kSheetCommand;
extern const CommandEntry kCheckLinkCommand;
extern const CommandEntry kSiteCommand;

// "zemctl: " + message on standard error.
void PrintError(const std::string& message);
// The same for how a step went (not a failure): "sent 12 lines, every one
// answered".
void PrintNote(const std::string& message);
// From here on, Ctrl+C (SIGINT) is noted rather than ending the program at
// once; a second one ends it.
void CatchInterrupt();
// Whether Ctrl+C was pressed since CatchInterrupt().
bool Interrupted();
// What PrintError and PrintNote said, without "zemctl: ".
struct SaidMessages {
  std::vector<std::string> errors;
  std::vector<std::string> warnings;  // errors that start "warning: ", without it
  std::vector<std::string> notes;
};
// While one lives, what PrintError and PrintNote say is kept in it too.
class MessageRecord {
 public:
  MessageRecord();
  ~MessageRecord();
  MessageRecord(const MessageRecord&) = delete;
  MessageRecord& operator=(const MessageRecord&) = delete;
  const SaidMessages& Said() const { return said_; }

 private:
  SaidMessages said_;
  SaidMessages* outer_;
};
// Prints the command's help on standard output when an argument asks for it
// ("--help", "-h", wherever it stands); whether one did.
bool PrintHelpIfAsked(const std::vector<std::string>& args, const CommandEntry& command);
// Says what is wrong and prints the command's help on standard error; kExitUsage.
int Usage(const CommandEntry& command, const std::string& problem);
// Usage() for the first argument the command does not take: "unexpected
// argument 'ARG'".
int UnexpectedArgument(const CommandEntry& command, const std::string& argument);
// Single-byte text for standard output: bytes 128-255 as Latin-1 converted to UTF-8 when the
// locale's character set is UTF-8 (setlocale(LC_CTYPE, "") + nl_langinfo(CODESET)), else as they are.
std::string TerminalText(std::string_view singleByteText);
// A log's lines, each ended by a line feed.
std::string LogText(const TextLog& log);
// Writes log lines to `out`, each ended by a line feed, in large pieces.
class LogPrinter {
 public:
  explicit LogPrinter(std::FILE* out);
  void Print(std::string_view line);
  // Writes what is left; false when `out` did not take every line.
  bool Finish();

 private:
  void Flush();
  static constexpr std::size_t kPiece = 64 * 1024;
  std::FILE* out_;
  std::string piece_;
  bool written_ = true;
};

// Reads `path` and imports it into `editor` as the window's File Mode import
// does; false (after saying why) when the file cannot be read. `cut` tells
// (after a warning) that the file passed the read limit and only its
// beginning was imported. With `deadlineMs` 0 or more, a FIFO not read to
// its end by then (its writer may never come) counts as not readable.
bool ImportFile(Editor& editor, const std::string& path, bool* cut, int deadlineMs = -1);

// The bytes of the export of `editor`'s configuration (a configuration
// file's text) when nothing in it stops an export to `target` (corruption;
// to a unit, an address it cannot use; with `strict`, a value lost on
// reading back too): what does not stop it is printed as a warning.
// Otherwise nothing, after printing each value that stops it and then
// `refused` ("OUT not written", "nothing sent").
std::optional<std::string> CheckedExportText(Editor& editor, ExportTarget target, bool strict,
                                             const std::string& refused);

// The command lines that bring a unit holding `base`'s configuration to
// `next`'s (BuildChangedCommands), as the exports would write them; nothing,
// after saying "counts differ: " + `ifCountsDiffer`, when the source or zone
// counts differ.
std::optional<std::vector<std::string>> ChangedLines(
    const Editor& base, const Editor& next, const std::string& ifCountsDiffer = "push the whole file");

// Writes `bytes` to `path` as WriteFileAtomically does; false after saying
// "cannot write PATH: why".
bool WriteOutputFile(const std::string& path, const std::string& bytes);

// An output file and the option that named it ("-o", "--log"...).
struct OutputFile {
  const char* option;
  std::string path;
};
// Checked before any work whose result would be lost: every output can be
// written and none is the input (maybe empty) or another output. kExitOk,
// or kExitUsage after saying what is wrong.
int CheckFiles(const std::string& input, const std::vector<OutputFile>& outputs);

// The link a command talks to the unit over: one of the two is given.
struct LinkArgs {
  std::string telnet;  // HOST[:PORT]
  std::string serial;  // device
};
// A positive whole number of seconds, as milliseconds; false when it is not one.
bool ParseSeconds(const std::string& text, int* ms);

// How long the talk with a unit may last: --timeout (connecting, and each
// wait from the request, the last complete line or the line sent; none
// unless given) and --deadline (each whole transfer).
struct UnitLimits {
  int timeoutMs = -1;
  int deadlineMs = 600 * 1000;  // a full serial import takes about 95 s
};
// --trace FILE: what passed on every link the command opens, written to
// FILE as the window's support file when the command ends.
// The option row every command that talks to a unit takes.
inline constexpr OptionRow kTraceOption{OptionId::Trace, "", "--trace", "FILE",
                                        "write what passed on the link, both ways, to\n"
                                        "FILE (a support file: it holds the configuration\n"
                                        "text that passed)"};
// Asks for the trace to go to `path`; the path asked for (empty: none).
void TraceTo(const std::string& path);
const std::string& TracePath();
// Makes `ctl`'s links record into the command's trace, when one was asked
// for, as `link` (the mode and link settings).
void TraceController(TransferController& ctl, const std::string& link);
// The command's exit `status`, once the trace (if asked for) is written as
// `program` ("zemctl 1.2") writes it; kExitUsage when it cannot be.
int FinishTrace(int status, const std::string& program);
// The last connection check, for the trace.
struct LinkCheckResult;
void TraceCheck(const LinkCheckResult& check);

// Takes an option of the talk with a unit: "--telnet HOST[:PORT]" or
// "--serial DEVICE" into `link`, "--timeout SECONDS" or "--deadline SECONDS"
// into `limits`, "--trace FILE" for the command. False when `given` is none
// of them. `problem` says what is
// wrong with the value (empty, a port outside 1-65535, not a whole number of
// seconds 1 or more), if anything.
bool TakeUnitOption(const GivenArgument& given, LinkArgs& link, UnitLimits& limits, std::string* problem);

// Imports the configuration of the unit on `link` into `editor`, as the
// window's Import does, within `limits`.
// Returns kExitOk read; kExitIncomplete read, but the answer may be
// incomplete (every reason printed as a warning); kExitNoConfiguration
// nothing was received or it names no source (why, then "Nothing imported; "
// + ifNothingRead, printed); kExitFailed the link failed (said why). After
// kExitOk and kExitIncomplete the editor holds a configuration.
int PullIntoEditor(Editor& editor, const LinkArgs& link, const UnitLimits& limits,
                   const std::string& ifNothingRead);
// Sets `ctl` to the unit on `link` within `limits`, choosing the mode the
// way a user would; false (after saying why) when the link cannot be set up.
bool OpenUnitLink(TransferController& ctl, ScriptedPrompts& prompts, const LinkArgs& link,
                  const UnitLimits& limits);
// How the last read of the unit by `ctl` (an import, or the unit checks'
// read) ended, said as PullIntoEditor says it, with its statuses.
int ReadEnding(const TransferController& ctl, const std::string& ifNothingRead);

// The differences as 'zemctl diff --json' prints them: one object each.
QJsonArray DifferencesJson(const std::vector<ConfigDifference>& differences);

// zemctl push: the backup before sending (--backup) and the check after it
// (--verify).
// Reads the unit's configuration into `unit` as a backup reads it: kExitOk,
// or kExitBackupFailed after saying why and then `ifNot` (link failed,
// nothing or only a part received, no source named); kExitInterrupted at
// Ctrl+C (said so).
int ReadUnitBeforeSending(const LinkArgs& link, const UnitLimits& limits, Editor& unit,
                          const std::string& ifNot);
// Pulls the unit's configuration into `unit` and `path` as 'zemctl pull -o'
// writes it: kExitOk, or kExitBackupFailed after saying why (link failed,
// nothing or only a part received, no source named, `path` not written);
// kExitInterrupted at Ctrl+C.
// `strict`: a value lost on reading back fails the backup too.
int BackUpUnit(const LinkArgs& link, const UnitLimits& limits, const std::string& path, bool strict,
               Editor& unit);
// Pulls the unit's configuration back and prints, one a line on standard
// output, how it differs from `sent` (the configuration the push exported);
// with `differences`, the lines go there instead (their bytes as they are).
// kExitOk the same; kExitDiffers different; kExitNotVerified it could not be
// read back in full (said why); kExitInterrupted at Ctrl+C.
int VerifyPush(const ConfigModel& sent, const LinkArgs& link, const UnitLimits& limits,
               std::vector<std::string>* differences = nullptr);

}  // namespace zem
