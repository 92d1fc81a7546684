#include "companion/PlotParts.h"

#include <algorithm>
#include <cmath>

namespace {

// An axis with more ticks than this has a step too fine to read.
constexpr int kMaxTicks = 50;

bool Drawable(double step) { return std::isfinite(step) && step > 0; }

}  // namespace

double NiceStep(double about) {
  const double power = std::pow(10.0, std::floor(std::log10(about)));
  for (const double m : {1.0, 2.0, 5.0}) {
    if (m * power >= about) return m * power;
  }
  return 10 * power;
}

double NiceStepBelow(double about) {
  const double power = std::pow(10.0, std::floor(std::log10(about)));
  for (const double m : {5.0, 2.0}) {
    if (m * power <= about) return m * power;
  }
  return power;
}

std::vector<double> NiceTicks(double lo, double hi, double length, double pixels) {
  std::vector<double> ticks;
  if (!(hi > lo) || !(length > 0)) return ticks;
  const double step = NiceStep((hi - lo) * pixels / length);
  if (!Drawable(step)) return ticks;
  const double first = std::floor(lo / step) + 1;
  // A tick a rounding above hi still counts; hi may be negative.
  const double last = hi + std::fabs(hi) * 1e-9;
  for (int i = 0; i < kMaxTicks; ++i) {
    const double v = (first + i) * step;
    if (v > last) break;
    ticks.push_back(v);
  }
  return ticks;
}

QString ShortNumber(double v) { return QString::number(v, 'g', 4); }

QSizeF TextSize(const QFontMetricsF& fm, const QString& text) {
  return {fm.horizontalAdvance(text) + 2, fm.height()};
}

bool SegmentMeetsRect(const QLineF& segment, const QRectF& r) {
  if (r.contains(segment.p1()) || r.contains(segment.p2())) return true;
  const QLineF edges[] = {{r.topLeft(), r.topRight()}, {r.topRight(), r.bottomRight()},
                          {r.bottomRight(), r.bottomLeft()}, {r.bottomLeft(), r.topLeft()}};
  return std::any_of(std::begin(edges), std::end(edges), [&](const QLineF& e) {
    return segment.intersects(e, nullptr) == QLineF::BoundedIntersection;
  });
}
