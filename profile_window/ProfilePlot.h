#pragma once
// The 水面曲线 window's picture as a model, made without painting: the
// longitudinal profile with the bed at its slope, the N–N and K–K lines
// parallel to it, the water surface, the control section, the stop at the
// critical depth and the point within 1 % of the normal depth, with the
// distances and elevations on their axes. Every line, point and label is in
// the picture's pixels, the axes in metres. ProfileDrawing only draws it.

#include <memory>
#include <optional>
#include <vector>

#include <QFont>
#include <QString>

#include "companion/PlotParts.h"
#include "hydraulics/exact/profile.h"

// What the picture shows.
struct ProfilePicture {
  // A computed profile; without one the explanation stands in for the drawing.
  std::shared_ptr<const hydraulics::exact::Profile> profile;
  double S0 = 0;                 // bed slope i: the bed is z = −i·x
  std::optional<double> crown;   // a closed section's height
  QString explanation;
};

struct ProfilePlot {
  QString explanation;  // when set, the whole picture is this sentence
  QRectF frame;         // where the channel is drawn
  PlotAxis along;       // x along the flow [m]
  PlotAxis up;          // elevation above the control section's bed [m]
  std::vector<PlotPath> paths;  // painted in order
  std::vector<PlotMark> marks;
  std::vector<PlotText> texts;

  // A point of the channel, x along the flow and z its elevation, in the picture.
  QPointF Map(double x, double z) const;
};

// The model of `picture` drawn `size` pixels large with `font`.
ProfilePlot PlotProfile(const ProfilePicture& picture, QSizeF size, const QFont& font);

// A line's points thinned to what a screen shows: of each run of points in
// one pixel column the first, the highest, the lowest and the last, in their
// order. A profile of 10,000 stations keeps at most four points a column.
QPolygonF ThinToColumns(const QPolygonF& points);

// What the drawing shows, in words, for screen readers.
QString DescribeProfile(const ProfilePicture& picture);
