#include "ui/zoneaudio/manual_tick_slider.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>

namespace zem {

ManualTickSlider::ManualTickSlider(QWidget* parent) : ValueSlider(Qt::Horizontal, parent) {
  // The style draws no ticks of its own; paintEvent adds the chosen ones.
  setTickPosition(QSlider::NoTicks);
}

void ManualTickSlider::SetTick(int value) {
  if (std::find(ticks_.begin(), ticks_.end(), value) == ticks_.end()) ticks_.push_back(value);
  update();
}

void ManualTickSlider::paintEvent(QPaintEvent* event) {
  ValueSlider::paintEvent(event);

  QStyleOptionSlider option;
  initStyleOption(&option);
  const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
  const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
  const int span = std::max(1, groove.width() - handle.width());
  const int first = groove.x() + handle.width() / 2;

  std::vector<int> values = ticks_;
  values.push_back(minimum());
  values.push_back(maximum());

  QPainter painter(this);
  painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  const int tickLength = 4;
  const int above = std::max(0, handle.top() - tickLength - 1);
  const int below = std::min(height() - tickLength, handle.bottom() + 2);
  for (int value : values) {
    if (value < minimum() || value > maximum()) continue;
    const int x = first + QStyle::sliderPositionFromValue(minimum(), maximum(), value, span, false);
    painter.drawLine(x, above, x, above + tickLength - 1);
    painter.drawLine(x, below, x, below + tickLength - 1);
  }
}

}  // namespace zem
