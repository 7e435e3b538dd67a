#pragma once

#include <cstdint>

namespace zem {

// A serial line at 9600 bps: ten bits a byte, so 0.96 bytes a millisecond.
// Once the line was idle the first byte goes at once; after that bytes go
// no faster than the line carries them. Times are milliseconds on any
// steady clock.
class LinePace {
 public:
  // The line was idle: bytes go again from `nowMs`.
  void Restart(std::int64_t nowMs) {
    startMs_ = nowMs;
    passed_ = 0;
  }
  // Bytes come again after a pause: the pause is not made up for later, and
  // the first byte goes at once unless one has only just gone.
  void Resume(std::int64_t nowMs) {
    if (Budget(nowMs) > 1) Restart(nowMs);
  }
  // How many more bytes the line has carried by `nowMs`.
  std::int64_t Budget(std::int64_t nowMs) const { return (nowMs - startMs_) * 96 / 100 + 1 - passed_; }
  void Pass(std::int64_t bytes) { passed_ += bytes; }
  // How long from `nowMs` until the next byte is due, at least 1 ms.
  int WaitMs(std::int64_t nowMs) const {
    // The first millisecond m at which (m * 96) / 100 + 1 > passed.
    const std::int64_t dueMs = startMs_ + (passed_ * 100 + 95) / 96;
    return static_cast<int>(dueMs > nowMs ? dueMs - nowMs : 1);
  }

 private:
  std::int64_t startMs_ = 0;
  std::int64_t passed_ = 0;
};

}  // namespace zem
