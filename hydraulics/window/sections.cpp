#include "hydraulics/window/sections.h"

#include <cmath>

#include "hydraulics/number_text.h"

namespace hydraulics::window {
namespace {

// Faults surface as infinities or NaN; the residuals below divide only by
// constants and the slope, so a fault anywhere reaches the final value.
std::optional<double> Checked(double v) {
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

// The search's path, and its step counts, depend on every last bit, and every
// build must take the same path. Optimising compilers turn pow(x, 2) into
// x * x while an unoptimised build calls the library's pow, which is not
// correctly rounded in every case; so the square and the square root are the
// correctly rounded operations that pow(x, 2) and pow(x, 0.5) stand for.
// No compiler rewrites the cube or other powers: every build calls pow. A cube
// is not x * x * x, which rounds twice.
double Square(double x) { return x * x; }
double Cube(double x) { return std::pow(x, 3); }
// pow(x, 0.5) gives +0 for -0, where sqrt keeps the sign; negative x and
// infinities fault either way.
double SquareRoot(double x) { return x == 0 ? 0.0 : std::sqrt(x); }

template <class Residual, class Width>
SectionOutcome Solve(const Residual& f, Bracket bracket, const Width& width) {
  SectionOutcome out;
  out.search = FindRoot(f, bracket);
  if (out.search.found())
    if (const std::optional<double> w = Checked(width(out.search.depth))) out.width = ToSingle(*w);
  return out;
}

}  // namespace

std::optional<double> RectangularDepth(double Q, double b) {
  // The exponent is the run-time quotient 1.0 / 3.0, not a rounded literal.
  const double third = 1.0 / 3.0;
  return Checked(std::pow(Square(Q / b) / kGravity, third));
}

SectionOutcome CircularSection(double Q, float R) {
  const float D = 2.0f * R;
  if (!std::isfinite(D)) return {};
  const double P = static_cast<double>(R) * 3.1415926;
  const double q2 = Square(Q);
  // Wetted area proportional to depth: half the circle at h = R, all of it at 2R.
  auto width = [=](double h) { return 2 * SquareRoot(h * (D - h)); };
  auto f = [=](double h) { return Checked(Cube((P * h) / 2) - (width(h) * q2) / kGravity); };
  return Solve(f, Bracket{kLowerBracket, D, false}, width);
}

SectionOutcome TrapezoidalSection(double Q, double W, double s) {
  const double q2 = Square(Q);
  auto width = [=](double h) { return W + h / s; };
  auto f = [=](double h) { return Checked(Cube(h * W) - (width(h) * q2) / kGravity); };
  return Solve(f, Bracket{kLowerBracket, kUpperBracket, true}, width);
}

SectionOutcome TriangularSection(double Q, double s) {
  const double q2 = Square(Q);
  auto width = [=](double h) { return (2 * h) / s; };
  auto f = [=](double h) { return Checked(Cube(Square(h) / s) - (((2 * h) * q2) / s) / kGravity); };
  return Solve(f, Bracket{kLowerBracket, kUpperBracket, true}, width);
}

DoorwayOutcome DoorwaySection(float B, float h, float A, float Q) {
  DoorwayOutcome out;
  const double third = 1.0 / 3.0;
  const std::optional<double> h_r =
      Checked(std::pow(kDoorwayEnergyCoefficient * Square(static_cast<double>(Q) / B) / kGravity, third));
  if (!h_r) return out;
  if (*h_r <= h && *h_r > 0) {
    const std::optional<float> depth = ToSingle(*h_r);
    if (!depth) return out;
    out.stop = DoorwayStop::StraightWall;
    out.depth = *depth;
    out.width = B;
    return out;
  }

  // The water surface lies in the crown arch. pi is written 3.1415926 here
  // on purpose: the results are defined with that value.
  const double theta = A * 3.1415926 / 360; // half the crown angle
  const std::optional<double> R_a = Checked((B / 2.0f) / std::sin(theta));
  if (!R_a) return out;
  const std::optional<double> H_c = Checked(h + *R_a * (1 - std::cos(theta)));
  if (!H_c) return out;
  std::optional<float> h_t = ToSingle((*H_c + h) / 2);
  const float wall_area = B * h;
  if (!h_t || !std::isfinite(wall_area)) return out;
  const double Ra2 = Square(*R_a);
  const std::optional<double> S_f =
      Checked(wall_area + A * 3.1415926 * Ra2 / 360 - Ra2 * std::sin(A * 3.1415926 / 180) / 2);
  if (!S_f) return out;
  const std::optional<double> demand = Checked(kDoorwayEnergyCoefficient * Square(Q) / kGravity);
  if (!demand) return out;

  // Depth that critical flow requires for the area left below h_t; an S^2
  // that overflows or underflows to zero is a fault, not a depth of 0 or inf.
  auto required_depth = [&](double empty_coefficient) -> std::optional<double> {
    const std::optional<double> S = Checked(*S_f - empty_coefficient * *R_a * (*H_c - *h_t));
    if (!S) return std::nullopt;
    const double S2 = Square(*S);
    if (!std::isfinite(S2) || S2 == 0) return std::nullopt;
    return Checked(*demand / S2);
  };

  // The starting depth uses the quarter-circle coefficient, every pass the
  // full-circle one: the two approximations of the empty part of the arch.
  std::optional<double> h_m = required_depth(1.5707963);
  if (!h_m) return out;
  const double tolerance = kArchTolerance;
  while (*h_m - *h_t > tolerance) {
    if (out.passes == kMaxArchPasses) {
      out.stop = DoorwayStop::PassLimit;
      return out;
    }
    ++out.passes;
    h_t = ToSingle((*h_m + *h_t) / 2);
    if (!h_t) return out;
    if (*h_t >= *H_c) {
      out.stop = DoorwayStop::ReachedCrown;
      return out;
    }
    h_m = required_depth(6.2831852);
    if (!h_m) return out;
  }

  const std::optional<float> depth = ToSingle(*h_m);
  if (!depth) return out;
  // The depth carries the 7 significant digits of its text form.
  const double accepted = LeadingNumber(TextForm(*depth)).value_or(0);
  // The arch's centre lies R_a cos(theta) below the springing line.
  const double above_centre = accepted - h + *R_a * std::cos(theta);
  if (const std::optional<double> w = Checked(2 * SquareRoot(Ra2 - Square(above_centre))))
    out.width = ToSingle(*w);
  out.stop = DoorwayStop::Arch;
  out.depth = *depth;
  out.arch_depth = accepted;
  return out;
}

}  // namespace hydraulics::window
