#pragma once

#include <string>
#include <string_view>

namespace zem {

// Bytes as text safe to print and to read back: control bytes, bytes 127-255
// and the backslash as \xNN (\x1b, \x5c), the rest as they are, so no byte
// that passed on a link can reach a terminal as an escape sequence.
inline std::string EscapedBytes(std::string_view bytes) {
  constexpr std::string_view kHex = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size());
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 32 || c > 126 || ch == '\\') {
      text += "\\x";
      text += kHex[c >> 4];
      text += kHex[c & 0xF];
    } else {
      text += ch;
    }
  }
  return text;
}

}  // namespace zem
