// zemctl: the configuration tools of the window, for scripts and batch work.
#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/zemctl.h"
#include "cli/zemctl_platform.h"
#include "sheet/sheet_fonts.h"

int main(int argc, char** argv) {
  zem::PrepareProcess();
  std::vector<std::string> args(argv + 1, argv + argc);
  // The sheet lays out and draws text, which needs the GUI side of Qt but
  // never a display: the offscreen platform, unless the user names one.
  std::unique_ptr<QCoreApplication> app;
  if (!args.empty() && args[0] == "sheet") {
    zem::SetEnvironmentDefault("QT_QPA_PLATFORM", "offscreen");
    app = std::make_unique<QGuiApplication>(argc, argv);
    zem::LoadFontsBeside(QCoreApplication::applicationDirPath());
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
    if (args[0] == command->name)
      return zem::FinishTrace(command->run(std::vector<std::string>(args.begin() + 1, args.end())),
                              "zemctl " ZEM_VERSION);
  zem::PrintError("unknown command '" + args[0] + "'");
  std::fputs(zem::ProgramHelpText().c_str(), stderr);
  return zem::kExitUsage;
}
