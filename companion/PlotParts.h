#pragma once
// The parts a drawing's model is made of, shared by the calculator's
// companion windows: lines, points and labels in the picture's pixels, and
// axes in metres with their ticks. A model is made of them without painting;
// PlotPaint.h draws them.

#include <optional>
#include <vector>

#include <QFontMetricsF>
#include <QLineF>
#include <QPolygonF>
#include <QRectF>
#include <QString>

// The colours a painter gives each part.
enum class Ink { Text, Guide, Outline, Water, Curve, Critical, Normal, Given, Shown, Surface, Ground };
enum class Stroke { Solid, Dashed, Dotted };

struct PlotPath {
  QPolygonF points;
  Ink ink = Ink::Outline;
  Stroke stroke = Stroke::Solid;
  double width = 1;
  bool closed = false;
  bool filled = false;  // filled with its ink, no outline
};

struct PlotMark {
  enum class Kind {
    Dot,          // a point of the curve
    Hollow,       // the other depth of the same energy
    SurfaceSign,  // the drawings' small triangle standing on a water surface
    Beyond,       // a point beyond the axes, marked at the plot's edge
  };
  QPointF at;
  Ink ink = Ink::Text;
  Kind kind = Kind::Dot;
};

struct PlotText {
  QRectF box;
  QString text;
  Ink ink = Ink::Text;
  Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter;
  std::optional<QLineF> leader;  // a dotted line from what it names to the label
};

// One axis, in metres: what it spans and where it has ticks.
struct PlotAxis {
  double lo = 0;
  double hi = 0;
  std::vector<double> ticks;
};

// 1, 2 or 5 times a power of ten: the least at or above `about`, and the
// greatest at or below it.
double NiceStep(double about);
double NiceStepBelow(double about);

// Ticks at 1, 2 or 5 times a power of ten, about `pixels` apart along an
// axis `length` pixels long from lo to hi; none beyond hi, none at lo.
std::vector<double> NiceTicks(double lo, double hi, double length, double pixels);

// A tick's or a label's number: four significant digits.
QString ShortNumber(double v);

// A label's box for `text`, with a pixel to spare.
QSizeF TextSize(const QFontMetricsF& fm, const QString& text);

bool SegmentMeetsRect(const QLineF& segment, const QRectF& r);
