#pragma once
// Normal depth by Manning's formula, Q = k/n A R^(2/3) S0^(1/2) (Chow,
// Open-Channel Hydraulics, 1959, eq. 5-6), on the true geometry. A closed
// section carries the most just below its crown, so a discharge can have two
// normal depths there, or none.

#include <cmath>

#include "hydraulics/exact/geometry.h"
#include "hydraulics/exact/solver.h"

namespace hydraulics::exact {

// 3 ln(n Q / (k sqrt(S0))): the cube of the section factor A R^(2/3) that
// uniform flow needs, in logarithms.
inline double LogConveyanceDemand(double n, double Q, double k, double S0) {
  const double factor = n * Q / (k * std::sqrt(S0));
  if (std::isnormal(factor)) return 3 * std::log(factor);
  return 3 * (std::log(n) + std::log(Q) - std::log(k) - 0.5 * std::log(S0));
}

// ln((A R^(2/3))^3) = ln(A^5 / P^2) minus the demand, at a point of the
// section: negative below a normal depth. One logarithm serves unless a
// power leaves the normal range.
inline double ConveyanceExcessAt(const Geometry::Point& p, double log_demand) {
  const double A2 = p.area * p.area;
  const double fifth = A2 * A2 * p.area, P2 = p.perimeter * p.perimeter;
  const double ratio = fifth / P2;
  if (std::isnormal(fifth) && std::isnormal(P2) && std::isnormal(ratio)) return std::log(ratio) - log_demand;
  return 5 * std::log(p.area) - 2 * std::log(p.perimeter) - log_demand;
}

// The same at the geometry's parameter t.
inline double ConveyanceExcess(const Geometry& geometry, double log_demand, double t) {
  return ConveyanceExcessAt(geometry.At<Geometry::kArea | Geometry::kPerimeter>(t), log_demand);
}

// ConveyanceExcess with its slope in t, d/dh (5 ln A - 2 ln P) = 5 B / A - 2 P' / P;
// in a circle's half angle, dA / dt = B^2 / 2 and P = 2 R t.
inline ValueSlope ConveyanceExcessSlope(const Geometry& geometry, double log_demand, double t) {
  const Geometry::Point p = geometry.At<Geometry::kArea | Geometry::kWidth | Geometry::kPerimeter>(t);
  ValueSlope r;
  r.value = ConveyanceExcessAt(p, log_demand);
  double lengthening = 2;  // P' [length / length]
  switch (geometry.shape) {
    case Shape::Circle: return {r.value, 2.5 * p.top_width * p.top_width / p.area - 2 / t};
    case Shape::Trapezoid:
    case Shape::Triangle: lengthening = 2 * geometry.side; break;
    case Shape::Doorway:
      if (t > geometry.wall) lengthening = 4 * geometry.Ra / p.top_width;
      break;
    default: break;
  }
  r.slope = 5 * p.top_width / p.area - 2 * lengthening / p.perimeter;
  return r;
}

// Where a closed section carries the most in uniform flow: the depth at which
// its section factor A R^(2/3) peaks, and ln(A^5 / P^2) there.
struct FactorPeak {
  double depth = 0;        // [length]
  double log_factor = 0;   // 3 ln(A R^(2/3)) [ln length^8]
};

// Q_max = k/n (A R^(2/3))_max S0^(1/2) [length^3/s], Manning's formula at the peak.
inline double CapacityDischarge(const FactorPeak& peak, double n, double k, double S0) {
  return k / n * std::exp(peak.log_factor / 3) * std::sqrt(S0);
}

struct NormalRoots {
  RootResult lowest;         // the depth reported when one exists
  bool beyond_capacity = false;  // Q exceeds the largest uniform-flow discharge
  FactorPeak capacity;       // where the section carries the most; set when beyond capacity
  int others = 0;            // higher depths that carry Q too (closed sections)
  double other_depths[3] = {0, 0, 0};
};

// The section must have a wetted perimeter (not the average-width trapezoid).
NormalRoots SolveNormal(const Geometry& geometry, double log_demand);

}  // namespace hydraulics::exact
