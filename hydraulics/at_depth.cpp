#include "hydraulics/at_depth.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace hydraulics::exact {

OtherDepth SolveOtherSide(const Geometry& g, Conjugate which, double Q, double grav, double h,
                          const double* turns, int turn_count) {
  const bool energy = which == Conjugate::Alternate;
  auto value = [&](double x) { return energy ? EnergyAt(g, Q, grav, x) : MomentumAt(g, Q, grav, x); };
  const double target = value(h);
  auto f = [&](double x) { return value(x) - target; };
  OtherDepth out;

  // Widest top width below the first turn.
  const bool widening = !g.closed();
  const double widest = widening ? g.TopWidth(turns[0]) : g.MaxWidth();
  // Below this depth the velocity term alone exceeds the target, as A <= h * widest:
  // alpha Q^2 / (2 g A^2) >= E, or Q^2 / (g A) >= M.
  const double area_bound = energy ? Q * std::sqrt(g.alpha / (2 * grav * target)) : Q * (Q / (grav * target));
  const double floor_bound = std::min(area_bound / widest, turns[0]);

  auto record = [&out](const RootResult& r) {
    if (!out.found) {
      out.lowest = r;
      out.found = r.converged();
    } else if (out.others < 3 && r.converged()) {
      out.other_depths[out.others++] = r.root;
    }
  };
  // Pieces [0, t0], [t0, t1], ... and the last from the top turn to the crown or without end.
  for (int i = 0; i <= turn_count; ++i) {
    const double start = i == 0 ? floor_bound : turns[i - 1];
    const bool last = i == turn_count;
    // The piece holding h has no other root: the function is monotone on it.
    const bool holds_h = (i == 0 || h >= turns[i - 1]) && (last || h <= turns[i]);
    if (holds_h && !(i > 0 && h == turns[i - 1])) continue;
    if (!last) {
      const double end = turns[i];
      const double f_start = f(start), f_end = f(end);
      if ((f_start < 0) != (f_end < 0) || f_start == 0 || f_end == 0)
        record(SolveBracketed(f, start, end, f_start, f_end));
    } else if (g.closed()) {
      const double f_start = f(start), f_full = f(g.height);
      if (f_full < 0) {
        out.above_crown = true;
      } else {
        record(SolveBracketed(f, start, g.height, f_start, f_full));
      }
    } else {
      // Rising without end: E > h bounds the alternate depth by E itself.
      auto falling = [&f](double x) { return -f(x); };
      const double guess = energy ? std::max(target, start * 2) : start * 2;
      record(SolveDecreasing(falling, start, guess, std::numeric_limits<double>::infinity()));
    }
  }
  if (out.found && out.above_crown) out.above_crown = false;
  return out;
}

}  // namespace hydraulics::exact
