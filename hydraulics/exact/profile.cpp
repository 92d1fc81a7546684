#include "hydraulics/exact/profile.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

#include <boost/math/quadrature/gauss_kronrod.hpp>

#include "hydraulics/exact/critical_depth.h"
#include "hydraulics/exact/normal_depth.h"
#include "hydraulics/exact/solver.h"

namespace hydraulics::exact {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// A control or end depth this close, relative, to a critical or normal depth
// is that depth: the tool's own 15-digit text of a depth reads back within it.
constexpr double kSameDepth = 1e-12;

// Each distance is summed from Gauss–Kronrod panels of 15 points until
// every panel's |Kronrod - Gauss| lies below this share of the distance:
// that difference overstates the Kronrod sum's own error by orders of
// magnitude on these smooth integrands.
using Rule = boost::math::quadrature::gauss_kronrod<double, 15>;
constexpr double kQuadratureTolerance = 1e-12;
// Where halving stops short of that, as where the section's own measures are
// good to fewer digits, a distance within this share is still well inside
// the 1e-9 promised; beyond it the profile says it missed.
constexpr double kQuadraturePromise = 1e-10;
// Halving a panel already within the promise, whose halves together still
// estimate this share of its error, gains nothing: the estimate is rounding,
// not the rule's error, which falls by orders of magnitude a halving.
constexpr double kNoGain = 0.7;
// Ulps of rounding in one evaluation of the integrand, apart from the
// cancellation in i - J near a normal depth.
constexpr double kRoundingUlps = 16;
// A distance that still misses the tolerance after this many panels or
// halvings is reported as not converged rather than left to run; and a
// whole profile stops, not converged, beyond its budget of panels, a few
// hundred times what a station takes.
constexpr int kMaxPanels = 2000;
constexpr int kMaxHalvings = 50;
constexpr long kPanelsPerStation = 400;
// Pieces of a distance: the ends of each within this factor, and at most so
// many (which spans the double range twice).
constexpr double kPieceRatio = 16;
constexpr int kMaxPieces = 1100;
// A normal depth's residue / (s - s_n) stands for dx/ds where it is within
// this factor of it.
constexpr double kPoleStandIn = 64;

// A depth must come back from the integration parameter within this share.
constexpr double kRoundTrip = 1e-11;
// Newton's steps for a station: its distance is good to this share of
// itself, and quadratic convergence gets there in two or three.
constexpr double kStationMiss = 1e-13;
constexpr int kMaxNewtonStationSteps = 8;
// Where the bracketed solver takes over: a station's parameter to this share
// of its distance from the normal depth it approaches (or of itself).
constexpr double kStationTolerance = 1e-14;
// Tries at moving a bracket end towards a wall the profile approaches
// without end (a normal depth, or no top at all).
constexpr int kMaxBracketMoves = 1100;
// Each try comes this many times closer to the normal depth.
constexpr double kApproachFactor = 16;

// One panel and its error estimate. Boost 1.74 gives the estimate of the
// rule on [-1, 1], not scaled to the panel: a constant has the same
// estimate over any width.
template <class F>
double Panel(const F& f, double a, double b, double& error) {
  const double K = Rule::integrate(f, a, b, 0, 0.0, &error);
  error *= std::fabs(b - a) / 2;
  return K;
}

// What bounds the depths a profile can take: its zone lies between two
// neighbouring walls.
enum class WallKind : std::uint8_t {
  Floor,     // h = 0
  Critical,  // reached at a finite distance, where the profile stops
  Normal,    // approached without end
  Crown,     // a closed section's top, reached at a finite distance
  Open,      // no top: an open section's depth grows without bound
};

struct Wall {
  double s = 0;  // in the integration parameter
  double h = 0;  // depth
  WallKind kind = WallKind::Floor;
};

// The section at a value of the integration parameter s.
struct Point {
  double h = 0, A = 0, B = 0, P = 0;
  double dh_ds = 1;  // dh / ds
  double dP_ds = 2;  // dP / ds
};

// The channel, the flow and the parameter the distances are integrated in:
// the depth itself, except where the top width has a square root's
// behaviour at the crown. A pipe takes its half angle t, h = R (1 - cos t),
// and a doorway's arch the arc length swept from the springing line,
// s = wall + Ra (theta - phi) with phi the half angle of the cap above the
// surface: in those, area, width and perimeter are smooth to the crown, and
// the quadrature converges there as anywhere else.
class Channel {
public:
  Channel(const Geometry& g, double Q, double n, double k, double grav, double S0)
      : g_(g), Q_(Q), S0_(S0), alpha_over_g_(g.alpha / grav), n_over_k_(n / k) {}

  double ParamOf(double h) const {
    switch (g_.shape) {
      case Shape::Circle: return g_.HalfAngle(h);
      case Shape::Doorway:
        if (h <= g_.wall) return h;
        return g_.wall + g_.Ra * (g_.theta - g_.CapHalfAngle(g_.CrownGap(h - g_.wall)));
      default: return h;
    }
  }
  double TopParam() const {
    if (g_.shape == Shape::Doorway) return g_.wall + g_.Ra * g_.theta;
    return g_.TopParam();
  }

  Point At(double s) const {
    switch (g_.shape) {
      case Shape::Circle: {
        const Geometry::Point p =
            g_.At<Geometry::kDepth | Geometry::kArea | Geometry::kWidth | Geometry::kPerimeter>(s);
        return {p.depth, p.area, p.top_width, p.perimeter, p.top_width / 2, 2 * g_.R};
      }
      case Shape::Doorway: {
        if (s <= g_.wall) return {s, g_.b * s, g_.b, g_.b + 2 * s, 1, 2};
        const double swept = (s - g_.wall) / g_.Ra;  // theta - phi
        const double phi = std::max(g_.theta - swept, 0.0);
        const double half = std::sin(phi / 2);
        const double gap = 2 * g_.Ra * half * half;
        // Ra (cos phi - cos theta) as a product: no cancellation just above
        // the springing line.
        const double u = 2 * g_.Ra * std::sin((g_.theta + phi) / 2) * std::sin((g_.theta - phi) / 2);
        const double sin_phi = std::sin(phi);
        return {g_.wall + u, g_.b * g_.wall + g_.ArchAreaBelowGap(gap, u), 2 * g_.Ra * sin_phi,
                g_.b + 2 * g_.wall + 2 * g_.Ra * (g_.theta - phi), sin_phi, 2};
      }
      case Shape::Rectangle: return {s, g_.Area(s), g_.TopWidth(s), g_.Perimeter(s), 1, 2};
      default: return {s, g_.Area(s), g_.TopWidth(s), g_.Perimeter(s), 1, 2 * g_.side};
    }
  }

  // 1 - alpha Q^2 B / (g A^3), in velocities so that no power leaves the
  // double range before the quotient does.
  double EnergyTerm(const Point& p) const {
    const double V = Q_ / p.A;
    return 1 - alpha_over_g_ * V * V * p.B / p.A;
  }
  // J = (n V / k)^2 / R^(4/3) (Manning).
  double FrictionSlope(const Point& p) const {
    const double c = n_over_k_ * Q_ / p.A, R = p.A / p.P;
    return c * c / (R * std::cbrt(R));
  }
  // dx/ds.
  double Slope(double s) const {
    const Point p = At(s);
    return EnergyTerm(p) / (S0_ - FrictionSlope(p)) * p.dh_ds;
  }
  // dx/ds near a normal depth s_n goes as residue / (s - s_n): there
  // i - J has the slope i r, r = 10/3 A'/A - 4/3 P'/P (J = i at s_n).
  // `reach` = 1 / |r|: i - J, as i less J, carries a rounding error of about
  // an ulp of i, which is reach / |s - s_n| ulps of itself.
  struct Pole {
    double residue = 0;
    double reach = 0;
  };
  Pole PoleAt(double s_n) const {
    const Point p = At(s_n);
    const double rate = 10.0 / 3 * p.B * p.dh_ds / p.A - 4.0 / 3 * p.dP_ds / p.P;
    return {EnergyTerm(p) * p.dh_ds / (S0_ * rate), 1 / std::fabs(rate)};
  }

  const Geometry& geometry() const { return g_; }
  double S0() const { return S0_; }
  double Q() const { return Q_; }

private:
  const Geometry& g_;
  double Q_, S0_, alpha_over_g_, n_over_k_;
};

// The depths between two walls, and what the integrand does at them.
struct Zone {
  Wall lo, hi;
  int poles = 0;  // normal depths among lo and hi
  double pole[2] = {0, 0};
  double residue[2] = {0, 0};
  double reach[2] = {0, 0};
  double split = std::numeric_limits<double>::quiet_NaN();  // a doorway's springing line inside the zone
};

struct Accuracy {
  bool converged = true;
  long panels = 0;     // Gauss–Kronrod panels so far
  long budget = 0;     // for the whole profile
  bool spent() const { return panels >= budget; }
};

// The sum of Gauss–Kronrod panels over [a, b], halving a panel until its
// error estimate lies below `tolerance` per unit of width, or below what
// rounding leaves of the integrand there (`floor` of the panel's ends).
template <class F, class Floor>
double AdaptiveSum(const F& f, const Floor& floor, double a, double b, double K, double error, double tolerance,
                   double promise, Accuracy& acc) {
  struct Part {
    double a, b, K, error;
    int depth;
  };
  Part stack[kMaxHalvings + 2];
  int top = 0;
  stack[top++] = {a, b, K, error, 0};
  double sum = 0;
  int panels = 0;
  while (top > 0) {
    const Part p = stack[--top];
    if (!std::isfinite(p.K)) {
      acc.converged = false;
      return std::numeric_limits<double>::quiet_NaN();
    }
    // The rule's estimate is never below two ulps of the panel's own sum.
    if (p.error <= tolerance * std::fabs(p.b - p.a) || p.error <= floor(p.a, p.b) ||
        p.error <= 4 * DBL_EPSILON * std::fabs(p.K)) {
      sum += p.K;
      continue;
    }
    const double mid = p.a + (p.b - p.a) / 2;
    if (p.depth >= kMaxHalvings || panels >= kMaxPanels || acc.spent() || mid == p.a || mid == p.b) {
      if (p.error > promise * std::fabs(p.b - p.a)) acc.converged = false;
      sum += p.K;
      continue;
    }
    double e1 = 0, e2 = 0;
    const double K1 = Panel(f, p.a, mid, e1);
    const double K2 = Panel(f, mid, p.b, e2);
    panels += 2;
    acc.panels += 2;
    if (e1 + e2 > kNoGain * p.error && e1 + e2 <= promise * std::fabs(p.b - p.a)) {
      sum += K1 + K2;
      continue;
    }
    stack[top++] = {mid, p.b, K2, e2, p.depth + 1};
    stack[top++] = {p.a, mid, K1, e1, p.depth + 1};
  }
  return sum;
}

// x(b) - x(a) within a zone, in pieces whose ends lie within kPieceRatio of
// each other both as values of s (towards a depth of nothing) and as
// distances from a normal depth at the zone's walls: over a range of many
// powers of ten, halving alone would need more halvings than a double has
// bits. In a piece where residue / (s - s_n) stands for dx/ds, that
// logarithm goes in closed form, residue ln((v - s_n) / (u - s_n)), and
// only the smooth rest to the quadrature; elsewhere, as far from the normal
// depth, taking it out would only cancel digits. A doorway's springing line,
// where the width's slope jumps, is a piece's end.
double Distance(const Channel& ch, const Zone& z, double a, double b, Accuracy& acc) {
  if (a == b) return 0;
  const double lo = std::min(a, b), hi = std::max(a, b);
  double ends[kMaxPieces + 1];
  int pieces = 0;
  ends[0] = lo;
  while (pieces < kMaxPieces && ends[pieces] < hi) {
    const double at = ends[pieces];
    double next = hi;
    if (z.split > at && z.split < next) next = z.split;
    if (at > 0) next = std::min(next, kPieceRatio * at);
    for (int i = 0; i < z.poles; ++i) {
      const double d = at - z.pole[i];
      // Moving up from `at`: away from a pole below, towards one above.
      next = std::min(next, d > 0 ? z.pole[i] + kPieceRatio * d : z.pole[i] + d / kPieceRatio);
    }
    const double end = pieces + 1 == kMaxPieces ? hi : std::max(next, std::nextafter(at, hi));
    ends[++pieces] = end;
  }
  // Which poles each piece takes out, judged at its end away from them.
  unsigned taken[kMaxPieces];
  double logs = 0;
  for (int k = 0; k < pieces; ++k) {
    taken[k] = 0;
    for (int i = 0; i < z.poles; ++i) {
      const double u = ends[k] - z.pole[i], v = ends[k + 1] - z.pole[i];
      const double far = std::fabs(u) > std::fabs(v) ? ends[k] : ends[k + 1];
      const double slope = ch.Slope(far);
      if (!(std::fabs(z.residue[i]) <= kPoleStandIn * std::fabs(slope * (far - z.pole[i])))) continue;
      taken[k] |= 1u << i;
      // By its change where the piece is short beside its distance, by the
      // distances where it reaches near the pole: each exact there.
      logs += z.residue[i] * (ends[k + 1] - ends[k] < std::fabs(u) / 2 ? std::log1p((ends[k + 1] - ends[k]) / u)
                                                                         : std::log(v / u));
    }
  }
  const auto smooth = [&ch, &z](unsigned poles) {
    return [&ch, &z, poles](double s) {
      double v = ch.Slope(s);
      // Within an ulp or two of a normal depth i - J can round to 0; what
      // the remainder is worth there, over such a width, is nothing.
      if (!std::isfinite(v)) return 0.0;
      for (int i = 0; i < z.poles; ++i)
        if (poles & (1u << i)) v -= z.residue[i] / (s - z.pole[i]);
      return v;
    };
  };
  // What rounding leaves of the integrand over a panel, which a tolerance
  // below it would halve forever: 1 - F carries an ulp of 1, which near the
  // critical depth is much of itself; and near a normal depth, where dx/ds
  // is residue / d with d = s - s_n, i - J is good to about reach / d ulps.
  const auto floor = [&ch, &z](double p, double q) {
    const Point mid = ch.At(p + (q - p) / 2);
    double noise = std::fabs((q - p) * mid.dh_ds / (ch.S0() - ch.FrictionSlope(mid)));
    for (int i = 0; i < z.poles; ++i)
      noise += std::fabs(z.residue[i]) * z.reach[i] * std::fabs(1 / (p - z.pole[i]) - 1 / (q - z.pole[i]));
    return kRoundingUlps * DBL_EPSILON * noise;
  };
  double K[kMaxPieces], error[kMaxPieces], first = 0;
  for (int k = 0; k < pieces; ++k) {
    K[k] = Panel(smooth(taken[k]), ends[k], ends[k + 1], error[k]);
    first += K[k];
  }
  acc.panels += pieces;
  const double per_width = std::fabs(logs + first) / (hi - lo);
  double sum = logs;
  for (int k = 0; k < pieces; ++k)
    sum += AdaptiveSum(smooth(taken[k]), floor, ends[k], ends[k + 1], K[k], error[k], kQuadratureTolerance * per_width,
                       kQuadraturePromise * per_width, acc);
  return a < b ? sum : -sum;
}

// Bracket tolerance for a station's parameter: relative to its distance from
// the normal depth being approached, where the distance is most sensitive.
struct StationClose {
  double pole = 0;
  bool has_pole = false;
  bool operator()(double a, double b) const {
    double scale = std::max(std::fabs(a), std::fabs(b));
    if (has_pole) scale = std::min(scale, std::min(std::fabs(a - pole), std::fabs(b - pole)));
    return b - a <= kStationTolerance * scale || CloseEnough{}(a, b);
  }
};

int Sign(double v) { return (v > 0) - (v < 0); }

ProfileType TypeOf(SlopeClass slope, bool above_critical, bool above_normal) {
  switch (slope) {
    case SlopeClass::Mild: return above_normal ? ProfileType::A1 : above_critical ? ProfileType::B1 : ProfileType::C1;
    case SlopeClass::Steep: return above_critical ? ProfileType::A2 : above_normal ? ProfileType::B2 : ProfileType::C2;
    // Within the critical band the two depths differ by a hair; the side of
    // the critical depth names the profile.
    case SlopeClass::Critical: return above_critical ? ProfileType::A3 : ProfileType::C3;
    case SlopeClass::Horizontal: return above_critical ? ProfileType::B0 : ProfileType::C0;
    case SlopeClass::Adverse: return above_critical ? ProfileType::BAdverse : ProfileType::CAdverse;
  }
  return ProfileType::A1;
}

bool Near(double a, double b) { return std::fabs(a - b) <= kSameDepth * std::fabs(b); }

// Every input fault at once, so that a row's message names them all.
void CheckInputs(const Geometry& g, const ProfileInputs& in, const Units& units, Notes& notes) {
  if (!g.has_perimeter()) notes.Add(Reason::ProfileNeedsBottomWidth);
  if (!Positive(in.n)) notes.Add(Reason::RoughnessNotPositive);
  if (!Positive(units.k)) notes.Add(Reason::ManningConstantNotPositive);
  if (!std::isfinite(in.S0)) notes.Add(Reason::BedSlopeNotFinite);
  if (in.alpha && !Positive(*in.alpha)) notes.Add(Reason::EnergyCoefficientNotPositive);
  if (in.steps < 1 || in.steps > kMaxProfileSteps) notes.Add(Reason::StepsOutOfRange, {1.0, double(kMaxProfileSteps)});
  if (!Positive(in.h1))
    notes.Add(Reason::ControlDepthNotPositive);
  else if (g.closed() && !(in.h1 < g.height))
    notes.Add(Reason::ControlDepthNotBelowCrown, {g.height});
  if (!in.h2 && !in.L) {
    notes.Add(Reason::ProfileNeedsEnd);
  } else if (in.h2 && in.L) {
    notes.Add(Reason::ProfileEndGivenTwice);
  } else if (in.h2) {
    if (!Positive(*in.h2))
      notes.Add(Reason::EndDepthNotPositive);
    else if (g.closed() && !(*in.h2 < g.height))
      notes.Add(Reason::EndDepthNotBelowCrown, {g.height});
  } else if (!Positive(*in.L)) {
    notes.Add(Reason::ReachLengthNotPositive);
  }
}

// The walls of a channel, lowest first: the floor, the critical and normal
// depths below the crown, and the top. A critical depth that a normal depth
// meets (a bed at exactly the critical slope) is one wall, where the profile
// reaches it at a finite distance.
int Walls(const Channel& ch, const double* critical, int critical_count, const double* normal, int normal_count,
          Wall* walls) {
  const Geometry& g = ch.geometry();
  int count = 0;
  walls[count++] = {0, 0, WallKind::Floor};
  for (int i = 0; i < critical_count; ++i)
    if (critical[i] > 0 && critical[i] < g.height) walls[count++] = {ch.ParamOf(critical[i]), critical[i], WallKind::Critical};
  for (int i = 0; i < normal_count; ++i) {
    bool met = false;
    for (int j = 1; j < count; ++j) met = met || (walls[j].kind == WallKind::Critical && Near(normal[i], walls[j].h));
    if (!met && normal[i] > 0 && normal[i] < g.height) walls[count++] = {ch.ParamOf(normal[i]), normal[i], WallKind::Normal};
  }
  walls[count++] = g.closed() ? Wall{ch.TopParam(), g.height, WallKind::Crown} : Wall{kInfinity, kInfinity, WallKind::Open};
  // A handful of walls: insertion keeps them in order.
  for (int i = 1; i < count; ++i)
    for (int j = i; j > 0 && walls[j].h < walls[j - 1].h; --j) std::swap(walls[j], walls[j - 1]);
  return count;
}

Zone ZoneBetween(const Channel& ch, const Wall& lo, const Wall& hi) {
  Zone z;
  z.lo = lo;
  z.hi = hi;
  for (const Wall& w : {lo, hi}) {
    if (w.kind != WallKind::Normal) continue;
    const Channel::Pole pole = ch.PoleAt(w.s);
    z.pole[z.poles] = w.s;
    z.residue[z.poles] = pole.residue;
    z.reach[z.poles] = pole.reach;
    ++z.poles;
  }
  const Geometry& g = ch.geometry();
  if (g.shape == Shape::Doorway && g.wall > lo.s && g.wall < hi.s) z.split = g.wall;
  return z;
}

// Fills a station's measures at parameter s.
ProfileStation StationAt(const Channel& ch, double s, double h, double x, double grav) {
  const Point p = ch.At(s);
  ProfileStation st;
  st.x = x;
  st.h = h;
  st.area = p.A;
  st.velocity = ch.Q() / p.A;
  st.froude = st.velocity * std::sqrt(ch.geometry().alpha * p.B / (grav * p.A));
  st.energy = h + ch.geometry().alpha * st.velocity * st.velocity / (2 * grav);
  st.friction_slope = ch.FrictionSlope(p);
  return st;
}

// The parameter at which the profile has come a further `dx` from `s_prev`,
// on its way from there towards wall `far`; `x_far` is the distance to that
// wall from `s_prev` (infinite for a wall approached without end).
// Newton's steps on the distance itself, whose slope dx/ds is at hand: from
// `guess` (a step in s from s_prev, 0 for none), and towards a normal depth
// in v = ln((s - s_n) / (s_prev - s_n)), in which the distance is nearly
// linear. Empty when a step leaves the zone or the steps do not settle; the
// bracketed solver then takes over.
std::optional<double> NewtonStation(const Channel& ch, const Zone& z, double s_prev, double dx, double x,
                                    const Wall& far, double guess, Accuracy& acc) {
  const bool to_pole = far.kind == WallKind::Normal;
  double residue = 0;
  for (int i = 0; i < z.poles; ++i)
    if (z.pole[i] == far.s) residue = z.residue[i];
  const double span = s_prev - far.s;
  const auto at = [&](double v) { return to_pole ? far.s + span * std::exp(v) : s_prev + v; };
  double v = to_pole ? (residue != 0 ? dx / residue : -1) : guess;
  if (!to_pole && v == 0) {
    const double slope = ch.Slope(s_prev);
    if (!(std::fabs(slope) > 0)) return std::nullopt;
    v = dx / slope;
  }
  for (int step = 0; step < kMaxNewtonStationSteps; ++step) {
    const double s = at(v);
    // Inside the zone, ahead of s_prev.
    if (!std::isfinite(s) || s == s_prev || (s - s_prev) * (far.s - s_prev) <= 0 ||
        (std::isfinite(far.s) && (far.s - s) * (far.s - s_prev) <= 0))
      return std::nullopt;
    const double miss = Distance(ch, z, s_prev, s, acc) - dx;
    if (!std::isfinite(miss)) return std::nullopt;
    if (std::fabs(miss) <= kStationMiss * std::fabs(x)) return s;
    const double slope = ch.Slope(s) * (to_pole ? s - far.s : 1);
    if (!std::isfinite(slope) || slope == 0) return std::nullopt;
    v -= miss / slope;
    // A step below the parameter's last bits cannot be taken: the distance
    // is as close as a double can put it.
    const double next = at(v);
    const double scale = to_pole ? std::fabs(s - far.s) : std::fabs(s);
    if (std::fabs(next - s) <= 2 * DBL_EPSILON * scale) return s;
  }
  return std::nullopt;
}

std::optional<double> StationAfter(const Channel& ch, const Zone& z, double s_prev, double dx, double x,
                                   const Wall& far, double x_far, double guess, Accuracy& acc) {
  if (const std::optional<double> s = NewtonStation(ch, z, s_prev, dx, x, far, guess, acc)) return s;
  const auto gap = [&](double s) { return Distance(ch, z, s_prev, s, acc) - dx; };
  double lo = s_prev, g_lo = -dx, hi = far.s, g_hi = x_far - dx;
  StationClose close;
  if (far.kind == WallKind::Normal) {
    close.pole = far.s;
    close.has_pole = true;
    // Near the normal depth the distance is residue ln((s - s_n) / (s_prev - s_n)):
    // its inverse is the first try.
    double residue = 0;
    for (int i = 0; i < z.poles; ++i)
      if (z.pole[i] == far.s) residue = z.residue[i];
    const double ratio = residue != 0 ? std::exp(dx / residue) : 0;
    double next = far.s + (s_prev - far.s) * (ratio > 0 && ratio < 1 ? ratio : 0.5);
    int moves = 0;
    for (;; ++moves) {
      if (acc.spent()) return std::nullopt;
      if (next == far.s || moves == kMaxBracketMoves) {
        // The depth is the normal depth to the last bit.
        return std::nextafter(far.s, s_prev);
      }
      const double g_next = gap(next);
      if (!std::isfinite(g_next)) return std::nullopt;
      if (Sign(g_next) != Sign(g_lo)) {
        hi = next;
        g_hi = g_next;
        break;
      }
      lo = next;
      g_lo = g_next;
      next = far.s + (next - far.s) / kApproachFactor;
    }
  } else if (far.kind == WallKind::Open) {
    double next = std::max(2 * s_prev, s_prev + 1);
    for (int moves = 0;; ++moves) {
      if (moves == kMaxBracketMoves || !std::isfinite(next) || acc.spent()) return std::nullopt;
      const double g_next = gap(next);
      if (!std::isfinite(g_next)) return std::nullopt;
      if (Sign(g_next) != Sign(g_lo)) {
        hi = next;
        g_hi = g_next;
        break;
      }
      lo = next;
      g_lo = g_next;
      next *= 2;
    }
  }
  if (lo > hi) {
    std::swap(lo, hi);
    std::swap(g_lo, g_hi);
  }
  const RootResult r = SolveBracketed(gap, lo, hi, g_lo, g_hi, close);
  if (!r.converged()) return std::nullopt;
  return r.root;
}

}  // namespace

Profile ComputeProfile(const Section& section, const ProfileInputs& inputs, const Units& units) {
  Profile p;
  ComputeProfile(section, inputs, units, p);
  return p;
}

void ComputeProfile(const Section& section, const ProfileInputs& in, const Units& units, Profile& out) {
  out.stations.clear();
  out.stop = ProfileStop::AtEnd;
  out.type.reset();
  out.kind = ProfileKind::Backwater;
  out.slope_class.reset();
  out.critical_depth.reset();
  out.normal_depth.reset();
  out.approach_x.reset();
  out.approach_depth = 0;
  out.notes = Notes{};
  Notes& notes = out.notes;

  const double Q = section.Q, grav = units.g;
  if (!Positive(grav)) {
    notes.Add(Reason::GravityNotPositive);
    return;
  }
  if (!Positive(Q)) {
    notes.Add(Reason::DischargeNotPositive);
    return;
  }
  Geometry g;
  if (const std::optional<Reason> why = BuildGeometry(section, g)) {
    notes.Add(*why);
    return;
  }
  CheckInputs(g, in, units, notes);
  if (!notes.empty()) return;
  if (in.alpha) g.alpha = *in.alpha;
  out.alpha = g.alpha;
  const double S0 = in.S0, h1 = in.h1;

  // The critical depths, with the energy coefficient of this profile.
  const CriticalRoots roots = SolveCritical(g, LogDemand(g.alpha, Q, grav));
  const std::optional<CriticalState> critical = CriticalStateOf(g, roots, Q, grav, notes);
  if (!critical) return;
  out.critical_depth = critical->depth;
  double critical_depths[3] = {critical->depth, roots.other_depths[0], roots.other_depths[1]};
  const int critical_count = 1 + roots.others;

  // The normal depths, and the class of the bed by the regime of uniform flow.
  double normal_depths[4] = {0, 0, 0, 0};
  int normal_count = 0;
  if (S0 == 0) {
    out.slope_class = SlopeClass::Horizontal;
  } else if (S0 < 0) {
    out.slope_class = SlopeClass::Adverse;
  } else {
    const NormalRoots normal = SolveNormal(g, LogConveyanceDemand(in.n, Q, units.k, S0));
    if (normal.beyond_capacity) {
      notes.Add(Reason::BeyondCapacity,
                {CapacityDischarge(normal.capacity, in.n, units.k, S0), normal.capacity.depth});
    } else if (!normal.lowest.converged()) {
      notes.Add(Reason::NormalNotFound);
      return;
    } else {
      const double h0 = normal.lowest.root, A0 = g.Area(h0);
      const double froude = FroudeNumber(g, Q, grav, h0, A0);
      if (!Positive(h0) || !std::isfinite(froude)) {
        notes.Add(Reason::NormalBeyondRange);
        return;
      }
      out.normal_depth = h0;
      switch (RegimeOf(froude)) {
        case Regime::Subcritical: out.slope_class = SlopeClass::Mild; break;
        case Regime::Supercritical: out.slope_class = SlopeClass::Steep; break;
        case Regime::Critical: out.slope_class = SlopeClass::Critical; break;
      }
      normal_depths[normal_count++] = h0;
      for (int i = 0; i < normal.others; ++i) normal_depths[normal_count++] = normal.other_depths[i];
      if (normal.others > 0) notes.Add(Reason::HigherNormalDepths, normal.other_depths, normal.others);
    }
  }

  const Channel ch(g, Q, in.n, units.k, grav, S0);
  // An arch many orders of magnitude taller than the water in it has no
  // parameter value for that depth: its profile is beyond what a double holds.
  const auto resolved = [&ch](double h) { return std::fabs(ch.At(ch.ParamOf(h)).h - h) <= kRoundTrip * h; };
  if (!resolved(h1) || (in.h2 && !resolved(*in.h2))) {
    notes.Add(Reason::ProfileBeyondRange);
    return;
  }
  Wall walls[10];
  const int wall_count = Walls(ch, critical_depths, critical_count, normal_depths, normal_count, walls);
  for (int i = 0; i < wall_count; ++i) {
    if (walls[i].kind == WallKind::Normal && Near(h1, walls[i].h)) {
      notes.Add(Reason::ControlDepthIsNormal, {walls[i].h});
      return;
    }
  }

  // The zone of h1. A control depth at a critical depth starts into the zone
  // on the side of h2, or, given L, the one the bed leads away into: above
  // h_k, upstream, on a bed flatter than critical (i <= J at h_k); below it,
  // downstream, on a steeper one.
  int at = -1;  // the wall h1 stands on, or the zone's lower wall
  bool on_wall = false;
  for (int i = 1; i + 1 < wall_count; ++i) {
    if (walls[i].kind == WallKind::Critical && Near(h1, walls[i].h)) {
      at = i;
      on_wall = true;
    }
  }
  int lower = 0;
  if (on_wall) {
    if (in.h2 && Near(*in.h2, walls[at].h)) {
      notes.Add(Reason::EndDepthIsControlDepth);
      return;
    }
    const bool above = in.h2 ? *in.h2 > h1 : S0 - ch.FrictionSlope(ch.At(walls[at].s)) <= 0;
    lower = above ? at : at - 1;
  } else {
    while (lower + 1 < wall_count && !(h1 < walls[lower + 1].h)) ++lower;
  }
  const Zone zone = ZoneBetween(ch, walls[lower], walls[lower + 1]);
  const double s1 = std::clamp(ch.ParamOf(h1), zone.lo.s, zone.hi.s);

  // The signs of the two terms inside the zone name it.
  const double s_in = !on_wall ? s1
                      : std::isfinite(zone.hi.s) ? zone.lo.s + (zone.hi.s - zone.lo.s) / 2
                                                 : 2 * zone.lo.s;
  const Point inside = ch.At(s_in);
  const double energy_term = ch.EnergyTerm(inside), friction_term = S0 - ch.FrictionSlope(inside);
  const bool subcritical = energy_term > 0;
  const int rises = Sign(energy_term) * Sign(friction_term);  // sign of dh/dx
  out.kind = rises > 0 ? ProfileKind::Backwater : ProfileKind::Drawdown;
  if (out.slope_class && (out.normal_depth || S0 <= 0))
    out.type = TypeOf(*out.slope_class, subcritical, out.normal_depth && h1 > *out.normal_depth);

  // Upstream from a subcritical control, downstream from a supercritical one.
  const int direction = subcritical ? -1 : 1;
  Accuracy acc;
  acc.budget = kPanelsPerStation * (in.steps + 2);

  // How far the profile runs until it is within 1 % of the normal depth it
  // approaches: the one its natural direction leads to where both walls are
  // normal depths (a pipe between its two).
  {
    const bool towards_hi = direction * rises > 0;
    const Wall* normal = nullptr;
    if (zone.lo.kind == WallKind::Normal && zone.hi.kind == WallKind::Normal)
      normal = towards_hi ? &zone.hi : &zone.lo;
    else if (zone.lo.kind == WallKind::Normal)
      normal = &zone.lo;
    else if (zone.hi.kind == WallKind::Normal)
      normal = &zone.hi;
    if (normal) {
      const double h_n = normal->h;
      const double target = h1 > h_n ? h_n * (1 + kNormalApproachShare) : h_n * (1 - kNormalApproachShare);
      if (h1 > h_n ? h1 <= target : h1 >= target) {
        out.approach_x = 0;
        out.approach_depth = h1;
      } else {
        out.approach_x = Distance(ch, zone, s1, ch.ParamOf(target), acc);
        out.approach_depth = target;
      }
      notes.Add(out.kind == ProfileKind::Backwater ? Reason::BackwaterLength : Reason::DrawdownLength,
                {std::fabs(*out.approach_x), out.approach_depth});
    }
  }

  std::vector<ProfileStation>& st = out.stations;
  st.push_back(StationAt(ch, s1, h1, 0, grav));
  std::optional<Note> unreachable;

  if (in.h2) {
    const double h2 = *in.h2;
    // The wall between h1 and h2, if any, is the first the depth meets.
    const Wall& towards = h2 > h1 ? zone.hi : zone.lo;
    const bool beyond = h2 > h1 ? !(h2 < towards.h) : !(h2 > towards.h);
    if (!on_wall && Near(h2, h1)) {
      notes.Add(Reason::EndDepthIsControlDepth);
      st.clear();
      return;
    }
    if ((beyond || Near(h2, towards.h)) && towards.kind == WallKind::Normal) {
      notes.Add(Reason::EndBeyondNormalDepth, {towards.h});
      st.clear();
      return;
    }
    const bool stops = (beyond || Near(h2, towards.h)) && towards.kind == WallKind::Critical;
    if (stops && !Near(h2, towards.h)) unreachable = Note{Reason::EndBeyondCriticalDepth, 1, {towards.h, 0, 0}};
    const double dh = (h2 - h1) / in.steps;
    double s_prev = s1, x = 0;
    for (int j = 1; j <= in.steps; ++j) {
      double h = j == in.steps ? h2 : h1 + j * dh;
      bool last = j == in.steps;
      if (stops && (Near(h, towards.h) || (h2 > h1 ? h > towards.h : h < towards.h))) {
        h = towards.h;
        last = true;
      }
      const double s = last && stops ? towards.s : ch.ParamOf(h);
      x += Distance(ch, zone, s_prev, s, acc);
      st.push_back(StationAt(ch, s, h, x, grav));
      s_prev = s;
      if (last) break;
    }
    if (stops) out.stop = ProfileStop::CriticalDepth;
  } else {
    const double L = *in.L;
    const Wall& far = direction * rises > 0 ? zone.hi : zone.lo;
    const bool reached = far.kind == WallKind::Critical || far.kind == WallKind::Crown || far.kind == WallKind::Floor;
    const double x_far = reached ? Distance(ch, zone, s1, far.s, acc) : direction * kInfinity;
    double s_prev = s1, x_prev = 0, s_move = 0;
    for (int j = 1; j <= in.steps; ++j) {
      if (acc.spent()) {
        acc.converged = false;
        break;
      }
      const double x = direction * (L * j / in.steps);
      if (reached && std::fabs(x) >= std::fabs(x_far)) {
        st.push_back(StationAt(ch, far.s, far.h, x_far, grav));
        out.stop = far.kind == WallKind::Crown ? ProfileStop::Crown : ProfileStop::CriticalDepth;
        break;
      }
      // Steps of equal length move the parameter by similar amounts.
      const std::optional<double> s = StationAfter(ch, zone, s_prev, x - x_prev, x, far,
                                                   reached ? x_far - x_prev : kInfinity, s_move, acc);
      if (!s) {
        acc.converged = false;
        break;
      }
      st.push_back(StationAt(ch, *s, ch.At(*s).h, x, grav));
      s_move = *s - s_prev;
      s_prev = *s;
      x_prev = x;
    }
  }

  // The step method over the same depths.
  for (std::size_t j = 1; j < st.size(); ++j) {
    const double mean_slope = (st[j].friction_slope + st[j - 1].friction_slope) / 2;
    st[j].x_step = st[j - 1].x_step + (st[j].energy - st[j - 1].energy) / (S0 - mean_slope);
  }
  for (const ProfileStation& s : st) {
    if (!std::isfinite(s.x) || !Positive(s.h) || !Positive(s.area) || !std::isfinite(s.energy) ||
        !std::isfinite(s.velocity) || !std::isfinite(s.froude) || !std::isfinite(s.friction_slope)) {
      st.clear();
      notes.Add(Reason::ProfileBeyondRange);
      return;
    }
  }
  // A profile that could not take its first step has nothing to show, nor
  // one whose distances missed their accuracy: those may be wrong in every digit.
  if (st.size() < 2 || !acc.converged) {
    st.clear();
    notes.Add(Reason::ProfileNotConverged);
    return;
  }
  if (out.stop == ProfileStop::CriticalDepth) notes.Add(Reason::StopsAtCriticalDepth, {st.back().h, st.back().x});
  if (out.stop == ProfileStop::Crown) notes.Add(Reason::StopsAtCrown, {st.back().h, st.back().x});
  if (unreachable) notes.Add(unreachable->reason, unreachable->values, unreachable->count);
}

}  // namespace hydraulics::exact
