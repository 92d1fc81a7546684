#pragma once
// The one root finder behind every exact depth: Alefeld, Potra and Shi's
// TOMS 748 (ACM Trans. Math. Software 21, 1995) as Boost.Math implements it,
// on a bracket whose ends the caller has usually evaluated already.

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

#include <boost/math/policies/policy.hpp>
#include <boost/math/tools/toms748_solve.hpp>

namespace hydraulics {

// Four units in the last place of the smaller end: a double cannot say more.
inline constexpr double kRootTolerance = 4 * DBL_EPSILON;
// TOMS 748 gains several digits a step near a root and falls back on halving
// where interpolation stalls; a bracket of analytic bounds needs about ten
// evaluations, and a hundred still halve a bracket across most of the range.
inline constexpr int kMaxRootIterations = 100;

enum class RootStop {
  Converged,       // the bracket is a few ulps wide, or an end is an exact root
  NoSignChange,    // the function has the same sign at both ends
  NotFinite,       // the function had no finite value at an end or inside the bracket
  IterationLimit,  // kMaxRootIterations evaluations without converging
};

struct RootResult {
  double root = std::numeric_limits<double>::quiet_NaN();  // midpoint of the final bracket; NaN unless converged
  double lo = 0, hi = 0;  // final bracket
  int iterations = 0;     // evaluations inside the bracket
  RootStop stop = RootStop::NoSignChange;
  bool converged() const { return stop == RootStop::Converged; }
};

// Whether a bracket [a, b] has shrunk to the tolerance.
struct CloseEnough {
  bool operator()(double a, double b) const {
    return b - a <= kRootTolerance * std::max(std::fabs(a), std::fabs(b));
  }
};

// f(lo) and f(hi) given: an exact zero at an end is the root at once.
template <class F, class Tol = CloseEnough>
RootResult SolveBracketed(F f, double lo, double hi, double f_lo, double f_hi, Tol close = {}) {
  RootResult r;
  r.lo = lo;
  r.hi = hi;
  if (f_lo == 0 || f_hi == 0) {
    r.root = r.lo = r.hi = f_lo == 0 ? lo : hi;
    r.stop = RootStop::Converged;
    return r;
  }
  if (std::isnan(f_lo) || std::isnan(f_hi)) {
    r.stop = RootStop::NotFinite;
    return r;
  }
  if (!(lo < hi) || !((f_lo < 0 && f_hi > 0) || (f_lo > 0 && f_hi < 0))) return r;
  using Policy = boost::math::policies::policy<
      boost::math::policies::domain_error<boost::math::policies::ignore_error>>;
  boost::uintmax_t evaluations = kMaxRootIterations;
  bool not_finite = false;
  auto watched = [&f, &not_finite](double x) {
    const double v = f(x);
    if (std::isnan(v)) not_finite = true;
    return v;
  };
  const auto [a, b] =
      boost::math::tools::toms748_solve(watched, lo, hi, f_lo, f_hi, close, evaluations, Policy());
  r.iterations = static_cast<int>(evaluations);
  r.lo = a;
  r.hi = b;
  if (not_finite || !(a >= lo && b <= hi && a <= b))
    r.stop = RootStop::NotFinite;
  else if (a == b || close(a, b))
    r.stop = RootStop::Converged;
  else
    r.stop = RootStop::IterationLimit;
  if (r.converged()) r.root = a + (b - a) / 2;
  return r;
}

template <class F>
RootResult SolveBracketed(F f, double lo, double hi) {
  return SolveBracketed(f, lo, hi, f(lo), f(hi));
}

// Steps of the bracket search below: enough to walk from 1 to either end of
// the double range by factors of four, or to halve a gap down to one ulp.
inline constexpr int kMaxBracketSteps = 1100;

// Root of an f that is positive below it and negative above it, between 0
// and `limit` (infinite for no limit). [lo, hi] is a first guess, usually
// analytic bounds; it moves outward until the signs bracket the root. Towards
// a finite limit the upper end halves its gap, so that f is never asked for
// its value at the limit, where it may have none.
template <class F, class Tol = CloseEnough>
RootResult SolveDecreasing(F f, double lo, double hi, double limit, Tol close = {}) {
  double f_lo = f(lo), f_hi = f(hi);
  int steps = 0;
  while (f_lo < 0 && steps++ < kMaxBracketSteps && lo > 0) {
    hi = lo;
    f_hi = f_lo;
    lo /= 4;
    f_lo = f(lo);
  }
  while (f_hi > 0 && steps++ < kMaxBracketSteps) {
    lo = hi;
    f_lo = f_hi;
    hi = std::isfinite(limit) ? hi + (limit - hi) / 2 : hi * 4;
    if (!(hi > lo) || !std::isfinite(hi)) break;
    f_hi = f(hi);
  }
  RootResult r = SolveBracketed(f, lo, hi, f_lo, f_hi, close);
  r.iterations += steps;
  return r;
}

// A value of f and its slope, for Newton's steps.
struct ValueSlope {
  double value = 0;
  double slope = 0;
};

// Newton's steps only estimate a root, so that the solver starts on a bracket
// a few ulps wide: a dozen steps settle from any start the callers give, and
// a step below 2^-26 of the estimate leaves it within about 2^-52 of the root.
inline constexpr int kMaxNewtonSteps = 12;
inline constexpr double kNewtonSettled = 0x1p-26;

// Newton's method from x, kept inside (lo, hi): a step that leaves the
// interval halves it instead, each value narrowing it by its sign
// (`positive_below`: f is positive below the root). NaN when the steps do not
// settle.
template <class FD>
double NewtonEstimate(FD fd, double x, double lo, double hi, bool positive_below) {
  if (!(x >= lo && x <= hi)) x = lo + (hi - lo) / 2;
  for (int step = 0; step < kMaxNewtonSteps; ++step) {
    const ValueSlope v = fd(x);
    if (v.value == 0) return x;
    if ((v.value > 0) == positive_below)
      lo = x;
    else
      hi = x;
    double next = x - v.value / v.slope;
    // A step below an ulp leaves next at x, which the test below would take
    // for a step out of the interval.
    if (std::fabs(next - x) <= kNewtonSettled * std::fabs(next)) return next;
    if (!(next > lo && next < hi)) next = lo + (hi - lo) / 2;
    if (!std::isfinite(next)) break;
    x = next;
  }
  return std::numeric_limits<double>::quiet_NaN();
}

// Half-widths, relative to the estimate, of the brackets tried around it: a
// few ulps, so that the solver only checks the signs, then room for the
// rounding of f's value near the root.
inline constexpr double kNearSpread = 1.5 * DBL_EPSILON;
inline constexpr double kWideSpread = 0x1p-40;

// The solver on a bracket around an estimate x, within [lo, hi]; stop
// NoSignChange when neither bracket holds the root and the caller's own
// bracket has to serve.
template <class F>
RootResult SolveAround(F f, double x, double lo, double hi, bool positive_below) {
  RootResult r;
  if (!(x > lo && x < hi)) return r;
  const double near_lo = std::max(lo, x - kNearSpread * std::fabs(x));
  const double near_hi = std::min(hi, x + kNearSpread * std::fabs(x));
  const double f_lo = f(near_lo), f_hi = f(near_hi);
  if (f_lo == 0 || f_hi == 0 || (f_lo > 0) != (f_hi > 0)) return SolveBracketed(f, near_lo, near_hi, f_lo, f_hi);
  // Both ends on one side: the root lies beyond the end nearer to it.
  if ((f_hi > 0) == positive_below) {
    const double far = std::min(hi, x + kWideSpread * std::fabs(x));
    r = SolveBracketed(f, near_hi, far, f_hi, f(far));
  } else {
    const double far = std::max(lo, x - kWideSpread * std::fabs(x));
    r = SolveBracketed(f, far, near_lo, f(far), f_lo);
  }
  return r;
}

}  // namespace hydraulics
