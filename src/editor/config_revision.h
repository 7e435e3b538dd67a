#pragma once

#include <cstdint>
#include <functional>
#include <utility>

namespace zem {

// Counts the changes of the configuration, that is of what an export writes.
// Whoever changes it (a page's logic, a view writing the model, code) bumps
// the count once per change, and the one listener hears of each at once.
class ConfigRevision {
 public:
  std::uint64_t Current() const { return current_; }
  void Bump() {
    ++current_;
    if (onBump_) onBump_();
  }
  void SetOnBump(std::function<void()> onBump) { onBump_ = std::move(onBump); }

 private:
  std::uint64_t current_ = 0;
  std::function<void()> onBump_;
};

}  // namespace zem
