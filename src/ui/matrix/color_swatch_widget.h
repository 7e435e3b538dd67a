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

// A legend swatch of 17 x 13 pixels with its top left corner at (left, top).
inline ColorSwatchWidget* AddSwatch(QWidget* page, const char* name, const QColor& fill, int left, int top) {
  auto* swatch = new ColorSwatchWidget(fill, page);
  swatch->setObjectName(QString::fromLatin1(name));
  swatch->setGeometry(left, top, 17, 13);
  return swatch;
}

}  // namespace zem
