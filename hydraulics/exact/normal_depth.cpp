#include "hydraulics/exact/normal_depth.h"

#include <algorithm>
#include <limits>
#include <numbers>

namespace hydraulics::exact {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Room around a closed-form depth for the rounding of exp and log.
constexpr double kClosedFormMargin = 1e-9;

// 5 B^2 P - 8 A Ra in a doorway's arch: positive while the section factor
// still rises with depth (d ln(A R^(2/3)) / dh = 5B/(3A) - 2P'/(3P), P' = 4 Ra / B).
// Both are taken over Ra^3, in lengths over Ra: the sign and the roots
// stay, and no product leaves the double range for an arch of any size.
double ArchRise(const Geometry& g, double h) {
  const double B = g.TopWidth(h) / g.Ra;
  return 5 * B * B * (g.Perimeter(h) / g.Ra) - 8 * (g.Area(h) / g.Ra / g.Ra);
}

// Depths at which a closed section's factor turns, ending at the crown: the
// factor rises from the floor to the first, falls to the second, and so on.
struct Turns {
  double at[4] = {0, 0, 0, 0};
  int count = 0;
  void Add(double h) { at[count++] = h; }
};

// ArchRise with its slope B (10 B' P + 12 Ra), B' = -4 z / B at z above the
// arch centre, multiplied out: finite at the crown, where B = 0 and the
// slope's sign is what the turns need.
ValueSlope ArchRiseSlopeAt(const Geometry& g, double h) {
  const double B = g.TopWidth(h) / g.Ra, P = g.Perimeter(h) / g.Ra;
  const double z = (g.z0 + (h - g.wall)) / g.Ra;
  return {ArchRise(g, h), (12 * B - 40 * z * P) / g.Ra};
}

// A pipe's section factor peaks 0.124 R below its crown: a first guess for an arch's.
constexpr double kPeakBelowCrown = 0.124;

Turns DoorwayTurns(const Geometry& g) {
  Turns t;
  const double top = std::nextafter(g.height, 0.0);
  auto rise = [&g](double h) { return ArchRise(g, h); };
  if (ArchRise(g, g.wall) >= 0) {
    // Rising into the arch: one peak below the crown.
    auto rise_slope = [&g](double h) { return ArchRiseSlopeAt(g, h); };
    double x0 = g.height - kPeakBelowCrown * g.Ra;
    if (!(x0 > g.wall)) x0 = g.wall + (g.height - g.wall) / 2;
    RootResult peak = SolveAround(rise, NewtonEstimate(rise_slope, x0, g.wall, g.height, true), g.wall, g.height, true);
    if (!peak.converged()) peak = SolveBracketed(rise, g.wall, g.height);
    if (peak.converged()) t.Add(peak.root);
  } else {
    // Falling already at the springing line, as under a flat arch on tall walls:
    // it may rise again once, where the arch rise peaks.
    t.Add(g.wall);
    const double narrowing = std::max(g.wall, g.wall - g.z0);
    auto slope = [&g](double h) { return ArchRiseSlopeAt(g, h).slope; };
    const RootResult most = SolveBracketed(slope, narrowing, top);
    if (most.converged() && ArchRise(g, most.root) > 0) {
      const RootResult low = SolveBracketed(rise, g.wall, most.root);
      const RootResult high = SolveBracketed(rise, most.root, g.height);
      if (low.converged() && high.converged()) {
        t.Add(low.root);
        t.Add(high.root);
      }
    }
  }
  t.Add(g.height);
  return t;
}

// A pipe's factor peaks at kPipePeakHalfAngle, scaled out of the radius.
FactorPeak PipePeak(const Geometry& g) {
  return {g.DepthOf(kPipePeakHalfAngle), UnitPipe().peak_conveyance + 8 * std::log(g.R)};
}

// A doorway's factor peaks at one of its even turns, or at the crown.
FactorPeak DoorwayPeak(const Geometry& g, const Turns& turns) {
  FactorPeak best{g.height, ConveyanceExcess(g, 0, g.height)};
  for (int i = 0; i < turns.count; i += 2) {
    const double factor = ConveyanceExcess(g, 0, turns.at[i]);
    if (factor > best.log_factor) best = {turns.at[i], factor};
  }
  return best;
}

// The root in (lo, hi) by Newton's estimate from x0 and the solver around it;
// NoSignChange when that does not hold and the bracket itself serves.
RootResult FromEstimate(const Geometry& g, double ld, double x0, double lo, double hi, bool positive_below) {
  auto f = [&g, ld](double t) { return ConveyanceExcess(g, ld, t); };
  auto fd = [&g, ld](double t) { return ConveyanceExcessSlope(g, ld, t); };
  if (!(x0 > lo && x0 < hi)) x0 = lo + (hi - lo) / 2;
  return SolveAround(f, NewtonEstimate(fd, x0, lo, hi, positive_below), lo, hi, positive_below);
}

// Distance from zero beyond which a tabulated residual's sign is certain.
constexpr double kTableTrust = 1e-9;

// A pipe in its half angle t: the section factor rises to kPipePeakHalfAngle
// and falls to the crown; the unit pipe's table gives the lower root's cell.
NormalRoots SolvePipe(const Geometry& g, double ld, double floor_bound) {
  auto f = [&g, ld](double t) { return ConveyanceExcess(g, ld, t); };
  NormalRoots out;
  const double peak = kPipePeakHalfAngle, top = std::numbers::pi;
  // The excess scales out of the radius: ln(A^5 / P^2) = 8 ln R plus the unit pipe's.
  const PipeTable& unit = UnitPipe();
  const double y = ld - 8 * std::log(g.R);
  double f_peak = unit.peak_conveyance - y;
  if (std::fabs(f_peak) < kTableTrust) f_peak = f(peak);
  if (f_peak < 0) {
    out.beyond_capacity = true;
    out.capacity = PipePeak(g);
    return out;
  }
  // Cells wholly below the peak.
  const int below_peak = static_cast<int>(peak / (std::numbers::pi / kPipeCells));
  const double* end = std::upper_bound(unit.conveyance + 1, unit.conveyance + below_peak + 1, y);
  const int k = static_cast<int>(end - unit.conveyance);
  double lo = g.ParamOf(floor_bound), hi = peak, f_lo = 0, f_hi = f_peak;
  if (k > 1) {
    lo = unit.t[k - 1];
    f_lo = unit.conveyance[k - 1] - y;
  }
  if (k <= below_peak) {
    hi = unit.t[k];
    f_hi = unit.conveyance[k] - y;
  }
  // Table and evaluation may differ in the last bits: near a cell's end the
  // signs come from the evaluation itself.
  RootResult r;
  if (k > 1 && k <= below_peak) {
    // Within a cell the table's line through its ends starts Newton's steps.
    const double x0 = lo + (hi - lo) * (f_lo / (f_lo - f_hi));
    r = FromEstimate(g, ld, x0, lo, hi, false);
  }
  if (!r.converged()) {
    if (k == 1 || -f_lo < kTableTrust) f_lo = f(lo);
    if (k <= below_peak && f_hi < kTableTrust) f_hi = f(hi);
    r = SolveBracketed(f, lo, hi, f_lo, f_hi);
  }
  out.lowest = InDepth(g, r);
  double f_full = unit.full_conveyance - y;
  if (std::fabs(f_full) < kTableTrust) f_full = f(top);
  if (f_full <= 0) {
    const RootResult upper = InDepth(g, SolveBracketed(f, peak, top, f_peak, f_full));
    if (upper.converged()) out.other_depths[out.others++] = upper.root;
  }
  return out;
}

NormalRoots SolveClosed(const Geometry& g, double ld) {
  auto f = [&g, ld](double h) { return ConveyanceExcess(g, ld, h); };
  NormalRoots out;
  // A <= h Bmax and R <= h: (A R^(2/3))^3 <= Bmax^3 h^5, so Q needs at least
  // this depth. Where h is tiny beside the width both hold to the last bits,
  // and the bound is the root itself: a margin keeps the root above it.
  const double floor_bound = std::exp((ld - 3 * std::log(g.MaxWidth())) / 5) * (1 - kClosedFormMargin);
  if (!(floor_bound < g.height)) {
    out.beyond_capacity = true;
    out.capacity = g.shape == Shape::Circle ? PipePeak(g) : DoorwayPeak(g, DoorwayTurns(g));
    return out;
  }
  if (g.shape == Shape::Circle) return SolvePipe(g, ld, floor_bound);
  // Everything below runs in the geometry's parameter t (the doorway's is its depth).
  Turns turns;
  const double top = g.TopParam();
  const double f_full = f(top);
  if (f_full > 0 && ArchRise(g, g.wall) >= 0) {
    // Less than the full section carries: one crossing below the peak, and
    // within the walls when the walls alone carry Q.
    if (g.wall > floor_bound && f(g.wall) >= 0) turns.Add(g.wall);
    turns.Add(top);
  } else {
    turns = DoorwayTurns(g);
  }
  double start = g.ParamOf(floor_bound), f_start = f(start);
  bool found = false;
  for (int i = 0; i < turns.count; ++i) {
    const double end = turns.at[i];
    if (end <= start) continue;
    const double f_end = end == top ? f_full : f(end);
    if ((f_start < 0) != (f_end < 0) || f_start == 0) {
      RootResult r;
      if (f_start != 0 && f_end != 0)
        r = FromEstimate(g, ld, start + (end - start) * (f_start / (f_start - f_end)), start, end, f_start > 0);
      if (!r.converged()) r = SolveBracketed(f, start, end, f_start, f_end);
      r = InDepth(g, r);
      if (!found) {
        out.lowest = r;
        found = true;
      } else if (out.others < 3 && r.converged()) {
        out.other_depths[out.others++] = r.root;
      }
    }
    start = end;
    f_start = f_end;
  }
  out.beyond_capacity = !found;
  // Only where the full section carries too little, on the turns found.
  if (!found) out.capacity = DoorwayPeak(g, turns);
  return out;
}

}  // namespace

NormalRoots SolveNormal(const Geometry& g, double ld) {
  if (g.closed()) return SolveClosed(g, ld);
  // Rising with depth: the solver wants the opposite sign.
  auto f = [&g, ld](double h) { return -ConveyanceExcess(g, ld, h); };
  const double lnK = ld / 3;
  const double ln2 = std::numbers::ln2;
  NormalRoots out;
  switch (g.shape) {
    case Shape::Triangle: {
      // A R^(2/3) = m^(5/3) h^(8/3) / (2 side)^(2/3).
      const double h0 = std::exp((3 * lnK + 2 * std::log(2 * g.side) - 5 * std::log(g.m)) / 8);
      out.lowest = FromEstimate(g, ld, h0, h0 / 2, h0 * 2, false);
      if (!out.lowest.converged())
        out.lowest = SolveDecreasing(f, h0 * (1 - kClosedFormMargin), h0 * (1 + kClosedFormMargin), kInfinity);
      break;
    }
    case Shape::Rectangle:
    case Shape::Trapezoid: {
      // The rectangle of the bottom width: (bh)^(5/3) / (b + 2h)^(2/3) lies
      // between b h^(5/3) 2^(-2/3) or b^(5/3) h 4^(-2/3) (whichever side of
      // h = b/2) and the smaller of b h^(5/3) and b^(5/3) h 2^(-2/3). A
      // trapezoid carries more than that rectangle and more than its triangle.
      const double lnb = std::log(g.b);
      double hi = std::max(std::exp(0.6 * (2.0 / 3 * ln2 + lnK - lnb)),
                           std::exp(4.0 / 3 * ln2 + lnK - 5.0 / 3 * lnb));
      double lo = std::max(std::exp(0.6 * (lnK - lnb)), std::exp(2.0 / 3 * ln2 + lnK - 5.0 / 3 * lnb));
      if (g.shape == Shape::Trapezoid) {
        hi = std::min(hi, std::exp((3 * lnK + 2 * std::log(2 * g.side) - 5 * std::log(g.m)) / 8));
        // A R^(2/3) <= A h^(2/3) <= (b + m hi) h^(5/3) below hi.
        lo = std::min(hi, std::exp(0.6 * (lnK - std::log(g.b + g.m * hi))));
      }
      out.lowest = FromEstimate(g, ld, std::sqrt(lo * hi), lo / 2, hi * 2, false);
      if (!out.lowest.converged()) out.lowest = SolveDecreasing(f, lo, hi, kInfinity);
      break;
    }
    default:
      break;
  }
  return out;
}

}  // namespace hydraulics::exact
