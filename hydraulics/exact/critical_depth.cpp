#include "hydraulics/exact/critical_depth.h"

#include <algorithm>
#include <limits>
#include <numbers>

namespace hydraulics::exact {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Room around a closed-form depth for the rounding of exp and log of large
// arguments; the solver then needs two or three steps.
constexpr double kClosedFormMargin = 1e-9;
// Distance from zero beyond which a tabulated residual's sign is certain.
constexpr double kTableTrust = 1e-9;

template <class F>
RootResult AroundClosedForm(F f, double h0, double limit) {
  return SolveDecreasing(f, h0 * (1 - kClosedFormMargin), h0 * (1 + kClosedFormMargin), limit);
}

// The root in (lo, hi) by Newton's estimate from x0 and the solver around it;
// NoSignChange when that does not hold and the shape's own bracket serves.
RootResult FromEstimate(const Geometry& g, double ld, double x0, double lo, double hi) {
  auto f = [&g, ld](double t) { return CriticalExcess(g, ld, t); };
  auto fd = [&g, ld](double t) { return CriticalExcessSlope(g, ld, t); };
  if (!(x0 > lo && x0 < hi)) x0 = lo + (hi - lo) / 2;
  return SolveAround(f, NewtonEstimate(fd, x0, lo, hi, true), lo, hi, true);
}

// An upper end for a closed section's root above `lo`: near the crown of an
// arc of radius r the top width is at most 2 sqrt(2 r d), d the depth below
// the crown, while the area is at least A(lo); so alpha Q^2 B / (g A^3) < 1
// once d < (A(lo)^3 / (2 e^log_demand))^2 / (2 r).
double BelowCrown(const Geometry& g, double lo, double log_demand, double r) {
  const double gap = g.height - lo;
  const double d = std::exp(2 * (3 * std::log(g.Area(lo)) - std::log(2.0) - log_demand) - std::log(2 * r));
  return g.height - std::min(d, gap / 2);
}

// A closed section's critical depth can lie within ulps of its crown, where
// the condition falls like the logarithm of the gap and interpolation stalls.
// In y = -ln(1 - h / H) the crown moves to infinity and the condition turns
// nearly linear in y there; small depths keep y close to h / H. `gap`, when
// given, receives H - h from y itself: near the crown h rounds it away.
template <class F>
RootResult SolveTowardsCrown(F f, double lo, double hi, double H, double* gap = nullptr) {
  auto depth = [H](double y) { return -H * std::expm1(-y); };
  auto in_y = [&f, &depth](double y) { return f(depth(y)); };
  auto to_y = [H](double h) { return -std::log1p(-h / H); };
  // The last double below the crown bounds the search: the crown itself may
  // round to a width that is not quite zero. A root above that double is no
  // depth a double can tell from full, and the search says so.
  const double y_top = to_y(std::nextafter(H, 0.0));
  // Done when the depths, not their images, are a few ulps apart.
  auto close = [&depth](double a, double b) { return CloseEnough{}(depth(a), depth(b)); };
  RootResult r = SolveDecreasing(in_y, to_y(lo), std::min(to_y(hi), y_top), y_top, close);
  if (gap && r.converged()) *gap = H * std::exp(-r.root);
  r.root = depth(r.root);
  r.lo = depth(r.lo);
  r.hi = depth(r.hi);
  return r;
}

// A B' - 3 B^2 in the arch at depth h: positive where the critical condition
// rises with depth, which only the widening part of a wide arch allows.
double ArchTurn(const Geometry& g, double h) {
  const double z = g.z0 + (h - g.wall);
  const double B = 2 * std::sqrt(std::max((g.Ra - z) * (g.Ra + z), 0.0));
  return g.Area(h) * (-4 * z / B) - 3 * B * B;
}

}  // namespace

CriticalRoots SolveCritical(const Geometry& g, double ld, const RootResult* above, double above_ld) {
  auto f = [&g, ld](double h) { return CriticalExcess(g, ld, h); };
  const double ln2 = std::numbers::ln2;
  CriticalRoots out;
  switch (g.shape) {
    case Shape::Rectangle:
    case Shape::Triangle: {
      const double h0 = g.shape == Shape::Rectangle ? std::exp((ld - 2 * std::log(g.b)) / 3)
                                                    : std::exp((ld + ln2 - 2 * std::log(g.m)) / 5);
      out.lowest = FromEstimate(g, ld, h0, h0 / 2, h0 * 2);
      if (!out.lowest.converged()) out.lowest = AroundClosedForm(f, h0, kInfinity);
      break;
    }
    case Shape::Trapezoid: {
      // Below both the rectangle of the bottom width and the triangle of the
      // side slopes; above the rectangle as wide as the trapezoid there.
      const double hi = std::min(std::exp((ld - 2 * std::log(g.b)) / 3),
                                 std::exp((ld + ln2 - 2 * std::log(g.m)) / 5));
      const double lo = std::exp((ld - 2 * std::log(g.b + g.m * hi)) / 3);
      out.lowest = FromEstimate(g, ld, std::sqrt(lo * hi), lo / 2, hi * 2);
      if (!out.lowest.converged()) out.lowest = SolveDecreasing(f, lo, hi, kInfinity);
      break;
    }
    case Shape::AverageTrapezoid: {
      // A^3 / B between W^2 h^3 and the smaller of W^2 h^3 / 2 and W^3 h^2 / (2 m).
      const double lnW = std::log(g.W);
      const double lo = std::exp((ld - 2 * lnW) / 3);
      const double hi = std::max(std::exp((ln2 + ld - 2 * lnW) / 3),
                                 std::exp((ln2 + std::log(g.m) + ld - 3 * lnW) / 2));
      out.lowest = FromEstimate(g, ld, std::sqrt(lo * hi), lo / 2, hi * 2);
      if (!out.lowest.converged()) out.lowest = SolveDecreasing(f, lo, hi, kInfinity);
      break;
    }
    case Shape::Circle: {
      const double lnR = std::log(g.R);
      // A^3 / B at the half depth; below it A <= h B and h B / 2 <= A give
      // 8 R h^4 >= A^3 / B >= R h^4 / 2.
      const double at_half = 3 * (std::log(std::numbers::pi / 2) + 2 * lnR) - ln2 - lnR;
      RootResult& r = out.lowest;
      // The cell of the unit pipe's table that holds the root, when one does.
      const PipeTable& unit = UnitPipe();
      const double x = ld - 5 * lnR;
      const double* end = std::upper_bound(unit.critical + 1, unit.critical + kPipeCells, x);
      const int k = static_cast<int>(end - unit.critical);
      if (k > 1 && k < kPipeCells) {
        double f_lo = x - unit.critical[k - 1], f_hi = x - unit.critical[k];
        // The table's line through the cell's ends starts Newton's steps.
        r = FromEstimate(g, ld, unit.t[k - 1] + (unit.t[k] - unit.t[k - 1]) * (f_lo / (f_lo - f_hi)),
                         unit.t[k - 1], unit.t[k]);
        if (r.converged()) break;
        // Table and evaluation may differ in the last bits: near a cell's end
        // the signs come from the evaluation itself.
        if (f_lo < kTableTrust || -f_hi < kTableTrust) {
          f_lo = f(unit.t[k - 1]);
          f_hi = f(unit.t[k]);
        }
        r = SolveBracketed(f, unit.t[k - 1], unit.t[k], f_lo, f_hi);
        if (r.converged()) break;
      }
      double lo = g.R, hi = 0;
      if (ld < at_half) {
        lo = std::exp((ld - std::log(8.0) - lnR) / 4);
        hi = std::min(g.R, std::exp((ln2 + ld - lnR) / 4));
      } else {
        hi = BelowCrown(g, lo, ld, g.R);
      }
      // In the half angle the width falls linearly at the crown, not as a
      // square root: halving towards the crown reaches any root there.
      r = SolveDecreasing(f, g.ParamOf(lo), g.ParamOf(hi), g.TopParam());
      break;
    }
    case Shape::Doorway: {
      const double in_walls = std::exp((ld - 2 * std::log(g.b)) / 3);
      if (in_walls <= g.wall) {
        out.lowest = FromEstimate(g, ld, in_walls, in_walls / 2, std::min(in_walls * 2, g.wall));
        if (!out.lowest.converged())
          out.lowest = SolveDecreasing(f, in_walls * (1 - kClosedFormMargin),
                                       std::min(in_walls * (1 + kClosedFormMargin), g.wall), g.height);
        // Above the walls the condition can rise again where a wide arch bulges
        // (A B' > 3 B^2 at the springing line) and cross zero twice more.
        if (g.z0 < 0 && 4 * g.wall * -g.z0 > 3 * g.b * g.b && f(g.wall) < 0) {
          auto turn = [&g](double h) { return ArchTurn(g, h); };
          const double widest = g.wall - g.z0;
          const RootResult top = SolveBracketed(turn, g.wall, widest);
          if (top.converged() && f(top.root) > 0) {
            const RootResult middle = SolveBracketed(f, g.wall, top.root);
            const RootResult upper = SolveTowardsCrown(f, top.root, top.root + (g.height - top.root) / 2, g.height);
            if (middle.converged() && upper.converged()) {
              out.others = 2;
              out.other_depths[0] = middle.root;
              out.other_depths[1] = upper.root;
            }
          }
        }
      } else {
        const double lo = g.wall > 0 ? g.wall : std::min(in_walls, g.height / 2);
        if (const double h_above = above && above->converged() ? above->root : 0;
            g.z0 >= 0 && h_above > lo && h_above < g.height && above_ld > ld) {
          // Under an arch that only narrows, ln(A^3 / B) rises faster than
          // 3 B / A, and B / A falls with depth: the root lies less than
          // (above_ld - ld) A / (3 B), taken at the higher root, below it.
          const double gap = (above_ld - ld) * g.Area(h_above) / (3 * g.TopWidth(h_above));
          const double near = h_above - gap * (1 + kClosedFormMargin);
          out.lowest = FromEstimate(g, ld, h_above - gap / 2, near > lo ? near : lo, h_above);
          if (!out.lowest.converged())
            out.lowest = SolveTowardsCrown(f, near > lo ? near : lo, h_above, g.height, &out.crown_gap);
        } else {
          // The walls' own critical depth lies below the root: the arch only narrows.
          const double hi = BelowCrown(g, lo, ld, g.Ra);
          out.lowest = FromEstimate(g, ld, in_walls, lo, hi);
          if (!out.lowest.converged()) out.lowest = SolveTowardsCrown(f, lo, hi, g.height, &out.crown_gap);
        }
      }
      break;
    }
  }
  out.param = out.lowest.root;
  out.lowest = InDepth(g, out.lowest);
  return out;
}

std::optional<CriticalState> CriticalStateOf(const Geometry& geometry, const CriticalRoots& roots, double Q,
                                             double g, Notes& notes) {
  const RootResult& root = roots.lowest;
  CriticalState state;
  state.steps = root.iterations;
  Geometry::Point p;
  if (root.converged()) {
    if (geometry.shape == Shape::Circle) {
      // The width from the solver's own angle: near the crown the depth has
      // rounded to the diameter, and a width from it would be noise.
      p = geometry.At<Geometry::kDepth | Geometry::kArea | Geometry::kWidth>(roots.param);
    } else if (std::isfinite(roots.crown_gap)) {
      p.depth = root.root;
      p.area = geometry.b * geometry.wall + geometry.ArchAreaBelowGap(roots.crown_gap, root.root - geometry.wall);
      p.top_width = 2 * geometry.ArchHalfWidth(roots.crown_gap);
    } else {
      p = geometry.At<Geometry::kArea | Geometry::kWidth>(root.root);
    }
  } else if (geometry.closed() && root.stop == RootStop::NoSignChange && root.hi > kNearFullShare * geometry.height) {
    // The search went up to the crown without a sign change: the root lies
    // closer to it than a double resolves, and the section flows full.
    notes.Add(Reason::CriticalAtCrown, {geometry.height});
    p = geometry.At<Geometry::kDepth | Geometry::kArea | Geometry::kWidth>(geometry.TopParam());
    p.depth = geometry.height;
    p.top_width = 0;
  } else {
    notes.Add(root.stop == RootStop::NoSignChange ? Reason::CriticalBeyondRange : Reason::CriticalNotFound);
    return std::nullopt;
  }
  state.depth = p.depth;
  state.top_width = p.top_width;
  state.area = p.area;
  state.velocity = Q / state.area;
  if (state.top_width > 0) state.hydraulic_depth = state.area / state.top_width;
  state.energy = state.depth + geometry.alpha * state.velocity * state.velocity / (2 * g);
  // Depths at the ends of the double range leave no area or width to speak of.
  const bool at_crown = state.top_width == 0;
  if (!(Positive(state.depth) && Positive(state.area) && std::isfinite(state.top_width) &&
        (at_crown || Positive(*state.hydraulic_depth)) && std::isfinite(state.energy))) {
    notes.Add(Reason::CriticalBeyondRange);
    return std::nullopt;
  }
  if (geometry.closed() && !at_crown && state.depth > kNearFullShare * geometry.height) notes.Add(Reason::NearFull);
  if (roots.others > 0) notes.Add(Reason::OtherCriticalDepths, roots.other_depths, roots.others);
  return state;
}

}  // namespace hydraulics::exact
