#pragma once

#include <QSlider>
#include <QString>
#include <functional>

namespace zem {

// A track bar that tells assistive technology what its readout shows rather
// than its raw position (a gain slider at position 5 stands for -5 dB), and
// that shows the keyboard focus the style's usual way also when vertical.
class ValueSlider : public QSlider {
  Q_OBJECT

 public:
  // What the slider stands for at a position: the number its readout shows
  // and the text said for it ("-5 dB").
  struct Reading {
    std::function<int(int position)> number;
    std::function<QString(int position)> text;
  };

  explicit ValueSlider(Qt::Orientation orientation, QWidget* parent = nullptr);

  void SetReading(Reading reading) { reading_ = std::move(reading); }
  int ShownNumber(int position) const;
  int ShownNumber() const { return ShownNumber(value()); }
  QString ShownText() const;
  // The smallest and largest shown numbers, and the step between two positions.
  int ShownMinimum() const;
  int ShownMaximum() const;
  int ShownStep() const;
  // Moves to the position whose shown number is nearest `number`.
  void SetShownNumber(int number);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Reading reading_;
};

// Readings of the pages' sliders.
namespace readings {
// A vertical gain slider: the position is minus the gain ("+3 dB", "-5 dB").
ValueSlider::Reading Gain();
// The position in a unit: "-20 dB", "40 Hz".
ValueSlider::Reading Plain(const QString& unit);
// Balance: "left 25 dB", "right 30 dB", "centre".
ValueSlider::Reading Balance();
// The position names an entry of `texts` ("100%"), whose leading number is
// the shown number.
ValueSlider::Reading Named(std::function<QString(int position)> texts);
}  // namespace readings

}  // namespace zem
