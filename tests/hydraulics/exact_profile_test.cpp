#include "hydraulics/exact/profile.h"

#include <gtest/gtest.h>

#include <boost/math/quadrature/tanh_sinh.hpp>

#include <cfloat>
#include <cmath>
#include <complex>
#include <functional>
#include <numbers>
#include <ostream>
#include <vector>

#include "hydraulics/exact/reason_text.h"
#include "tests/hydraulics/section_builders.h"

namespace hydraulics::exact {
namespace {

using namespace testing_sections;
using LD = long double;

std::string Why(const Profile& p) { return NotesText(p.notes, LengthUnit::Metre); }

std::vector<Reason> Reasons(const Profile& p) {
  std::vector<Reason> reasons;
  for (const Note& n : p.notes) reasons.push_back(n.reason);
  return reasons;
}

ProfileInputs To(double n, double S0, double h1, double h2, int steps = kDefaultProfileSteps) {
  ProfileInputs in;
  in.n = n;
  in.S0 = S0;
  in.h1 = h1;
  in.h2 = h2;
  in.steps = steps;
  return in;
}

ProfileInputs NoEnd(ProfileInputs in) {
  in.h2.reset();
  in.L.reset();
  return in;
}

ProfileInputs Over(double n, double S0, double h1, double L, int steps = kDefaultProfileSteps) {
  ProfileInputs in = To(n, S0, h1, 0, steps);
  in.h2.reset();
  in.L = L;
  return in;
}

// ---------------------------------------------------------------------------
// The twelve types, on a rectangle b = 5 m with Q = 10 m^3/s and n = 0.013:
// h_k = 0.741785 m; h_0 = 1.01953 m at i = 0.001 (缓坡), 0.477941 m at
// i = 0.01 (陡坡); at i = i_k = 0.00258709... the two depths meet (临界坡).

struct TypeRow {
  const char* name;
  double S0, h1, h2;
  ProfileType type;
  ProfileKind kind;
  bool approaches_normal;  // says how long until within 1 % of h_0
};
void PrintTo(const TypeRow& r, std::ostream* os) { *os << r.name; }

class ProfileTypeTest : public testing::TestWithParam<TypeRow> {};

TEST_P(ProfileTypeTest, NamesTheZoneAndTheBed) {
  const TypeRow& r = GetParam();
  const Profile p = ComputeProfile(Rectangular(10, 5), To(0.013, r.S0, r.h1, r.h2));
  ASSERT_TRUE(p.computed()) << Why(p);
  ASSERT_TRUE(p.type);
  EXPECT_EQ(*p.type, r.type) << ProfileTypeName(*p.type);
  EXPECT_EQ(p.kind, r.kind);
  EXPECT_EQ(p.approach_x.has_value(), r.approaches_normal);
  // 壅水 means the depth grows along the flow: x and h move together.
  const double rise = (p.stations.back().h - r.h1) / p.stations.back().x;
  EXPECT_EQ(rise > 0, r.kind == ProfileKind::Backwater);
}

constexpr double kCriticalSlope = 0.00258709493922479;
constexpr auto kUp = ProfileKind::Backwater, kDown = ProfileKind::Drawdown;
INSTANTIATE_TEST_SUITE_P(
    Twelve, ProfileTypeTest,
    testing::Values(TypeRow{"a1_M1_behind_a_dam", 0.001, 2, 1.1, ProfileType::A1, kUp, true},
                    TypeRow{"b1_M2_towards_a_fall", 0.001, 0.8, 1.0, ProfileType::B1, kDown, true},
                    TypeRow{"c1_M3_below_a_gate", 0.001, 0.3, 0.6, ProfileType::C1, kUp, false},
                    TypeRow{"a2_S1_behind_a_dam", 0.01, 2, 1.0, ProfileType::A2, kUp, false},
                    TypeRow{"b2_S2_below_an_inlet", 0.01, 0.6, 0.5, ProfileType::B2, kDown, true},
                    TypeRow{"c2_S3_below_a_gate", 0.01, 0.2, 0.35, ProfileType::C2, kUp, true},
                    TypeRow{"a3_C1", kCriticalSlope, 1.5, 1.0, ProfileType::A3, kUp, false},
                    TypeRow{"c3_C3", kCriticalSlope, 0.3, 0.6, ProfileType::C3, kUp, false},
                    TypeRow{"b0_H2", 0, 1.5, 1.0, ProfileType::B0, kDown, false},
                    TypeRow{"c0_H3", 0, 0.3, 0.6, ProfileType::C0, kUp, false},
                    TypeRow{"b_adverse_A2", -0.001, 1.5, 1.0, ProfileType::BAdverse, kDown, false},
                    TypeRow{"c_adverse_A3", -0.001, 0.3, 0.6, ProfileType::CAdverse, kUp, false}),
    [](const auto& info) { return info.param.name; });

TEST(ProfileNames, GiveTheChineseLetterAndChowsEquivalent) {
  EXPECT_EQ(ProfileTypeName(ProfileType::BAdverse), "b′");
  EXPECT_EQ(ProfileTypeEquivalent(ProfileType::BAdverse), "A2");
  EXPECT_EQ(ProfileTypeEquivalent(ProfileType::C3), "C3");
  Profile p;
  p.type = ProfileType::B1;
  p.kind = ProfileKind::Drawdown;
  std::string name;
  AppendProfileName(name, p);
  EXPECT_EQ(name, "b1型降水曲线");
}

// ---------------------------------------------------------------------------
// The step method against a published table. Documentation of the R package
// `hydraulics` (E. Maurer), function direct_step, example: rectangle
// b = 6 ft, S0 = 0.0015, n = 0.013, Q = 140 ft^3/s, g = 32.2 ft/s^2,
// k = 1.4859, from y = 3.1 to 3.4 ft in 2 steps; an M2 profile with yc =
// 2.566646 ft and yn = 3.750 ft, and the table
//   x 0, -85.6, -230.;  Sf 0.00247, 0.00218, 0.00194;  E 3.98, 4.05, 4.13;
//   Fr 0.753, 0.702, 0.656.  Matches to every digit printed.
TEST(StepMethod, ReproducesThePublishedTable) {
  const Units us{32.2, 1.4859, LengthUnit::Foot};
  const Profile p = ComputeProfile(Rectangular(140, 6), To(0.013, 0.0015, 3.1, 3.4, 2), us);
  ASSERT_EQ(p.stations.size(), 3u) << Why(p);
  EXPECT_EQ(p.type, ProfileType::B1);
  EXPECT_NEAR(*p.critical_depth, 2.566646, 5e-7);
  EXPECT_NEAR(*p.normal_depth, 3.750, 5e-4);
  const double x[] = {0, -85.6, -230}, x_digits[] = {0.05, 0.05, 0.5};
  const double Sf[] = {0.00247, 0.00218, 0.00194}, E[] = {3.98, 4.05, 4.13}, Fr[] = {0.753, 0.702, 0.656};
  for (int j = 0; j < 3; ++j) {
    const ProfileStation& s = p.stations[j];
    EXPECT_NEAR(s.x_step, x[j], x_digits[j]) << j;
    EXPECT_NEAR(s.friction_slope, Sf[j], 5e-6) << j;
    EXPECT_NEAR(s.energy, E[j], 5e-3) << j;
    EXPECT_NEAR(s.froude, Fr[j], 5e-4) << j;
  }
  // The exact profile lies 2 % and 2.5 % further upstream than the two steps.
  EXPECT_NEAR(p.stations[1].x, -87.3187896779, 1e-8);
  EXPECT_NEAR(p.stations[2].x, -236.146870259, 1e-7);
}

// ---------------------------------------------------------------------------
// A triangle has A = m h^2, B = 2 m h, P = 2 h sqrt(1 + m^2): its hydraulic
// exponents are exactly M = 5 and N = 16/3, and
//   dx/dh = (1 - (h_k/h)^5) / (i (1 - (h_0/h)^N))
// integrates in closed form (Chow, Open-Channel Hydraulics, 1959, sec. 10-2,
// eq. 10-12): with u = h/h_0, J = N/(N - M + 1) = 4, v = u^(N/J),
//   x = h_0/i [u - F(u, N) + (h_k/h_0)^M (J/N) F(v, J)],  F(u, N) = ∫ du / (1 - u^N).
// Through w = u^(1/3) both integrals are rational, ∫ 3 w^2 / (1 - w^16) dw and
// ∫ 3 w^3 / (1 - w^16) dw: partial fractions over the 16th roots of unity
// give them independently of any quadrature. On a flat bed the same
// integrand is a polynomial, on an adverse one rational in 1 + w^16.

// ∫ w^p / (1 - sign w^16) dw, p = 2 or 3, sign = +1 or -1: the residue at each
// root r of w^16 = sign is r^p / (-16 sign r^15) = -r^(p+1) / 16, and a real
// root's logarithm takes the absolute value.
LD RationalIntegral(LD w, int p, int sign) {
  const LD pi = std::numbers::pi_v<LD>;
  LD sum = 0;
  for (int k = 0; k < 16; ++k) {
    const LD angle = sign > 0 ? 2 * pi * k / 16 : pi * (2 * k + 1) / 16;
    const std::complex<LD> r = std::polar(1.0L, angle);
    const std::complex<LD> residue = -std::pow(r, p + 1) / 16.0L;
    const std::complex<LD> d = w - r;
    const bool real_root = sign > 0 && (k == 0 || k == 8);
    const std::complex<LD> log = real_root ? std::complex<LD>(std::log(std::fabs(d.real())), 0) : std::log(d);
    sum += (residue * log).real();
  }
  return sum;
}

struct Triangle {
  double Q, s, n, S0, g = 9.8;
  // J = c h^(-16/3) and alpha Q^2 B / (g A^3) = (h_k / h)^5.
  LD c() const {
    const LD m = 1 / LD(s), side = std::sqrt(1 + m * m);
    return std::pow(LD(n) * Q, 2) * std::pow(2 * side, 4.0L / 3) / std::pow(m, 10.0L / 3);
  }
  LD critical() const { return std::pow(2 * LD(Q) * Q / (g / s / s), 0.2L); }
  LD Distance(LD h1, LD h2) const {
    const LD hk5 = std::pow(critical(), 5);
    if (S0 == 0) {
      // x = -∫ (h^(16/3) - h_k^5 h^(1/3)) dh / c.
      auto X = [&](LD h) { return -(3.0L / 19 * std::pow(h, 19.0L / 3) - hk5 * 0.75L * std::pow(h, 4.0L / 3)) / c(); };
      return X(h2) - X(h1);
    }
    // With h_0 = (c / |i|)^(3/16), s the sign of i and r = (h_k/h_0)^5,
    //   dx/du = (h_0 / i) (u^N - r u^(1/3)) / (u^N - s)
    //         = (h_0 / i) [1 - 1 / (1 - s u^N) + s r u^(1/3) / (1 - s u^N)].
    const int sign = S0 > 0 ? 1 : -1;
    const LD h0 = std::pow(c() / std::fabs(LD(S0)), 3.0L / 16);
    const LD r = hk5 / std::pow(h0, 5);
    auto X = [&](LD h) {
      const LD w = std::cbrt(h / h0);
      return h0 / S0 * (w * w * w - 3 * RationalIntegral(w, 2, sign) + sign * 3 * r * RationalIntegral(w, 3, sign));
    };
    return X(h2) - X(h1);
  }
};

struct VariedFlowRow {
  const char* name;
  double S0, h1_share, h2_share;  // of h_0, or of h_k on a flat or adverse bed
};
void PrintTo(const VariedFlowRow& r, std::ostream* os) { *os << r.name; }

class VariedFlowFunctionTest : public testing::TestWithParam<VariedFlowRow> {};

TEST_P(VariedFlowFunctionTest, ExactDistanceAtEveryStation) {
  const VariedFlowRow& r = GetParam();
  const Triangle tri{1, 1, 0.013, r.S0};
  const Profile probe = ComputeProfile(Triangular(1, 1), To(0.013, r.S0, 1, 1.1));
  const double ref = r.S0 > 0 ? *probe.normal_depth : *probe.critical_depth;
  const Profile p = ComputeProfile(Triangular(1, 1), To(0.013, r.S0, r.h1_share * ref, r.h2_share * ref, 7));
  ASSERT_TRUE(p.computed()) << Why(p);
  EXPECT_FALSE(Reasons(p) == std::vector<Reason>{Reason::ProfileNotConverged});
  for (const ProfileStation& s : p.stations) {
    const LD x = tri.Distance(p.stations[0].h, s.h);
    EXPECT_NEAR(s.x, double(x), 1e-10 * std::fabs(double(x))) << s.h;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Triangle, VariedFlowFunctionTest,
    testing::Values(VariedFlowRow{"a1_to_within_2_percent", 0.001, 1.5, 1.02},
                    VariedFlowRow{"a1_from_a_ten_thousandth_above_normal", 0.001, 1.0001, 1.3},
                    VariedFlowRow{"b1_to_a_millionth_below_normal", 0.001, 0.9, 0.999999},
                    VariedFlowRow{"b1_down_to_critical", 0.001, 0.9, 0.78315},
                    VariedFlowRow{"c1", 0.001, 0.2, 0.7},
                    VariedFlowRow{"b2_to_within_a_thousandth", 0.02, 1.3, 1.001},
                    VariedFlowRow{"c2", 0.02, 0.4, 0.99},
                    VariedFlowRow{"a2", 0.02, 3, 1.5},
                    VariedFlowRow{"b0_flat", 0, 1.5, 3},
                    VariedFlowRow{"c0_flat", 0, 0.3, 0.9},
                    VariedFlowRow{"b_adverse", -0.001, 1.5, 3},
                    VariedFlowRow{"c_adverse", -0.001, 0.2, 1.0}),
    [](const auto& info) { return info.param.name; });

TEST(ApproachLength, IsTheDistanceToWithinOnePercentOfNormal) {
  const Triangle tri{1, 1, 0.013, 0.001};
  const Profile probe = ComputeProfile(Triangular(1, 1), To(0.013, 0.001, 1, 1.1));
  const double h0 = *probe.normal_depth;
  const Profile a1 = ComputeProfile(Triangular(1, 1), To(0.013, 0.001, 2 * h0, 1.5 * h0));
  EXPECT_TRUE(a1.notes.Has(Reason::BackwaterLength));
  EXPECT_DOUBLE_EQ(a1.approach_depth, 1.01 * h0);
  EXPECT_NEAR(*a1.approach_x, double(tri.Distance(2 * h0, 1.01 * h0)), 1e-9 * std::fabs(*a1.approach_x));
  const Profile b1 = ComputeProfile(Triangular(1, 1), To(0.013, 0.001, 0.9 * h0, 0.95 * h0));
  EXPECT_TRUE(b1.notes.Has(Reason::DrawdownLength));
  EXPECT_NEAR(*b1.approach_x, double(tri.Distance(0.9 * h0, 0.99 * h0)), 1e-9 * std::fabs(*b1.approach_x));
  const Profile close = ComputeProfile(Triangular(1, 1), To(0.013, 0.001, 1.005 * h0, 1.5 * h0));
  EXPECT_EQ(close.approach_x, 0.0);
}

// ---------------------------------------------------------------------------
// Closed sections, integrated in their own parameters, against another
// quadrature (tanh-sinh, which copes with the square root of the width at a
// crown) of dx/dh on geometry written out here.

struct Shape3 {
  double A, B, P;
};
Shape3 Pipe(double R, double h) {
  const double theta = 2 * std::acos(1 - h / R);
  return {R * R * (theta - std::sin(theta)) / 2, 2 * std::sqrt(h * (2 * R - h)), R * theta};
}
// Walls of height w and width b, under an arch of crown angle 2 half (rad):
// a cap of the arch circle beyond distance d from its centre has area
// Ra^2 acos(d/Ra) - d sqrt(Ra^2 - d^2).
Shape3 Door(double b, double w, double half, double h) {
  if (h <= w) return {b * h, b, b + 2 * h};
  const double Ra = b / 2 / std::sin(half), d0 = Ra * std::cos(half), d = d0 + (h - w);
  auto cap = [Ra](double x) { return Ra * Ra * std::acos(x / Ra) - x * std::sqrt(Ra * Ra - x * x); };
  return {b * w + cap(d0) - cap(d), 2 * std::sqrt(Ra * Ra - d * d),
          b + 2 * w + 2 * Ra * (std::acos(d0 / Ra) - std::acos(d / Ra))};
}

double Quadrature(const std::function<Shape3(double)>& shape, double Q, double n, double S0, double alpha,
                  double h1, double h2, double g = 9.8) {
  auto dxdh = [&](double h) {
    const Shape3 s = shape(h);
    const double J = std::pow(n * Q / s.A, 2) / std::pow(s.A / s.P, 4.0 / 3);
    return (1 - alpha * Q * Q * s.B / (g * std::pow(s.A, 3))) / (S0 - J);
  };
  boost::math::quadrature::tanh_sinh<double> rule;
  const double lo = std::min(h1, h2), hi = std::max(h1, h2);
  return (h2 > h1 ? 1 : -1) * rule.integrate(dxdh, lo, hi, 1e-14);
}

TEST(ClosedSections, PipeDistancesUpToTheCrown) {
  // A horizontal pipe R = 0.5 m with 0.3 m^3/s: b0 upstream rises to the
  // crown, where the profile stops and the pipe flows full.
  const Section pipe = Circular(0.3, 0.5);
  const Profile p = ComputeProfile(pipe, Over(0.013, 0, 0.5, 1e6, 8));
  ASSERT_TRUE(p.computed()) << Why(p);
  EXPECT_EQ(p.type, ProfileType::B0);
  EXPECT_EQ(p.stop, ProfileStop::Crown);
  EXPECT_TRUE(p.notes.Has(Reason::StopsAtCrown));
  EXPECT_EQ(p.stations.back().h, 1.0);
  const auto shape = [](double h) { return Pipe(0.5, h); };
  EXPECT_NEAR(p.stations.back().x, Quadrature(shape, 0.3, 0.013, 0, 1, 0.5, 1.0), 1e-9 * std::fabs(p.stations.back().x));
  // And part way, given the depth.
  const Profile q = ComputeProfile(pipe, To(0.013, 0.002, 0.9, 0.55, 5));
  for (const ProfileStation& s : q.stations)
    EXPECT_NEAR(s.x, Quadrature(shape, 0.3, 0.013, 0.002, 1, 0.9, s.h), 1e-9 * std::fabs(s.x) + 1e-12) << s.h;
}

TEST(ClosedSections, DoorwayAcrossTheSpringingLineWithItsOwnAlpha) {
  // b = 2 m, walls 1 m, a 120-degree arch; the doorway's alpha is 1.05.
  const Section door = Doorway(3, 2, 1, 120);
  const Profile p = ComputeProfile(door, To(0.014, 0.0005, 0.6, 1.45, 6));
  ASSERT_TRUE(p.computed()) << Why(p);
  EXPECT_EQ(p.alpha, 1.05);
  const auto shape = [](double h) { return Door(2, 1, std::numbers::pi / 3, h); };
  for (const ProfileStation& s : p.stations)
    EXPECT_NEAR(s.x, Quadrature(shape, 3, 0.014, 0.0005, 1.05, 0.6, s.h), 1e-9 * std::fabs(s.x) + 1e-12) << s.h;
}

// ---------------------------------------------------------------------------
// Where a profile ends.

TEST(Stop, AtCriticalDepthGivenAnEndBeyondIt) {
  // b1 from 0.9 h_0 down towards 0.5 h_k: the depth reaches h_k first.
  const Triangle tri{1, 1, 0.013, 0.001};
  const Profile probe = ComputeProfile(Triangular(1, 1), To(0.013, 0.001, 1, 1.1));
  const double h0 = *probe.normal_depth, hk = *probe.critical_depth;
  const Profile p = ComputeProfile(Triangular(1, 1), To(0.013, 0.001, 0.9 * h0, 0.6 * hk, 4));
  ASSERT_TRUE(p.computed()) << Why(p);
  EXPECT_EQ(p.stop, ProfileStop::CriticalDepth);
  EXPECT_EQ(Reasons(p), (std::vector<Reason>{Reason::DrawdownLength, Reason::StopsAtCriticalDepth,
                                              Reason::EndBeyondCriticalDepth}));
  const ProfileStation& last = p.stations.back();
  EXPECT_EQ(last.h, hk);
  EXPECT_NEAR(last.froude, 1, 1e-12);
  EXPECT_NEAR(last.x, double(tri.Distance(0.9 * h0, hk)), 1e-10 * last.x);
  // Equal steps of depth up to h_k, which cuts the second step short.
  EXPECT_EQ(p.stations.size(), 3u);
  EXPECT_GT(p.stations[1].h, hk);
}

TEST(Stop, AtCriticalDepthWithinTheReach) {
  // a2 (S1) upstream from a dam on a steep bed falls to h_k, where a jump forms.
  const Triangle tri{1, 1, 0.013, 0.02};
  const Profile probe = ComputeProfile(Triangular(1, 1), To(0.013, 0.02, 1, 1.1));
  const double hk = *probe.critical_depth;
  const double to_jump = double(tri.Distance(2 * hk, hk));
  const Profile p = ComputeProfile(Triangular(1, 1), Over(0.013, 0.02, 2 * hk, 3 * std::fabs(to_jump), 6));
  ASSERT_TRUE(p.computed()) << Why(p);
  EXPECT_EQ(p.stop, ProfileStop::CriticalDepth);
  EXPECT_EQ(p.stations.size(), 3u);  // two steps of L/6 fit before the jump at L/3
  EXPECT_NEAR(p.stations.back().x, to_jump, 1e-10 * std::fabs(to_jump));
  EXPECT_EQ(p.stations.back().h, hk);
}

TEST(Stations, GivenTheLengthLieAtEqualStepsOfTheExactDistance) {
  // b1 upstream towards the fall's normal depth; each station's depth, put
  // back as an end depth, lies where it was found.
  const Triangle tri{1, 1, 0.013, 0.001};
  const Profile probe = ComputeProfile(Triangular(1, 1), To(0.013, 0.001, 1, 1.1));
  const double h0 = *probe.normal_depth;
  const Profile p = ComputeProfile(Triangular(1, 1), Over(0.013, 0.001, 0.8 * h0, 2000, 5));
  ASSERT_EQ(p.stations.size(), 6u) << Why(p);
  for (int j = 1; j <= 5; ++j) {
    const ProfileStation& s = p.stations[j];
    EXPECT_EQ(s.x, -400.0 * j);
    EXPECT_GT(s.h, p.stations[j - 1].h);
    EXPECT_LT(s.h, h0);
    // Near h_0 the distance changes fast with the depth: what a depth's last
    // bits are worth counts as well.
    const double worth = std::fabs(double(tri.Distance(s.h, s.h * (1 + 4 * DBL_EPSILON))));
    EXPECT_NEAR(double(tri.Distance(0.8 * h0, s.h)), s.x, 1e-9 * std::fabs(s.x) + worth);
  }
}

struct EndRow {
  const char* name;
  ProfileInputs inputs;
  std::vector<Reason> reasons;
};
void PrintTo(const EndRow& r, std::ostream* os) { *os << r.name; }

class UnreachableTest : public testing::TestWithParam<EndRow> {};

TEST_P(UnreachableTest, GivesNoStationsAndSaysWhy) {
  const Profile p = ComputeProfile(Circular(0.3, 0.5), GetParam().inputs);
  EXPECT_FALSE(p.computed());
  EXPECT_EQ(Reasons(p), GetParam().reasons) << Why(p);
}

// The pipe R = 0.5 m with 0.3 m^3/s and n = 0.013 at i = 0.002: h_0 = 0.361765 m, h_k = 0.306131 m.
INSTANTIATE_TEST_SUITE_P(
    Ends, UnreachableTest,
    testing::Values(
        EndRow{"beyond_the_normal_depth_it_approaches", To(0.013, 0.002, 0.8, 0.33),
               {Reason::BackwaterLength, Reason::EndBeyondNormalDepth}},
        EndRow{"above_the_crown", To(0.013, 0.002, 0.8, 1.0), {Reason::EndDepthNotBelowCrown}},
        EndRow{"control_depth_is_the_normal_depth", To(0.013, 0.002, 0.361764988146025, 0.8),
               {Reason::ControlDepthIsNormal}},
        EndRow{"end_is_the_control_depth", To(0.013, 0.002, 0.8, 0.8),
               {Reason::BackwaterLength, Reason::EndDepthIsControlDepth}},
        EndRow{"every_fault_of_the_inputs_at_once", Over(-1, 0.002, 0, -5, 0),
               {Reason::RoughnessNotPositive, Reason::StepsOutOfRange, Reason::ControlDepthNotPositive,
                Reason::ReachLengthNotPositive}},
        EndRow{"no_end", NoEnd(To(0.013, 0.002, 0.8, 0)), {Reason::ProfileNeedsEnd}}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace hydraulics::exact
