#include "detail_window/DetailDrawing.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace exact = hydraulics::exact;

namespace {

// Points along each side of a section outline, spaced closer near its bottom
// and crown where a circle turns fastest.
constexpr int kOutlineSamples = 160;
// Depths along the energy curve, crowded towards h = 0 where E rises steeply.
constexpr int kCurveSamples = 400;
// Tick marks and scale bars aim at this spacing on the screen.
constexpr double kTickPixels = 48;
constexpr int kMaxTicks = 50;
// The curve's plot shows at least this share of E_k and of h_k beyond them,
// so that both branches and the bend between them are seen.
constexpr double kEnergyReach = 1.6;
constexpr double kDepthReach = 2.0;
// A given depth far below h_k has an energy many times E_k; the plot does not
// shrink past this to show it.
constexpr double kEnergyCap = 10;

const QColor kInk(30, 30, 30);
const QColor kWater(185, 220, 250);
const QColor kPaper(255, 255, 255);
const QColor kGuide(140, 140, 140);
const QColor kShownColour(80, 80, 80);
const QColor kCriticalColour(200, 30, 30);
const QColor kNormalColour(20, 125, 40);
const QColor kGivenColour(30, 70, 200);

QString Short(double v) { return QString::number(v, 'g', 4); }

// A pixels-per-metre scale that a drawing can use: sections at the ends of
// the double range give none.
bool Drawable(double scale) { return std::isfinite(scale) && scale > 0; }

void TooLargeOrSmall(QPainter& p, const QRectF& area) {
  p.setPen(kGuide);
  p.drawText(area, Qt::AlignCenter, QStringLiteral("尺寸超出可绘制的范围"));
}

// 1, 2 or 5 times a power of ten, at least `about`.
double NiceStep(double about) {
  const double power = std::pow(10.0, std::floor(std::log10(about)));
  for (const double m : {1.0, 2.0, 5.0}) {
    if (m * power >= about) return m * power;
  }
  return 10 * power;
}

double TopWidth(const exact::Section& s, double h) {
  const std::optional<exact::ShapeAt> shape = exact::ShapeAtDepth(s, h);
  return shape ? shape->top_width : 0;
}

// Depths from 0 to `top` at which the outline is traced, with the doorway's
// springing line among them so that the wall meets the arch at a corner.
std::vector<double> OutlineDepths(const exact::Section& s, double top) {
  std::vector<double> ys;
  for (int i = 0; i <= kOutlineSamples; ++i)
    ys.push_back(top * (1 - std::cos(std::numbers::pi * i / kOutlineSamples)) / 2);
  if (s.shape == exact::Shape::Doorway && s.wall > 0 && s.wall < top) ys.push_back(s.wall);
  std::sort(ys.begin(), ys.end());
  return ys;
}

// A polygon along both sides of the section up to `upTo`, from the top of
// the left side down and up the right side.
QPolygonF SidesUpTo(const exact::Section& s, const std::vector<double>& ys, double upTo, auto map) {
  std::vector<double> depths;
  for (const double y : ys) {
    if (y < upTo) depths.push_back(y);
  }
  depths.push_back(upTo);
  QPolygonF sides;
  for (auto y = depths.rbegin(); y != depths.rend(); ++y) sides << map(-TopWidth(s, *y) / 2, *y);
  for (const double y : depths) sides << map(TopWidth(s, y) / 2, y);
  return sides;
}

struct Tag {
  double y;        // wanted centre on the screen
  QString text;
  QColor colour;
  QPointF from;    // where its leader starts
};

// Stacks tags in a column so that none overlaps the next, keeping each as
// close to its own line as the others allow.
void Spread(std::vector<Tag>& tags, double gap, double top, double bottom) {
  std::sort(tags.begin(), tags.end(), [](const Tag& a, const Tag& b) { return a.y < b.y; });
  for (size_t i = 1; i < tags.size(); ++i) tags[i].y = std::max(tags[i].y, tags[i - 1].y + gap);
  if (!tags.empty() && tags.back().y > bottom) tags.back().y = bottom;
  for (size_t i = tags.size(); i-- > 1;) tags[i - 1].y = std::min(tags[i - 1].y, tags[i].y - gap);
  if (!tags.empty() && tags.front().y < top) {
    tags.front().y = top;
    for (size_t i = 1; i < tags.size(); ++i) tags[i].y = std::max(tags[i].y, tags[i - 1].y + gap);
  }
}

// A label beside a point: above right of it if that is free and inside the
// plot, else below, else on the left, then further off, clear of the others.
void PlaceBeside(QPainter& p, QPointF at, const QString& text, const QColor& colour, std::vector<QRectF>& taken,
                 const QRectF& within) {
  const QSizeF size(p.fontMetrics().horizontalAdvance(text) + 2, p.fontMetrics().height());
  std::vector<QRectF> tries;
  for (int away = 0; away < 4; ++away) {
    const double lift = away * size.height();
    const double left = -7 - size.width();
    for (const QPointF corner : {QPointF(7, -size.height() - 2 - lift), QPointF(7, 2 + lift),
                                 QPointF(left, -size.height() - 2 - lift), QPointF(left, 2 + lift)})
      tries.emplace_back(at + corner, size);
  }
  QRectF r = tries.front();
  for (const QRectF& t : tries) {
    const bool clear = std::none_of(taken.begin(), taken.end(), [&](const QRectF& o) { return o.intersects(t); });
    if (clear && within.contains(t)) {
      r = t;
      break;
    }
  }
  taken.push_back(r);
  p.setPen(colour);
  p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, text);
}

void DrawScaleBar(QPainter& p, QPointF at, double pixelsPerMetre) {
  const double length = NiceStep(kTickPixels * 1.5 / pixelsPerMetre);
  const double px = length * pixelsPerMetre;
  p.setPen(QPen(kInk, 1));
  p.drawLine(at, at + QPointF(px, 0));
  p.drawLine(at + QPointF(0, -3), at + QPointF(0, 3));
  p.drawLine(at + QPointF(px, -3), at + QPointF(px, 3));
  p.drawText(QPointF(at.x() + px + 5, at.y() + p.fontMetrics().ascent() / 2.0 - 1),
             QStringLiteral("%1 米").arg(Short(length)));
}

// The trapezoid described by an average width has no bottom of its own; it is
// drawn as the true trapezoid with the same area and surface width at h_k.
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
  *note = QStringLiteral("底宽按 W − m·h_k = %1 米画出").arg(Short(std::max(bottom, 0.0)));
  return drawn;
}

void PaintSection(QPainter& p, const QRectF& area, const DetailPicture& pic) {
  const exact::Section& s = *pic.section;
  const exact::CriticalState& k = *pic.analysis.critical;
  QString note;
  const exact::Section drawn = DrawnSection(s, k.depth, &note);
  const std::optional<double> height = exact::SectionHeight(drawn);

  struct Surface {
    double depth;
    QString label;
    QColor colour;
    bool dashed;
  };
  std::vector<Surface> surfaces;
  if (pic.shown_depth && *pic.shown_depth > 0 && std::isfinite(*pic.shown_depth))
    surfaces.push_back({*pic.shown_depth, QStringLiteral("计算窗 ") + Short(*pic.shown_depth), kShownColour, true});
  surfaces.push_back({k.depth, QStringLiteral("h_k ") + Short(k.depth), kCriticalColour, false});
  if (pic.analysis.normal) {
    const double h0 = pic.analysis.normal->depth;
    surfaces.push_back({h0, QStringLiteral("h_0 ") + Short(h0), kNormalColour, false});
  }
  double deepest = 0;
  for (const Surface& w : surfaces) deepest = std::max(deepest, w.depth);
  // An open channel is drawn a quarter deeper than its deepest water.
  double top = height ? *height : deepest * 1.25;
  if (height) {
    for (Surface& w : surfaces) w.depth = std::min(w.depth, top);
  }

  const std::vector<double> ys = OutlineDepths(drawn, top);
  double widest = 0;
  for (const double y : ys) widest = std::max(widest, TopWidth(drawn, y));

  const QFontMetricsF fm(p.font());
  const QRectF plot = area.adjusted(70, 10 + 2 * fm.height(), -110, -(14 + 2 * fm.height()));
  const double scale = std::min(plot.width() / widest, plot.height() / top);
  if (!Drawable(scale) || !Drawable(NiceStep(kTickPixels / scale))) return TooLargeOrSmall(p, area);
  const double cx = plot.center().x();
  const double by = plot.center().y() + top * scale / 2;
  auto map = [=](double x, double y) { return QPointF(cx + x * scale, by - y * scale); };

  p.setPen(kInk);
  p.drawText(QPointF(area.left() + 6, area.top() + 4 + fm.ascent()), QStringLiteral("过水断面（纵横同比例）"));

  // Water up to the exact critical depth.
  p.setPen(Qt::NoPen);
  p.setBrush(kWater);
  p.drawPolygon(SidesUpTo(drawn, ys, std::min(k.depth, top), map));
  p.setBrush(Qt::NoBrush);

  QPolygonF outline = SidesUpTo(drawn, ys, top, map);
  p.setPen(QPen(kInk, 2));
  if (height) {
    p.drawPolygon(outline);
  } else {
    p.drawPolyline(outline);
    // The banks run on a little beyond the channel.
    p.drawLine(outline.front(), outline.front() - QPointF(12, 0));
    p.drawLine(outline.back(), outline.back() + QPointF(12, 0));
  }

  // Surfaces, each with a leader to its value in a column on the right.
  std::vector<Tag> tags;
  int signs = 0;
  for (const Surface& w : surfaces) {
    const double half = TopWidth(drawn, w.depth) / 2;
    const QPointF left = map(-half, w.depth);
    const QPointF right = map(half, w.depth);
    p.setPen(QPen(w.colour, 1.5, w.dashed ? Qt::DashLine : Qt::SolidLine));
    p.drawLine(left, right);
    // The surface sign of the drawings: a small triangle standing on the
    // line, each at its own place so that signs of close lines stay apart.
    if (!w.dashed) {
      const QPointF mark = map(half * (0.55 - 0.35 * signs++), w.depth);
      p.setPen(QPen(w.colour, 1));
      p.drawPolygon(QPolygonF{mark + QPointF(-4, -7), mark + QPointF(4, -7), mark});
    }
    tags.push_back({right.y(), w.label, w.colour, right});
  }
  const double column = cx + widest * scale / 2 + 14;
  Spread(tags, fm.height() + 1, area.top() + fm.height(), area.bottom() - fm.height());
  for (const Tag& t : tags) {
    p.setPen(QPen(t.colour, 1, Qt::DotLine));
    p.drawLine(t.from, QPointF(column - 2, t.y));
    p.setPen(t.colour);
    p.drawText(QPointF(column, t.y + fm.ascent() / 2 - 1), t.text);
  }

  // Dimensions.
  p.setPen(kInk);
  auto below = [&](const QString& text, double width) {
    const double y = by + 8;
    if (width > 0) {
      const QPointF a = map(-width / 2, 0) + QPointF(0, 8);
      const QPointF b = map(width / 2, 0) + QPointF(0, 8);
      p.drawLine(a, b);
      p.drawLine(a + QPointF(0, -4), a + QPointF(0, 4));
      p.drawLine(b + QPointF(0, -4), b + QPointF(0, 4));
    }
    p.drawText(QRectF(cx - 150, y + 3, 300, fm.height()), Qt::AlignCenter, text);
  };
  auto slopeLabel = [&]() {
    // Left of the bank's top corner, clear of the sloping side.
    const double y = top * 0.6;
    const QPointF at = map(-widest / 2, y) - QPointF(4, 0);
    p.drawText(QRectF(at.x() - 90, at.y() - fm.height(), 84, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("1 : %1").arg(Short(1 / s.s)));
  };
  switch (s.shape) {
    case exact::Shape::Circle:
      below(QStringLiteral("D = 2R = %1 米").arg(Short(2 * s.R)), 2 * s.R);
      break;
    case exact::Shape::Rectangle:
      below(QStringLiteral("b = %1 米").arg(Short(s.b)), s.b);
      break;
    case exact::Shape::Trapezoid:
      below(QStringLiteral("b = %1 米").arg(Short(s.b)), s.b);
      slopeLabel();
      break;
    case exact::Shape::AverageTrapezoid:
      below(QStringLiteral("平均宽度 W = %1 米").arg(Short(s.W)), 0);
      slopeLabel();
      break;
    case exact::Shape::Triangle:
      slopeLabel();
      break;
    case exact::Shape::Doorway: {
      below(QStringLiteral("b = %1 米").arg(Short(s.b)), s.b);
      const QPointF wallMid = map(-s.b / 2, s.wall / 2);
      p.drawText(QRectF(wallMid.x() - 96, wallMid.y() - fm.height() / 2, 90, fm.height()),
                 Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("直墙 %1 米").arg(Short(s.wall)));
      const QPointF crown = map(0, top);
      p.drawText(QRectF(crown.x() - 100, crown.y() - fm.height() - 3, 200, fm.height()), Qt::AlignCenter,
                 QStringLiteral("顶拱 %1°").arg(Short(s.angle)));
      break;
    }
  }
  DrawScaleBar(p, QPointF(area.left() + 8, area.bottom() - fm.height() / 2 - 3), scale);
  if (!note.isEmpty()) {
    p.setPen(kGuide);
    p.drawText(QRectF(area.left() + 110, area.bottom() - fm.height() - 3, area.width() - 116, fm.height()),
               Qt::AlignRight | Qt::AlignVCenter, note);
  }
}

void PaintEnergy(QPainter& p, const QRectF& area, const DetailPicture& pic) {
  const exact::Section& s = *pic.section;
  const exact::CriticalState& k = *pic.analysis.critical;
  const std::optional<double> height = exact::SectionHeight(s);
  auto E = [&](double h) { return exact::SpecificEnergy(s, h, pic.units); };

  struct Mark {
    double energy;
    double depth;
    QString label;
    QColor colour;
  };
  std::vector<Mark> marks{{k.energy, k.depth, QStringLiteral("K  h_k"), kCriticalColour}};
  if (const auto& n = pic.analysis.normal) marks.push_back({E(n->depth), n->depth, QStringLiteral("N  h_0"), kNormalColour});
  if (const auto& d = pic.analysis.at_depth) {
    marks.push_back({d->energy, d->depth, QStringLiteral("h"), kGivenColour});
    if (d->alternate) marks.push_back({d->energy, *d->alternate, QStringLiteral("h′"), kGivenColour});
  }

  double needE = kEnergyReach * k.energy;
  double needH = kDepthReach * k.depth;
  for (const Mark& m : marks) {
    if (m.energy <= kEnergyCap * k.energy) needE = std::max(needE, m.energy * 1.08);
    needH = std::max(needH, m.depth * 1.1);
  }
  if (height) needH = std::min(needH, *height * 1.08);

  const QFontMetricsF fm(p.font());
  const QRectF plot = area.adjusted(54, 10 + 2 * fm.height(), -18, -(12 + 2 * fm.height()));
  // Each axis has its own scale: a closed section's depths span far less than
  // the energies of a shallow given depth, and equal scales would flatten the curve.
  const double spanE = needE;
  const double spanH = needH;
  const double scaleE = plot.width() / spanE;
  const double scaleH = plot.height() / spanH;
  if (!Drawable(scaleE) || !Drawable(scaleH) || !Drawable(NiceStep(kTickPixels / scaleE)) ||
      !Drawable(NiceStep(kTickPixels / scaleH)))
    return TooLargeOrSmall(p, area);
  auto map = [=](double e, double h) { return QPointF(plot.left() + e * scaleE, plot.bottom() - h * scaleH); };

  p.setPen(kInk);
  p.drawText(QPointF(area.left() + 6, area.top() + 4 + fm.ascent()),
             QStringLiteral("比能曲线 E(h)，Q = %1 米3/秒").arg(Short(s.Q)));

  const double stepE = NiceStep(kTickPixels * 1.4 / scaleE);
  // The depth axis is the shorter one: ticks closer together.
  const double stepH = NiceStep(kTickPixels * 0.7 / scaleH);
  p.setPen(QPen(kInk, 1));
  p.drawLine(plot.bottomLeft(), plot.bottomRight());
  p.drawLine(plot.bottomLeft(), plot.topLeft());
  for (int i = 1; i <= kMaxTicks && i * stepE <= spanE * 1.0001; ++i) {
    const double v = i * stepE;
    const QPointF at = map(v, 0);
    p.drawLine(at, at + QPointF(0, 4));
    p.drawText(QRectF(at.x() - 30, at.y() + 5, 60, fm.height()), Qt::AlignHCenter | Qt::AlignTop, Short(v));
  }
  for (int i = 1; i <= kMaxTicks && i * stepH <= spanH * 1.0001; ++i) {
    const double v = i * stepH;
    const QPointF at = map(0, v);
    p.drawLine(at, at - QPointF(4, 0));
    p.drawText(QRectF(area.left(), at.y() - fm.height() / 2, plot.left() - area.left() - 6, fm.height()),
               Qt::AlignRight | Qt::AlignVCenter, Short(v));
  }
  p.drawText(QRectF(plot.right() - 120, plot.bottom() + 5 + fm.height(), 120, fm.height()),
             Qt::AlignRight | Qt::AlignTop, QStringLiteral("E（米）"));
  p.drawText(QRectF(area.left() + 2, plot.top() - fm.height() - 2, 80, fm.height()), Qt::AlignLeft | Qt::AlignBottom,
             QStringLiteral("h（米）"));

  p.save();
  p.setClipRect(plot.adjusted(0, -1, 1, 0));
  // The asymptote of the upper branch.
  const double diagonal = std::min(spanE, spanH);
  p.setPen(QPen(kGuide, 1, Qt::DashLine));
  p.drawLine(map(0, 0), map(diagonal, diagonal));
  if (height && *height < spanH) p.drawLine(map(0, *height), map(spanE, *height));

  // The curve, from where it enters the plot down low to the top of the plot
  // or the crown.
  const double highest = height ? std::min(spanH, *height) : spanH;
  QPainterPath curve;
  bool started = false;
  for (int i = 1; i <= kCurveSamples; ++i) {
    const double t = double(i) / kCurveSamples;
    const double h = highest * t * t * t;
    const double e = E(h);
    // Far off the plot the point only stretches the pen; skip it.
    if (!std::isfinite(e) || e > 3 * spanE) continue;
    if (started) curve.lineTo(map(e, h));
    else curve.moveTo(map(e, h));
    started = true;
  }
  p.setPen(QPen(kCriticalColour.darker(140), 2));
  p.drawPath(curve);

  // The critical depth across to the axis, and the given depth's pair.
  p.setPen(QPen(kCriticalColour, 1, Qt::DotLine));
  p.drawLine(map(0, k.depth), map(k.energy, k.depth));
  if (const auto& d = pic.analysis.at_depth; d && d->alternate) {
    p.setPen(QPen(kGivenColour, 1, Qt::DashLine));
    p.drawLine(map(d->energy, d->depth), map(d->energy, *d->alternate));
  }
  p.restore();

  // Labels of the guides. E = h goes above and left of its line, where the
  // curve (E > h everywhere) never comes, as high as there is room beside the
  // axis; else above the plot where the line leaves it. The crown's goes under
  // its line at the right, where only the lower branch runs.
  std::vector<QRectF> taken;
  const QString asymptoteText = QStringLiteral("E = h");
  const QSizeF asymptote = QSizeF(fm.horizontalAdvance(asymptoteText) + 2, fm.height());
  const QPointF exit = map(diagonal, diagonal);
  QRectF asymptoteBox(QPointF(exit.x() + 4, plot.top() - asymptote.height() - 1), asymptote);
  for (const double share : {0.7, 0.5, 0.3}) {
    const QPointF on = map(diagonal * share, diagonal * share);
    if (on.x() - plot.left() > asymptote.width() + 10) {
      asymptoteBox = QRectF(on - QPointF(asymptote.width() + 4, asymptote.height() + 2), asymptote);
      break;
    }
  }
  p.setPen(kGuide);
  p.drawText(asymptoteBox, Qt::AlignLeft | Qt::AlignVCenter, asymptoteText);
  taken.push_back(asymptoteBox);
  if (height && *height < spanH) {
    const QString crownText = QStringLiteral("断面顶");
    const QPointF end = map(spanE, *height);
    const QRectF crownBox(end.x() - fm.horizontalAdvance(crownText) - 6, end.y() + 2,
                          fm.horizontalAdvance(crownText) + 2, fm.height());
    p.drawText(crownBox, Qt::AlignLeft | Qt::AlignVCenter, crownText);
    taken.push_back(crownBox);
  }
  // Every point first, so that no label covers another's point.
  bool offPlot = false;
  std::vector<const Mark*> shown;
  for (const Mark& m : marks) {
    if (m.energy > spanE || m.depth > spanH) {
      offPlot = true;
      continue;
    }
    const QPointF at = map(m.energy, m.depth);
    p.setPen(QPen(m.colour, 1));
    p.setBrush(m.colour);
    p.drawEllipse(at, 3.5, 3.5);
    p.setBrush(Qt::NoBrush);
    taken.push_back(QRectF(at - QPointF(5, 5), QSizeF(10, 10)));
    shown.push_back(&m);
  }
  for (const Mark* m : shown) PlaceBeside(p, map(m->energy, m->depth), m->label, m->colour, taken, plot);
  if (offPlot) {
    p.setPen(kGuide);
    p.drawText(QRectF(area.left() + 6, area.bottom() - fm.height() - 2, area.width() / 2, fm.height()),
               Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("给定水深的点在图幅之外"));
  }
}

}  // namespace

DetailDrawing::DetailDrawing(QWidget* parent) : QWidget(parent) {}

void DetailDrawing::SetPicture(DetailPicture picture) {
  picture_ = std::move(picture);
  setAccessibleDescription(picture_.section ? QString() : picture_.explanation);
  update();
}

QImage DetailDrawing::Image() const {
  const qreal ratio = devicePixelRatioF();
  QImage image(size() * ratio, QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  QPainter painter(&image);
  painter.setFont(font());
  Paint(painter, rect());
  return image;
}

void DetailDrawing::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  Paint(painter, rect());
}

void DetailDrawing::Paint(QPainter& p, const QRect& area) const {
  p.fillRect(area, kPaper);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(kGuide);
  p.drawRect(QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5));
  if (!picture_.section || !picture_.analysis.critical) {
    p.setPen(kInk);
    p.drawText(QRectF(area).adjusted(24, 24, -24, -24), Qt::AlignCenter | Qt::TextWordWrap, picture_.explanation);
    return;
  }
  const QRectF whole(area);
  const QRectF upper(whole.left(), whole.top(), whole.width(), whole.height() / 2);
  const QRectF lower(whole.left(), upper.bottom(), whole.width(), whole.height() - upper.height());
  PaintSection(p, upper, picture_);
  p.setPen(kGuide);
  p.drawLine(QPointF(whole.left() + 8, upper.bottom()), QPointF(whole.right() - 8, upper.bottom()));
  PaintEnergy(p, lower, picture_);
}
