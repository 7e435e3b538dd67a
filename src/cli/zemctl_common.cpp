// Pieces every zemctl command shares.
#include <cstdio>

#include "cli/zemctl.h"

namespace zem {

void PrintError(const std::string& message) { std::fprintf(stderr, "zemctl: %s\n", message.c_str()); }

bool WantsHelp(const std::vector<std::string>& args) {
  for (const auto& a : args)
    if (a == "--help" || a == "-h") return true;
  return false;
}

int Usage(const char* help, const std::string& problem) {
  PrintError(problem);
  std::fputs(help, stderr);
  return 2;
}

std::string LogText(const TextLog& log) {
  std::string text;
  for (std::size_t i = 0; i < log.LineCount(); ++i) {
    text += log.Line(i);
    text += '\n';
  }
  return text;
}

}  // namespace zem
