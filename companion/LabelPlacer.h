#pragma once
// Places a drawing's labels where nothing else is: not over another label, a
// point, or any line drawn in the panel, and inside the area they may use.

#include <optional>
#include <vector>

#include <QFontMetricsF>

#include "companion/PlotParts.h"

// Pixels: the gap between a label and what it names.
inline constexpr double kLabelGap = 6;

class LabelPlacer {
public:
  // Labels go within `within`, or where nothing is free there, anywhere in
  // `outer`, which holds it.
  LabelPlacer(const QRectF& within, const QFontMetricsF& fm, const QRectF& outer = {});

  void AvoidRect(const QRectF& r) { rects_.push_back(r); }
  void AvoidLine(const QPolygonF& line);
  void AvoidPath(const PlotPath& path);
  void AvoidMark(QPointF at) { AvoidRect(QRectF(at - QPointF(5, 5), QSizeF(10, 10))); }

  bool Free(const QRectF& box) const { return FreeIn(box, within_); }
  bool FreeIn(const QRectF& box, const QRectF& bounds) const;

  // A label beside `at`: the first free place among those round it, nearest
  // first; failing those, the free place nearest to it anywhere in the area,
  // with a leader back to `at`; failing that too, beside it all the same.
  PlotText Beside(QPointF at, const QString& text, Ink ink);

  // A label whose place is given; it is avoided by those placed later.
  PlotText At(const QRectF& box, const QString& text, Ink ink, Qt::Alignment align);

private:
  std::optional<QRectF> NearestFree(QPointF at, QSizeF size, const QRectF& bounds, bool clear_leader) const;
  bool LeaderClear(QPointF at, const QRectF& box) const;
  static QPointF LeaderEnd(QPointF at, const QRectF& box);
  PlotText Take(const QRectF& box, const QString& text, Ink ink);
  QRectF MovedInside(QRectF box) const;

  QRectF within_;
  QRectF outer_;
  QFontMetricsF fm_;
  std::vector<QRectF> rects_;
  std::vector<QLineF> segments_;
};
