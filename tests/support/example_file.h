#pragma once

// The text of a file of examples/, for the suites and benchmarks that work
// on a real configuration. Needs ZEM_SOURCE_DIR; empty when unreadable.

#include <fstream>
#include <sstream>
#include <string>

namespace zem::test {

inline std::string ExampleText(const std::string& name) {
  std::ifstream file(std::string(ZEM_SOURCE_DIR) + "/examples/" + name, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace zem::test
