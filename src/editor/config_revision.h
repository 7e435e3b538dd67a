#pragma once

#include <cstdint>
#include <functional>
#include <utility>

namespace zem {

class Editor;
class FavoritesLogic;
class MatrixLogic;
class OptionsLogic;
class ZoneAudioLogic;

// Counts the changes of the configuration, that is of what an export writes.
// Only the editor and its page logic change the configuration, so only they
// bump the count, once per change; the one listener hears of each at once.
// A view or a tool changes it through them and cannot forget the bump.
class ConfigRevision {
 public:
  std::uint64_t Current() const { return current_; }

 private:
  friend class Editor;
  friend class FavoritesLogic;
  friend class MatrixLogic;
  friend class OptionsLogic;
  friend class ZoneAudioLogic;

  void Bump() {
    ++current_;
    if (onBump_) onBump_();
  }
  void SetOnBump(std::function<void()> onBump) { onBump_ = std::move(onBump); }

  std::uint64_t current_ = 0;
  std::function<void()> onBump_;
};

}  // namespace zem
