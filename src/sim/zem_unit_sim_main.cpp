// zem-unit-sim: a simulated unit to try the program and zemctl without
// hardware, over TCP (Telnet Mode) or a pseudo-terminal (Serial Mode).
#include <QCoreApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "sim/sim_config.h"
#include "sim/unit_sim.h"
#include "transfer/file_io.h"

namespace {

const char kHelp[] =
    "Usage: zem-unit-sim (--port N | --pty) [OPTIONS]\n"
    "\n"
    "Plays a ZEM unit: answers the configuration query \"[QXSB]\" with its\n"
    "configuration and answers every command of an export, printing each one.\n"
    "A command answered \"(OK)\" (or echoed) is taken: from the first one on, the\n"
    "query is answered with what an export of the configuration and the commands\n"
    "taken writes. \"[RAR]\", \"[GAR]\" and \"[FAR]\" empty the restrictions, the\n"
    "groups and the favorites. A command answered \"(ERROR)\" changes nothing.\n"
    "\n"
    "Links:\n"
    "  --port N          listen for Telnet connections on TCP port N (0: any free\n"
    "                    port; the port is printed)\n"
    "  --listen ADDRESS  address to listen on (default 127.0.0.1)\n"
    "  --pty             open a pseudo-terminal pair and print the device path to\n"
    "                    open in Serial Mode (for example /dev/pts/5)\n"
    "\n"
    "Configuration served:\n"
    "  --config FILE.zem serve the command lines of FILE\n"
    "  --generate SxZ    serve a made-up configuration of S sources and Z zones\n"
    "                    (default 8x24; 16x192 is the largest unit)\n"
    "  --crlf            end the lines with CR LF instead of CR\n"
    "\n"
    "Answers to commands:\n"
    "  --reply ok|echo|error   \"(OK)\" (default), the command itself, or \"(ERROR)\"\n"
    "\n"
    "Faults:\n"
    "  --silent          never answer anything\n"
    "  --close-after N   close the connection after answering N commands\n"
    "  --close-mid-import  send half the configuration, then close\n"
    "  --junk            send control bytes and bytes 127-255 between lines\n"
    "  --byte-per-write  send every byte in a write of its own\n"
    "  --no-end-marker   never send the end marker (\"(QX)\" or \"[QXSB]\")\n"
    "  --trailing-bytes  send a command right after the end marker\n"
    "  --pace            send at 9600 bps (about one byte a millisecond)\n"
    "  --endless         repeat the configuration without end\n"
    "  --endless-dropped after the configuration, send without end only bytes\n"
    "                    a reader drops (line feeds, bytes 128-255, Telnet\n"
    "                    negotiation); no end marker\n"
    "  --flood-replies   from the first command on, send \"(OK)\" without end\n"
    "  --trickle KIND    send two bytes a second without end, after the\n"
    "                    configuration (no end marker) and instead of answers:\n"
    "                    cr (bare CRs), unended (a line or answer never ended),\n"
    "                    lines (a configuration line or \"(OK)\" each time)\n"
    "  --ignore-command N  answer the N-th command received (counted from 1) with\n"
    "                    \"(OK)\" but do not take it, as a unit that drops a line\n"
    "                    (may be given more than once)\n"
    "  --hangup-after MS pseudo-terminal: hang up MS milliseconds after start, as\n"
    "                    a pulled cable (stopping the simulator does the same)\n"
    "  --quiet           do not print the commands received (printed, control\n"
    "                    bytes and bytes 127-255 show as \\xNN)\n"
    "\n"
    "Other:\n"
    "  --help            show this help\n"
    "  --version         show the version\n"
    "\n"
    "Stop it with Ctrl-C.\n";

int Usage(const std::string& problem) {
  std::fprintf(stderr, "zem-unit-sim: %s\n", problem.c_str());
  std::fputs(kHelp, stderr);
  return 2;
}

bool ParseNumber(const std::string& text, int* value) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  *value = std::stoi(text);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const std::vector<std::string> args(argv + 1, argv + argc);
  zem::SimOptions options;
  int port = -1;
  bool pty = false;
  bool quiet = false;
  std::string listen = "127.0.0.1";
  std::string configFile;
  int sources = 8;
  int zones = 24;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--help" || a == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    } else if (a == "--version") {
      std::fputs("zem-unit-sim " ZEM_VERSION "\n", stdout);
      return 0;
    } else if (a == "--port" && hasValue) {
      if (!ParseNumber(args[++i], &port) || port > 65535) return Usage("bad port '" + args[i] + "'");
    } else if (a == "--listen" && hasValue) {
      listen = args[++i];
    } else if (a == "--pty") {
      pty = true;
    } else if (a == "--config" && hasValue) {
      configFile = args[++i];
    } else if (a == "--generate" && hasValue) {
      const std::string& v = args[++i];
      const std::size_t x = v.find('x');
      if (x == std::string::npos || !ParseNumber(v.substr(0, x), &sources) ||
          !ParseNumber(v.substr(x + 1), &zones) || sources < 1 || sources > 16 || zones < 1 || zones > 192)
        return Usage("bad size '" + v + "' (expected SxZ, at most 16x192)");
    } else if (a == "--crlf") {
      options.crlf = true;
    } else if (a == "--reply" && hasValue) {
      const std::string& v = args[++i];
      if (v == "ok") {
        options.reply = zem::SimOptions::Reply::Ok;
      } else if (v == "echo") {
        options.reply = zem::SimOptions::Reply::Echo;
      } else if (v == "error") {
        options.reply = zem::SimOptions::Reply::Error;
      } else {
        return Usage("bad reply '" + v + "'");
      }
    } else if (a == "--silent") {
      options.silent = true;
    } else if (a == "--close-after" && hasValue) {
      if (!ParseNumber(args[++i], &options.closeAfter)) return Usage("bad count '" + args[i] + "'");
    } else if (a == "--close-mid-import") {
      options.closeMidImport = true;
    } else if (a == "--junk") {
      options.junk = true;
    } else if (a == "--byte-per-write") {
      options.bytePerWrite = true;
    } else if (a == "--no-end-marker") {
      options.noEndMarker = true;
    } else if (a == "--trailing-bytes") {
      options.trailingBytes = true;
    } else if (a == "--pace") {
      options.pace = true;
    } else if (a == "--endless") {
      options.endless = true;
    } else if (a == "--endless-dropped") {
      options.endlessDropped = true;
    } else if (a == "--flood-replies") {
      options.floodReplies = true;
    } else if (a == "--trickle" && hasValue) {
      const std::string& v = args[++i];
      if (v == "cr") {
        options.trickle = zem::SimOptions::Trickle::BareCr;
      } else if (v == "unended") {
        options.trickle = zem::SimOptions::Trickle::Unended;
      } else if (v == "lines") {
        options.trickle = zem::SimOptions::Trickle::Lines;
      } else {
        return Usage("bad trickle '" + v + "'");
      }
    } else if (a == "--ignore-command" && hasValue) {
      int n = 0;
      if (!ParseNumber(args[++i], &n) || n < 1) return Usage("bad command number '" + args[i] + "'");
      options.ignoreCommands.push_back(n);
    } else if (a == "--hangup-after" && hasValue) {
      if (!ParseNumber(args[++i], &options.hangupAfterMs)) return Usage("bad time '" + args[i] + "'");
    } else if (a == "--quiet") {
      quiet = true;
    } else {
      return Usage("unexpected argument '" + a + "'");
    }
  }
  if ((port < 0) == !pty) return Usage("give either --port N or --pty");
  if (options.hangupAfterMs >= 0 && !pty) return Usage("--hangup-after needs --pty");

  if (!configFile.empty()) {
    std::string error;
    const std::optional<std::string> text = zem::ReadWholeFile(configFile, &error);
    if (!text) {
      std::fprintf(stderr, "zem-unit-sim: cannot read %s: %s\n", configFile.c_str(), error.c_str());
      return 2;
    }
    options.configLines = zem::ConfigurationLines(*text);
  } else {
    options.configLines = zem::GenerateConfiguration(sources, zones);
  }

  zem::UnitSim sim(options);
  std::string error;
  if (pty) {
    if (!sim.OpenPty(&error)) {
      std::fprintf(stderr, "zem-unit-sim: cannot open a pseudo-terminal: %s\n", error.c_str());
      return 1;
    }
    std::printf("Serial device: %s\n", sim.PtyPath().c_str());
  } else {
    QHostAddress address;
    if (!address.setAddress(QString::fromLatin1(listen.c_str())))
      return Usage("bad listen address '" + listen + "'");
    if (!sim.ListenTcp(static_cast<quint16>(port), address, &error)) {
      std::fprintf(stderr, "zem-unit-sim: cannot listen on %s:%d: %s\n", listen.c_str(), port, error.c_str());
      return 1;
    }
    std::printf("Listening on %s:%u\n", listen.c_str(), static_cast<unsigned>(sim.TcpPort()));
  }
  std::printf("Serving %zu configuration lines.\n", options.configLines.size());
  std::fflush(stdout);
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
  if (pty) QObject::connect(&sim, &zem::UnitSim::Closed, &app, &QCoreApplication::quit);
  return app.exec();
}
