#include "companion/LabelPlacer.h"

#include <algorithm>

namespace {

// Pixels kept clear around a label.
constexpr double kClearance = 1;
// Places tried round a point before the whole area is searched, and the
// step of that search.
constexpr int kNearTries = 6;
constexpr double kScanStep = 4;

}  // namespace

LabelPlacer::LabelPlacer(const QRectF& within, const QFontMetricsF& fm, const QRectF& outer)
    : within_(within), outer_(outer.isNull() ? within : outer), fm_(fm) {}

void LabelPlacer::AvoidLine(const QPolygonF& line) {
  for (qsizetype i = 1; i < line.size(); ++i) segments_.emplace_back(line[i - 1], line[i]);
}

void LabelPlacer::AvoidPath(const PlotPath& path) {
  AvoidLine(path.points);
  if (path.closed && path.points.size() > 2) segments_.emplace_back(path.points.back(), path.points.front());
}

bool LabelPlacer::FreeIn(const QRectF& box, const QRectF& bounds) const {
  if (!bounds.contains(box)) return false;
  const QRectF clear = box.adjusted(-kClearance, -kClearance, kClearance, kClearance);
  if (std::any_of(rects_.begin(), rects_.end(), [&](const QRectF& r) { return r.intersects(clear); }))
    return false;
  return std::none_of(segments_.begin(), segments_.end(),
                      [&](const QLineF& s) { return SegmentMeetsRect(s, clear); });
}

PlotText LabelPlacer::Beside(QPointF at, const QString& text, Ink ink) {
  const QSizeF size = TextSize(fm_, text);
  for (int away = 0; away < kNearTries; ++away) {
    const double lift = away * size.height() * 0.75;
    const double right = kLabelGap + away * 4;
    const double left = -kLabelGap - away * 4 - size.width();
    const QPointF corners[] = {
        {right, -size.height() - 2 - lift}, {right, 2 + lift}, {left, -size.height() - 2 - lift},
        {left, 2 + lift}, {right, -size.height() / 2 - lift}, {left, -size.height() / 2 + lift},
        {-size.width() / 2, -size.height() - kLabelGap - lift}, {-size.width() / 2, kLabelGap + lift}};
    for (const QPointF& corner : corners) {
      const QRectF box(at + corner, size);
      if (Free(box)) return Take(box, text, ink);
    }
  }
  // Where every free place's leader would cross a label, one that crosses.
  std::optional<QRectF> nearest;
  for (const bool clear_leader : {true, false}) {
    if (!nearest) nearest = NearestFree(at, size, within_, clear_leader);
    if (!nearest) nearest = NearestFree(at, size, outer_, clear_leader);
  }
  if (!nearest) return Take(MovedInside(QRectF(at + QPointF(kLabelGap, -size.height() - 2), size)), text, ink);
  PlotText label = Take(*nearest, text, ink);
  label.leader = QLineF(at, LeaderEnd(at, *nearest));
  return label;
}

PlotText LabelPlacer::At(const QRectF& box, const QString& text, Ink ink, Qt::Alignment align) {
  AvoidRect(box);
  return {box, text, ink, align, std::nullopt};
}

std::optional<QRectF> LabelPlacer::NearestFree(QPointF at, QSizeF size, const QRectF& bounds, bool clear_leader) const {
  std::optional<QRectF> nearest;
  double best = 0;
  for (double y = bounds.top(); y + size.height() <= bounds.bottom(); y += kScanStep) {
    for (double x = bounds.left(); x + size.width() <= bounds.right(); x += kScanStep) {
      const QRectF box(QPointF(x, y), size);
      const QPointF apart = box.center() - at;
      const double distance = QPointF::dotProduct(apart, apart);
      if ((!nearest || distance < best) && FreeIn(box, bounds) && (!clear_leader || LeaderClear(at, box))) {
        nearest = box;
        best = distance;
      }
    }
  }
  return nearest;
}

bool LabelPlacer::LeaderClear(QPointF at, const QRectF& box) const {
  const QLineF leader(at, LeaderEnd(at, box));
  return std::none_of(rects_.begin(), rects_.end(),
                      [&](const QRectF& r) { return !r.contains(at) && SegmentMeetsRect(leader, r); });
}

QPointF LabelPlacer::LeaderEnd(QPointF at, const QRectF& box) {
  return {std::clamp(at.x(), box.left(), box.right()), std::clamp(at.y(), box.top(), box.bottom())};
}

PlotText LabelPlacer::Take(const QRectF& box, const QString& text, Ink ink) {
  AvoidRect(box);
  return {box, text, ink, Qt::AlignLeft | Qt::AlignVCenter, std::nullopt};
}

QRectF LabelPlacer::MovedInside(QRectF box) const {
  box.moveLeft(std::clamp(box.left(), within_.left(), std::max(within_.left(), within_.right() - box.width())));
  box.moveTop(std::clamp(box.top(), within_.top(), std::max(within_.top(), within_.bottom() - box.height())));
  return box;
}
