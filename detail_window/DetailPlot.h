#pragma once
// The detail window's picture as a model, made without painting: the cross
// section to scale with its water surfaces, and the specific-energy curve
// E(h) with its marked points; every line, point and label in the picture's
// pixels, the axes' ranges and ticks in metres. DetailDrawing only draws it.

#include <optional>
#include <vector>

#include <QFont>
#include <QString>

#include "companion/PlotParts.h"
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

// The calculation window's depth shown beside the exact one when they differ
// by this share or more: a deviation that rounds to 0.0 % is none.
inline constexpr double kShownDepthTolerance = 0.0005;

// "−13.6%", with a true minus sign.
QString DeviationText(double shown, double exact);
