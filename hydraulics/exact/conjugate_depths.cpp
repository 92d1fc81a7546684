#include "hydraulics/exact/conjugate_depths.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

namespace hydraulics::exact {
namespace {

// Room around a closed-form estimate for its rounding.
constexpr double kEstimateMargin = 1e-9;
// Rounds of bracket shrinking before the solver takes over.
constexpr int kBracketRounds = 2;
// Near a turn of E or M at T the other root of f mirrors h: it lies at
// 2 T - h with a relative error of the order of d^2, d = |h - T| / T. A
// search instead meets f's rounding, ulp(E), beside a slope that falls as d,
// and errs by about ulp / d. The two errors cross at d = cbrt(ulp).
const double kNearTurn = std::cbrt(DBL_EPSILON);

}  // namespace

OtherDepth SolveOtherSide(const Geometry& g, Conjugate which, double Q, double grav, double h, double target,
                          const double* turns, int turn_count, double froude) {
  const bool energy = which == Conjugate::Alternate;
  // In the geometry's parameter t, as the other solvers step.
  auto value = [&](double t) {
    if (energy) {
      const Geometry::Point p = g.At<Geometry::kDepth | Geometry::kArea>(t);
      const double V = Q / p.area;
      return p.depth + g.alpha * V * V / (2 * grav);
    }
    const Geometry::Point p = g.At<Geometry::kArea | Geometry::kMoment>(t);
    return Q * (Q / (grav * p.area)) + p.first_moment;
  };
  auto f = [&](double t) { return value(t) - target; };
  // f and its slope in t: dE/dh = 1 - 2 v B / A with v the velocity head,
  // dM/dh = A - Q^2 B / (g A^2); a circle's dh/dt is R sin t = B / 2.
  auto value_slope = [&](double t) {
    ValueSlope r;
    double per_depth = 0;
    Geometry::Point p;
    if (energy) {
      p = g.At<Geometry::kDepth | Geometry::kArea | Geometry::kWidth>(t);
      const double V = Q / p.area;
      const double head = g.alpha * V * V / (2 * grav);
      r.value = p.depth + head - target;
      per_depth = 1 - 2 * head * p.top_width / p.area;
    } else {
      p = g.At<Geometry::kArea | Geometry::kWidth | Geometry::kMoment>(t);
      const double momentum = Q * (Q / (grav * p.area));
      r.value = momentum + p.first_moment - target;
      per_depth = p.area - momentum * p.top_width / p.area;
    }
    r.slope = g.shape == Shape::Circle ? per_depth * p.top_width / 2 : per_depth;
    return r;
  };
  // Below the least value the velocity term dominates and f turns like 1 / A^2
  // or 1 / A, which Newton's steps follow slowly from the floor; the same
  // root solves A sqrt(E - h) = Q sqrt(alpha / (2 g)), or A (M - A ybar) = Q^2 / g,
  // nearly linear there. Both rise with depth below the root.
  const double energy_flow = Q * std::sqrt(g.alpha / (2 * grav)), momentum_flow = Q * (Q / grav);
  auto low_value_slope = [&](double t) {
    ValueSlope r;
    double per_depth = 0;
    Geometry::Point p;
    if (energy) {
      p = g.At<Geometry::kDepth | Geometry::kArea | Geometry::kWidth>(t);
      const double root_head = std::sqrt(target - p.depth);
      r.value = p.area * root_head - energy_flow;
      per_depth = p.top_width * root_head - p.area / (2 * root_head);
    } else {
      p = g.At<Geometry::kArea | Geometry::kWidth | Geometry::kMoment>(t);
      const double rest = target - p.first_moment;
      r.value = p.area * rest - momentum_flow;
      per_depth = p.top_width * rest - p.area * p.area;
    }
    r.slope = g.shape == Shape::Circle ? per_depth * p.top_width / 2 : per_depth;
    return r;
  };
  auto low = [&](double t) { return low_value_slope(t).value; };
  // Newton's estimate from x0 inside (lo, hi), then the solver around it;
  // NoSignChange when that fails and the piece's own bracket must serve.
  // Below the least value both take the nearly linear form: there f itself
  // is the small difference of two large terms, as for the sequent depth of
  // deep water, whose velocity term alone almost makes M.
  auto from_estimate = [&](double x0, double lo, double hi, bool below_least) {
    // A velocity head below an ulp of E leaves the alternate depth at E's last ulp.
    if (x0 >= hi) x0 = std::nextafter(hi, lo);
    if (!(x0 >= lo && x0 < hi)) x0 = lo + (hi - lo) / 2;
    if (below_least) return SolveAround(low, NewtonEstimate(low_value_slope, x0, lo, hi, false), lo, hi, false);
    return SolveAround(f, NewtonEstimate(value_slope, x0, lo, hi, false), lo, hi, false);
  };
  OtherDepth out;

  // Below this depth the velocity term alone exceeds the target:
  // alpha Q^2 / (2 g A^2) >= E, or Q^2 / (g A) >= M.
  // Only the lowest piece needs it, and a pipe pays a power and an arcsine for it.
  // Far from the turn, as for deep water, the root lies within rounding of
  // this bound; a margin below it keeps the root inside the piece.
  auto floor_param = [&] {
    const double area_bound = energy ? Q * std::sqrt(g.alpha / (2 * grav * target)) : Q * (Q / (grav * target));
    return g.ParamOf(std::min(g.DepthBelowArea(area_bound * (1 - kEstimateMargin)), turns[0]));
  };

  // The rectangle's sequent depth has Belanger's closed form (Chow 1959,
  // eq. 3-22): y2 = y1 / 2 (sqrt(1 + 8 Fr1^2) - 1). A tight bracket around it
  // leaves the solver two or three steps.
  double estimate = 0;
  if (!energy && g.shape == Shape::Rectangle) {
    const double F2 = Q * Q / (grav * g.b * g.b * h * h * h);
    estimate = h / 2 * (std::sqrt(1 + 8 * F2) - 1);
  }
  // Every other section starts Newton's steps from Belanger's depth with the
  // Froude number of its hydraulic depth A / B at h.
  double belanger = estimate;
  if (!energy && g.shape != Shape::Rectangle) {
    // Momentum carries no energy coefficient, the Froude number does.
    belanger = h / 2 * (std::sqrt(1 + 8 * froude * froude / g.alpha) - 1);
  }
  auto near_estimate = [&](double start, double end, RootResult& r) {
    if (!(estimate > start && estimate < end)) return false;
    const double lo = std::max(start, estimate * (1 - kEstimateMargin));
    const double hi = std::min(end, estimate * (1 + kEstimateMargin));
    r = SolveBracketed(f, lo, hi);
    return r.converged();
  };

  // Above the critical depth: as the velocity head v falls with depth, a
  // root between lo and hi lies between E - v(lo) and E - v(hi). Each round
  // shrinks the bracket by the factor Fr^2 there.
  auto ShrinkAlternate = [&](double& lo, double& hi) {
    auto head = [&](double x) { return EnergyAt(g, Q, grav, x) - x; };
    for (int round = 0; round < kBracketRounds; ++round) {
      const double new_lo = target - head(lo), new_hi = target - head(hi);
      if (new_lo > lo && new_lo < hi) lo = new_lo;
      if (new_hi < hi && new_hi > lo) hi = new_hi;
    }
  };

  auto record = [&out, &g](RootResult r) {
    r = InDepth(g, r);
    if (!out.found) {
      out.lowest = r;
      out.found = r.converged() && Positive(r.root);
      // A root that is no double, or values that leave the double range on the way.
      out.beyond_range = (r.converged() && !out.found) || r.stop == RootStop::NotFinite;
    } else if (out.others < 3 && r.converged()) {
      out.other_depths[out.others++] = r.root;
    }
  };
  // Pieces [0, t0], [t0, t1], ... and the last from the top turn to the crown or without end.
  double t_turns[3];
  for (int i = 0; i < turn_count; ++i) t_turns[i] = g.ParamOf(turns[i]);
  int h_piece = 0;
  while (h_piece < turn_count && h > turns[h_piece]) ++h_piece;
  // Beside h's piece, across a turn where the value is least or most, the
  // other root mirrors h close to the turn, where f is flat to its last bits
  // and a search finds noise or h itself.
  auto mirrored = [&](int piece, RootResult& r) {
    const int k = piece == h_piece + 1 ? h_piece : piece == h_piece - 1 ? piece : -1;
    if (k < 0 || !(std::fabs(h - turns[k]) <= kNearTurn * turns[k])) return false;
    const double depth = 2 * turns[k] - h;
    const double piece_lo = piece == 0 ? 0.0 : turns[piece - 1];
    const double piece_hi = piece == turn_count ? (g.closed() ? g.height : depth) : turns[piece];
    if (!(depth > piece_lo && depth <= piece_hi) && depth != turns[k]) return false;
    r = RootResult{};
    r.stop = RootStop::Converged;
    r.root = r.lo = r.hi = g.ParamOf(depth);
    return true;
  };
  for (int i = 0; i <= turn_count; ++i) {
    const bool last = i == turn_count;
    // The piece holding h has no other root: the function is monotone on it.
    const bool holds_h = (i == 0 || h >= turns[i - 1]) && (last || h <= turns[i]);
    if (holds_h && !(i > 0 && h == turns[i - 1])) continue;
    if (RootResult r; mirrored(i, r)) {
      record(r);
      continue;
    }
    const double start = i == 0 ? floor_param() : t_turns[i - 1];
    if (!last) {
      const double end = t_turns[i];
      RootResult r;
      // The lowest piece falls to the least value: Newton starts at the
      // floor, where the velocity term alone makes the target.
      if (i == 0) {
        r = from_estimate(energy ? start : g.ParamOf(belanger), start, end, true);
        if (!r.converged()) r = SolveBracketed(low, start, end);
        record(r);
        continue;
      }
      if (near_estimate(start, end, r)) {
        record(r);
        continue;
      }
      const double f_start = f(start), f_end = f(end);
      if ((f_start < 0) != (f_end < 0) || f_start == 0 || f_end == 0)
        record(SolveBracketed(f, start, end, f_start, f_end));
    } else if (g.closed()) {
      const double f_full = f(g.TopParam());
      if (f_full < 0) {
        out.above_crown = true;
        continue;
      }
      if (h != turns[i - 1]) {
        // The alternate depth lies below height - f_full, where the velocity
        // head is at least that of the full section.
        const double x0 = energy ? g.ParamOf(g.height - f_full) : g.ParamOf(std::min(belanger, g.height));
        const RootResult r = from_estimate(x0, start, g.TopParam(), false);
        if (r.converged()) {
          record(r);
          continue;
        }
      }
      const double f_start = f(start);
      if (energy) {
        double lo = turns[i - 1], hi = g.height;
        ShrinkAlternate(lo, hi);
        record(SolveBracketed(f, g.ParamOf(lo), g.ParamOf(hi)));
      } else if (const double walls_bound = std::sqrt(2 * target / g.b);
                 g.shape == Shape::Doorway && walls_bound > start && walls_bound < g.wall) {
        // Within a doorway's walls M exceeds b h^2 / 2 alone.
        record(SolveBracketed(f, start, walls_bound, f_start, f(walls_bound)));
      } else {
        record(SolveBracketed(f, start, g.TopParam(), f_start, f_full));
      }
    } else {
      double lo = start, hi = start * 2, x0 = belanger;
      if (energy) {
        // E > h bounds the alternate depth by E itself, and E less the
        // velocity head at E more closely.
        hi = target;
        x0 = target - (EnergyAt(g, Q, grav, target) - target);
      } else {
        // M exceeds its first-moment term alone: b h^2 / 2 + m h^3 / 3 for
        // the trapezoid family, so either part bounds the depth.
        const double M = target;
        hi = std::numeric_limits<double>::infinity();
        if (g.shape != Shape::Triangle) hi = std::sqrt(2 * (M / g.b));
        if (g.shape != Shape::Rectangle) hi = std::min(hi, std::cbrt(3 * (M / g.m)));
        if (!(hi > lo)) hi = lo * 2;
        // In a triangle the momentum term at that bound, less than at the
        // root, leaves a closer bound from above, where Newton's steps on
        // the convex M stay.
        if (g.shape == Shape::Triangle) x0 = std::cbrt(3 * (M - Q * (Q / (grav * g.Area(hi)))) / g.m);
      }
      if (h != turns[i - 1] && std::isfinite(hi)) {
        const RootResult r = from_estimate(x0, lo, hi, false);
        if (r.converged()) {
          record(r);
          continue;
        }
      }
      RootResult r;
      if (near_estimate(start, std::numeric_limits<double>::infinity(), r)) {
        record(r);
        continue;
      }
      auto falling = [&f](double x) { return -f(x); };
      if (energy) ShrinkAlternate(lo, hi);
      record(SolveDecreasing(falling, lo, hi, std::numeric_limits<double>::infinity()));
    }
  }
  if (out.found && out.above_crown) out.above_crown = false;
  return out;
}

}  // namespace hydraulics::exact
