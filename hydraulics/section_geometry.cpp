#include "hydraulics/section_geometry.h"

#include <numbers>

namespace hydraulics::exact {
namespace {

constexpr char kBeyondRange[] = "断面尺寸超出可计算范围";

bool Positive(double v) { return std::isfinite(v) && v > 0; }

// Side slope s is vertical : horizontal; the geometry wants the run per unit rise.
const char* SetSlope(double s, Geometry& g) {
  if (!Positive(s)) return "边坡坡度必须大于0";
  g.m = 1 / s;
  if (!std::isfinite(g.m)) return kBeyondRange;
  g.side = std::hypot(1.0, g.m);
  return nullptr;
}

}  // namespace

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

const char* BuildGeometry(const Section& s, Geometry& g) {
  g = Geometry{};
  switch (s.type) {
    case 1:
      if (!Positive(s.R)) return "半径必须大于0";
      if (!std::isfinite(s.R * s.R)) return kBeyondRange;
      g.shape = Shape::Circle;
      g.R = s.R;
      g.height = 2 * s.R;
      return nullptr;
    case 2:
      if (!Positive(s.b)) return "底宽必须大于0";
      g.shape = Shape::Rectangle;
      g.b = s.b;
      return nullptr;
    case 3:
      if (const char* why = SetSlope(s.s, g)) return why;
      if (s.bottom_width_given) {
        if (!Positive(s.b)) return "底宽必须大于0";
        g.shape = Shape::Trapezoid;
        g.b = s.b;
      } else {
        if (!Positive(s.W)) return "平均宽度必须大于0";
        g.shape = Shape::AverageTrapezoid;
        g.W = s.W;
      }
      return nullptr;
    case 4:
      if (const char* why = SetSlope(s.s, g)) return why;
      g.shape = Shape::Triangle;
      return nullptr;
    case 5: {
      if (!Positive(s.b)) return "底宽必须大于0";
      if (!std::isfinite(s.wall) || s.wall < 0) return "直墙高度不能为负";
      if (!(s.angle > 0 && s.angle < 360)) return "顶拱角度必须在0到360度之间";
      g.theta = s.angle * std::numbers::pi / 360;
      const double sin_theta = std::sin(g.theta), cos_theta = std::cos(g.theta);
      g.Ra = (s.b / 2) / sin_theta;
      if (!std::isfinite(g.Ra * g.Ra) || !std::isfinite(s.wall + 2 * g.Ra)) return kBeyondRange;
      g.shape = Shape::Doorway;
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
      return nullptr;
    }
    default:
      return "断面类型必须是1到5";
  }
}

}  // namespace hydraulics::exact
