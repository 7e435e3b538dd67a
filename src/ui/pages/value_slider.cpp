#include "ui/pages/value_slider.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStyleOptionSlider>
#include <cstdlib>
#include <limits>

#include "ui/pages/accessible_factory.h"

namespace zem {

namespace {

class ValueSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit ValueSliderAccessible(ValueSlider* slider) : QAccessibleWidget(slider, QAccessible::Slider) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return Slider()->ShownText();
    return QAccessibleWidget::text(t);
  }
  QVariant currentValue() const override { return Slider()->ShownNumber(); }
  void setCurrentValue(const QVariant& value) override { Slider()->SetShownNumber(value.toInt()); }
  QVariant maximumValue() const override { return Slider()->ShownMaximum(); }
  QVariant minimumValue() const override { return Slider()->ShownMinimum(); }
  QVariant minimumStepSize() const override { return Slider()->ShownStep(); }

 private:
  ValueSlider* Slider() const { return static_cast<ValueSlider*>(widget()); }
};

// The number a text such as "75%" begins with.
int LeadingNumber(const QString& text) {
  qsizetype end = 0;
  if (end < text.size() && (text[end] == u'-' || text[end] == u'+')) ++end;
  while (end < text.size() && text[end].isDigit()) ++end;
  return text.left(end).toInt();
}

}  // namespace

ValueSlider::ValueSlider(Qt::Orientation orientation, QWidget* parent) : QSlider(orientation, parent) {
  InstallAccessibleFactory<ValueSlider, ValueSliderAccessible>();
}

int ValueSlider::ShownNumber(int position) const {
  return reading_.number ? reading_.number(position) : position;
}

QString ValueSlider::ShownText() const {
  return reading_.text ? reading_.text(value()) : QString::number(value());
}

int ValueSlider::ShownMinimum() const {
  int least = std::numeric_limits<int>::max();
  for (int p = minimum(); p <= maximum(); ++p) least = std::min(least, ShownNumber(p));
  return least;
}

int ValueSlider::ShownMaximum() const {
  int most = std::numeric_limits<int>::min();
  for (int p = minimum(); p <= maximum(); ++p) most = std::max(most, ShownNumber(p));
  return most;
}

int ValueSlider::ShownStep() const {
  if (minimum() >= maximum()) return 1;
  return std::max(1, std::abs(ShownNumber(minimum() + 1) - ShownNumber(minimum())));
}

void ValueSlider::SetShownNumber(int number) {
  int best = value();
  int bestDistance = std::numeric_limits<int>::max();
  for (int p = minimum(); p <= maximum(); ++p) {
    const int distance = std::abs(ShownNumber(p) - number);
    if (distance < bestDistance) {
      best = p;
      bestDistance = distance;
    }
  }
  setValue(best);
}

void ValueSlider::paintEvent(QPaintEvent* event) {
  if (orientation() != Qt::Vertical) {
    QSlider::paintEvent(event);
    return;
  }
  QPainter painter(this);
  QStyleOptionSlider option;
  initStyleOption(&option);
  // Some styles fill the groove from the minimum to the thumb; on a gain
  // slider whose minimum is +10 dB that fill would read as a level, so the
  // highlight colour is muted. Such a style may show the focus in that
  // colour too: the focus is shown by the style's focus frame instead,
  // under the style's own rule of when to show it.
  option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
  if (tickPosition() != NoTicks) option.subControls |= QStyle::SC_SliderTickmarks;
  const bool focused = option.state.testFlag(QStyle::State_HasFocus);
  option.state &= ~QStyle::State_HasFocus;
  option.palette.setColor(QPalette::Highlight, option.palette.color(QPalette::Button).darker(115));
  style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
  if (!focused) return;
  QStyleOptionFocusRect frame;
  frame.initFrom(this);
  frame.rect = style()->subElementRect(QStyle::SE_SliderFocusRect, &option, this);
  style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, this);
}

namespace readings {

ValueSlider::Reading Gain() {
  return {[](int position) { return -position; },
          [](int position) {
            const int gain = -position;
            return (gain > 0 ? QString("+%1 dB") : QString("%1 dB")).arg(gain);
          }};
}

ValueSlider::Reading Plain(const QString& unit) {
  return {nullptr, [unit](int position) { return QString("%1 %2").arg(position).arg(unit); }};
}

ValueSlider::Reading Balance() {
  return {nullptr, [](int position) {
            if (position < 0) return QString("left %1 dB").arg(-position);
            if (position > 0) return QString("right %1 dB").arg(position);
            return QString("centre");
          }};
}

ValueSlider::Reading Named(std::function<QString(int position)> texts) {
  return {[texts](int position) { return LeadingNumber(texts(position)); }, texts};
}

}  // namespace readings

}  // namespace zem
