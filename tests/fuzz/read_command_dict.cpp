// Writes the libFuzzer dictionary of the command reader, made from the
// patterns of kCommandTable: every literal piece of every pattern (a piece
// ends where a field begins), then a few bytes and numbers that the reader
// treats specially. Usage: read_command_dict OUTPUT
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "command/command_table.h"

namespace {

// A dictionary entry: the bytes in quotes, escaped as libFuzzer reads them.
std::string Entry(std::string_view bytes) {
  std::string entry = "\"";
  for (unsigned char c : bytes) {
    if (c == '"' || c == '\\' || c < 0x20 || c >= 0x7F) {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      entry += escaped;
    } else {
      entry += static_cast<char>(c);
    }
  }
  return entry + "\"";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
    return 2;
  }
  std::vector<std::string> pieces;
  auto add = [&](std::string piece) {
    if (piece.empty()) return;
    for (const std::string& known : pieces)
      if (known == piece) return;
    pieces.push_back(std::move(piece));
  };
  for (const zem::CommandEntry& entry : zem::kCommandTable) {
    std::string piece;
    zem::ForEachToken(entry.pattern, [&](zem::PatternToken token) {
      if (token.part == zem::PatternPart::Literal) {
        piece += token.byte;
      } else {
        add(std::move(piece));
        piece.clear();
      }
    });
    add(std::move(piece));
  }
  add("-");           // the sign of a number
  add("2147483648");  // the first number beyond 32 bits
  add("\xff");        // the highest byte, kept in names
  add("\n");          // ends the stretch in which a text must end

  std::FILE* out = std::fopen(argv[1], "w");
  if (!out) {
    std::perror(argv[1]);
    return 1;
  }
  std::fprintf(out, "# Pieces of the command forms, for libFuzzer's -dict option; generated.\n");
  for (const std::string& piece : pieces) std::fprintf(out, "%s\n", Entry(piece).c_str());
  return std::fclose(out) == 0 ? 0 : 1;
}
