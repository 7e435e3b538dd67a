#pragma once

#include <array>
#include <cassert>
#include <cstddef>

namespace zem {

// A fixed table addressed by the numbers the unit uses: entry 1 is the first.
// Callers check numbers that come from outside with Contains() first; the
// assertion only guards the program's own loops.
template <typename T, int N>
class NumberedTable {
 public:
  static constexpr int kSize = N;

  static constexpr bool Contains(long long n) { return n >= 1 && n <= N; }

  T& operator[](int n) {
    assert(Contains(n));
    return items_[static_cast<std::size_t>(n - 1)];
  }
  const T& operator[](int n) const {
    assert(Contains(n));
    return items_[static_cast<std::size_t>(n - 1)];
  }

  auto begin() { return items_.begin(); }
  auto end() { return items_.end(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  bool operator==(const NumberedTable&) const = default;

 private:
  std::array<T, N> items_{};
};

}  // namespace zem
