// zemctl: the configuration tools of the window, for scripts and batch work.
#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "cli/zemctl.h"

namespace {

const char kUsage[] =
    "Usage: zemctl COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  check FILE.zem                 read a configuration file and print the log\n"
    "  convert IN.zem -o OUT.zem      write what an export right after importing IN writes\n"
    "  pull (--telnet HOST[:PORT] | --serial DEVICE) -o OUT.zem\n"
    "                                 import a configuration from a unit into a file\n"
    "  diff A B                       compare two configurations, each a file or a unit\n"
    "  push IN.zem (--telnet HOST[:PORT] | --serial DEVICE)\n"
    "                                 send a configuration file to a unit\n"
    "  dump FILE.zem --json [-o OUT.json]\n"
    "                                 write a configuration as JSON, for scripts\n"
    "  build FILE.json -o OUT.zem     write a configuration file from such JSON\n"
    "\n"
    "Run 'zemctl COMMAND --help' for the options of a command, 'zemctl --version'\n"
    "for the version.\n";

}  // namespace

int main(int argc, char** argv) {
  // Past a file-size limit (ulimit -f) a write to standard output fails
  // with "File too large" and is reported, rather than ending the program
  // without a word.
  std::signal(SIGXFSZ, SIG_IGN);
  QCoreApplication app(argc, argv);
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return zem::kExitUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    std::fputs(kUsage, stdout);
    return zem::kExitOk;
  }
  if (args[0] == "--version") {
    std::fputs("zemctl " ZEM_VERSION "\n", stdout);
    return zem::kExitOk;
  }
  const std::map<std::string, int (*)(const std::vector<std::string>&)> commands = {
      {"check", zem::RunCheck}, {"convert", zem::RunConvert}, {"diff", zem::RunDiff},  {"pull", zem::RunPull},
      {"push", zem::RunPush},   {"dump", zem::RunDump},       {"build", zem::RunBuild}};
  auto it = commands.find(args[0]);
  if (it == commands.end()) {
    zem::PrintError("unknown command '" + args[0] + "'");
    std::fputs(kUsage, stderr);
    return zem::kExitUsage;
  }
  return it->second(std::vector<std::string>(args.begin() + 1, args.end()));
}
