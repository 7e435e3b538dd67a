// zemctl pull / push: the window's Import and Export over a link, without a
// window. The same TransferController runs them; the dialogs are answered
// from the command line.
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <optional>
#include <system_error>
#include <utility>

#include <unistd.h>

#include "cli/zemctl.h"
#include "cli/zemctl_push.h"
#include "command/command_writer.h"
#include "editor/editor.h"
#include "editor/unit_names.h"
#include "transfer/file_io.h"
#include "transfer/scripted_prompts.h"
#include "transfer/telnet_link.h"
#include "transfer/transfer_controller.h"

namespace zem {
namespace {

constexpr OptionRow kPullOptions[] = {
    {OptionId::Telnet, "", "--telnet", "HOST[:PORT]", "the unit's Telnet port (default port 23)"},
    {OptionId::Serial, "", "--serial", "DEVICE",
     "the serial port the unit is on (9600 bps), e.g.\n"
     "/dev/ttyUSB0"},
    {OptionId::Output, "-o", "--output", "OUT", "the configuration file to write"},
    {OptionId::Raw, "", "--raw", "FILE", "also keep the text the unit sent"},
    {OptionId::Log, "", "--log", "FILE", "also keep the import log"},
    {OptionId::Timeout, "", "--timeout", "SECONDS",
     "give up connecting after this long, and end the\n"
     "import once the unit goes this long after the\n"
     "request or its last complete command line without\n"
     "sending another, whatever other bytes it sends\n"
     "(default: no limit; a serial import also ends after\n"
     "4 s of silence)"},
    {OptionId::Deadline, "", "--deadline", "SECONDS",
     "end the import after this long in all, for a unit\n"
     "that sends without end (default 600; a full unit\n"
     "takes about 95 s over a serial port)"},
    {OptionId::Strict, "", "--strict", "",
     "refuse to write OUT when a value would not read\n"
     "back as it is (exit status 2)"},
};

constexpr HelpPiece kPullHelp[] = {
    {"Usage: zemctl pull (--telnet HOST[:PORT] | --serial DEVICE) -o OUT.zem\n"
     "                   [--raw FILE] [--log FILE] [--timeout SECONDS]\n"
     "                   [--deadline SECONDS] [--strict]\n"
     "\n"
     "Imports the configuration of a unit as the window's Import does in Telnet\n"
     "or Serial Mode, then writes OUT exactly as a File Mode export right after\n"
     "that import would. OUT is replaced atomically. OUT, --raw and --log are\n"
     "checked before connecting: each must be writable and none may name\n"
     "another (exit status 2 otherwise). A FIFO or a device such as /dev/stdout\n"
     "is written as it is, never replaced.\n"},
    {.list = 0, .column = 24},
    {"A value the reader would not take back as it is (a zone in Lowpass mode\n"
     "that reported no lowpass) is written as the unit holds it and named on\n"
     "standard error as 'zemctl: warning: ...', as is an address a unit cannot\n"
     "use (DHCP off); the exit status stays as it is.\n"
     "Exit status: 0 written; 1 the link failed; 2 bad arguments, a file\n"
     "cannot be written, or a value would read back as another command or as\n"
     "several lines (each one is named; with --strict also a value that would\n"
     "not read back as it is); 3 nothing was received or the unit named\n"
     "no source, nothing written; 4 written,\n"
     "but the unit's answer ended early (end marker missing, size limit reached,\n"
     "port lost, timeout, deadline), so it may be incomplete; why goes to\n"
     "standard error.\n"},
};

constexpr OptionRow kPushOptions[] = {
    {OptionId::Telnet, "", "--telnet", "HOST[:PORT]", "the unit's Telnet port (default port 23)"},
    {OptionId::Serial, "", "--serial", "DEVICE", "the serial port the unit is on (9600 bps)"},
    {OptionId::Since, "", "--since", "BASE.zem",
     "send only what changed from BASE (what the unit\n"
     "holds: a file 'zemctl pull' or --backup wrote) to\n"
     "IN: the lines 'zemctl diff --commands BASE IN'\n"
     "prints. With nothing changed nothing is sent.\n"
     "BASE and IN must have the same source and zone\n"
     "counts (exit status 2 otherwise: push the whole\n"
     "file). With --backup, give BASE as the backup's\n"
     "FILE (the same folder and last name, as in\n"
     "--backup bk.zem --since ./bk.zem): the changes\n"
     "are counted from the backup just pulled."},
    {OptionId::Changes, "", "--changes", "",
     "read the unit first, as a pull does, and send only\n"
     "what it lacks: the lines --since would send with\n"
     "that read as BASE. With nothing to send nothing is\n"
     "sent. When the unit's source or zone counts differ\n"
     "from IN's nothing is sent (exit status 2, \"counts\n"
     "differ: a full export is needed\"). With --backup\n"
     "the backup is that read. A name the unit gives\n"
     "back without the letters it cannot return (bytes\n"
     "beyond plain ASCII) counts as held when that is\n"
     "all that differs."},
    {OptionId::Check, "", "--check", "",
     "send no change: read the unit as --changes does and\n"
     "print the lines a push --changes would send, one a\n"
     "line as 'zemctl diff --commands' prints them (exit\n"
     "status 0 whether or not there are any). Only the\n"
     "read's \"[]\" and \"[QXSB]\" reach the unit; --backup\n"
     "is still written."},
    {OptionId::Backup, "", "--backup", "FILE",
     "before sending anything, pull the unit's\n"
     "configuration into FILE as 'zemctl pull -o FILE'\n"
     "writes it (replaced atomically; checked before\n"
     "connecting). If that fails, nothing is sent."},
    {OptionId::Verify, "", "--verify", "",
     "once every line was answered, pull the configuration\n"
     "back and compare it with what was sent; each\n"
     "difference goes to standard output as one line,\n"
     "sent -> on the unit ('zone 2 name: \"Kitchen\" ->\n"
     "\"Room 2\"'). Over a serial port reading back takes\n"
     "as long as a pull: up to about 95 s for a full\n"
     "unit (16 sources, 192 zones) at 9600 bps.\n"
     "Values the push does not set (audio of zones IN\n"
     "gives none, sources and zones beyond IN's) are\n"
     "left out."},
    {OptionId::Json, "", "--json", "",
     "also print one JSON object on standard output at\n"
     "the end, in place of the lines --verify and --check\n"
     "print there (progress stays on standard error); its\n"
     "fields are listed below"},
    {OptionId::ReplyLimit, "", "--reply-limit", "SECONDS",
     "serial only: how long to wait for an answer\n"
     "(default 30)"},
    {OptionId::Timeout, "", "--timeout", "SECONDS",
     "how long connecting may take, and how long to wait\n"
     "for each answer from the moment its line was sent,\n"
     "whatever bytes come without its end (Telnet:\n"
     "default no limit; serial: the same as\n"
     "--reply-limit); for the backup and the verify as\n"
     "for 'zemctl pull'"},
    {OptionId::Deadline, "", "--deadline", "SECONDS",
     "how long sending may take in all, and so each of\n"
     "the backup, the verify and the reading of IN and\n"
     "BASE, such as a FIFO (default 600; exit status 2\n"
     "when a file is not read by then, nothing sent)"},
    {OptionId::Strict, "", "--strict", "",
     "send nothing, and write no backup, when a value\n"
     "would not read back as it is (exit status 2; 5\n"
     "for the backup)"},
};

constexpr HelpPiece kPushHelp[] = {
    {"Usage: zemctl push IN.zem (--telnet HOST[:PORT] | --serial DEVICE)\n"
     "                   [--since BASE.zem | --changes | --check] [--backup FILE]\n"
     "                   [--verify] [--reply-limit SECONDS] [--timeout SECONDS]\n"
     "                   [--deadline SECONDS] [--strict] [--json]\n"
     "\n"
     "Imports IN as 'zemctl convert' does and sends the export to the unit line\n"
     "by line, waiting for the unit's answer after each line, as the window's\n"
     "Export does in Telnet or Serial Mode. Progress goes to standard error,\n"
     "and how the push ended: a push the unit broke off says how many commands\n"
     "it answered first. Once an answer takes over 2 s, which one is awaited\n"
     "is shown too, when standard error is a terminal.\n"
     "IN is read as 'zemctl check' reads it; when it passes the read limit\n"
     "nothing is sent (exit status 2).\n"},
    {.list = 0, .column = 25},
    {"A value the reader would not take back as it is (a lowpass of -1, a volume\n"
     "with no DSP mode) is sent, and written to the backup, as it is and named\n"
     "on standard error as 'zemctl: warning: ...'; the exit status stays as it\n"
     "is. With DHCP off, an address that is not an IPv4 dotted quad is never\n"
     "sent ('IP address \"IPAddress\" is not an IPv4 address'; exit status 2).\n"
     "Exit status: 0 every line was answered; 4 every line was answered, but the\n"
     "unit answered some with \"(ERROR)\" (their number and the first five go to\n"
     "standard error); 1 the link failed, was closed or reset, or a line went\n"
     "unanswered, or (--verify) the unit does not hold what was sent, which wins\n"
     "over 4; 2 bad arguments (a port outside 1-65535 among them),\n"
     "IN or BASE cannot be read, BASE (or with --changes the unit) names no\n"
     "source or its counts differ from IN's, FILE cannot be written, or a\n"
     "value of IN would read back as another command or as several lines, or\n"
     "is an address a unit cannot use (each one is named; nothing sent); 3 IN\n"
     "names no source, so there is nothing to send; 5 the backup or the read of\n"
     "--changes failed (the link failed, nothing or only a part of the\n"
     "configuration came, the unit named no source, or FILE could not be\n"
     "written), so nothing was sent; 6 every\n"
     "line was answered, but --verify could not read the configuration back in\n"
     "full, so it is not known whether the unit took everything; 130 stopped at\n"
     "Ctrl+C (SIGINT): the line in flight is answered, no other is sent, and\n"
     "standard error says how far it got ('interrupted: stopped after command\n"
     "4 of 12', 'interrupted: stopped before sending anything'); a read before\n"
     "or after the sending, and the wait before the first line (connecting, the\n"
     "opening \"[]\"), end at once. A second Ctrl+C ends zemctl there.\n"
     "With --json, standard output holds one JSON object, on one line, with\n"
     "these fields (texts from the configuration as their plain bytes, each\n"
     "byte the character U+0000-U+00FF):\n"
     "  result         \"ok\" (0), \"failed\" (1), \"differs\" (1, --verify),\n"
     "                 \"invalid\" (2), \"counts-differ\" (2), \"no-configuration\"\n"
     "                 (3), \"refused\" (4), \"read-failed\" (5), \"unverified\" (6),\n"
     "                 \"stopped\" (130)\n"
     "  exit           the exit status\n"
     "  check          whether --check was given\n"
     "  changed        whether a line was sent to the unit (--check: would be)\n"
     "  lines          the command lines to send, as they go (--check: that\n"
     "                 would go); empty before they are known\n"
     "  lines_total    how many lines that is\n"
     "  lines_sent     how many of them were sent\n"
     "  lines_refused  how many the unit answered \"(ERROR)\"\n"
     "  stopped        whether Ctrl+C stopped it (after lines_sent of\n"
     "                 lines_total: the unit answered every line sent)\n"
     "  counts_differ  whether the counts differ (--since, --changes, --check)\n"
     "  backup         the --backup file written, or null\n"
     "  verify         \"ok\", \"differs\", \"unread\" (6) or \"not-run\"\n"
     "  differences    --verify's lines, sent -> on the unit\n"
     "  message        what went wrong, in the words of standard error\n"
     "                 (lines joined by a line feed); else how it ended\n"
     "  warnings       the warnings said on standard error\n"
     "Fields are only ever added, never renamed or dropped.\n"},
};

// Sends the export of `editor` to the unit as the window's Export does; the
// push's exit status (kExitOk, kExitIncomplete or kExitFailed), after saying
// how it went.
// `lines`: only these lines (the changes), not the whole export.
// `report` learns how many lines were sent and refused.
int SendExport(Editor& editor, const LinkArgs& link, int replyLimitMs, const UnitLimits& limits,
               const std::optional<std::vector<std::string>>& lines, PushReport& report) {
  ScriptedPrompts prompts;
  TransferController ctl(editor, prompts);
  ctl.SetReplyLimitMs(replyLimitMs);
  if (!OpenUnitLink(ctl, prompts, link, limits)) return kExitFailed;

  std::string lastStatus;
  // A wait counts seconds in place, which only a terminal shows as such.
  const bool terminal = ::isatty(STDERR_FILENO) == 1;
  std::size_t shownWidth = 0;
  editor.status.SetOnChange([&](const std::string& status) {
    const bool sending = status.rfind(" Sending line ", 0) == 0;
    if (!sending && !(terminal && status.rfind(" Waiting for the unit's answer ", 0) == 0)) return;
    if (sending) lastStatus = status.substr(1);
    // Blanks over what is left of a longer line shown before.
    const std::string text = status.substr(1);
    std::fprintf(stderr, "\r%s%s", text.c_str(),
                 std::string(shownWidth - std::min(shownWidth, text.size()), ' ').c_str());
    shownWidth = text.size();
    std::fflush(stderr);
  });
  // Ctrl+C: the line in flight is answered, and no other is sent; before
  // the first line (connecting, the opening "[]") the export ends at once.
  ctl.SetStopBetweenLines([] { return Interrupted(); });
  QTimer interruptWatch;
  interruptWatch.callOnTimeout([&ctl] {
    if (Interrupted() && ctl.LinesSent() == 0) ctl.Cancel();
  });
  interruptWatch.start(100);
  if (lines) {
    ctl.ExportLines(*lines);
  } else {
    ctl.ExportConfiguration();
  }
  if (shownWidth > 0) std::fputc('\n', stderr);

  editor.status.SetOnChange(nullptr);  // lastStatus ends here
  report.linesSent = ctl.LinesSent();
  report.linesRefused = ctl.ErrorReplies();
  // How the export ended, as the window's status line says it.
  std::string ending = editor.status.Text();
  if (!ending.empty() && ending.front() == ' ') ending.erase(0, 1);

  const std::string where = ctl.LinesSent() == 0
                                ? std::string("before any line was sent")
                                : "after line " + ctl.LastLineSent() + " (" + lastStatus + ")";
  switch (ctl.LastOutcome()) {
    case TransferController::Outcome::Completed:
      if (ctl.ErrorReplies() > 0) {
        PrintError(ending);
        PrintError(ctl.RefusedText());
        return kExitIncomplete;
      }
      PrintNote("sent " + std::to_string(ctl.LinesSent()) + " lines, every one answered");
      return kExitOk;
    case TransferController::Outcome::NoReply:
      if (ctl.DeadlinePassed()) {
        PrintError("the push reached its deadline of " + std::to_string(limits.deadlineMs / 1000) + " s " +
                   where);
      } else {
        PrintError(ending + (ctl.LinesSent() == 0 ? std::string() : ": " + ctl.LastLineSent()));
      }
      if (ctl.ErrorReplies() > 0) PrintError(ctl.RefusedText());
      return kExitFailed;
    case TransferController::Outcome::Cancelled: {
      // Only Ctrl+C cancels: "... Export cancelled after command K of M[. a table half written]".
      const std::size_t at = ending.find(" cancelled");
      PrintError("interrupted: stopped" + (at == std::string::npos
                                               ? " " + where
                                               : ending.substr(at + std::string_view(" cancelled").size())));
      return kExitInterrupted;
    }
    case TransferController::Outcome::Failed:
      // Broken off by the unit: how far it got, then the link's own word.
      if (ending != "Export failed") PrintError(ending);
      PrintError(ErrorBoxText(ctl.LastFailure()) + " (" + where + ")");
      return kExitFailed;
    default:
      PrintError("the export did not run " + where);
      return kExitFailed;
  }
}

// push --check: the lines a push --changes would send, on standard output
// (with --json, in the report only).
int PrintWouldSend(const std::vector<std::string>& lines, bool json) {
  std::string text;
  for (const std::string& line : lines) text += line + '\n';
  if (!json &&
      (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)) {
    PrintError("cannot write the command lines to standard output");
    return kExitUsage;
  }
  PrintNote(lines.empty() ? std::string("the unit already holds what IN sets; nothing would be sent")
                          : std::to_string(lines.size()) + " lines would be sent; nothing sent");
  return kExitOk;
}

// Whether two names name one file, which need not exist yet: the same
// folder (links resolved) and the same last name. The file itself is not
// looked at, so "bk.zem" and "./bk.zem" match before it is made.
bool SamePath(const std::string& a, const std::string& b) {
  const auto place = [](const std::string& name) {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(name, error);
    const std::filesystem::path folder = std::filesystem::weakly_canonical(path.parent_path(), error);
    return std::pair(error ? path.parent_path() : folder, path.filename());
  };
  const auto [folderA, nameA] = place(a);
  const auto [folderB, nameB] = place(b);
  return !nameA.empty() && nameA == nameB && folderA == folderB;
}

// Reads a file push needs whole, IN or BASE, within the deadline: kExitOk,
// else (after saying why) kExitUsage, or `noSource` when it names no source.
int ReadWhole(Editor& editor, const std::string& path, int deadlineMs, int noSource, const char* ifNoSource) {
  bool cut = false;
  if (!ImportFile(editor, path, &cut, deadlineMs)) return kExitUsage;
  if (cut) {
    PrintError("nothing sent: only a part of " + path + " was read");
    return kExitUsage;
  }
  if (!editor.HasConfiguration()) {
    PrintError(path + " names no source; " + ifNoSource);
    return noSource;
  }
  return kExitOk;
}

}  // namespace

constexpr CommandEntry kPullCommand{.name = "pull",
                                    .synopsis = "(--telnet HOST[:PORT] | --serial DEVICE) -o OUT.zem",
                                    .summary = "import a configuration from a unit into a file",
                                    .options = kPullOptions,
                                    .maxOperands = 0,
                                    .help = kPullHelp,
                                    .run = RunPull};
constexpr CommandEntry kPushCommand{.name = "push",
                                    .synopsis = "IN.zem (--telnet HOST[:PORT] | --serial DEVICE)",
                                    .summary = "send a configuration file to a unit",
                                    .options = kPushOptions,
                                    .maxOperands = 1,
                                    .help = kPushHelp,
                                    .run = RunPush};

bool ParseSeconds(const std::string& text, int* ms) {
  if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos ||
      std::stoi(text) < 1)
    return false;
  *ms = std::stoi(text) * 1000;
  return true;
}

bool TakeUnitOption(const GivenArgument& given, LinkArgs& link, UnitLimits& limits, std::string* problem) {
  const std::string& value = given.value;
  switch (given.id) {
    case OptionId::Telnet:
    case OptionId::Serial:
      (given.id == OptionId::Telnet ? link.telnet : link.serial) = value;
      if (value.empty()) {
        *problem = "empty host or device";
      } else if (given.id == OptionId::Telnet && !TelnetLink::PortProblem(value).empty()) {
        *problem = "bad --telnet '" + value + "': " + TelnetLink::PortProblem(value);
      }
      return true;
    case OptionId::Timeout:
    case OptionId::Deadline: {
      const bool timeout = given.id == OptionId::Timeout;
      if (!ParseSeconds(value, timeout ? &limits.timeoutMs : &limits.deadlineMs))
        *problem = std::string(timeout ? "--timeout" : "--deadline") +
                   " takes a whole number of seconds, 1 or more, not '" + value + "'";
      return true;
    }
    default:
      return false;
  }
}

bool OpenUnitLink(TransferController& ctl, ScriptedPrompts& prompts, const LinkArgs& link,
                  const UnitLimits& limits) {
  if (limits.timeoutMs > 0) {
    ctl.SetConnectLimitMs(limits.timeoutMs);
    ctl.SetWaitLimitMs(limits.timeoutMs);
  }
  ctl.SetDeadlineMs(limits.deadlineMs);
  // The mode is chosen the way a user would.
  if (!link.telnet.empty()) {
    prompts.hostAnswers.push_back(link.telnet);
    ctl.ChooseTelnetMode();
  } else {
    prompts.portAnswers.push_back(link.serial);
    ctl.ChooseSerialMode();
  }
  if (!prompts.errors.empty()) {
    PrintError(ErrorBoxText(prompts.errors.front()));
    return false;
  }
  return true;
}

int ReadEnding(const TransferController& ctl, const std::string& ifNothingRead) {
  // An import completes only with a configuration: one that names no source
  // ends as NothingRead.
  switch (ctl.LastOutcome()) {
    case TransferController::Outcome::Completed:
      return kExitOk;
    case TransferController::Outcome::Incomplete:
      // Every reason the answer may be incomplete, not only the last one logged.
      for (const std::string& warning : ctl.ImportWarnings()) PrintError("warning: " + warning);
      return kExitIncomplete;
    case TransferController::Outcome::NothingRead:
      PrintError(ctl.NothingReadReason() + " Nothing imported; " + ifNothingRead);
      return kExitNoConfiguration;
    case TransferController::Outcome::Failed:
      PrintError(ErrorBoxText(ctl.LastFailure()));
      return kExitFailed;
    default:  // not run, or cancelled: nothing a command line can cause
      PrintError("the import did not run; " + ifNothingRead);
      return kExitFailed;
  }
}

int PullIntoEditor(Editor& editor, const LinkArgs& link, const UnitLimits& limits,
                   const std::string& ifNothingRead) {
  ScriptedPrompts prompts;
  TransferController ctl(editor, prompts);
  if (!OpenUnitLink(ctl, prompts, link, limits)) return kExitFailed;
  ctl.ImportConfiguration();
  return ReadEnding(ctl, ifNothingRead);
}

int RunPull(const std::vector<std::string>& args) {
  if (PrintHelpIfAsked(args, kPullCommand)) return kExitOk;
  LinkArgs link;
  std::string output, rawPath, logPath;
  bool strict = false;
  UnitLimits limits;
  const ParsedArguments parsed = ParseArguments(kPullCommand, args);
  for (const GivenArgument& a : parsed.given) {
    std::string problem;
    if (TakeUnitOption(a, link, limits, &problem) && !problem.empty()) return Usage(kPullCommand, problem);
    if (a.id == OptionId::Output) output = a.value;
    if (a.id == OptionId::Raw) rawPath = a.value;
    if (a.id == OptionId::Log) logPath = a.value;
    if (a.id == OptionId::Strict) strict = true;
  }
  if (parsed.unexpected) return UnexpectedArgument(kPullCommand, *parsed.unexpected);
  if (link.telnet.empty() == link.serial.empty())
    return Usage(kPullCommand, "give either --telnet or --serial");
  if (output.empty()) return Usage(kPullCommand, "pull needs -o OUT");
  if (const int status = CheckFiles("", {{"-o", output}, {"--raw", rawPath}, {"--log", logPath}}))
    return status;

  Editor editor;
  int status = PullIntoEditor(editor, link, limits, output + " not written");
  if (status == kExitFailed) return kExitFailed;
  const std::string log = LogText(editor.messageLog);  // before an export fills the log with its lines
  // The configuration is written first: a disk that fills up on the raw text
  // or the log must not cost what the unit sent.
  if (status != kExitNoConfiguration) {
    const std::optional<std::string> bytes =
        CheckedExportText(editor, ExportTarget::File, strict, output + " not written");
    if (!bytes || !WriteOutputFile(output, *bytes)) status = kExitUsage;
  }
  if (!rawPath.empty() && !WriteOutputFile(rawPath, editor.receivedText.Text())) status = kExitUsage;
  if (!logPath.empty() && !WriteOutputFile(logPath, log)) status = kExitUsage;
  return status;
}

namespace {

// The push, its steps told to `report` as they go.
int Push(const std::vector<std::string>& args, PushReport& report) {
  LinkArgs link;
  std::string input, backupPath, sincePath;
  bool verify = false, strict = false, changesOnly = false, check = false;
  int replyLimitMs = 30000;
  UnitLimits limits;
  const ParsedArguments parsed = ParseArguments(kPushCommand, args);
  for (const GivenArgument& a : parsed.given) {
    std::string problem;
    if (TakeUnitOption(a, link, limits, &problem)) {
      if (!problem.empty()) return Usage(kPushCommand, problem);
      // Over a serial port, the wait for each answer, unless a later
      // --reply-limit says otherwise.
      if (a.id == OptionId::Timeout) replyLimitMs = limits.timeoutMs;
    }
    switch (a.id) {
      case OptionId::Operand:
        input = a.value;
        break;
      case OptionId::ReplyLimit:
        if (!ParseSeconds(a.value, &replyLimitMs))
          return Usage(kPushCommand, "bad reply limit '" + a.value + "'");
        break;
      case OptionId::Verify:
        verify = true;
        break;
      case OptionId::Strict:
        strict = true;
        break;
      case OptionId::Changes:
        changesOnly = true;
        break;
      case OptionId::Check:
        check = changesOnly = report.check = true;
        break;
      case OptionId::Json:
        report.json = true;
        break;
      case OptionId::Since:
        sincePath = a.value;
        if (sincePath.empty()) return Usage(kPushCommand, "empty --since file name");
        break;
      case OptionId::Backup:
        backupPath = a.value;
        if (backupPath.empty()) return Usage(kPushCommand, "empty backup file name");
        break;
      default:
        break;
    }
  }
  if (parsed.unexpected) return UnexpectedArgument(kPushCommand, *parsed.unexpected);
  if (input.empty()) return Usage(kPushCommand, "push needs IN.zem");
  if (link.telnet.empty() == link.serial.empty())
    return Usage(kPushCommand, "give either --telnet or --serial");
  const char* reading = check ? "--check" : "--changes";
  if (changesOnly && !sincePath.empty())
    return Usage(kPushCommand, std::string(reading) + " reads what the unit holds; it goes without --since");
  if (check && verify) return Usage(kPushCommand, "--check sends nothing, so there is nothing to --verify");
  if (const int status = CheckFiles(input, {{"--backup", backupPath}})) return status;
  // The base is the backup just pulled, so it must be named as the backup.
  if (!sincePath.empty() && !backupPath.empty() && !SamePath(sincePath, backupPath))
    return Usage(kPushCommand, "with --backup, --since names the backup's file (" + backupPath + ")");

  Editor editor;
  if (const int status = ReadWhole(editor, input, limits.deadlineMs, kExitNoConfiguration, "nothing to send"))
    return status;
  // Checked before the backup: a refused push leaves the unit alone.
  if (!CheckedExportText(editor, ExportTarget::Unit, strict, "nothing sent")) return kExitUsage;
  const auto commandLines = [](const std::vector<std::string>& lines) {
    std::vector<std::string> commands;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(commands), ExportRun::IsCommandLine);
    return commands;
  };
  if (!changesOnly && sincePath.empty()) report.lines = commandLines(editor.PrepareExport());
  // Read before connecting unless it is the backup to come.
  Editor base;
  const auto readBase = [&] {
    return ReadWhole(base, sincePath, limits.deadlineMs, kExitUsage, "nothing sent");
  };
  if (!sincePath.empty() && backupPath.empty())
    if (const int status = readBase()) return status;
  const auto stoppedBeforeSending = [] {
    PrintError("interrupted: stopped before sending anything");
    return kExitInterrupted;
  };
  if (Interrupted()) return stoppedBeforeSending();
  // The unit as it is now, when it is read before sending: the backup, or
  // the read of --changes.
  Editor unit;
  if (!backupPath.empty()) {
    if (const int status = BackUpUnit(link, limits, backupPath, strict, unit)) return status;
    report.backup = backupPath;
  } else if (changesOnly) {
    if (const int status = ReadUnitBeforeSending(link, limits, unit, "nothing sent")) return status;
  }
  if (!sincePath.empty() && !backupPath.empty())
    if (const int status = readBase()) return status;

  std::optional<std::vector<std::string>> changes;
  if (changesOnly) {
    // A name whose letters the unit cannot return reads back without them:
    // it is held as IN writes it when that is all that differs.
    unit.model.unit = WithSentNames(unit.model.unit, editor.model.unit);
    changes = ChangedLines(unit, editor, "a full export is needed");
  } else if (!sincePath.empty()) {
    changes = ChangedLines(base, editor);
  }
  if (changesOnly || !sincePath.empty()) {
    report.countsDiffer = !changes;
    if (!changes) return kExitUsage;
    report.lines = commandLines(*changes);
  }
  if (check) return PrintWouldSend(*changes, report.json);
  if (Interrupted()) return stoppedBeforeSending();
  int status = kExitOk;
  if (changes && changes->empty()) {
    if (changesOnly) {
      PrintNote("the unit already holds what IN sets; nothing sent");
    } else {
      PrintNote("nothing changed since " + sincePath + "; nothing sent");
    }
  } else {
    status = SendExport(editor, link, replyLimitMs, limits, changes, report);
  }
  // Only a push whose every line was answered is worth reading back; the
  // link is closed again by now, so a serial port can be opened anew.
  if (verify && (status == kExitOk || status == kExitIncomplete)) {
    if (Interrupted()) {
      PrintError("interrupted: every line was answered, not verified");
      return kExitInterrupted;
    }
    const int checked = VerifyPush(editor.model, link, limits, report.json ? &report.differences : nullptr);
    report.verify = checked == kExitOk ? "ok" : checked == kExitDiffers ? "differs" : "unread";
    if (checked != kExitOk) status = checked;  // a difference or no verdict wins over "(ERROR)" answers
  }
  return status;
}

}  // namespace

int RunPush(const std::vector<std::string>& args) {
  if (PrintHelpIfAsked(args, kPushCommand)) return kExitOk;
  CatchInterrupt();
  MessageRecord record;
  PushReport report;
  const int status = Push(args, report);
  report.stopped = status == kExitInterrupted;
  if (!report.json) return status;
  const std::string text = PushReportJson(report, status, record.Said());
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
    PrintError("cannot write the JSON report to standard output");
    return status == kExitOk ? kExitUsage : status;
  }
  return status;
}

}  // namespace zem
