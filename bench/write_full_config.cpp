// Writes `copies` full configurations one after another to standard output:
// the large file the import benchmarks and docs/performance.md use.
//   write_full_config 40 > full40.zem
#include <cstdio>
#include <cstdlib>
#include <string>

#include "full_config.h"

int main(int argc, char** argv) {
  const long copies = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1;
  if (argc > 2 || copies < 1 || copies > 1000) {
    std::fputs("Usage: write_full_config [COPIES 1-1000] > FILE.zem\n", stderr);
    return 2;
  }
  const std::string text = zem::bench::FullConfigText();
  for (long i = 0; i < copies; ++i)
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) return 1;
  return std::fflush(stdout) == 0 ? 0 : 1;
}
