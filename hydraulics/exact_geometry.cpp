#include "hydraulics/exact_geometry.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>

#include "hydraulics/number_text.h"

namespace hydraulics::exact {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr char kBeyondRange[] = "断面尺寸超出可计算范围";

struct Geometry {
  std::function<double(double)> area;
  std::function<double(double)> width;
  double height = kInfinity; // finite for closed sections
  double alpha = 1;
};

bool Positive(double v) { return std::isfinite(v) && v > 0; }

// theta - sin(theta) loses every digit to cancellation for small angles.
double ThetaMinusSin(double t) {
  if (t > 0.1) return t - std::sin(t);
  const double t2 = t * t;
  return t * t2 / 6 * (1 - t2 / 20 * (1 - t2 / 42 * (1 - t2 / 72 * (1 - t2 / 110 * (1 - t2 / 156)))));
}

Geometry Circle(double R) {
  Geometry g;
  g.height = 2 * R;
  // Central angle of the wetted segment; asin stays accurate where acos(1 - h/R) does not.
  auto theta = [R](double h) { return 4 * std::asin(std::sqrt(std::min(h / (2 * R), 1.0))); };
  g.area = [R, theta](double h) { return R * R * ThetaMinusSin(theta(h)) / 2; };
  g.width = [R](double h) { return 2 * std::sqrt(std::max(h * (2 * R - h), 0.0)); };
  return g;
}

Geometry Doorway(double b, double wall, double angle_degrees) {
  const double theta = angle_degrees * std::numbers::pi / 360; // half the crown angle
  const double Ra = (b / 2) / std::sin(theta);
  const double z0 = Ra * std::cos(theta); // centre lies this far below the springing line
  // Area of the circle's strip between heights z0 and z above the centre.
  auto strip = [Ra](double z) {
    const double t = std::clamp(z / Ra, -1.0, 1.0);
    return Ra * Ra * (t * std::sqrt(1 - t * t) + std::asin(t));
  };
  Geometry g;
  g.height = wall + Ra - z0;
  g.alpha = kDoorwayEnergyCoefficient;
  g.area = [=](double h) {
    if (h <= wall) return b * h;
    return b * wall + strip(z0 + (h - wall)) - strip(z0);
  };
  g.width = [=](double h) {
    if (h <= wall) return b;
    const double z = z0 + (h - wall);
    return 2 * std::sqrt(std::max(Ra * Ra - z * z, 0.0));
  };
  return g;
}

std::optional<Geometry> Build(const Section& s, std::string& message) {
  auto reject = [&](const char* text) -> std::optional<Geometry> {
    message = text;
    return std::nullopt;
  };
  Geometry g;
  switch (s.type) {
    case 1:
      if (!Positive(s.R)) return reject("半径必须大于0");
      if (!std::isfinite(s.R * s.R)) return reject(kBeyondRange);
      return Circle(s.R);
    case 2:
      if (!Positive(s.b)) return reject("底宽必须大于0");
      g.area = [b = s.b](double h) { return b * h; };
      g.width = [b = s.b](double) { return b; };
      return g;
    case 3:
      if (!Positive(s.s)) return reject("边坡坡度必须大于0");
      if (s.bottom_width_given) {
        if (!Positive(s.b)) return reject("底宽必须大于0");
        g.area = [b = s.b, k = s.s](double h) { return (b + h / k) * h; };
        g.width = [b = s.b, k = s.s](double h) { return b + 2 * h / k; };
      } else {
        if (!Positive(s.W)) return reject("平均宽度必须大于0");
        g.area = [W = s.W](double h) { return W * h; };
        g.width = [W = s.W, k = s.s](double h) { return W + h / k; };
      }
      return g;
    case 4:
      if (!Positive(s.s)) return reject("边坡坡度必须大于0");
      g.area = [k = s.s](double h) { return h * h / k; };
      g.width = [k = s.s](double h) { return 2 * h / k; };
      return g;
    case 5:
      if (!Positive(s.b)) return reject("底宽必须大于0");
      if (!std::isfinite(s.wall) || s.wall < 0) return reject("直墙高度不能为负");
      if (!(s.angle > 0 && s.angle < 360)) return reject("顶拱角度必须在0到360度之间");
      if (const double Ra = s.b / 2 / std::sin(s.angle * std::numbers::pi / 360);
          !std::isfinite(Ra * Ra) || !std::isfinite(s.wall + 2 * Ra))
        return reject(kBeyondRange);
      return Doorway(s.b, s.wall, s.angle);
    default:
      return reject("断面类型必须是1到5");
  }
}

}  // namespace

Result Solve(const Section& section, double g) {
  Result result;
  if (!Positive(g)) {
    result.message = "重力加速度必须大于0";
    return result;
  }
  if (!Positive(section.Q)) {
    result.message = "流量必须大于0";
    return result;
  }
  const std::optional<Geometry> geometry = Build(section, result.message);
  if (!geometry) return result;

  // ln(alpha Q^2 B / (g A^3)): positive below the critical depth, and free of
  // the overflow that Q^2 or A^3 would bring for extreme sections.
  const double log_demand = std::log(geometry->alpha / g) + 2 * std::log(section.Q);
  auto above_critical = [&](double h) {
    const double excess = log_demand + std::log(geometry->width(h)) - 3 * std::log(geometry->area(h));
    return !(excess > 0); // NaN moves the upper end, so the loop still ends
  };

  CriticalState state;
  // The ratio is infinite at h = 0 and, for a closed section, zero at the crown.
  double lo = 0;
  double hi = geometry->height;
  if (!std::isfinite(hi)) {
    hi = 1;
    int doublings = 0;
    while (!above_critical(hi)) {
      lo = hi;
      hi *= 2;
      if (++doublings > kMaxBracketDoublings || !std::isfinite(hi)) {
        result.message = "临界水深超出可计算范围";
        return result;
      }
    }
  }
  state.stop = Stop::IterationLimit;
  while (state.steps < kMaxBisectionSteps) {
    const double mid = lo + (hi - lo) / 2;
    if (mid <= lo || mid >= hi) {
      state.stop = Stop::Converged;
      break;
    }
    ++state.steps;
    (above_critical(mid) ? hi : lo) = mid;
  }
  if (state.stop != Stop::Converged || hi <= 0) {
    result.message = "未能求得临界水深";
    return result;
  }

  const double h = hi;
  state.depth = h;
  state.top_width = geometry->width(h);
  state.area = geometry->area(h);
  state.velocity = section.Q / state.area;
  state.hydraulic_depth = state.area / state.top_width;
  state.energy = h + geometry->alpha * state.velocity * state.velocity / (2 * g);
  // Depths at the ends of the double range leave no area or width to speak of.
  if (!Positive(state.area) || !Positive(state.top_width) || !std::isfinite(state.energy)) {
    result.message = "临界水深超出可计算范围";
    return result;
  }
  state.near_full = std::isfinite(geometry->height) && h > kNearFullShare * geometry->height;
  if (state.near_full) result.message = NearFullNote();
  result.state = state;
  return result;
}

Section FromBoxes(std::int16_t type, const BoxTexts& boxes) {
  // A typed value beyond the double range is no dimension at all.
  auto read = [](const std::string& t) { return LeadingNumber(t).value_or(kInfinity); };
  Section s;
  s.type = type;
  s.Q = read(boxes.TextQ);
  s.R = read(boxes.Text1[1]);
  s.b = read(boxes.Text1[2]);
  s.bottom_width_given = type == 3 && !boxes.Text1[2].empty();
  s.W = read(boxes.Text1[3]);
  s.s = read(boxes.Text1[4]) / read(boxes.Text1[5]);
  s.wall = read(boxes.Text1[6]);
  s.angle = read(boxes.Text1[7]);
  return s;
}

std::string ComparisonText(double shown, double exact) {
  char value[32];
  char deviation[32];
  auto end = std::to_chars(value, value + sizeof value, exact, std::chars_format::general, 6).ptr;
  std::string text = "按精确断面几何：" + std::string(value, end) + " 米（本结果偏差 ";
  const double percent = (shown - exact) / exact * 100;
  end = std::to_chars(deviation, deviation + sizeof deviation, std::fabs(percent),
                      std::chars_format::fixed, 1).ptr;
  const std::string magnitude(deviation, end);
  // A true minus sign; no sign for a deviation that rounds to zero.
  if (magnitude != "0.0") text += percent < 0 ? "−" : "+";
  return text + magnitude + "%）";
}

std::string_view NearFullNote() { return "临界水深超过断面高度的95%，接近满流（有压流）"; }

}  // namespace hydraulics::exact
