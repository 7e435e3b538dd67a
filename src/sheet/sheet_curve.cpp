#include "sheet/sheet_curve.h"

#include <algorithm>
#include <cstdlib>

namespace zem {
namespace {

constexpr const char* kBandLabels[kBands] = {"32", "64", "125", "250", "500", "1K", "2K", "4K", "8K", "16K"};
// The plot's place in the picture: room on the left for the dB labels and
// below for the frequencies.
constexpr double kLeft = 24, kRight = 194, kTop = 6, kBottom = 84;

}  // namespace

CurveDrawing DrawCurve(const BandCurve& curve) {
  // The bands' range (-10 to +10 dB), or wider in 5 dB steps for a value
  // beyond it, so every point lies on the grid.
  int reach = 10;
  for (const int band : curve) reach = std::max(reach, (std::abs(band) + 4) / 5 * 5);
  const double step = (kRight - kLeft) / (kBands - 1);
  const auto y = [reach](double dB) { return kTop + (reach - dB) * (kBottom - kTop) / (2.0 * reach); };

  CurveDrawing d;
  const int labelEvery = reach <= 20 ? 5 : reach / 2;
  for (int dB = -reach; dB <= reach; dB += 5) {
    const QLineF line(kLeft, y(dB), kRight, y(dB));
    if (dB == 0) {
      d.zero = line;
    } else {
      d.grid.push_back(line);
    }
    if (dB % labelEvery == 0 || dB == reach || dB == -reach)
      d.labels.push_back({QPointF(kLeft - 3, y(dB) + CurveDrawing::kLabelSize / 3),
                          (dB > 0 ? "+" : "") + QString::number(dB), true});
  }
  for (int b = 0; b < kBands; ++b) {
    const double x = kLeft + b * step;
    d.grid.push_back(QLineF(x, kTop, x, kBottom));
    d.labels.push_back({QPointF(x, kBottom + CurveDrawing::kLabelSize + 3), kBandLabels[b], false});
    d.points.push_back(QPointF(x, y(curve[static_cast<std::size_t>(b)])));
  }
  return d;
}

}  // namespace zem
