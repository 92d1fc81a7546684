#include "hydraulics/exact_geometry.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "hydraulics/critical.h"
#include "hydraulics/number_text.h"
#include "hydraulics/section_geometry.h"

namespace hydraulics::exact {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

bool Positive(double v) { return std::isfinite(v) && v > 0; }

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
  Geometry geometry;
  if (const char* why = BuildGeometry(section, geometry)) {
    result.message = why;
    return result;
  }
  return CriticalResult(geometry, SolveCritical(geometry, LogDemand(geometry.alpha, section.Q, g)),
                        section.Q, g, "米");
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
