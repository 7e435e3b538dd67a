// zemctl: the configuration tools of the window, for scripts and batch work.
#include <QCoreApplication>
#include <QGuiApplication>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "cli/zemctl.h"

int main(int argc, char** argv) {
  // Past a file-size limit (ulimit -f) a write to standard output fails
  // with "File too large" and is reported, rather than ending the program
  // without a word.
  std::signal(SIGXFSZ, SIG_IGN);
  std::vector<std::string> args(argv + 1, argv + argc);
  // The sheet lays out and draws text, which needs the GUI side of Qt but
  // never a display: the offscreen platform, unless the user names one.
  std::unique_ptr<QCoreApplication> app;
  if (!args.empty() && args[0] == "sheet") {
    if (const char* platform = std::getenv("QT_QPA_PLATFORM"); !platform || !*platform)
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
    app = std::make_unique<QGuiApplication>(argc, argv);
  } else {
    app = std::make_unique<QCoreApplication>(argc, argv);
  }
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
