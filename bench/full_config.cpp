#include "full_config.h"

#include <string_view>

namespace zem::bench {
namespace {

constexpr int kZones = 192;
constexpr int kSources = 16;
constexpr int kTen = 10;

class Writer {
 public:
  Writer& operator<<(std::string_view piece) {
    text_ += piece;
    return *this;
  }
  Writer& operator<<(int n) {
    text_ += std::to_string(n);
    return *this;
  }
  void End() { text_ += "\r\n"; }
  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
};

}  // namespace

std::string FullConfigText() {
  Writer w;
  auto line = [&w](auto&&... pieces) {
    ((w << pieces), ...);
    w.End();
  };
  line("[SD1]");
  line("[FPL0]");
  line("[IRL1]");
  line();
  for (int s = 1; s <= kSources; ++s) line("[NI", s, "\"Source ", s, " in\"]");
  for (int z = 1; z <= kZones; ++z) {
    line();
    line("[NO", z, "\"Room number ", z, "\"]");
    line("[VO", z, "R-", z % 80, "]");
    const int mode = z % 5;
    line("[EO", z, "M", mode, "]");
    if (z % 2) {
      line("[BO", z, "L", z % 40, "]");
    } else {
      line("[BO", z, "R", z % 40, "]");
    }
    switch (mode) {
      case 1:
        for (int b = 1; b <= kTen; ++b) line("[EO", z, "B", b, "L", (z + b) % 21 - 10, "]");
        break;
      case 2:
        line("[EO", z, "P", z % kTen, "]");
        break;
      case 3:
        line("[TO", z, "B", z % 25 - 12, "T", 12 - z % 25, "]");
        break;
      case 4:
        line("[EO", z, "LP", 40 + z, "]");
        break;
      default:
        break;
    }
  }
  line("[RAR]");
  line();
  // Every other source is restricted; the favorites use the others.
  for (int z = 1; z <= kZones; ++z)
    for (int s = 1; s <= kSources; ++s)
      if ((z + s) % 2 == 0) line("[RPO", z, "I", s, "]");
  line("[GAR]");
  for (int z = 1; z <= kZones; ++z)
    for (int g = 1; g <= kTen; ++g) line("[G", g, "AO", z, "]");
  line();
  line("[FAR]");
  static constexpr std::string_view kKinds[] = {"I", "AI", "VI"};
  for (int f = 1; f <= kTen; ++f) {
    for (int z = 1; z <= kZones; ++z) {
      const int s = (z + f) % kSources + 1;
      line("[F", f, "AO", z, kKinds[(z + f) % 3], (z + s) % 2 ? s : s % kSources + 1, "]");
    }
  }
  for (int n = 1; n <= kTen; ++n) line("[NF", n, "\"Favorite ", n, "\"]");
  for (int n = 1; n <= kTen; ++n) line("[NG", n, "\"Group ", n, "\"]");
  for (int n = 1; n <= kTen; ++n) {
    line("[NEP", n, "\"Preset curve ", n, "\"]");
    for (int b = 1; b <= kTen; ++b) line("[EP", n, "B", b, "L", (n * b) % 21 - 10, "]");
  }
  line("[DHCP0]");
  line("[IP192.168.1.50]");
  line("[NM255.255.255.0]");
  line("[GW192.168.1.1]");
  line("[EC]");
  return w.Take();
}

}  // namespace zem::bench
