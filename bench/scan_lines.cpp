// A bare line scanner as a program of its own, to be timed the way
// `zemctl check` is (perf stat), so that both pay for starting a process
// and for the memory they touch:
//   scan_lines [--getline] FILE.zem
// prints the number of command lines and the sum of their second bytes.
#include <cstdio>
#include <cstring>
#include <string>

#include "line_scanners.h"

int main(int argc, char** argv) {
  const bool byLine = argc == 3 && std::strcmp(argv[1], "--getline") == 0;
  if (argc != 2 + (byLine ? 1 : 0)) {
    std::fputs("Usage: scan_lines [--getline] FILE.zem\n", stderr);
    return 2;
  }
  const std::string path = argv[argc - 1];
  const zem::bench::ScanResult result =
      byLine ? zem::bench::ScanFileByLine(path) : zem::bench::ScanFile(path);
  std::printf("%zu %u\n", result.commands, result.letters);
  return 0;
}
