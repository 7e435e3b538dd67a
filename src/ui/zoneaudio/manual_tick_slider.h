#pragma once

#include <vector>
#include "ui/pages/value_slider.h"

namespace zem {

// A horizontal track bar whose tick marks stand only at chosen values (and
// at both ends), on both sides of the groove.
class ManualTickSlider : public ValueSlider {
 public:
  explicit ManualTickSlider(QWidget* parent = nullptr);

  // Adds a tick at `value`; values outside the range are not drawn.
  void SetTick(int value);
  const std::vector<int>& Ticks() const { return ticks_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<int> ticks_;
};

}  // namespace zem
