#pragma once
// Critical depth on the true geometry: alpha Q^2 B / (g A^3) = 1 (Chow,
// Open-Channel Hydraulics, 1959, sec. 3-2), every root of it, lowest first.

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <optional>

#include "hydraulics/exact/geometry.h"
#include "hydraulics/exact/reasons.h"
#include "hydraulics/exact/solver.h"

namespace hydraulics::exact {

// ln(alpha Q^2 / g): the condition is taken in logarithms, which keeps the
// extreme sections free of the overflow that Q^2 or A^3 would bring.
inline double LogDemand(double alpha, double Q, double g) {
  const double demand = alpha * Q * Q / g;
  if (std::isnormal(demand)) return std::log(demand);
  return std::log(alpha / g) + 2 * std::log(Q);
}

// ln(alpha Q^2 B / (g A^3)) at a point of the section: positive below a
// critical depth, negative above. A closed section's width vanishes at the
// crown; the smallest normal double in its place keeps the value finite
// there, as the solver's interpolation needs. One logarithm serves unless
// A^3 or the quotient leaves the normal range.
inline double CriticalExcessAt(const Geometry::Point& p, double log_demand) {
  const double B = std::max(p.top_width, DBL_MIN);
  const double cube = p.area * p.area * p.area;
  const double ratio = B / cube;
  if (std::isnormal(cube) && std::isnormal(ratio)) return log_demand + std::log(ratio);
  return log_demand + std::log(B) - 3 * std::log(p.area);
}

// The same at the geometry's parameter t.
inline double CriticalExcess(const Geometry& geometry, double log_demand, double t) {
  return CriticalExcessAt(geometry.At<Geometry::kArea | Geometry::kWidth>(t), log_demand);
}

// CriticalExcess with its slope in t, d/dh (ln B - 3 ln A) = B' / B - 3 B / A;
// in a circle's half angle t, d ln B / dt = cot t and dA / dt = B^2 / 2.
inline ValueSlope CriticalExcessSlope(const Geometry& geometry, double log_demand, double t) {
  const Geometry::Point p = geometry.At<Geometry::kArea | Geometry::kWidth>(t);
  const double B = std::max(p.top_width, DBL_MIN);
  ValueSlope r;
  r.value = CriticalExcessAt(p, log_demand);
  double widening = 0;  // B' [length / length]
  switch (geometry.shape) {
    case Shape::Circle: return {r.value, 2 * geometry.R * p.cos_t / B - 1.5 * B * B / p.area};
    case Shape::Rectangle: break;
    case Shape::Trapezoid:
    case Shape::Triangle: widening = 2 * geometry.m; break;
    case Shape::AverageTrapezoid:
      // Its area W h does not grow by its top width.
      return {r.value, geometry.m / B - 3 / t};
    case Shape::Doorway:
      if (t > geometry.wall) widening = -4 * (geometry.z0 + (t - geometry.wall)) / B;
      break;
  }
  r.slope = widening / B - 3 * B / p.area;
  return r;
}

struct CriticalRoots {
  RootResult lowest;        // the depth reported; see lowest.stop when it failed
  double param = 0;         // the lowest root in the geometry's parameter t
  // A doorway's root found towards its crown: the crown's height above it,
  // to the precision the depth itself rounds away.
  double crown_gap = std::numeric_limits<double>::quiet_NaN();
  int others = 0;           // higher depths that satisfy the condition too: 0 or 2
  double other_depths[2] = {0, 0};
};

// Only a doorway's arch wider than a half circle, above walls tall enough,
// can hold three critical depths; every other section has exactly one.
// `above`, when given, is the converged lowest root for a larger demand
// `above_log_demand`: the root sought lies below it, which narrows a
// doorway's first bracket.
CriticalRoots SolveCritical(const Geometry& geometry, double log_demand, const RootResult* above = nullptr,
                            double above_log_demand = 0);

struct CriticalState {
  double depth = 0;           // h_k [length]
  double top_width = 0;       // B_k [length]; 0 where h_k reaches a closed section's crown
  double area = 0;            // A_k [length^2]
  double velocity = 0;        // V_k = Q / A_k [length/s]
  std::optional<double> hydraulic_depth;  // A_k / B_k [length]; none at the crown, where B_k = 0
  double energy = 0;          // E_k = h_k + alpha V_k^2 / (2 g) [length]
  int steps = 0;              // solver and bracket-search steps
};

// The critical state at the roots, its flags (near full, further depths) in
// `notes`; or nothing, and the reason in `notes`. At a closed section's
// crown the state is the full section's.
std::optional<CriticalState> CriticalStateOf(const Geometry& geometry, const CriticalRoots& roots, double Q,
                                             double g, Notes& notes);

}  // namespace hydraulics::exact
