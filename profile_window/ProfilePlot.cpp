#include "profile_window/ProfilePlot.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <QFontMetricsF>

#include "companion/LabelPlacer.h"
#include "hydraulics/exact/reason_text.h"

namespace exact = hydraulics::exact;

namespace {

// Ticks aim at this spacing on the screen.
constexpr double kAlongTickPixels = 70;
constexpr double kUpTickPixels = 36;
// Room left beyond the stations at either end, as a share of their span.
constexpr double kAlongMargin = 0.04;
// The N–N and K–K lines are drawn where they lie within this many times the
// deepest station above the bed, a closed section's crown within
// kCrownReach times the highest of those; higher ones are marked at the top
// edge with their depth, so that a far line does not flatten the profile.
constexpr double kLineReach = 3;
constexpr double kCrownReach = 1.6;
// Shares of the vertical span: room for labels above the highest line, and
// ground below the lowest bed.
constexpr double kHeadroom = 0.18;
constexpr double kGroundShare = 0.08;
// N–N and K–K closer than this on the screen are labelled as one line.
constexpr double kSameLinePixels = 3;
// The control section's line stands this many pixels above its water.
constexpr double kControlOverhang = 16;
// The label placer avoids the surface as a line of points this far apart:
// thinned to pixel columns a profile still has thousands.
constexpr double kAvoidSpacing = 8;

double Bed(double S0, double x) { return -S0 * x; }

QString Metres(double v) { return ShortNumber(v) + QStringLiteral(" 米"); }

// Keeps points at least `spacing` apart, and the last one.
QPolygonF Sparse(const QPolygonF& points, double spacing) {
  QPolygonF out;
  for (qsizetype i = 0; i < points.size(); ++i) {
    if (out.isEmpty() || i + 1 == points.size() || QLineF(out.back(), points[i]).length() >= spacing)
      out << points[i];
  }
  return out;
}

// Where a profile that reaches the critical depth ends: a supercritical flow
// rising to it has jumped before it; a subcritical one falling to it along
// the flow drops over a fall.
QString StopName(const exact::Profile& p) {
  const exact::ProfileStation& first = p.stations.front();
  const exact::ProfileStation& last = p.stations.back();
  const bool downstream = last.x > first.x;
  const bool subcritical = p.critical_depth && first.h > *p.critical_depth;
  return downstream && subcritical ? QStringLiteral("跌水") : QStringLiteral("水跃");
}

// A line parallel to the bed at `depth` above it.
struct BedLine {
  double depth;
  QString label;
  Ink ink;
  Stroke stroke;
  bool drawn = false;
};

}  // namespace

QPointF ProfilePlot::Map(double x, double z) const {
  const double sx = frame.width() / (along.hi - along.lo);
  const double sz = frame.height() / (up.hi - up.lo);
  return {frame.left() + (x - along.lo) * sx, frame.bottom() - (z - up.lo) * sz};
}

QPolygonF ThinToColumns(const QPolygonF& points) {
  QPolygonF out;
  qsizetype i = 0;
  while (i < points.size()) {
    const double column = std::floor(points[i].x());
    qsizetype j = i;
    qsizetype high = i;
    qsizetype low = i;
    for (; j < points.size() && std::floor(points[j].x()) == column; ++j) {
      if (points[j].y() < points[high].y()) high = j;
      if (points[j].y() > points[low].y()) low = j;
    }
    std::array<qsizetype, 4> keep{i, high, low, j - 1};
    std::sort(keep.begin(), keep.end());
    for (qsizetype k = 0; k < 4; ++k) {
      if (k == 0 || keep[k] != keep[k - 1]) out << points[keep[k]];
    }
    i = j;
  }
  return out;
}

QString DescribeProfile(const ProfilePicture& picture) {
  const exact::Profile* p = picture.profile.get();
  if (!p || p->stations.empty()) return picture.explanation;
  std::string name;
  exact::AppendProfileName(name, *p);
  const exact::ProfileStation& last = p->stations.back();
  QString text = QString::fromStdString(name) +
                 QStringLiteral("：从控制断面 x = 0（水深 %1）到 x = %2（水深 %3）")
                     .arg(Metres(p->stations.front().h), Metres(last.x), Metres(last.h));
  if (p->critical_depth) text += QStringLiteral("，临界水深 %1").arg(Metres(*p->critical_depth));
  if (p->normal_depth) text += QStringLiteral("，正常水深 %1").arg(Metres(*p->normal_depth));
  if (p->stop == exact::ProfileStop::CriticalDepth)
    text += QStringLiteral("，在 x = %1 处达到临界水深（%2）").arg(Metres(last.x), StopName(*p));
  return text;
}

ProfilePlot PlotProfile(const ProfilePicture& picture, QSizeF size, const QFont& font) {
  ProfilePlot plot;
  const exact::Profile* p = picture.profile.get();
  if (!p || p->stations.empty()) {
    plot.explanation = picture.explanation;
    return plot;
  }
  const QFontMetricsF fm(font);
  const QRectF area(QPointF(0, 0), size);
  const double S0 = picture.S0;
  const std::vector<exact::ProfileStation>& stations = p->stations;

  // Along the flow: the stations and the control section, a little beyond.
  double x_lo = 0;
  double x_hi = 0;
  double deepest = 0;
  for (const exact::ProfileStation& s : stations) {
    x_lo = std::min(x_lo, s.x);
    x_hi = std::max(x_hi, s.x);
    deepest = std::max(deepest, s.h);
  }
  double span = x_hi - x_lo;
  if (!(span > 0)) span = std::max(10 * deepest, 1.0);
  plot.along.lo = x_lo - kAlongMargin * span;
  plot.along.hi = x_hi + kAlongMargin * span;
  if (!(x_hi > x_lo)) {
    plot.along.lo = x_lo - span / 2;
    plot.along.hi = x_hi + span / 2;
  }

  // Up: the bed over that reach and the lines above it.
  const double bed_low = std::min(Bed(S0, plot.along.lo), Bed(S0, plot.along.hi));
  const double bed_high = std::max(Bed(S0, plot.along.lo), Bed(S0, plot.along.hi));
  double top = bed_low;
  for (const exact::ProfileStation& s : stations) top = std::max(top, Bed(S0, s.x) + s.h);
  std::vector<BedLine> lines;
  if (p->critical_depth)
    lines.push_back({*p->critical_depth, QStringLiteral("K–K  h_k = %1").arg(ShortNumber(*p->critical_depth)),
                     Ink::Critical, Stroke::Dotted});
  if (p->normal_depth)
    lines.push_back({*p->normal_depth, QStringLiteral("N–N  h_0 = %1").arg(ShortNumber(*p->normal_depth)),
                     Ink::Normal, Stroke::Dashed});
  double highest_line = deepest;
  for (BedLine& line : lines) {
    line.drawn = line.depth <= kLineReach * deepest;
    if (line.drawn) {
      top = std::max(top, bed_high + line.depth);
      highest_line = std::max(highest_line, line.depth);
    }
  }
  if (picture.crown) {
    BedLine crown{*picture.crown, QStringLiteral("断面顶"), Ink::Guide, Stroke::Dashed};
    crown.drawn = *picture.crown <= kCrownReach * highest_line;
    if (crown.drawn) top = std::max(top, bed_high + crown.depth);
    lines.push_back(crown);
  }
  double rise = top - bed_low;
  if (!(rise > 0)) rise = std::max(deepest, 1e-3);
  plot.up.lo = bed_low - kGroundShare * rise;
  plot.up.hi = top + kHeadroom * rise;

  // The frame: tick values left of it and below it, the axes' titles above
  // its left edge and under the values on the right.
  const double line_height = fm.height();
  QRectF frame = area.adjusted(52, line_height + 10, -14, -(2 * line_height + 12));
  plot.up.ticks = NiceTicks(plot.up.lo, plot.up.hi, frame.height(), kUpTickPixels);
  double widest = 0;
  for (const double v : plot.up.ticks) widest = std::max(widest, TextSize(fm, ShortNumber(v)).width());
  frame.setLeft(area.left() + widest + 12);
  if (!(frame.width() > 20 && frame.height() > 20)) {
    plot.explanation = picture.explanation;
    return plot;
  }
  plot.frame = frame;
  plot.along.ticks = NiceTicks(plot.along.lo, plot.along.hi, frame.width(), kAlongTickPixels);
  auto map = [&plot](double x, double z) { return plot.Map(x, z); };
  auto on_bed = [&](double x, double depth) { return map(x, Bed(S0, x) + depth); };

  LabelPlacer placer(frame.adjusted(2, 2, -2, -2), fm, area);
  auto add = [&](PlotPath path, bool avoided = true) {
    if (avoided) placer.AvoidPath(path);
    plot.paths.push_back(std::move(path));
  };

  // Ground under the bed, and the water between the bed and the surface.
  const QPointF bed_from = on_bed(plot.along.lo, 0);
  const QPointF bed_to = on_bed(plot.along.hi, 0);
  add({{bed_from, bed_to, map(plot.along.hi, plot.up.lo), map(plot.along.lo, plot.up.lo)}, Ink::Ground, Stroke::Solid,
       1, true, true},
      false);
  QPolygonF surface;
  surface.reserve(static_cast<qsizetype>(stations.size()));
  for (const exact::ProfileStation& s : stations) surface << on_bed(s.x, s.h);
  surface = ThinToColumns(surface);
  QPolygonF water = surface;
  water << on_bed(stations.back().x, 0) << on_bed(stations.front().x, 0);
  add({water, Ink::Water, Stroke::Solid, 1, true, true}, false);
  add({{bed_from, bed_to}, Ink::Outline, Stroke::Solid, 1.5});

  // The lines parallel to the bed; those out of reach marked at the top edge.
  int beyond = 0;
  std::vector<std::pair<QPointF, const BedLine*>> line_labels;
  for (const BedLine& line : lines) {
    if (line.drawn) {
      add({{on_bed(plot.along.lo, line.depth), on_bed(plot.along.hi, line.depth)}, line.ink, line.stroke, 1.2});
      continue;
    }
    const QPointF at(frame.right() - 10 - 14 * beyond++, frame.top());
    plot.marks.push_back({at, line.ink, PlotMark::Kind::Beyond});
    placer.AvoidMark(at);
    line_labels.emplace_back(at, &line);
  }

  // The control section: a wall from the bed to above its water.
  const double h1 = stations.front().h;
  const QPointF control_foot = on_bed(0, 0);
  const QPointF control_top = on_bed(0, h1) - QPointF(0, kControlOverhang);
  add({{control_foot, control_top}, Ink::Text, Stroke::Solid, 2.5});

  const PlotPath surface_path{surface, Ink::Surface, Stroke::Solid, 2};
  plot.paths.push_back(surface_path);
  placer.AvoidLine(Sparse(surface, kAvoidSpacing));

  // Axes and their ticks.
  add({{frame.bottomLeft(), frame.bottomRight()}, Ink::Text});
  add({{frame.bottomLeft(), frame.topLeft()}, Ink::Text});
  for (const double v : plot.along.ticks) {
    const QPointF at(map(v, plot.up.lo).x(), frame.bottom());
    plot.paths.push_back({{at, at + QPointF(0, 4)}, Ink::Text});
    const QSizeF box = TextSize(fm, ShortNumber(v));
    plot.texts.push_back(placer.At(QRectF(QPointF(at.x() - box.width() / 2, at.y() + 5), box), ShortNumber(v),
                                   Ink::Text, Qt::AlignCenter));
  }
  for (const double v : plot.up.ticks) {
    const QPointF at(frame.left(), map(plot.along.lo, v).y());
    plot.paths.push_back({{at, at - QPointF(4, 0)}, Ink::Text});
    const QSizeF box = TextSize(fm, ShortNumber(v));
    plot.texts.push_back(placer.At(QRectF(QPointF(at.x() - 6 - box.width(), at.y() - box.height() / 2), box),
                                   ShortNumber(v), Ink::Text, Qt::AlignRight | Qt::AlignVCenter));
  }
  const QString x_title = QStringLiteral("x（米，顺水流方向）");
  const QSizeF x_box = TextSize(fm, x_title);
  plot.texts.push_back(placer.At(QRectF(QPointF(frame.right() - x_box.width(), frame.bottom() + 5 + line_height), x_box),
                                 x_title, Ink::Text, Qt::AlignRight | Qt::AlignVCenter));
  const QString z_title = QStringLiteral("高程 z（米，控制断面渠底为 0）");
  plot.texts.push_back(placer.At(QRectF(QPointF(area.left() + 4, frame.top() - line_height - 6), TextSize(fm, z_title)),
                                 z_title, Ink::Text, Qt::AlignLeft | Qt::AlignVCenter));

  // The marks first, so that no label covers another's point.
  struct Label {
    QPointF at;
    QString text;
    Ink ink;
  };
  std::vector<Label> labels;
  const QPointF control_point = on_bed(0, h1);
  plot.marks.push_back({control_point, Ink::Surface, PlotMark::Kind::Dot});
  placer.AvoidMark(control_point);
  labels.push_back({control_top, QStringLiteral("控制断面 h1 = %1").arg(ShortNumber(h1)), Ink::Text});

  const exact::ProfileStation& last = stations.back();
  if (p->stop == exact::ProfileStop::CriticalDepth || p->stop == exact::ProfileStop::Crown) {
    const QPointF at = on_bed(last.x, last.h);
    const bool critical = p->stop == exact::ProfileStop::CriticalDepth;
    plot.marks.push_back({at, critical ? Ink::Critical : Ink::Guide, PlotMark::Kind::Dot});
    placer.AvoidMark(at);
    labels.push_back({at,
                      critical ? QStringLiteral("%1 x = %2").arg(StopName(*p), ShortNumber(last.x))
                               : QStringLiteral("满流 x = %1").arg(ShortNumber(last.x)),
                      critical ? Ink::Critical : Ink::Guide});
  } else if (stations.size() > 1) {
    labels.push_back({on_bed(last.x, last.h), QStringLiteral("h = %1").arg(ShortNumber(last.h)), Ink::Surface});
  }

  if (p->approach_x && *p->approach_x != 0) {
    const double ax = *p->approach_x;
    const QString length = p->kind == exact::ProfileKind::Backwater ? QStringLiteral("壅水长度") : QStringLiteral("降水长度");
    const QString text = QStringLiteral("%1 %2").arg(length, ShortNumber(std::fabs(ax)));
    if (ax >= plot.along.lo && ax <= plot.along.hi) {
      const QPointF at = on_bed(ax, p->approach_depth);
      plot.marks.push_back({at, Ink::Normal, PlotMark::Kind::Hollow});
      placer.AvoidMark(at);
      labels.push_back({at, text, Ink::Normal});
    } else {
      const bool left = ax < plot.along.lo;
      const double edge_x = left ? plot.along.lo : plot.along.hi;
      QPointF at = on_bed(edge_x, p->approach_depth);
      at.setX(left ? frame.left() : frame.right());
      at.setY(std::clamp(at.y(), frame.top(), frame.bottom()));
      plot.marks.push_back({at, Ink::Normal, PlotMark::Kind::Beyond});
      placer.AvoidMark(at);
      labels.push_back({at, left ? QStringLiteral("← ") + text : text + QStringLiteral(" →"), Ink::Normal});
    }
  }

  // The type by the middle of the surface, the lines' names away from the
  // control section, where they are clear of its label.
  const exact::ProfileStation& middle = stations[stations.size() / 2];
  labels.push_back({on_bed(middle.x, middle.h), [&] {
                      std::string name;
                      exact::AppendProfileName(name, *p);
                      return QString::fromStdString(name);
                    }(),
                    Ink::Surface});
  const double away = std::fabs(plot.along.lo) > std::fabs(plot.along.hi) ? plot.along.lo : plot.along.hi;
  const double label_x = away + (0 - away) * 0.12;
  // On a critical bed N–N and K–K are one line: one label names both.
  const bool one_line = p->critical_depth && p->normal_depth && lines[0].drawn && lines[1].drawn &&
                        std::fabs(on_bed(0, lines[0].depth).y() - on_bed(0, lines[1].depth).y()) < kSameLinePixels;
  if (one_line) {
    labels.push_back({on_bed(label_x, lines[1].depth),
                      QStringLiteral("N–N、K–K  h_0 ≈ h_k = %1").arg(ShortNumber(lines[1].depth)), Ink::Normal});
  }
  for (size_t i = one_line ? 2 : 0; i < lines.size(); ++i) {
    if (lines[i].drawn) labels.push_back({on_bed(label_x, lines[i].depth), lines[i].label, lines[i].ink});
  }
  for (const auto& [at, line] : line_labels)
    labels.push_back({at, line->label + QStringLiteral(" ↑"), line->ink});

  for (const Label& l : labels) plot.texts.push_back(placer.Beside(l.at, l.text, l.ink));
  return plot;
}
