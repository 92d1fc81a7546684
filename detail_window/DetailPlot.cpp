#include "detail_window/DetailPlot.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <QFontMetricsF>

#include "companion/LabelPlacer.h"
#include "hydraulics/exact/conjugate_depths.h"
#include "hydraulics/exact/geometry.h"

namespace exact = hydraulics::exact;

namespace {

// Share of the picture's height the section takes; the curve has the rest.
constexpr double kSectionShare = 0.45;
// Points along each side of a section outline, spaced closer near its bottom
// and crown where a circle turns fastest.
constexpr int kOutlineSamples = 160;
// Depths along the energy curve.
constexpr int kCurveSamples = 400;
// Ticks aim at this spacing on the screen; the depth axis is the shorter
// one and has them closer together.
constexpr double kEnergyTickPixels = 56;
constexpr double kDepthTickPixels = 34;
// An open channel is drawn, and its curve plotted, to this many times h_k,
// so that both branches and the bend between them are seen; or a tenth
// above its normal depth where that is higher.
constexpr double kDepthReach = 2.0;
constexpr double kNormalReach = 1.1;
// A closed section's curve reaches a little above its crown.
constexpr double kCrownReach = 1.08;
// The energy axis runs to this many times E_k, or a little beyond the
// normal state's energy unless that lies above kEnergyCap E_k.
constexpr double kEnergyReach = 2.0;
constexpr double kEnergyCap = 10;
constexpr double kEnergyMargin = 1.08;
// Bisection steps for where the curve leaves the plot: a pixel's share of
// the depth axis long before they run out.
constexpr int kEdgeSteps = 60;
// The scale bar takes at most this share of the section's width.
constexpr double kScaleBarShare = 0.3;

bool Drawable(double scale) { return std::isfinite(scale) && scale > 0; }

// ---- The section -------------------------------------------------------------

// Depths from 0 to `top` at which the outline is traced, with the doorway's
// springing line among them so that the wall meets the arch at a corner.
std::vector<double> OutlineDepths(const exact::Geometry& g, double top) {
  std::vector<double> ys;
  for (int i = 0; i <= kOutlineSamples; ++i)
    ys.push_back(top * (1 - std::cos(std::numbers::pi * i / kOutlineSamples)) / 2);
  if (g.shape == exact::Shape::Doorway && g.wall > 0 && g.wall < top) ys.push_back(g.wall);
  std::sort(ys.begin(), ys.end());
  return ys;
}

double HalfWidth(const exact::Geometry& g, double h) {
  const double w = g.TopWidth(h) / 2;
  return std::isfinite(w) ? w : 0;
}

// The trapezoid described by an average width has no bottom of its own. The
// true trapezoid whose width at half of h_k is W has the window's area W h_k
// and surface width W + m h_k at h_k: it is drawn, and says so.
exact::Section DrawnSection(const exact::Section& s, double critical_depth, QString* note) {
  if (s.shape != exact::Shape::AverageTrapezoid) return s;
  exact::Section drawn = s;
  const double bottom = s.W - critical_depth / s.s;
  if (bottom > 0) {
    drawn.shape = exact::Shape::Trapezoid;
    drawn.b = bottom;
  } else {
    drawn.shape = exact::Shape::Triangle;
  }
  *note = QStringLiteral("底宽按 W − m·h_k = %1 米画出").arg(ShortNumber(std::max(bottom, 0.0)));
  return drawn;
}

struct Surface {
  double depth;
  QString label;
  Ink ink;
  Stroke stroke;
};

std::vector<Surface> Surfaces(const DetailPicture& pic) {
  const exact::CriticalState& k = *pic.analysis.critical;
  std::vector<Surface> surfaces{{k.depth, QStringLiteral("h_k = %1").arg(ShortNumber(k.depth)), Ink::Critical, Stroke::Solid}};
  if (const auto& n = pic.analysis.normal)
    surfaces.push_back({n->depth, QStringLiteral("h_0 = %1").arg(ShortNumber(n->depth)), Ink::Normal, Stroke::Solid});
  if (const auto& d = pic.analysis.at_depth)
    surfaces.push_back({d->depth, QStringLiteral("h = %1").arg(ShortNumber(d->depth)), Ink::Given, Stroke::Solid});
  if (const std::optional<double> shown = pic.shown_depth;
      shown && *shown > 0 && std::isfinite(*shown) && std::fabs(*shown - k.depth) >= kShownDepthTolerance * k.depth)
    surfaces.push_back({*shown, QStringLiteral("计算窗口 %1（%2）").arg(ShortNumber(*shown), DeviationText(*shown, k.depth)),
                        Ink::Shown, Stroke::Dashed});
  return surfaces;
}

// Stacks labels in a column so that none overlaps the next, keeping each as
// close to its own line as the others allow.
void Spread(std::vector<double>& ys, double gap, double top, double bottom) {
  for (size_t i = 1; i < ys.size(); ++i) ys[i] = std::max(ys[i], ys[i - 1] + gap);
  if (!ys.empty() && ys.back() > bottom) ys.back() = bottom;
  for (size_t i = ys.size(); i-- > 1;) ys[i - 1] = std::min(ys[i - 1], ys[i] - gap);
  if (!ys.empty() && ys.front() < top) {
    ys.front() = top;
    for (size_t i = 1; i < ys.size(); ++i) ys[i] = std::max(ys[i], ys[i - 1] + gap);
  }
}

QString SlopeText(const exact::Section& s) { return QStringLiteral("1 : %1").arg(ShortNumber(1 / s.s)); }

PlotPanel SectionPanel(const DetailPicture& pic, const QRectF& area, const QFontMetricsF& fm) {
  PlotPanel panel;
  panel.area = area;
  const exact::Section& s = *pic.section;
  const exact::CriticalState& k = *pic.analysis.critical;
  QString note;
  const exact::Section drawn = DrawnSection(s, k.depth, &note);
  exact::Geometry g;
  if (exact::BuildGeometry(drawn, g)) {
    panel.instead = QStringLiteral("尺寸超出可绘制的范围");
    return panel;
  }
  const bool closed = g.closed();
  const double h0 = pic.analysis.normal ? pic.analysis.normal->depth : 0;
  // The section and its critical and normal states set the drawing's depth;
  // a given depth beyond it is marked at the top.
  const double top = closed ? g.height : std::max(kDepthReach * k.depth, kNormalReach * h0);
  const std::vector<double> ys = OutlineDepths(g, top);
  double widest = 0;
  for (const double y : ys) widest = std::max(widest, 2 * HalfWidth(g, y));

  std::vector<Surface> surfaces = Surfaces(pic);
  std::sort(surfaces.begin(), surfaces.end(), [](const Surface& a, const Surface& b) { return a.depth > b.depth; });
  double column_width = 0;
  for (const Surface& w : surfaces) {
    const QString shown = w.depth > top ? w.label + QStringLiteral(" ↑") : w.label;
    column_width = std::max(column_width, TextSize(fm, shown).width());
  }
  QString side_text;
  if (drawn.shape == exact::Shape::Trapezoid || drawn.shape == exact::Shape::Triangle) side_text = SlopeText(s);
  if (drawn.shape == exact::Shape::Doorway) side_text = QStringLiteral("直墙 %1 米").arg(ShortNumber(drawn.wall));
  // The doorway's crown angle is written above its crown, below the title.
  const double title_height = fm.height() + 8 + (drawn.shape == exact::Shape::Doorway ? fm.height() + 4 : 0);
  const double left = (side_text.isEmpty() ? 0 : TextSize(fm, side_text).width()) + 14;
  const double right = column_width + 26;
  const QRectF frame = area.adjusted(left, title_height + fm.height() / 2, -right, -(2 * fm.height() + 16));
  panel.frame = frame;
  panel.across = {-widest / 2, widest / 2, {}};
  panel.up = {0, top, {}};
  const double scale = std::min(frame.width() / widest, frame.height() / top);
  // Sections at the ends of the double range leave no scale, or none a scale bar can show.
  if (!Drawable(scale) || !Drawable(NiceStepBelow(area.width() * kScaleBarShare / scale))) {
    panel.instead = QStringLiteral("尺寸超出可绘制的范围");
    return panel;
  }
  const double cx = frame.center().x();
  const double by = frame.center().y() + top * scale / 2;
  auto map = [=](double x, double y) { return QPointF(cx + x * scale, by - y * scale); };
  // Both sides up to `upTo`, from the top of the left side down and up the right.
  auto sides = [&](double upTo) {
    std::vector<double> depths;
    for (const double y : ys) {
      if (y < upTo) depths.push_back(y);
    }
    depths.push_back(upTo);
    QPolygonF polygon;
    for (auto y = depths.rbegin(); y != depths.rend(); ++y) polygon << map(-HalfWidth(g, *y), *y);
    for (const double y : depths) polygon << map(HalfWidth(g, y), y);
    return polygon;
  };

  LabelPlacer placer(area, fm);
  const QString title = QStringLiteral("过水断面（纵横同比例）");
  panel.texts.push_back(placer.At(QRectF(QPointF(area.left() + 6, area.top() + 4), TextSize(fm, title)), title,
                                  Ink::Text, Qt::AlignLeft | Qt::AlignVCenter));

  // Water up to the given depth, else the normal, else the critical one.
  const double water = pic.analysis.at_depth ? pic.analysis.at_depth->depth : h0 > 0 ? h0 : k.depth;
  panel.paths.push_back({sides(std::min(water, top)), Ink::Water, Stroke::Solid, 0, true, true});
  PlotPath outline{sides(top), Ink::Outline, Stroke::Solid, 2, closed, false};
  panel.paths.push_back(outline);
  placer.AvoidPath(outline);
  if (!closed) {
    // The banks run on a little beyond the channel.
    const QPointF l = outline.points.front();
    const QPointF r = outline.points.back();
    panel.paths.push_back({{l, l - QPointF(12, 0)}, Ink::Outline, Stroke::Solid, 2});
    panel.paths.push_back({{r, r + QPointF(12, 0)}, Ink::Outline, Stroke::Solid, 2});
  }

  // The surfaces' values go in a column right of the section.
  const double column = cx + widest * scale / 2 + 20;

  // Dimensions: a measured width below the bed, the side slope or the wall
  // left of the section, the crown angle above it.
  auto below = [&](const QString& text, double width) {
    if (width > 0) {
      const QPointF a = map(-width / 2, 0) + QPointF(0, 8);
      const QPointF b = map(width / 2, 0) + QPointF(0, 8);
      panel.paths.push_back({{a, b}, Ink::Text});
      panel.paths.push_back({{a + QPointF(0, -4), a + QPointF(0, 4)}, Ink::Text});
      panel.paths.push_back({{b + QPointF(0, -4), b + QPointF(0, 4)}, Ink::Text});
    }
    // Centred under the section, or as near as the column on the right allows.
    const QSizeF size = TextSize(fm, text);
    const double text_left = std::max(area.left() + 4, std::min(cx - size.width() / 2, column - 4 - size.width()));
    panel.texts.push_back(placer.At(QRectF(QPointF(text_left, by + 12), size), text, Ink::Text, Qt::AlignCenter));
  };
  auto leftOf = [&](const QString& text, double depth) {
    // Right-aligned a little left of the outline's widest point at and above the label.
    const QSizeF size = TextSize(fm, text);
    const QPointF at = map(0, depth);
    double reach = at.x();
    for (const double y : ys) {
      const double py = map(0, y).y();
      if (py >= at.y() - size.height() && py <= at.y() + size.height())
        reach = std::min(reach, map(-HalfWidth(g, y), y).x());
    }
    const QRectF box(QPointF(reach - kLabelGap - size.width(), at.y() - size.height() / 2), size);
    panel.texts.push_back(placer.At(box, text, Ink::Text, Qt::AlignRight | Qt::AlignVCenter));
  };
  switch (s.shape) {
    case exact::Shape::Circle:
      below(QStringLiteral("D = 2R = %1 米").arg(ShortNumber(2 * s.R)), 2 * s.R);
      break;
    case exact::Shape::Rectangle:
      below(QStringLiteral("b = %1 米").arg(ShortNumber(s.b)), s.b);
      break;
    case exact::Shape::Trapezoid:
      below(QStringLiteral("b = %1 米").arg(ShortNumber(s.b)), s.b);
      leftOf(side_text, top * 0.6);
      break;
    case exact::Shape::AverageTrapezoid:
      below(QStringLiteral("平均宽度 W = %1 米").arg(ShortNumber(s.W)), 0);
      leftOf(side_text, top * 0.6);
      break;
    case exact::Shape::Triangle:
      leftOf(side_text, top * 0.6);
      break;
    case exact::Shape::Doorway: {
      below(QStringLiteral("b = %1 米").arg(ShortNumber(s.b)), s.b);
      leftOf(side_text, std::min(s.wall / 2, top / 2));
      const QString arch = QStringLiteral("顶拱 %1°").arg(ShortNumber(s.angle));
      const QSizeF size = TextSize(fm, arch);
      const QPointF crown = map(0, top);
      panel.texts.push_back(placer.At(QRectF(QPointF(crown.x() - size.width() / 2, crown.y() - size.height() - 3), size),
                                      arch, Ink::Text, Qt::AlignCenter));
      break;
    }
  }

  // A scale bar at the bottom left, the note at the bottom right.
  const double bar_metres = NiceStepBelow(area.width() * kScaleBarShare / scale);
  const double bar = bar_metres * scale;
  const QPointF at(area.left() + 8, area.bottom() - fm.height() / 2 - 3);
  panel.paths.push_back({{at, at + QPointF(bar, 0)}, Ink::Text});
  panel.paths.push_back({{at + QPointF(0, -3), at + QPointF(0, 3)}, Ink::Text});
  panel.paths.push_back({{at + QPointF(bar, -3), at + QPointF(bar, 3)}, Ink::Text});
  const QString bar_text = QStringLiteral("%1 米").arg(ShortNumber(bar_metres));
  const QRectF bar_box(QPointF(at.x() + bar + 5, at.y() - fm.height() / 2), TextSize(fm, bar_text));
  panel.texts.push_back(placer.At(bar_box, bar_text, Ink::Text, Qt::AlignLeft | Qt::AlignVCenter));
  if (!note.isEmpty()) {
    // Beside the scale bar where there is room, else on the line above it.
    const QSizeF size = TextSize(fm, note);
    QRectF box(QPointF(area.right() - 6 - size.width(), bar_box.top()), size);
    if (box.left() < bar_box.right() + kLabelGap) box.moveTop(bar_box.top() - fm.height() - 2);
    panel.texts.push_back(placer.At(box, note, Ink::Guide, Qt::AlignRight | Qt::AlignVCenter));
  }

  // Surfaces, each with a leader to its value in a column on the right.
  std::vector<double> tag_ys;
  std::vector<QPointF> tag_from;
  int signs = 0;
  for (const Surface& w : surfaces) {
    if (w.depth > top) {
      // Beyond the drawing: marked at its top edge.
      const QPointF edge = map(widest / 2, top) + QPointF(8, 0);
      panel.marks.push_back({edge, w.ink, PlotMark::Kind::Beyond});
      tag_ys.push_back(edge.y());
      tag_from.push_back(edge);
      continue;
    }
    const double half = HalfWidth(g, w.depth);
    const QPointF l = map(-half, w.depth);
    const QPointF r = map(half, w.depth);
    PlotPath line{{l, r}, w.ink, w.stroke, 1.5};
    panel.paths.push_back(line);
    if (w.stroke == Stroke::Solid)
      panel.marks.push_back({map(half * (0.55 - 0.35 * signs++), w.depth), w.ink, PlotMark::Kind::SurfaceSign});
    tag_ys.push_back(r.y());
    tag_from.push_back(r);
  }
  // Deepest first in `surfaces`, so the column runs top down, between the
  // texts already written above and below it.
  const double gap = fm.height() + 1;
  double column_top = area.top() + 2 + fm.height() / 2;
  double column_bottom = area.bottom() - 2 - fm.height() / 2;
  for (const PlotText& t : panel.texts) {
    if (t.box.right() < column || t.box.left() > column + column_width) continue;
    if (t.box.center().y() < frame.center().y()) column_top = std::max(column_top, t.box.bottom() + 1 + fm.height() / 2);
    else column_bottom = std::min(column_bottom, t.box.top() - 1 - fm.height() / 2);
  }
  Spread(tag_ys, gap, column_top, column_bottom);
  for (size_t i = 0; i < surfaces.size(); ++i) {
    const Surface& w = surfaces[i];
    const QString text = w.depth > top ? w.label + QStringLiteral(" ↑") : w.label;
    const QRectF box(QPointF(column, tag_ys[i] - fm.height() / 2), TextSize(fm, text));
    PlotText tag = placer.At(box, text, w.ink, Qt::AlignLeft | Qt::AlignVCenter);
    tag.leader = QLineF(tag_from[i], QPointF(column - 2, tag_ys[i]));
    panel.texts.push_back(tag);
  }

  return panel;
}

// ---- The energy curve -----------------------------------------------------------

PlotPanel EnergyPanel(const DetailPicture& pic, const QRectF& area, const QFontMetricsF& fm) {
  PlotPanel panel;
  panel.area = area;
  const exact::Section& s = *pic.section;
  const exact::CriticalState& k = *pic.analysis.critical;
  LabelPlacer placer(area, fm);
  const QString title = QStringLiteral("比能曲线 E(h)，Q = %1 米³/秒").arg(ShortNumber(s.Q));
  panel.texts.push_back(placer.At(QRectF(QPointF(area.left() + 6, area.top() + 4), TextSize(fm, title)), title,
                                  Ink::Text, Qt::AlignLeft | Qt::AlignVCenter));
  if (s.shape == exact::Shape::AverageTrapezoid) {
    panel.instead = QStringLiteral("给出底宽 b 后画比能曲线：平均宽度 W 只在临界水深处描述这个断面"
                                   "（面积 W·h_k，水面宽 W + m·h_k），其他水深处的面积和水面宽要由底宽 b 决定。");
    return panel;
  }
  exact::Geometry g;
  if (exact::BuildGeometry(s, g)) {
    panel.instead = QStringLiteral("尺寸超出可绘制的范围");
    return panel;
  }
  const double grav = pic.units.g;
  auto E = [&](double h) { return exact::EnergyAt(g, s.Q, grav, h); };
  // Infinite for an open channel.
  const double crown_height = g.height;

  // The axes from the section and its critical and normal states alone.
  const auto& n = pic.analysis.normal;
  double spanH = kDepthReach * k.depth;
  double spanE = kEnergyReach * k.energy;
  if (n) {
    spanH = std::max(spanH, kNormalReach * n->depth);
    const double normal_energy = E(n->depth);
    if (normal_energy <= kEnergyCap * k.energy) spanE = std::max(spanE, kEnergyMargin * normal_energy);
  }
  spanH = std::min(spanH, kCrownReach * crown_height);
  const double highest = std::min(spanH, crown_height);

  const double tick_width = TextSize(fm, ShortNumber(spanH * 0.99)).width() + 2;
  const QRectF frame =
      area.adjusted(std::max(44.0, tick_width + 12), 2 * fm.height() + 12, -18, -(2 * fm.height() + 12));
  panel.frame = frame;
  const double scaleE = frame.width() / spanE;
  const double scaleH = frame.height() / spanH;
  if (!Drawable(scaleE) || !Drawable(scaleH) || !Drawable(NiceStep(kEnergyTickPixels / scaleE)) ||
      !Drawable(NiceStep(kDepthTickPixels / scaleH))) {
    panel.instead = QStringLiteral("尺寸超出可绘制的范围");
    return panel;
  }
  panel.across = {0, spanE, NiceTicks(0, spanE, frame.width(), kEnergyTickPixels)};
  panel.up = {0, spanH, NiceTicks(0, spanH, frame.height(), kDepthTickPixels)};
  auto map = [=](double e, double h) { return QPointF(frame.left() + e * scaleE, frame.bottom() - h * scaleH); };

  // Axes, ticks and their values outside the frame.
  panel.paths.push_back({{frame.bottomLeft(), frame.bottomRight()}, Ink::Text});
  panel.paths.push_back({{frame.bottomLeft(), frame.topLeft()}, Ink::Text});
  for (const double v : panel.across.ticks) {
    const QPointF at = map(v, 0);
    panel.paths.push_back({{at, at + QPointF(0, 4)}, Ink::Text});
    const QSizeF size = TextSize(fm, ShortNumber(v));
    panel.texts.push_back(placer.At(QRectF(QPointF(at.x() - size.width() / 2, at.y() + 5), size), ShortNumber(v),
                                    Ink::Text, Qt::AlignCenter));
  }
  for (const double v : panel.up.ticks) {
    const QPointF at = map(0, v);
    panel.paths.push_back({{at, at - QPointF(4, 0)}, Ink::Text});
    const QSizeF size = TextSize(fm, ShortNumber(v));
    panel.texts.push_back(placer.At(QRectF(QPointF(at.x() - 6 - size.width(), at.y() - size.height() / 2), size),
                                    ShortNumber(v), Ink::Text, Qt::AlignRight | Qt::AlignVCenter));
  }
  const QString e_title = QStringLiteral("E（米）");
  const QSizeF e_size = TextSize(fm, e_title);
  panel.texts.push_back(placer.At(QRectF(QPointF(frame.right() - e_size.width(), frame.bottom() + 5 + fm.height()), e_size),
                                  e_title, Ink::Text, Qt::AlignRight | Qt::AlignVCenter));
  const QString h_title = QStringLiteral("h（米）");
  panel.texts.push_back(placer.At(QRectF(QPointF(area.left() + 4, frame.top() - fm.height() - 4), TextSize(fm, h_title)),
                                  h_title, Ink::Text, Qt::AlignLeft | Qt::AlignVCenter));

  // Labels of the data inside the frame, or where it is full, anywhere in the
  // panel clear of the ticks' values and the titles.
  LabelPlacer inside(frame.adjusted(2, 2, -2, -2), fm, area);
  for (const PlotText& placed : panel.texts) inside.AvoidRect(placed.box);
  for (const PlotPath& axis : panel.paths) inside.AvoidPath(axis);
  // The asymptote of the upper branch, and the crown.
  const double diagonal = std::min(spanE, spanH);
  const PlotPath asymptote{{map(0, 0), map(diagonal, diagonal)}, Ink::Guide, Stroke::Dashed};
  panel.paths.push_back(asymptote);
  inside.AvoidPath(asymptote);
  std::optional<PlotPath> crown;
  if (crown_height < spanH) {
    crown = PlotPath{{map(0, crown_height), map(spanE, crown_height)}, Ink::Guide, Stroke::Dashed};
    panel.paths.push_back(*crown);
    inside.AvoidPath(*crown);
  }

  // The curve, from where it enters the frame on the lower branch to the top
  // of the frame or the crown; where it leaves the frame between two samples
  // the crossing is found on the curve itself.
  auto crossing = [&](double inside_h, double outside_h) {
    for (int i = 0; i < kEdgeSteps; ++i) {
      const double mid = (inside_h + outside_h) / 2;
      const double e = E(mid);
      (std::isfinite(e) && e <= spanE ? inside_h : outside_h) = mid;
    }
    return inside_h;
  };
  QPolygonF curve;
  double previous = 0;
  bool previous_in = false;
  for (int i = 1; i <= kCurveSamples; ++i) {
    const double t = double(i) / kCurveSamples;
    const double h = highest * t * t * t;
    const double e = E(h);
    const bool in = std::isfinite(e) && e <= spanE;
    if (in && !previous_in && i > 1) {
      const double edge = crossing(h, previous);
      curve << map(E(edge), edge);
    }
    if (in) curve << map(e, h);
    if (!in && previous_in) {
      const double edge = crossing(previous, h);
      curve << map(E(edge), edge);
      break;  // the upper branch does not come back
    }
    previous = h;
    previous_in = in;
  }
  const PlotPath curve_path{curve, Ink::Curve, Stroke::Solid, 2};
  panel.paths.push_back(curve_path);
  inside.AvoidPath(curve_path);

  // The critical depth across to the axis, and the given depth's pair.
  const PlotPath critical_line{{map(0, k.depth), map(k.energy, k.depth)}, Ink::Critical, Stroke::Dotted};
  panel.paths.push_back(critical_line);
  inside.AvoidPath(critical_line);

  struct Point {
    double energy, depth;
    QString name;  // "h_0", for an edge label
    QString label;
    Ink ink;
    PlotMark::Kind kind;
  };
  std::vector<Point> points{{k.energy, k.depth, QStringLiteral("h_k"), QStringLiteral("K：E_min = %1").arg(ShortNumber(k.energy)),
                             Ink::Critical, PlotMark::Kind::Dot}};
  if (n) {
    points.push_back({E(n->depth), n->depth, QStringLiteral("h_0"), QStringLiteral("N：h_0 = %1").arg(ShortNumber(n->depth)),
                      Ink::Normal, PlotMark::Kind::Dot});
  }
  if (const auto& d = pic.analysis.at_depth) {
    points.push_back({d->energy, d->depth, QStringLiteral("h"), QStringLiteral("h = %1").arg(ShortNumber(d->depth)),
                      Ink::Given, PlotMark::Kind::Dot});
    if (d->alternate) {
      points.push_back({d->energy, *d->alternate, QStringLiteral("h_a"),
                        QStringLiteral("h_a = %1").arg(ShortNumber(*d->alternate)), Ink::Given, PlotMark::Kind::Hollow});
      // The two depths of one energy, clipped to the frame.
      const double lo = std::min(d->depth, *d->alternate);
      const double hi = std::min(std::max(d->depth, *d->alternate), spanH);
      if (d->energy <= spanE && lo < spanH) {
        const PlotPath pair{{map(d->energy, lo), map(d->energy, hi)}, Ink::Given, Stroke::Dashed};
        panel.paths.push_back(pair);
        inside.AvoidPath(pair);
      }
    }
  }

  // Every mark first, so that no label covers another's point. A point
  // beyond an axis sits on the frame's edge and its label says where it is.
  struct Placed {
    QPointF at;
    QString text;
    Ink ink;
  };
  std::vector<Placed> labels;
  for (const Point& p : points) {
    const bool right = !(p.energy <= spanE);
    const bool above = !(p.depth <= spanH);
    const QPointF at(right ? frame.right() : map(p.energy, 0).x(), above ? frame.top() : map(0, p.depth).y());
    if (right || above) {
      panel.marks.push_back({at, p.ink, PlotMark::Kind::Beyond});
      QString text = QStringLiteral("%1 = %2").arg(p.name, ShortNumber(p.depth));
      if (above) text += QStringLiteral(" ↑");
      if (right) text += QStringLiteral("，E = %1 →").arg(ShortNumber(p.energy));
      labels.push_back({at, text, p.ink});
    } else {
      panel.marks.push_back({at, p.ink, p.kind});
      labels.push_back({at, p.label, p.ink});
    }
    inside.AvoidMark(at);
  }
  // The asymptote's name above and left of its line, where the curve never
  // comes; the crown's under its line at the right.
  for (const double share : {0.8, 0.6, 0.4}) {
    const QString text = QStringLiteral("E = h");
    const QPointF on = map(diagonal * share, diagonal * share);
    const QRectF box(on - QPointF(TextSize(fm, text).width() + 4, fm.height() + 2), TextSize(fm, text));
    if (inside.Free(box) || share == 0.4) {
      panel.texts.push_back(inside.At(box, text, Ink::Guide, Qt::AlignLeft | Qt::AlignVCenter));
      break;
    }
  }
  if (crown) panel.texts.push_back(inside.Beside(crown->points.back() - QPointF(40, 0), QStringLiteral("断面顶"), Ink::Guide));
  for (const Placed& l : labels) panel.texts.push_back(inside.Beside(l.at, l.text, l.ink));
  return panel;
}

}  // namespace

QString DeviationText(double shown, double exact) {
  const double percent = (shown - exact) / exact * 100;
  const QString magnitude = QString::number(std::fabs(percent), 'f', 1);
  if (magnitude == QStringLiteral("0.0")) return QStringLiteral("0.0%");
  return (percent < 0 ? QStringLiteral("−") : QStringLiteral("+")) + magnitude + u'%';
}

DetailPlot PlotDetail(const DetailPicture& picture, QSizeF size, const QFont& font) {
  DetailPlot plot;
  if (!picture.section || !picture.analysis.critical) {
    plot.explanation = picture.explanation;
    return plot;
  }
  const QFontMetricsF fm(font);
  const QRectF whole(QPointF(0, 0), size);
  const QRectF upper(whole.left(), whole.top(), whole.width(), std::round(whole.height() * kSectionShare));
  const QRectF lower(whole.left(), upper.bottom(), whole.width(), whole.height() - upper.height());
  plot.section = SectionPanel(picture, upper, fm);
  plot.energy = EnergyPanel(picture, lower, fm);
  return plot;
}
