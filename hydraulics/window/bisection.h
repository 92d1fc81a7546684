#pragma once
// Bracketing followed by bisection on a residual whose stop test is taken in
// single precision, as the critical-depth routine does it.

#include <cmath>
#include <optional>

#include "hydraulics/number_text.h"

namespace hydraulics::window {

enum class SearchStop {
  Converged,        // |f(mid)| in single precision fell below the tolerance
  BracketCollapsed, // the midpoint equalled an end: no double lies between
  NoSignChange,     // the start bracket holds no root and may not grow
  BeyondDeepest,    // the bracket grew to kDeepestWater without a root
  BisectionLimit,   // kMaxBisectionSteps passes without meeting the tolerance
  Fault,            // the residual faulted at an end or inside the search
};

struct SearchResult {
  double depth = 0;        // the midpoint tested last
  int growth_steps = 0;    // times the upper end grew
  int bisection_steps = 0; // passes of the bisection loop
  SearchStop stop = SearchStop::Fault;

  bool found() const {
    return stop == SearchStop::Converged || stop == SearchStop::BracketCollapsed;
  }
};

struct Bracket {
  double lo = 0;
  double hi = 0;
  bool may_grow = false; // the upper end grows by kGrowthStep until a sign change
};

// Residual tolerance, m^6: an absolute tolerance on A^3 - B Q^2 / g.
inline constexpr double kResidualTolerance = 0.001;
inline constexpr int kGrowthStep = 2;
// Depth in m beyond which the bracket stops growing. No water on Earth is this
// deep (the ocean's deepest point lies about 10.9 km down), let alone an open
// channel, so a critical depth beyond it is no channel's. Every root up to it
// is found exactly as an unbounded search finds it, with the same steps.
inline constexpr double kDeepestWater = 11'000;
// A guard only: the bisection stops once no double lies between the ends,
// which from a lower end of 0.0001 takes about 200 halvings at most.
inline constexpr int kMaxBisectionSteps = 2'000;

namespace detail {
inline int Sign(double x) { return (x > 0) - (x < 0); }
}  // namespace detail

// `f(depth)` returns the residual, or nothing when it faults (division by
// zero, overflow, a negative number under a root).
template <class Residual>
SearchResult FindRoot(const Residual& f, Bracket bracket) {
  SearchResult r;
  double lo = bracket.lo;
  double hi = bracket.hi;

  const std::optional<double> f_lo = f(lo);
  std::optional<double> f_hi = f(hi);
  if (!f_lo || !f_hi) return r;

  // An overflowing product counts as "same sign": the guarded steps run.
  auto same_sign = [&] {
    const double p = *f_lo * *f_hi;
    return !std::isfinite(p) || p > 0;
  };
  while (same_sign()) {
    if (!bracket.may_grow) {
      r.stop = SearchStop::NoSignChange;
      return r;
    }
    // Still no sign change at the deepest water: no channel's depth is left.
    if (hi >= kDeepestWater) {
      r.stop = SearchStop::BeyondDeepest;
      return r;
    }
    ++r.growth_steps;
    hi += kGrowthStep;
    f_hi = f(hi);
    if (!f_hi) return r;
  }

  double mid = (lo + hi) / 2;
  auto narrowed_at = [&](double x) -> std::optional<float> {
    const std::optional<double> v = f(x);
    if (!v) return std::nullopt;
    return ToSingle(*v);
  };
  std::optional<float> f_mid = narrowed_at(mid);
  if (!f_mid) return r;

  r.stop = SearchStop::Converged;
  // The single-precision |f_mid| is compared with the double tolerance: the
  // single nearest 0.001 lies above it and does not stop the search.
  while (std::fabs(static_cast<double>(*f_mid)) >= kResidualTolerance) {
    if (r.bisection_steps == kMaxBisectionSteps) {
      r.stop = SearchStop::BisectionLimit;
      return r;
    }
    ++r.bisection_steps;
    if (detail::Sign(*f_mid) == detail::Sign(*f_hi))
      hi = mid;
    else
      lo = mid;
    f_hi = f(hi);
    if (!f_hi) {
      r.stop = SearchStop::Fault;
      return r;
    }
    mid = (lo + hi) / 2;
    if (mid == lo || mid == hi) {
      r.stop = SearchStop::BracketCollapsed;
      break;
    }
    f_mid = narrowed_at(mid);
    if (!f_mid) {
      r.stop = SearchStop::Fault;
      return r;
    }
  }
  r.depth = mid;
  return r;
}

}  // namespace hydraulics::window
