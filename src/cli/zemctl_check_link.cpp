// zemctl check-link: the window's File > Check Connection... without a
// window; and --trace, the support file of any command that talks to a unit.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

#include "cli/zemctl.h"
#include "transfer/latin1.h"
#include "transfer/link_check.h"
#include "transfer/scripted_prompts.h"
#include "transfer/telnet_link.h"
#include "transfer/transfer_controller.h"

namespace zem {
namespace {

constexpr OptionRow kCheckLinkOptions[] = {
    {OptionId::Telnet, "", "--telnet", "HOST[:PORT]", "the unit's Telnet port (default port 23)"},
    {OptionId::Serial, "", "--serial", "DEVICE", "the serial port the unit is on (9600 bps)"},
    {OptionId::Full, "", "--full", "",
     "read the unit's whole answer and report its source\n"
     "and zone counts (up to about 90 s over a serial port)"},
    {OptionId::Json, "", "--json", "",
     "print one JSON object instead: {\"verdict\", \"advice\",\n"
     "\"link\", \"steps\": [{\"ms\", \"text\"}], \"firstByteMs\",\n"
     "\"verdictMs\", \"totalMs\", \"bytesReceived\",\n"
     "\"endMarkerSeen\", \"sources\", \"zones\"}"},
    kTraceOption,
};

constexpr HelpPiece kCheckLinkHelp[] = {
    {"Usage: zemctl check-link (--telnet HOST[:PORT] | --serial DEVICE) [--full]\n"
     "                         [--json] [--trace FILE]\n"
     "\n"
     "Checks the link to a unit and says what is wrong and what to do, as the\n"
     "window's File > Check Connection... does. It sends only what an import\n"
     "sends (over Telnet \"[]\" then \"[QXSB]\", over a serial port \"[QXSB]\"), so\n"
     "it never changes the unit's configuration, judges the first bytes of the\n"
     "answer and drains the rest, so that a transfer right after it reads the\n"
     "unit cleanly. Each step goes to standard error as it runs, with its time;\n"
     "the verdict and its advice to standard output, as 'CODE: advice'.\n"
     "Verdicts: unit, no-such-port, port-in-use, no-permission, silent (3 s),\n"
     "echo, garbled (serial); unit, no-host, refused, connect-timeout (10 s),\n"
     "no-answer (5 s), echo and garbled (not a unit) (Telnet); failed (the\n"
     "system's text says why); cancelled.\n"
     "A first answer slower than 2 s adds \"slow link\" to the unit verdict.\n"},
    {.list = 0, .column = 24},
    {"Exit status: 0 the unit answers; 1 no unit answers (any other verdict);\n"
     "2 bad arguments, or FILE cannot be written.\n"},
};

// What --trace asked for, and what it records.
struct Trace {
  std::string path;
  TrafficRecord record;
  std::string link;
  LinkCheckResult check;
};

Trace& CommandTrace() {
  static Trace trace;
  return trace;
}

QJsonObject CheckJson(const LinkCheckResult& r) {
  QJsonArray steps;
  for (const LinkCheckStep& step : r.steps)
    steps.append(QJsonObject{{"ms", static_cast<qint64>(step.ms)}, {"text", Latin1(step.text)}});
  QJsonObject object{
      {"verdict", QString::fromLatin1(VerdictInfo(r.verdict).code)},
      {"advice", Latin1(r.Advice())},
      {"link", Latin1(r.link)},
      {"serial", r.serial},
      {"steps", steps},
      {"firstByteMs", static_cast<qint64>(r.firstByteMs)},
      {"verdictMs", static_cast<qint64>(r.verdictMs)},
      {"totalMs", static_cast<qint64>(r.totalMs)},
      {"bytesReceived", static_cast<qint64>(r.bytesReceived)},
      {"endMarkerSeen", r.endMarkerSeen},
  };
  if (r.sources >= 0) {
    object.insert("sources", r.sources);
    object.insert("zones", r.zones);
  }
  return object;
}

}  // namespace

constexpr CommandEntry kCheckLinkCommand{.name = "check-link",
                                         .synopsis = "(--telnet HOST[:PORT] | --serial DEVICE)",
                                         .summary = "check the link to a unit and say what is wrong",
                                         .options = kCheckLinkOptions,
                                         .maxOperands = 0,
                                         .help = kCheckLinkHelp,
                                         .run = RunCheckLink};

void TraceTo(const std::string& path) { CommandTrace().path = path; }

const std::string& TracePath() { return CommandTrace().path; }

void TraceController(TransferController& ctl, const std::string& link) {
  Trace& trace = CommandTrace();
  if (trace.path.empty()) return;
  ctl.RecordTrafficTo(&trace.record);
  trace.link = link;
}

void TraceCheck(const LinkCheckResult& check) { CommandTrace().check = check; }

int FinishTrace(int status, const std::string& program) {
  const Trace& trace = CommandTrace();
  if (trace.path.empty()) return status;
  if (!WriteOutputFile(trace.path, SupportFileText(program, trace.link, trace.check, trace.record)))
    return kExitUsage;
  return status;
}

int RunCheckLink(const std::vector<std::string>& args) {
  if (PrintHelpIfAsked(args, kCheckLinkCommand)) return kExitOk;
  LinkArgs link;
  UnitLimits limits;
  bool full = false, json = false;
  const ParsedArguments parsed = ParseArguments(kCheckLinkCommand, args);
  for (const GivenArgument& a : parsed.given) {
    std::string problem;
    if (TakeUnitOption(a, link, limits, &problem) && !problem.empty())
      return Usage(kCheckLinkCommand, problem);
    if (a.id == OptionId::Full) full = true;
    if (a.id == OptionId::Json) json = true;
  }
  if (parsed.unexpected) return UnexpectedArgument(kCheckLinkCommand, *parsed.unexpected);
  if (link.telnet.empty() == link.serial.empty())
    return Usage(kCheckLinkCommand, "give either --telnet or --serial");

  Editor editor;
  ScriptedPrompts prompts;
  TransferController ctl(editor, prompts);
  TraceController(ctl, !link.telnet.empty() ? "Telnet, host " + link.telnet : "serial port " + link.serial);
  // The mode is chosen as a user would; a port that cannot be opened is
  // the check's to explain, not an error of its own.
  if (!link.telnet.empty()) {
    prompts.hostAnswers.push_back(link.telnet);
    ctl.ChooseTelnetMode();
  } else {
    prompts.portAnswers.push_back(link.serial);
    ctl.ChooseSerialMode();
  }
  const LinkCheckResult result = ctl.CheckConnection(full, [](const LinkCheckStep& step) {
    std::fprintf(stderr, "zemctl: %6lld ms  %s\n", static_cast<long long>(step.ms),
                 TerminalText(step.text).c_str());
    std::fflush(stderr);
  });
  TraceCheck(result);
  std::string out;
  if (json) {
    out = QJsonDocument(CheckJson(result)).toJson(QJsonDocument::Indented).toStdString();
  } else {
    out = std::string(VerdictInfo(result.verdict).code) + ": " + TerminalText(result.Advice()) + "\n";
  }
  if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
    PrintError("cannot write the verdict to standard output");
    return kExitUsage;
  }
  return UnitAnswered(result.verdict) ? kExitOk : kExitFailed;
}

}  // namespace zem
