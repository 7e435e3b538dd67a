#include "ui/matrix/color_swatch_widget.h"

#include <QPainter>

namespace zem {

ColorSwatchWidget::ColorSwatchWidget(const QColor& fill, QWidget* parent) : QWidget(parent), fill_(fill) {}

void ColorSwatchWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  painter.fillRect(rect().adjusted(1, 1, -1, -1), fill_);
}

}  // namespace zem
