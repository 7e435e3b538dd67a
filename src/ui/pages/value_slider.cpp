#include "ui/pages/value_slider.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QPainter>
#include <QStyleOptionSlider>
#include <cstdlib>
#include <limits>

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

QAccessibleInterface* MakeValueSliderAccessible(const QString& className, QObject* object) {
  if (className == QLatin1String("zem::ValueSlider") && object && object->isWidgetType())
    return new ValueSliderAccessible(static_cast<ValueSlider*>(object));
  return nullptr;
}

// The number a text such as "75%" begins with.
int LeadingNumber(const QString& text) {
  qsizetype end = 0;
  if (end < text.size() && (text[end] == u'-' || text[end] == u'+')) ++end;
  while (end < text.size() && text[end].isDigit()) ++end;
  return text.left(end).toInt();
}

}  // namespace

ValueSlider::ValueSlider(Qt::Orientation orientation, QWidget* parent) : QSlider(orientation, parent) {
  static const bool installed = [] {
    QAccessible::installFactory(MakeValueSliderAccessible);
    return true;
  }();
  (void)installed;
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
  // slider whose minimum is +10 dB that fill would read as a level. The
  // groove is drawn without it, the thumb with the style's own colours, so
  // that it shows the keyboard focus as the style does on any slider.
  QStyleOptionSlider groove = option;
  groove.subControls = QStyle::SC_SliderGroove;
  if (tickPosition() != NoTicks) groove.subControls |= QStyle::SC_SliderTickmarks;
  groove.state &= ~QStyle::State_HasFocus;
  groove.palette.setColor(QPalette::Highlight, groove.palette.color(QPalette::Button).darker(115));
  style()->drawComplexControl(QStyle::CC_Slider, &groove, &painter, this);
  option.subControls = QStyle::SC_SliderHandle;
  style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
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
