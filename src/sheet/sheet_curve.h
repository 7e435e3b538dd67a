#pragma once

#include <QLineF>
#include <QPointF>
#include <QString>
#include <vector>

#include "sheet/sheet_document.h"

namespace zem {

// A curve's picture as plain shapes in its own units (kWidth by kHeight,
// y downwards), so that the HTML writes it as SVG and the pages draw it with
// a painter, both as vectors: the dB grid, its labels and the curve itself.
struct CurveDrawing {
  static constexpr double kWidth = 200, kHeight = 100;
  struct Label {
    QPointF at;  // the text's baseline: its middle (bottom labels) or its right end (dB labels)
    QString text;
    bool rightAligned = false;
  };
  std::vector<QLineF> grid;  // faint lines, every 5 dB and at each band
  QLineF zero;               // the 0 dB line, darker
  std::vector<Label> labels;
  std::vector<QPointF> points;             // the ten bands, 32 Hz first
  static constexpr double kLabelSize = 7;  // text height of the labels
};

CurveDrawing DrawCurve(const BandCurve& curve);

}  // namespace zem
