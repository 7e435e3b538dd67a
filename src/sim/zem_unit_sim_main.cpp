// zem-unit-sim: a simulated unit to try the program and zemctl without
// hardware, over TCP (Telnet Mode) or a pseudo-terminal (Serial Mode).
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim/sim_config.h"
#include "sim/unit_sim.h"
#include "transfer/file_io.h"

namespace {

const char kDescription[] =
    "Plays a ZEM unit: answers the configuration query \"[QXSB]\" with its\n"
    "configuration and answers every command of an export, printing each one.\n"
    "A command answered \"(OK)\" (or echoed) is taken: from the first one on, the\n"
    "query is answered with what an export of the configuration and the commands\n"
    "taken writes. \"[RAR]\", \"[GAR]\" and \"[FAR]\" empty the restrictions, the\n"
    "groups and the favorites. A command answered \"(ERROR)\" changes nothing.\n"
    "Give either --port or --pty. Stop it with Ctrl-C.";

// The options that take no value: a way of writing lines, or a fault.
struct Switch {
  const char* name;
  const char* description;
  bool zem::SimOptions::*flag;
};
const Switch kSwitches[] = {
    {"crlf", "End the lines with CR LF instead of CR.", &zem::SimOptions::crlf},
    {"silent", "Never answer anything.", &zem::SimOptions::silent},
    {"close-mid-import", "Send half the configuration, then close.", &zem::SimOptions::closeMidImport},
    {"junk", "Send control bytes and bytes 127-255 between lines.", &zem::SimOptions::junk},
    {"byte-per-write", "Send every byte in a write of its own.", &zem::SimOptions::bytePerWrite},
    {"no-end-marker", "Never send the end marker (\"(QX)\" or \"[QXSB]\").", &zem::SimOptions::noEndMarker},
    {"trailing-bytes", "Send a command right after the end marker.", &zem::SimOptions::trailingBytes},
    {"pace", "Send and take in at 9600 bps (about one byte a millisecond each way).", &zem::SimOptions::pace},
    {"endless", "Repeat the configuration without end.", &zem::SimOptions::endless},
    {"endless-dropped",
     "After the configuration, send without end only bytes a reader drops (line feeds, bytes 128-255, Telnet "
     "negotiation); no end marker.",
     &zem::SimOptions::endlessDropped},
    {"flood-replies", "From the first command on, send \"(OK)\" without end.",
     &zem::SimOptions::floodReplies},
    {"wrong-baud",
     "Send every answer as a 9600-bps reader sees a unit set to another speed: bytes, but no text.",
     &zem::SimOptions::wrongBaud},
    {"loopback", "Be a loopback plug: send back exactly the bytes received, and nothing else.",
     &zem::SimOptions::loopback},
    {"hold-port",
     "With --pty: hold the port as another program would, through Qt's lock file, so that opening it fails.",
     &zem::SimOptions::holdPort},
    {"full-backlog",
     "With --port: listen, but never answer a connection (its queue is kept full), as a host behind a "
     "firewall that drops them.",
     &zem::SimOptions::fullBacklog},
};

template <typename Choice>
struct Named {
  const char* name;
  Choice choice;
};
const Named<zem::SimOptions::Reply> kReplies[] = {{"ok", zem::SimOptions::Reply::Ok},
                                                  {"echo", zem::SimOptions::Reply::Echo},
                                                  {"error", zem::SimOptions::Reply::Error}};
const Named<zem::SimOptions::Trickle> kTrickles[] = {{"cr", zem::SimOptions::Trickle::BareCr},
                                                     {"unended", zem::SimOptions::Trickle::Unended},
                                                     {"lines", zem::SimOptions::Trickle::Lines}};

template <typename Choice, std::size_t N>
std::optional<Choice> Find(const Named<Choice> (&choices)[N], const QString& name) {
  for (const Named<Choice>& c : choices)
    if (name == QLatin1String(c.name)) return c.choice;
  return std::nullopt;
}

// A whole number of at most nine digits.
std::optional<int> Number(const QString& text) {
  if (text.isEmpty() || text.size() > 9) return std::nullopt;
  for (const QChar c : text)
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
  return text.toInt();
}

// What the command line asks for.
struct Settings {
  zem::SimOptions sim;
  int port = -1;  // none: --pty
  bool pty = false;
  bool quiet = false;
  QHostAddress listen = QHostAddress::LocalHost;
  std::string listenText = "127.0.0.1";  // as given, for the messages
  std::string configFile;
  int sources = 8;
  int zones = 24;
};

// The options and what they do. Qt's own usage line names the path the
// program was started by and not what it needs.
std::string HelpText(const QCommandLineParser& parser) {
  const QString text = parser.helpText();
  return "Usage: zem-unit-sim (--port N | --pty) [OPTIONS]\n\n" +
         text.mid(text.indexOf(QLatin1Char('\n')) + 1).toLocal8Bit().toStdString();
}

int Usage(const QCommandLineParser& parser, const std::string& problem) {
  std::fprintf(stderr, "zem-unit-sim: %s\n", problem.c_str());
  std::fputs(HelpText(parser).c_str(), stderr);
  return 2;
}

std::string Text(const QString& text) { return text.toLocal8Bit().toStdString(); }

// Reads the command line into `settings`; the exit status when the program
// ends at once (its help, its version, or 2 for a usage error).
std::optional<int> ParseArguments(const QStringList& arguments, Settings& settings) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QString::fromLatin1(kDescription));
  const QCommandLineOption port("port",
                                "Listen for Telnet connections on TCP port N (0: any free port; the port "
                                "is printed).",
                                "N");
  const QCommandLineOption listen("listen", "The address to listen on (default 127.0.0.1).", "ADDRESS");
  const QCommandLineOption pty("pty",
                               "Open a pseudo-terminal pair and print the device path to open in Serial "
                               "Mode (for example /dev/pts/5).");
  const QCommandLineOption config("config", "Serve the command lines of FILE.", "FILE.zem");
  const QCommandLineOption generate("generate",
                                    "Serve a made-up configuration of S sources and Z zones (default 8x24; "
                                    "16x192 is the largest unit).",
                                    "SxZ");
  const QCommandLineOption reply(
      "reply", "Answer \"(OK)\" (the default), the command itself, or \"(ERROR)\".", "ok|echo|error");
  const QCommandLineOption closeAfter("close-after", "Close the connection after answering N commands.", "N");
  const QCommandLineOption trickle("trickle",
                                   "Send two bytes a second without end, after the configuration (no end "
                                   "marker) and instead of answers: cr (bare CRs), unended (a line or answer "
                                   "never ended), lines (a configuration line or \"(OK)\" each time).",
                                   "KIND");
  const QCommandLineOption ignoreCommand(
      "ignore-command",
      "Answer the N-th command received (counted from 1) with \"(OK)\" but do "
      "not take it, as a unit that drops a line (may be given more than "
      "once).",
      "N");
  const QCommandLineOption hangupAfter(
      "hangup-after",
      "Pseudo-terminal: hang up MS milliseconds after the start, as a pulled "
      "cable would (stopping the simulator does the same).",
      "MS");
  const QCommandLineOption quiet("quiet",
                                 "Do not print the commands received (printed, control bytes and bytes "
                                 "127-255 show as \\xNN).");
  const QCommandLineOption help({"h", "help"}, "Show this help.");
  const QCommandLineOption version("version", "Show the version.");
  parser.addOptions({port, listen, pty, config, generate, reply, closeAfter});
  std::vector<std::pair<QCommandLineOption, bool zem::SimOptions::*>> flags;
  for (const Switch& f : kSwitches) {
    flags.emplace_back(QCommandLineOption(f.name, f.description), f.flag);
    parser.addOption(flags.back().first);
  }
  parser.addOptions({trickle, ignoreCommand, hangupAfter, quiet, help, version});

  if (!parser.parse(arguments)) return Usage(parser, Text(parser.errorText()));
  if (parser.isSet(help)) {
    std::fputs(HelpText(parser).c_str(), stdout);
    return 0;
  }
  if (parser.isSet(version)) {
    std::fputs("zem-unit-sim " ZEM_VERSION "\n", stdout);
    return 0;
  }
  if (!parser.positionalArguments().isEmpty())
    return Usage(parser, "unexpected argument '" + Text(parser.positionalArguments().front()) + "'");

  zem::SimOptions& sim = settings.sim;
  for (const auto& [option, flag] : flags) sim.*flag = parser.isSet(option);
  settings.pty = parser.isSet(pty);
  settings.quiet = parser.isSet(quiet);
  if (parser.isSet(config)) settings.configFile = QFile::encodeName(parser.value(config)).toStdString();
  if (parser.isSet(port)) {
    const std::optional<int> n = Number(parser.value(port));
    if (!n || *n > 65535) return Usage(parser, "bad port '" + Text(parser.value(port)) + "'");
    settings.port = *n;
  }
  if (parser.isSet(generate)) {
    const QString size = parser.value(generate);
    const qsizetype x = size.indexOf(QLatin1Char('x'));
    const std::optional<int> sources = x < 0 ? std::nullopt : Number(size.left(x));
    const std::optional<int> zones = x < 0 ? std::nullopt : Number(size.mid(x + 1));
    if (!sources || !zones || *sources < 1 || *sources > 16 || *zones < 1 || *zones > 192)
      return Usage(parser, "bad size '" + Text(size) + "' (expected SxZ, at most 16x192)");
    settings.sources = *sources;
    settings.zones = *zones;
  }
  if (parser.isSet(reply)) {
    const std::optional<zem::SimOptions::Reply> r = Find(kReplies, parser.value(reply));
    if (!r) return Usage(parser, "bad reply '" + Text(parser.value(reply)) + "'");
    sim.reply = *r;
  }
  if (parser.isSet(trickle)) {
    const std::optional<zem::SimOptions::Trickle> t = Find(kTrickles, parser.value(trickle));
    if (!t) return Usage(parser, "bad trickle '" + Text(parser.value(trickle)) + "'");
    sim.trickle = *t;
  }
  if (parser.isSet(closeAfter)) {
    const std::optional<int> n = Number(parser.value(closeAfter));
    if (!n) return Usage(parser, "bad count '" + Text(parser.value(closeAfter)) + "'");
    sim.closeAfter = *n;
  }
  for (const QString& value : parser.values(ignoreCommand)) {
    const std::optional<int> n = Number(value);
    if (!n || *n < 1) return Usage(parser, "bad command number '" + Text(value) + "'");
    sim.ignoreCommands.push_back(*n);
  }
  if (parser.isSet(hangupAfter)) {
    const std::optional<int> ms = Number(parser.value(hangupAfter));
    if (!ms) return Usage(parser, "bad time '" + Text(parser.value(hangupAfter)) + "'");
    sim.hangupAfterMs = *ms;
  }
  if ((settings.port < 0) == !settings.pty) return Usage(parser, "give either --port N or --pty");
  if (sim.hangupAfterMs >= 0 && !settings.pty) return Usage(parser, "--hangup-after needs --pty");
  if (sim.holdPort && !settings.pty) return Usage(parser, "--hold-port needs --pty");
  if (sim.fullBacklog && settings.pty) return Usage(parser, "--full-backlog needs --port");
  if (parser.isSet(listen)) settings.listenText = Text(parser.value(listen));
  if (!settings.pty && parser.isSet(listen) && !settings.listen.setAddress(parser.value(listen)))
    return Usage(parser, "bad listen address '" + settings.listenText + "'");
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  Settings settings;
  if (const std::optional<int> status = ParseArguments(QCoreApplication::arguments(), settings))
    return *status;
  zem::SimOptions& options = settings.sim;

  if (!settings.configFile.empty()) {
    std::string error;
    const std::optional<std::string> text = zem::ReadWholeFile(settings.configFile, &error);
    if (!text) {
      std::fprintf(stderr, "zem-unit-sim: cannot read %s: %s\n", settings.configFile.c_str(), error.c_str());
      return 2;
    }
    options.configLines = zem::ConfigurationLines(*text);
  } else {
    options.configLines = zem::GenerateConfiguration(settings.sources, settings.zones);
  }

  zem::UnitSim sim(options);
  std::string error;
  if (settings.pty) {
    if (!sim.OpenPty(&error)) {
      std::fprintf(stderr, "zem-unit-sim: cannot open a pseudo-terminal: %s\n", error.c_str());
      return 1;
    }
    std::printf("Serial device: %s\n", sim.PtyPath().c_str());
  } else {
    const std::string& listen = settings.listenText;
    const bool listening = options.fullBacklog
                               ? sim.ListenFullBacklog(static_cast<quint16>(settings.port), &error)
                               : sim.ListenTcp(static_cast<quint16>(settings.port), settings.listen, &error);
    if (!listening) {
      std::fprintf(stderr, "zem-unit-sim: cannot listen on %s:%d: %s\n", listen.c_str(), settings.port,
                   error.c_str());
      return 1;
    }
    std::printf("Listening on %s:%u\n", listen.c_str(), static_cast<unsigned>(sim.TcpPort()));
  }
  std::printf("Serving %zu configuration lines.\n", options.configLines.size());
  std::fflush(stdout);
  const bool quiet = settings.quiet;
  QObject::connect(&sim, &zem::UnitSim::CommandRecorded, [quiet](const std::string& line) {
    if (quiet) return;
    std::printf("received: %s\n", zem::PrintableCommand(line).c_str());
    std::fflush(stdout);
  });
  QObject::connect(&sim, &zem::UnitSim::CommandDropped, [quiet](const std::string& line) {
    if (quiet) return;
    std::printf("dropped: %s (answered, not taken)\n", zem::PrintableCommand(line).c_str());
    std::fflush(stdout);
  });
  if (settings.pty) QObject::connect(&sim, &zem::UnitSim::Closed, &app, &QCoreApplication::quit);
  return app.exec();
}
