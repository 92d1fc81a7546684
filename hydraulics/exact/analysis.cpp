#include "hydraulics/exact/analysis.h"

#include <cmath>
#include <limits>

#include "hydraulics/exact/conjugate_depths.h"
#include "hydraulics/exact/normal_depth.h"

namespace hydraulics::exact {
namespace {

// i_k = (n Q / (k A_c R_c^(2/3)))^2: the slope whose normal depth is h_c; in
// logarithms where the powers leave the double range.
std::optional<double> CriticalSlope(const Geometry& g, double h, double A, double n, double Q, double k) {
  const double P = g.Perimeter(h);
  const double per_area = n * Q / (k * A), P_over_A = P / A;
  double slope = per_area * per_area * P_over_A * std::cbrt(P_over_A);
  if (!std::isnormal(slope)) {
    const double lnA = std::log(A), lnP = std::log(P);
    slope = std::exp(2 * (std::log(n) + std::log(Q) - std::log(k) - 5.0 / 3 * lnA + 2.0 / 3 * lnP));
  }
  if (!Positive(slope)) return std::nullopt;
  return slope;
}

SlopeClass ClassOfUniformFlow(Regime regime) {
  switch (regime) {
    case Regime::Subcritical: return SlopeClass::Mild;
    case Regime::Supercritical: return SlopeClass::Steep;
    case Regime::Critical: return SlopeClass::Critical;
  }
  return SlopeClass::Mild;
}

void AnalyseNormal(const Geometry& g, double Q, double n, double S0, const Units& units, Analysis& a) {
  if (!g.has_perimeter()) {
    a.notes.Add(Reason::NormalNeedsBottomWidth);
    return;
  }
  const NormalRoots normal = SolveNormal(g, LogConveyanceDemand(n, Q, units.k, S0));
  if (normal.beyond_capacity) {
    a.notes.Add(Reason::BeyondCapacity,
                {CapacityDischarge(normal.capacity, n, units.k, S0), normal.capacity.depth});
    return;
  }
  if (!normal.lowest.converged()) {
    a.notes.Add(Reason::NormalNotFound);
    return;
  }
  NormalState s;
  s.depth = normal.lowest.root;
  s.area = g.Area(s.depth);
  s.velocity = Q / s.area;
  s.froude = FroudeNumber(g, Q, units.g, s.depth, s.area);
  if (!Positive(s.depth) || !Positive(s.area) || !Positive(s.velocity) || !std::isfinite(s.froude)) {
    a.notes.Add(Reason::NormalBeyondRange);
    return;
  }
  s.regime = RegimeOf(s.froude);
  a.slope_class = ClassOfUniformFlow(s.regime);
  a.normal = s;
  if (normal.others > 0) a.notes.Add(Reason::HigherNormalDepths, normal.other_depths, normal.others);
}

// The reasons that go with an alternate or a sequent depth.
struct OtherDepthReasons {
  Reason others, above_crown, beyond_range, not_found;
};

// The depth found, with any further ones flagged; or why there is none.
void Take(const OtherDepth& found, const OtherDepthReasons& why, std::optional<double>& depth, Notes& notes) {
  if (found.found) {
    depth = found.lowest.root;
    if (found.others > 0) notes.Add(why.others, found.other_depths, found.others);
    return;
  }
  notes.Add(found.above_crown ? why.above_crown : found.beyond_range ? why.beyond_range : why.not_found);
}

void AnalyseAtDepth(const Geometry& g, double Q, double grav, double h, const CriticalRoots& roots,
                    Analysis& a) {
  if (!Positive(h)) {
    a.notes.Add(Reason::DepthNotPositive);
    return;
  }
  if (g.closed() && !(h < g.height)) {
    a.notes.Add(Reason::DepthNotBelowCrown, {g.height});
    return;
  }
  AtDepthState s;
  s.depth = h;
  s.area = g.Area(h);
  s.velocity = Q / s.area;
  s.froude = FroudeNumber(g, Q, grav, h, s.area);
  s.energy = h + g.alpha * s.velocity * s.velocity / (2 * grav);  // EnergyAt without a second area
  if (!Positive(s.area) || !std::isfinite(s.energy) || !std::isfinite(s.froude)) {
    a.notes.Add(Reason::DepthBeyondRange);
    return;
  }
  a.at_depth = s;
  AtDepthState& state = *a.at_depth;
  if (!g.has_perimeter()) {
    // Area W h and width W + h / s disagree on where E is least.
    a.notes.Add(Reason::ConjugatesNeedBottomWidth);
    return;
  }
  if (!a.critical) {
    a.notes.Add(Reason::ConjugatesNeedCriticalDepth);
    return;
  }
  double turns[3] = {a.critical->depth, roots.other_depths[0], roots.other_depths[1]};
  const int turn_count = 1 + roots.others;
  const OtherDepth alternate =
      SolveOtherSide(g, Conjugate::Alternate, Q, grav, h, s.energy, turns, turn_count, s.froude);
  Take(alternate, {Reason::OtherAlternateDepths, Reason::AlternateAboveCrown, Reason::AlternateBeyondRange,
                   Reason::AlternateNotFound},
       state.alternate, a.notes);
  // M is least where Q^2 B / (g A^3) = 1, the critical depth without the
  // doorway's energy coefficient.
  int momentum_turns = turn_count;
  if (g.alpha != 1) {
    const CriticalRoots plain = SolveCritical(g, LogDemand(1, Q, grav), &roots.lowest, LogDemand(g.alpha, Q, grav));
    turns[0] = plain.lowest.root;
    turns[1] = plain.other_depths[0];
    turns[2] = plain.other_depths[1];
    momentum_turns = plain.lowest.converged() ? 1 + plain.others : 0;
  }
  // A momentum beyond the double range (h beyond some 1e154) leaves a
  // sequent depth near Q^2 / (g B^2 h^2), below it.
  const double momentum = MomentumAt(g, Q, grav, h);
  OtherDepth sequent;
  if (!std::isfinite(momentum))
    sequent.beyond_range = true;
  else if (momentum_turns > 0)
    sequent = SolveOtherSide(g, Conjugate::Sequent, Q, grav, h, momentum, turns, momentum_turns, s.froude);
  Take(sequent, {Reason::OtherSequentDepths, Reason::SequentAboveCrown, Reason::SequentBeyondRange,
                 Reason::SequentNotFound},
       state.sequent, a.notes);
}

}  // namespace

Regime RegimeOf(double froude) {
  if (std::fabs(froude - 1) <= kCriticalBand) return Regime::Critical;
  return froude < 1 ? Regime::Subcritical : Regime::Supercritical;
}

double FroudeNumber(const Geometry& g, double Q, double grav, double h, double A) {
  const double B = g.TopWidth(h);
  const double froude = Q / A * std::sqrt(g.alpha * B / (grav * A));
  if (std::isnormal(froude)) return froude;
  // g A / B can leave the double range while Fr itself does not.
  return std::exp(std::log(Q) - 1.5 * std::log(A) + 0.5 * (std::log(g.alpha * B) - std::log(grav)));
}

Analysis Analyse(const Section& section, const FlowInputs& in, const Units& units) {
  Analysis a;
  const double Q = section.Q, grav = units.g;
  if (!Positive(grav)) {
    a.notes.Add(Reason::GravityNotPositive);
    return a;
  }
  if (!Positive(Q)) {
    a.notes.Add(Reason::DischargeNotPositive);
    return a;
  }
  Geometry g;
  if (const std::optional<Reason> why = BuildGeometry(section, g)) {
    a.notes.Add(*why);
    return a;
  }
  const CriticalRoots roots = SolveCritical(g, LogDemand(g.alpha, Q, grav));
  a.critical = CriticalStateOf(g, roots, Q, grav, a.notes);

  const bool n_ok = in.n && Positive(*in.n);
  const bool k_ok = Positive(units.k);
  if (in.n && !n_ok) a.notes.Add(Reason::RoughnessNotPositive);
  if (in.n && !k_ok) a.notes.Add(Reason::ManningConstantNotPositive);

  if (n_ok && k_ok) {
    if (!g.has_perimeter())
      a.notes.Add(Reason::CriticalSlopeNeedsBottomWidth);
    else if (!a.critical)
      a.notes.Add(Reason::CriticalSlopeNeedsCriticalDepth);
    else if (!(a.critical_slope = CriticalSlope(g, a.critical->depth, a.critical->area, *in.n, Q, units.k)))
      a.notes.Add(Reason::CriticalSlopeBeyondRange);
  }

  if (in.S0) {
    const double S0 = *in.S0;
    if (!std::isfinite(S0)) {
      a.notes.Add(Reason::BedSlopeNotFinite);
    } else if (S0 == 0) {
      a.slope_class = SlopeClass::Horizontal;
      a.notes.Add(Reason::NoNormalDepthOnFlatBed);
    } else if (S0 < 0) {
      a.slope_class = SlopeClass::Adverse;
      a.notes.Add(Reason::NoNormalDepthOnAdverseBed);
    } else if (!in.n) {
      a.notes.Add(Reason::NormalNeedsRoughness);
    } else if (n_ok && k_ok) {
      AnalyseNormal(g, Q, *in.n, S0, units, a);
    }
  }

  if (in.h) AnalyseAtDepth(g, Q, grav, *in.h, roots, a);
  return a;
}

std::optional<ShapeAt> ShapeAtDepth(const Section& section, double h, Reason* why) {
  Geometry g;
  std::optional<Reason> fault = BuildGeometry(section, g);
  if (!fault && !Positive(h)) fault = Reason::DepthNotPositive;
  if (!fault && g.closed() && h > g.height) fault = Reason::DepthNotBelowCrown;
  if (fault) {
    if (why) *why = *fault;
    return std::nullopt;
  }
  ShapeAt s;
  s.area = g.Area(h);
  s.top_width = g.TopWidth(h);
  s.wetted_perimeter = g.Perimeter(h);
  s.centroid_depth = g.FirstMoment(h) / s.area;
  return s;
}

std::optional<double> SectionHeight(const Section& section) {
  Geometry g;
  if (BuildGeometry(section, g) || !g.closed()) return std::nullopt;
  return g.height;
}

double SpecificEnergy(const Section& section, double h, const Units& units) {
  Geometry g;
  if (BuildGeometry(section, g) || !Positive(h) || !Positive(section.Q) || !Positive(units.g) ||
      (g.closed() && h > g.height))
    return std::numeric_limits<double>::quiet_NaN();
  return EnergyAt(g, section.Q, units.g, h);
}

}  // namespace hydraulics::exact
