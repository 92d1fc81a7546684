#pragma once
// The true outline of each section at a depth h [length]: area, top width,
// wetted perimeter and the first moment of the area about the water surface.
// Evaluated in the inner loop of every solver, so everything is inline and
// switches on the shape instead of calling through a function object.
// Depths run from 0 to a closed section's crown; above it there is no
// section to measure, and the values are NaN rather than the full section's.

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <optional>

#include "hydraulics/constants.h"
#include "hydraulics/exact/reasons.h"
#include "hydraulics/exact/solver.h"

namespace hydraulics::exact {

// The trapezoid comes two ways: with its bottom width, a true trapezoid, or
// with only its average width, as the calculation window describes it.
enum class Shape : std::uint8_t { Circle, Rectangle, Trapezoid, AverageTrapezoid, Triangle, Doorway };

// A prismatic channel's cross section and its discharge. Only the members
// its shape uses are read.
struct Section {
  Shape shape = Shape::Rectangle;
  double Q = 0;      // discharge [length^3/s]
  double R = 0;      // circle: radius [length]
  double b = 0;      // rectangle and doorway width; trapezoid bottom width [length]
  double W = 0;      // average-width trapezoid: its average width [length]
  double s = 0;      // side slope, vertical : horizontal quotient
  double wall = 0;   // doorway: straight-wall height [length]
  double angle = 0;  // doorway: crown angle [degrees]
};

// The window's section-type code (1 circular ... 5 doorway) as a shape; a
// trapezoid is a true one when its bottom width is given. Empty for other codes.
std::optional<Shape> ShapeOfTypeCode(int type, bool bottom_width_given);

// A closed section whose critical depth exceeds this share of its height is
// close to flowing full.
inline constexpr double kNearFullShare = 0.95;

// theta - sin(theta) loses every digit to cancellation for small angles.
inline double ThetaMinusSin(double t) {
  if (t > 0.1) return t - std::sin(t);
  const double t2 = t * t;
  return t * t2 / 6 * (1 - t2 / 20 * (1 - t2 / 42 * (1 - t2 / 72 * (1 - t2 / 110 * (1 - t2 / 156)))));
}

// First moment, about the chord, of the circular segment of half angle p in a
// unit circle: 2/3 sin^3 p - cos p (p - sin p cos p). Its leading terms cancel
// to order p^5, so small angles take the Taylor series.
// s and c are sin p and cos p where the caller has them already.
inline double SegmentMoment(double p, double s, double c) {
  return 2.0 / 3 * s * s * s - c * ThetaMinusSin(2 * p) / 2;
}
inline double SegmentMoment(double p) {
  if (p > 0.5) return SegmentMoment(p, std::sin(p), std::cos(p));
  const double p2 = p * p;
  double sum = 7913.0 / 463788509184000;
  for (const double coefficient : {-1513361.0 / 1900704693888000, 168151.0 / 5557616064000,
                                   -24911.0 / 27243216000, 8303.0 / 389188800, -461.0 / 1247400,
                                   17.0 / 3780, -11.0 / 315, 2.0 / 15})
    sum = sum * p2 + coefficient;
  return sum * p2 * p2 * p;
}

struct Measures {
  double area = 0;          // A [length^2]
  double top_width = 0;     // B [length]
  double perimeter = 0;     // P [length]; 0 where the section has none
  double first_moment = 0;  // A * ybar [length^3], ybar the centroid's depth below the surface
};

struct Geometry {
  Shape shape = Shape::Rectangle;
  double R = 0;     // circle radius
  double b = 0;     // bottom width (rectangle, trapezoid, doorway)
  double W = 0;     // average width of the trapezoid given without b
  double m = 0;     // side run per unit rise, 1 / s
  double side = 0;  // length of side per unit rise, sqrt(1 + m^2)
  double wall = 0;  // doorway straight-wall height
  double theta = 0; // doorway: half the crown angle [rad]
  double Ra = 0;    // doorway: crown-arch radius
  double z0 = 0;    // doorway: the springing line's height above the arch centre
  double rise = 0;  // doorway: crown above the springing line, Ra (1 - cos theta)
  double cap_moment = 0;  // doorway: first moment of the arch's cap about the springing line
  double height = std::numeric_limits<double>::infinity();  // finite for closed sections
  double alpha = 1;  // energy coefficient on Q^2: 1.05 for the doorway, as the window has it

  bool closed() const { return shape == Shape::Circle || shape == Shape::Doorway; }
  bool has_perimeter() const { return shape != Shape::AverageTrapezoid; }

  // A flat arch has a radius many times its rise, so the doorway's arch is
  // measured from its crown: `gap` is the crown's height above the surface,
  // and the arch circle's sine and cosine there come without the
  // cancellation of Ra - z for z near Ra.
  // Area between the springing line and the surface `gap` below the crown:
  // Ra^2 (dphi + sin dphi cos(phi0 + phi1)) over the arch's angles phi,
  // rearranged into two terms that are never negative.
  // `u` is the surface's height above the springing line; a caller that has
  // the gap to full precision, as near the crown, passes it as well.
  double ArchArea(double u) const { return ArchAreaBelowGap(CrownGap(u), u); }
  double ArchAreaBelowGap(double gap, double u) const {
    const double t0 = z0 / Ra, c0 = b / 2 / Ra, one_minus_t0 = rise / Ra;
    const double one_minus_t1 = gap / Ra, t1 = 1 - one_minus_t1;
    const double c1 = std::sqrt(one_minus_t1 * (1 + t1));
    const double sin_d = u / Ra * (c0 + t0 * (t0 + t1) / (c0 + c1));
    const double d = std::atan2(sin_d, c0 * c1 + t0 * t1);
    const double one_plus_cos_sum = one_minus_t0 + t0 * one_minus_t1 + c0 * c1;
    return Ra * Ra * (ThetaMinusSin(d) + one_plus_cos_sum * sin_d);
  }
  // The crown's height above a surface `u` above the springing line. At the
  // crown itself wall + rise rounds, which can leave an ulp or two below
  // zero; that is the crown. Further below is above the crown: NaN.
  double CrownGap(double u) const {
    const double gap = rise - u;
    if (gap >= 0) return gap;
    return gap >= -4 * DBL_EPSILON * height ? 0.0 : std::numeric_limits<double>::quiet_NaN();
  }
  // Half the arch's width `gap` below its crown.
  double ArchHalfWidth(double gap) const { return std::sqrt(gap * (2 * Ra - gap)); }
  // Half the angle the cap above the surface subtends at the arch centre.
  double CapHalfAngle(double gap) const { return 2 * std::asin(std::sqrt(gap / (2 * Ra))); }
  // Circle: half the central angle of the wetted segment; asin stays accurate
  // where acos(1 - h/R) does not.
  double HalfAngle(double h) const { return 2 * std::asin(std::sqrt(h / (2 * R))); }

  double Area(double h) const {
    switch (shape) {
      case Shape::Circle: return R * R * ThetaMinusSin(2 * HalfAngle(h)) / 2;
      case Shape::Rectangle: return b * h;
      case Shape::Trapezoid: return (b + m * h) * h;
      case Shape::AverageTrapezoid: return W * h;
      case Shape::Triangle: return m * h * h;
      case Shape::Doorway:
        if (h <= wall) return b * h;
        return b * wall + ArchArea(h - wall);
    }
    return 0;
  }

  double TopWidth(double h) const {
    switch (shape) {
      case Shape::Circle: return 2 * std::sqrt(h * (2 * R - h));
      case Shape::Rectangle: return b;
      case Shape::Trapezoid: return b + 2 * m * h;
      case Shape::AverageTrapezoid: return W + m * h;
      case Shape::Triangle: return 2 * m * h;
      case Shape::Doorway: {
        if (h <= wall) return b;
        return 2 * ArchHalfWidth(CrownGap(h - wall));
      }
    }
    return 0;
  }

  double Perimeter(double h) const {
    switch (shape) {
      case Shape::Circle: return 2 * R * HalfAngle(h);
      case Shape::Rectangle: return b + 2 * h;
      case Shape::Trapezoid: return b + 2 * side * h;
      case Shape::AverageTrapezoid: return 0;
      case Shape::Triangle: return 2 * side * h;
      case Shape::Doorway: {
        if (h <= wall) return b + 2 * h;
        return b + 2 * wall + 2 * Ra * (theta - CapHalfAngle(CrownGap(h - wall)));
      }
    }
    return 0;
  }

  double FirstMoment(double h) const {
    switch (shape) {
      case Shape::Circle: return R * R * R * SegmentMoment(HalfAngle(h));
      case Shape::Rectangle: return b * h * h / 2;
      case Shape::Trapezoid: return (b / 2 + m * h / 3) * h * h;
      case Shape::AverageTrapezoid: return W * h * h / 2;
      case Shape::Triangle: return m * h * h * h / 3;
      case Shape::Doorway: {
        if (h <= wall) return b * h * h / 2;
        // The arch's part, the integral of (u - v) B(v) over heights v above
        // the springing line up to u, two ways: as the cap above the springing
        // line less the cap above the surface, which loses (rise / u)^2 ulps,
        // or about the arch centre, which loses some hundred times Ra / u
        // (measured against quadrature); the better one.
        const double u = h - wall, gap = CrownGap(u);
        double arch = 0;
        if (rise * rise < 100 * Ra * u) {
          arch = (Ra * Ra * ThetaMinusSin(2 * theta) / 2) * u - cap_moment +
                 Ra * Ra * Ra * SegmentMoment(CapHalfAngle(gap));
        } else {
          const double w0 = b / 2, w1 = ArchHalfWidth(gap);
          arch = (Ra - gap) * ArchArea(u) - 2.0 / 3 * (w0 * w0 * w0 - w1 * w1 * w1);
        }
        return b * wall * (h - wall / 2) + arch;
      }
    }
    return 0;
  }

  Measures Measure(double h) const {
    return {Area(h), TopWidth(h), Perimeter(h), FirstMoment(h)};
  }

  // The solvers step along a parameter t of the depth: a circle's half angle,
  // so that a step costs one sine and cosine instead of asin, sin and sqrt;
  // the depth itself for the other sections.
  double ParamOf(double h) const { return shape == Shape::Circle ? HalfAngle(h) : h; }
  // t of the crown; infinite for open sections.
  double TopParam() const { return shape == Shape::Circle ? std::numbers::pi : height; }
  double DepthOf(double t) const {
    if (shape != Shape::Circle) return t;
    const double c = std::cos(t);
    // R (1 - cos t) cancels for small angles; sin^2 / (1 + cos) does not.
    if (c > 0) {
      const double s = std::sin(t);
      return R * s * s / (1 + c);
    }
    return R * (1 - c);
  }

  enum Need : unsigned { kDepth = 1, kArea = 2, kWidth = 4, kPerimeter = 8, kMoment = 16 };
  struct Point {
    double depth = 0, area = 0, top_width = 0, perimeter = 0, first_moment = 0;
    double cos_t = 0;  // circle with kWidth: cos t, for slopes in t
  };
  // What `need` asks for at parameter t; the rest stays 0.
  template <unsigned need>
  Point At(double t) const {
    Point p;
    if (shape == Shape::Circle) {
      const double s = std::sin(t), c = std::cos(t);
      // t - sin t cos t, and the segment's first moment, lose digits to
      // cancellation for small angles: their Taylor series there.
      double a = 0;
      if constexpr ((need & (kArea | kMoment)) != 0) {
        if (t > 0.25) {
          a = t - s * c;
        } else {
          const double t2 = t * t;
          a = t * t2 *
              (2.0 / 3 + t2 * (-2.0 / 15 + t2 * (4.0 / 315 + t2 * (-2.0 / 2835 + t2 * (4.0 / 155925 +
                  t2 * (-4.0 / 6081075 + t2 * (8.0 / 638512875)))))));
        }
      }
      if constexpr ((need & kDepth) != 0) p.depth = c > 0 ? R * s * s / (1 + c) : R * (1 - c);
      if constexpr ((need & kArea) != 0) p.area = R * R * a;
      if constexpr ((need & kWidth) != 0) {
        p.top_width = 2 * R * s;
        p.cos_t = c;
      }
      if constexpr ((need & kPerimeter) != 0) p.perimeter = 2 * R * t;
      if constexpr ((need & kMoment) != 0)
        p.first_moment = R * R * R * (t > 0.5 ? 2.0 / 3 * s * s * s - c * a : SegmentMoment(t));
      return p;
    }
    p.depth = t;
    if constexpr ((need & kArea) != 0) p.area = Area(t);
    if constexpr ((need & kWidth) != 0) p.top_width = TopWidth(t);
    if constexpr ((need & kPerimeter) != 0) p.perimeter = Perimeter(t);
    if constexpr ((need & kMoment) != 0) p.first_moment = FirstMoment(t);
    return p;
  }

  // A depth whose area is at most `area`: the exact inverse where it has a
  // closed form; under a pipe's invert the circle lies inside the parabola
  // of the same curvature, whose area is 4/3 h sqrt(2 R h).
  double DepthBelowArea(double area) const {
    switch (shape) {
      case Shape::Circle: return std::pow(3 * area / (4 * std::sqrt(2 * R)), 2.0 / 3);
      case Shape::Rectangle: return area / b;
      case Shape::Trapezoid: return 2 * area / (b + std::sqrt(b * b + 4 * m * area));
      case Shape::AverageTrapezoid: return area / W;
      case Shape::Triangle: return std::sqrt(area / m);
      case Shape::Doorway:
        if (area <= b * wall) return area / b;
        return wall + (area - b * wall) / MaxWidth();
    }
    return 0;
  }

  // Widest top width at any depth: the arch of a doorway wider than a half
  // circle bulges beyond its bottom width. Infinite for open sections.
  double MaxWidth() const {
    if (shape == Shape::Circle) return 2 * R;
    if (shape == Shape::Doorway) return z0 < 0 ? 2 * Ra : b;
    return std::numeric_limits<double>::infinity();
  }
};

// A pipe's critical and normal-depth conditions, scaled to the unit circle,
// at the half angles t_k = k pi / kPipeCells: a first bracket one cell wide
// for the solver instead of analytic bounds a factor of two apart.
// Half the central angle at which a pipe's section factor A R^(2/3) peaks
// (the circle's parameter t),
// where 10 p sin^2 p = 2 p - sin 2p; the depth is 0.938181 of the diameter.
inline constexpr double kPipePeakHalfAngle = 2.6390535689668978;
inline constexpr int kPipeCells = 256;
struct PipeTable {
  double t[kPipeCells + 1];
  double critical[kPipeCells + 1];  // ln(a^3 / b), a = t - sin t cos t, b = 2 sin t
  double conveyance[kPipeCells + 1];  // ln(a^5 / p^2), p = 2 t
  double peak_conveyance = 0;  // ln(a^5 / p^2) where the section factor peaks
  double full_conveyance = 0;  // and at the crown
};
const PipeTable& UnitPipe();

// A root the solver found in the parameter t, as a depth. The final bracket
// is a few ulps wide and its ends would cost a sine and a cosine each to
// convert, so a pipe's converted root stands for both ends; a search that
// failed keeps its bracket, which tells where it gave up.
inline RootResult InDepth(const Geometry& g, RootResult r) {
  if (g.shape != Shape::Circle) return r;
  if (r.converged()) {
    r.root = r.lo = r.hi = g.DepthOf(r.root);
  } else {
    r.lo = g.DepthOf(r.lo);
    r.hi = g.DepthOf(r.hi);
  }
  return r;
}

// Reads a section into its geometry; when its measures make no section,
// returns why and leaves `out` unspecified.
std::optional<Reason> BuildGeometry(const Section& s, Geometry& out);

}  // namespace hydraulics::exact
