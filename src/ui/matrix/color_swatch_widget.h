#pragma once

#include <QColor>
#include <QWidget>

namespace zem {

// A legend swatch: a rectangle filled with one colour inside a one-pixel
// black border.
class ColorSwatchWidget : public QWidget {
  Q_OBJECT

 public:
  ColorSwatchWidget(const QColor& fill, QWidget* parent = nullptr);
  QColor Fill() const { return fill_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor fill_;
};

}  // namespace zem
