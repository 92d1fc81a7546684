#pragma once
// The detail window's picture as a model, made without painting: the cross
// section to scale with its water surfaces, and the specific-energy curve
// E(h) with its marked points; every line, point and label in the picture's
// pixels, the axes' ranges and ticks in metres. DetailDrawing only draws it.

#include <optional>
#include <vector>

#include <QFont>
#include <QLineF>
#include <QPolygonF>
#include <QRectF>
#include <QString>

#include "hydraulics/constants.h"
#include "hydraulics/exact/analysis.h"

// What the picture shows.
struct DetailPicture {
  // Empty: the explanation stands in for the drawing.
  std::optional<hydraulics::exact::Section> section;
  QString explanation;
  hydraulics::exact::Analysis analysis;  // its critical state is known when `section` is set
  std::optional<double> shown_depth;     // h_k as the calculation window's own method gave it
  hydraulics::Units units;
};

// The colours a painter gives each part.
enum class Ink { Text, Guide, Outline, Water, Curve, Critical, Normal, Given, Shown };
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

// One axis of a panel, in metres: what it spans and where it has ticks.
struct PlotAxis {
  double lo = 0;
  double hi = 0;
  std::vector<double> ticks;
};

struct PlotPanel {
  QRectF area;   // the panel's part of the picture
  QRectF frame;  // where the data are drawn
  PlotAxis across;  // the section's width about its centre line, or E
  PlotAxis up;      // depth
  std::vector<PlotPath> paths;  // painted in order
  std::vector<PlotMark> marks;
  std::vector<PlotText> texts;
  QString instead;  // when set, said in the panel instead of its data
};

struct DetailPlot {
  QString explanation;  // when set, the whole picture is this sentence
  PlotPanel section;
  PlotPanel energy;
};

// The model of `picture` drawn `size` pixels large with `font`.
DetailPlot PlotDetail(const DetailPicture& picture, QSizeF size, const QFont& font);

// Ticks at 1, 2 or 5 times a power of ten, about `pixels` apart along an
// axis `length` pixels long from lo to hi; none beyond hi, none at lo.
std::vector<double> NiceTicks(double lo, double hi, double length, double pixels);

// The calculation window's depth shown beside the exact one when they differ
// by this share or more: a deviation that rounds to 0.0 % is none.
inline constexpr double kShownDepthTolerance = 0.0005;

// "−13.6%", with a true minus sign.
QString DeviationText(double shown, double exact);
