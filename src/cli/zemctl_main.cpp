// zemctl: the configuration tools of the window, for scripts and batch work.
#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/zemctl.h"

int main(int argc, char** argv) {
  // Past a file-size limit (ulimit -f) a write to standard output fails
  // with "File too large" and is reported, rather than ending the program
  // without a word.
  std::signal(SIGXFSZ, SIG_IGN);
  QCoreApplication app(argc, argv);
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(zem::ProgramHelpText().c_str(), stderr);
    return zem::kExitUsage;
  }
  const zem::OptionRow* option = zem::FindOption(zem::ProgramOptions(), args[0]);
  if ((option != nullptr && option->id == zem::OptionId::Help) || args[0] == "help") {
    std::fputs(zem::ProgramHelpText().c_str(), stdout);
    return zem::kExitOk;
  }
  if (option != nullptr && option->id == zem::OptionId::Version) {
    std::fputs("zemctl " ZEM_VERSION "\n", stdout);
    return zem::kExitOk;
  }
  for (const zem::CommandEntry* command : zem::Commands())
    if (args[0] == command->name) return command->run(std::vector<std::string>(args.begin() + 1, args.end()));
  zem::PrintError("unknown command '" + args[0] + "'");
  std::fputs(zem::ProgramHelpText().c_str(), stderr);
  return zem::kExitUsage;
}
