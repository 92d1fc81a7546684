#include "hydraulics/exact/geometry.h"

#include <numbers>

namespace hydraulics::exact {
namespace {

// Side slope s is vertical : horizontal; the geometry wants the run per unit rise.
std::optional<Reason> SetSlope(double s, Geometry& g) {
  if (!Positive(s)) return Reason::SideSlopeNotPositive;
  g.m = 1 / s;
  if (!std::isfinite(g.m)) return Reason::DimensionsBeyondRange;
  g.side = std::hypot(1.0, g.m);
  return std::nullopt;
}

}  // namespace

std::optional<Shape> ShapeOfTypeCode(int type, bool bottom_width_given) {
  switch (type) {
    case 1: return Shape::Circle;
    case 2: return Shape::Rectangle;
    case 3: return bottom_width_given ? Shape::Trapezoid : Shape::AverageTrapezoid;
    case 4: return Shape::Triangle;
    case 5: return Shape::Doorway;
    default: return std::nullopt;
  }
}

const PipeTable& UnitPipe() {
  static const PipeTable table = [] {
    PipeTable p{};
    Geometry unit;
    unit.shape = Shape::Circle;
    unit.R = 1;
    for (int k = 1; k < kPipeCells; ++k) {
      const double t = k * std::numbers::pi / kPipeCells;
      const Geometry::Point x = unit.At<Geometry::kArea | Geometry::kWidth>(t);
      p.t[k] = t;
      p.critical[k] = 3 * std::log(x.area) - std::log(x.top_width);
      p.conveyance[k] = 5 * std::log(x.area) - 2 * std::log(2 * t);
    }
    p.t[kPipeCells] = std::numbers::pi;
    const Geometry::Point peak = unit.At<Geometry::kArea | Geometry::kPerimeter>(kPipePeakHalfAngle);
    p.peak_conveyance = 5 * std::log(peak.area) - 2 * std::log(peak.perimeter);
    const Geometry::Point full = unit.At<Geometry::kArea | Geometry::kPerimeter>(std::numbers::pi);
    p.full_conveyance = 5 * std::log(full.area) - 2 * std::log(full.perimeter);
    return p;
  }();
  return table;
}

std::optional<Reason> BuildGeometry(const Section& s, Geometry& g) {
  g = Geometry{};
  g.shape = s.shape;
  switch (s.shape) {
    case Shape::Circle:
      if (!Positive(s.R)) return Reason::RadiusNotPositive;
      if (!std::isfinite(s.R * s.R)) return Reason::DimensionsBeyondRange;
      g.R = s.R;
      g.height = 2 * s.R;
      return std::nullopt;
    case Shape::Rectangle:
      if (!Positive(s.b)) return Reason::BottomWidthNotPositive;
      g.b = s.b;
      return std::nullopt;
    case Shape::Trapezoid:
      if (const auto why = SetSlope(s.s, g)) return why;
      if (!Positive(s.b)) return Reason::BottomWidthNotPositive;
      g.b = s.b;
      return std::nullopt;
    case Shape::AverageTrapezoid:
      if (const auto why = SetSlope(s.s, g)) return why;
      if (!Positive(s.W)) return Reason::AverageWidthNotPositive;
      g.W = s.W;
      return std::nullopt;
    case Shape::Triangle:
      return SetSlope(s.s, g);
    case Shape::Doorway: {
      if (!Positive(s.b)) return Reason::BottomWidthNotPositive;
      if (!std::isfinite(s.wall) || s.wall < 0) return Reason::WallNegative;
      if (!(s.angle > 0 && s.angle < 360)) return Reason::CrownAngleOutOfRange;
      g.theta = s.angle * std::numbers::pi / 360;
      const double sin_theta = std::sin(g.theta), cos_theta = std::cos(g.theta);
      g.Ra = (s.b / 2) / sin_theta;
      if (!std::isfinite(g.Ra * g.Ra) || !std::isfinite(s.wall + 2 * g.Ra)) return Reason::DimensionsBeyondRange;
      g.b = s.b;
      g.wall = s.wall;
      // The arch centre lies Ra cos(theta) below the springing line (above it
      // for an arch wider than a half circle).
      g.z0 = g.Ra * cos_theta;
      // Ra (1 - cos theta) without the cancellation of small angles.
      g.rise = s.b / 2 * std::tan(g.theta / 2);
      g.height = g.wall + g.rise;
      g.cap_moment = g.Ra * g.Ra * g.Ra *
                     (g.theta > 0.5 ? SegmentMoment(g.theta, sin_theta, cos_theta) : SegmentMoment(g.theta));
      g.alpha = kDoorwayEnergyCoefficient;
      return std::nullopt;
    }
  }
  return Reason::SectionTypeUnknown;
}

}  // namespace hydraulics::exact
