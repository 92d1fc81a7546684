#include "hydraulics/window/sections.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <functional>

namespace hydraulics::window {

// Stop reasons by name in failure messages (found by argument lookup here).
void PrintTo(SearchStop stop, std::ostream* os) {
  constexpr const char* kNames[] = {"Converged", "BracketCollapsed", "NoSignChange",
                                    "BeyondDeepest", "BisectionLimit", "Fault"};
  *os << kNames[static_cast<int>(stop)];
}
void PrintTo(DoorwayStop stop, std::ostream* os) {
  constexpr const char* kNames[] = {"StraightWall", "Arch", "ReachedCrown", "PassLimit", "Fault"};
  *os << kNames[static_cast<int>(stop)];
}

namespace {

// Residuals written out independently of the library: A^3 - B Q^2 / g.
double TriangularResidual(double Q, double s, double h) {
  return std::pow(h * h / s, 3) - 2 * h / s * Q * Q / kGravity;
}
double TrapezoidalResidual(double Q, double W, double s, double h) {
  return std::pow(h * W, 3) - (W + h / s) * Q * Q / kGravity;
}
double CircularResidual(double Q, float R, double h) {
  const double D = 2.0f * R;
  return std::pow(R * 3.1415926 * h / 2, 3) - 2 * std::sqrt(h * (D - h)) * Q * Q / kGravity;
}

struct SearchCase {
  const char* name;
  std::function<SectionOutcome()> solve;
  double depth;          // expected h_k
  double width;          // expected B_k
  double tolerance;      // on both
  int bisection_steps;   // -1: not stated
  int growth_steps;
};

void PrintTo(const SearchCase& c, std::ostream* os) { *os << c.name; }

class SectionSearchTest : public testing::TestWithParam<SearchCase> {};

TEST_P(SectionSearchTest, FindsDepthWidthAndStepCounts) {
  const SearchCase& c = GetParam();
  const SectionOutcome out = c.solve();
  ASSERT_TRUE(out.ok());
  EXPECT_NEAR(out.search.depth, c.depth, c.tolerance);
  EXPECT_NEAR(*out.width, c.width, c.tolerance);
  if (c.bisection_steps >= 0) {
    EXPECT_EQ(out.search.bisection_steps, c.bisection_steps);
  }
  EXPECT_EQ(out.search.growth_steps, c.growth_steps);
}

INSTANTIATE_TEST_SUITE_P(
    KnownSections, SectionSearchTest,
    testing::Values(
        SearchCase{"TriangleQ1Slope1", [] { return TriangularSection(1, 1); }, 0.728, 1.455, 1e-3, 11, 0},
        SearchCase{"TriangleNegativeSlopeGivesNegativeWidth", [] { return TriangularSection(1, -1); },
                   0.728, -1.455, 1e-3, 11, 0},
        SearchCase{"TriangleQ5000GrowsOnceTo22", [] { return TriangularSection(5000, 1); }, 21.956,
                   43.91, 1e-2, -1, 1},
        SearchCase{"TrapezoidQ1W1Slope1", [] { return TrapezoidalSection(1, 1, 1); }, 0.5396, 1.5396,
                   1e-3, 12, 0},
        SearchCase{"TrapezoidQ10W5Slope1To1_5", [] { return TrapezoidalSection(10, 5, 1 / 1.5); },
                   0.797, 6.195, 1e-3, -1, 0},
        SearchCase{"TrapezoidQ2000Grows104TimesTo228", [] { return TrapezoidalSection(2000, 2, 1); },
                   226.87, 228.87, 1e-2, -1, 104},
        SearchCase{"TrapezoidNegativeAverageWidth", [] { return TrapezoidalSection(10, -5, 1); },
                   0.7051, -4.2949, 1e-3, -1, 0},
        SearchCase{"CircleQ2R1", [] { return CircularSection(2, 1.0f); }, 0.5758, 1.8111, 1e-3, 11, 0},
        SearchCase{"CircleQ1R05", [] { return CircularSection(1, 0.5f); }, 0.5899, 0.9837, 1e-3, 7, 0},
        SearchCase{"CircleQ05R05", [] { return CircularSection(0.5, 0.5f); }, 0.3751, 0.9683, 1e-3, 2,
                   0}),
    [](const auto& info) { return info.param.name; });

TEST(RectangularDepth, ClosedForm) {
  EXPECT_NEAR(*RectangularDepth(10, 5), std::cbrt(4 / 9.8), 1e-15);
  EXPECT_FALSE(RectangularDepth(1e200, 1)); // (Q / b)^2 overflows
}

TEST(SectionFaults, CannotBeComputedInsteadOfAPlaceholder) {
  // A zero slope makes every residual divide by zero.
  EXPECT_EQ(TriangularSection(1, 0).search.stop, SearchStop::Fault);
  EXPECT_EQ(TrapezoidalSection(1, 1, 0).search.stop, SearchStop::Fault);
  // A diameter below the lower bracket end puts a negative number under the root.
  EXPECT_EQ(CircularSection(1, 0.00001f).search.stop, SearchStop::Fault);
  // A discharge tiny for the conduit: positive residual at both ends.
  EXPECT_EQ(CircularSection(0.0001, 10.0f).search.stop, SearchStop::NoSignChange);
  EXPECT_FALSE(CircularSection(0.0001, 10.0f).ok());
}

// Growth is bounded by depth, not by a step count: a root just above the
// deepest water is refused after the same steps that find one just below it.
// Discharges come from the defining equation A^3 / B = Q^2 / g at the root h0.
double TrapezoidDischarge(double h0) { return std::sqrt(kGravity * std::pow(h0, 3) / (1 + h0)); } // W = 1, s = 1
double TriangleDischarge(double h0) { return std::sqrt(kGravity * std::pow(h0, 5) / 2); }          // s = 1

struct BoundCase {
  const char* name;
  std::function<SectionOutcome()> solve;
  SearchStop stop;
  double depth; // the root, when found
};

void PrintTo(const BoundCase& c, std::ostream* os) { *os << c.name; }

class GrowthBoundTest : public testing::TestWithParam<BoundCase> {};

TEST_P(GrowthBoundTest, StopsAtTheDeepestWaterOnly) {
  const BoundCase& c = GetParam();
  const SectionOutcome out = c.solve();
  EXPECT_EQ(out.search.stop, c.stop);
  // From hi = 20 by 2 to hi = 11000, whether the root lies below or above it.
  EXPECT_EQ(out.search.growth_steps, (kDeepestWater - kUpperBracket) / kGrowthStep);
  if (out.search.found()) {
    EXPECT_NEAR(out.search.depth, c.depth, 1e-6);
  }
}

INSTANTIATE_TEST_SUITE_P(
    DeepestWater, GrowthBoundTest,
    testing::Values(
        BoundCase{"TrapezoidRootJustBelowIsFound", [] { return TrapezoidalSection(TrapezoidDischarge(10999), 1, 1); },
                  SearchStop::Converged, 10999},
        BoundCase{"TrapezoidRootJustAboveIsRefused", [] { return TrapezoidalSection(TrapezoidDischarge(11001), 1, 1); },
                  SearchStop::BeyondDeepest, 0},
        BoundCase{"TriangleRootJustBelowIsFound", [] { return TriangularSection(TriangleDischarge(10999.5), 1); },
                  SearchStop::BracketCollapsed, 10999.5},
        BoundCase{"TriangleRootJustAboveIsRefused", [] { return TriangularSection(TriangleDischarge(11000.5), 1); },
                  SearchStop::BeyondDeepest, 0},
        BoundCase{"TrapezoidRootFarBeyond", [] { return TrapezoidalSection(1e12, 1, 1); }, SearchStop::BeyondDeepest, 0},
        // No root at any depth, and the product of the end residuals is
        // subnormal on every step: each growth step is at its slowest.
        BoundCase{"TriangleWithSubnormalProducts", [] { return TriangularSection(2.1519e-06, 1e155 / -1.7633691e11); },
                  SearchStop::BeyondDeepest, 0},
        BoundCase{"TriangleWithTinySlope", [] { return TriangularSection(0.5, 9.7e+23 / 5e-131); },
                  SearchStop::BeyondDeepest, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SectionBounds, EveryInputEndsWithAReason) {
  // Steep residual: bisection collapses onto adjacent doubles.
  const SectionOutcome steep = TriangularSection(1e6, 1e-6);
  EXPECT_TRUE(steep.search.stop == SearchStop::BracketCollapsed ||
              steep.search.stop == SearchStop::Fault);
  EXPECT_LE(steep.search.bisection_steps, kMaxBisectionSteps);
  // Single-range radius: the diameter overflows.
  EXPECT_FALSE(CircularSection(1, FLT_MAX).ok());
}

TEST(IndependentCheck, TriangleAgreesWithClosedForm) {
  for (double Q : {0.01, 0.3, 1.0, 7.5, 40.0, 300.0})
    for (double s : {0.2, 0.5, 1.0, 2.0, 5.0}) {
      const SectionOutcome out = TriangularSection(Q, s);
      ASSERT_TRUE(out.ok()) << Q << ' ' << s;
      const double exact = std::pow(2 * Q * Q * s * s / 9.8, 0.2);
      // The stop test is on |A^3 - B Q^2/g| < 0.001; translate to depth via f'(h).
      const double slope = 6 * std::pow(exact, 5) / (s * s * s) - 2 * Q * Q / (s * 9.8);
      EXPECT_NEAR(out.search.depth, exact, 0.001 / std::fabs(slope) * 1.01 + 1e-12) << Q << ' ' << s;
      EXPECT_NEAR(*out.width, 2 * out.search.depth / s, 1e-6 * (1 + *out.width));
    }
}

TEST(IndependentCheck, ReportedDepthsMeetTheResidualTolerance) {
  int checked = 0;
  for (double Q : {0.05, 0.8, 3.0, 25.0, 180.0}) {
    for (double s : {0.3, 1.0, 1 / 1.5, 4.0}) {
      const SectionOutcome tri = TriangularSection(Q, s);
      ASSERT_TRUE(tri.ok());
      if (tri.search.stop == SearchStop::Converged) {
        EXPECT_LT(std::fabs(TriangularResidual(Q, s, tri.search.depth)), 0.001);
        ++checked;
      }
      for (double W : {0.5, 2.0, 10.0}) {
        const SectionOutcome trap = TrapezoidalSection(Q, W, s);
        ASSERT_TRUE(trap.ok());
        if (trap.search.stop == SearchStop::Converged) {
          EXPECT_LT(std::fabs(TrapezoidalResidual(Q, W, s, trap.search.depth)), 0.001);
          ++checked;
        }
      }
    }
    for (float R : {0.25f, 0.5f, 1.0f, 3.0f}) {
      const SectionOutcome circ = CircularSection(Q, R);
      if (circ.ok() && circ.search.stop == SearchStop::Converged) {
        EXPECT_LT(std::fabs(CircularResidual(Q, R, circ.search.depth)), 0.001);
        EXPECT_LE(circ.search.depth, 2.0 * R);
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 60);
}

struct DoorwayCase {
  const char* name;
  float B, h, A, Q;
  DoorwayStop stop;
  double depth;
  double width;
  int passes;
};

void PrintTo(const DoorwayCase& c, std::ostream* os) { *os << c.name; }

class DoorwayTest : public testing::TestWithParam<DoorwayCase> {};

TEST_P(DoorwayTest, FollowsTheStraightWallTestAndTheArchIteration) {
  const DoorwayCase& c = GetParam();
  const DoorwayOutcome out = DoorwaySection(c.B, c.h, c.A, c.Q);
  ASSERT_EQ(out.stop, c.stop);
  if (c.stop == DoorwayStop::StraightWall || c.stop == DoorwayStop::Arch) {
    EXPECT_NEAR(out.depth, c.depth, 0.005);
    ASSERT_TRUE(out.width);
    EXPECT_NEAR(*out.width, c.width, 0.005);
  }
  EXPECT_EQ(out.passes, c.passes);
}

INSTANTIATE_TEST_SUITE_P(
    KnownDoorways, DoorwayTest,
    testing::Values(
        DoorwayCase{"StraightWallsHoldTheDepth", 3, 2, 180, 10, DoorwayStop::StraightWall, 1.06, 3, 0},
        DoorwayCase{"StartingDepthAboveSolutionAccepted", 3, 2, 120, 30, DoorwayStop::Arch, 2.171,
                    2.774, 0},
        // The width uses the arch's real centre: 1.417 m, inside the 2 m chord.
        DoorwayCase{"TwoPassesAtNinetyDegrees", 2, 1, 90, 8, DoorwayStop::Arch, 1.224, 1.417, 2},
        DoorwayCase{"TrialDepthReachesCrown", 3, 2, 180, 40, DoorwayStop::ReachedCrown, 0, 0, 2},
        DoorwayCase{"ZeroWidthFaults", 0, 2, 120, 10, DoorwayStop::Fault, 0, 0, 0},
        DoorwayCase{"ZeroAngleInTheArchFaults", 3, 0.5f, 0, 30, DoorwayStop::Fault, 0, 0, 0},
        DoorwayCase{"OverflowFaults", 1e-30f, 1, 120, 3e38f, DoorwayStop::Fault, 0, 0, 1}),
    [](const auto& info) { return info.param.name; });

TEST(DoorwayWidth, NeverWiderThanTheChordAndDefinedForASemicircle) {
  int arch_results = 0;
  for (float A : {30.0f, 60.0f, 90.0f, 120.0f, 150.0f, 180.0f})
    for (float Q : {4.0f, 6.0f, 8.0f, 10.0f, 12.0f}) {
      const DoorwayOutcome out = DoorwaySection(2, 1, A, Q);
      if (out.stop != DoorwayStop::Arch) continue;
      ++arch_results;
      ASSERT_TRUE(out.width) << A << ' ' << Q;
      if (out.arch_depth >= 1) {
        EXPECT_LE(*out.width, 2.0f + 1e-5f) << A << ' ' << Q;
      }
    }
  EXPECT_GE(arch_results, 4);
}

TEST(DoorwayOutcome, ArchDepthCarriesSevenSignificantDigits) {
  const DoorwayOutcome out = DoorwaySection(2, 1, 90, 8);
  ASSERT_EQ(out.stop, DoorwayStop::Arch);
  EXPECT_EQ(out.arch_depth, 1.223988);
}

}  // namespace
}  // namespace hydraulics::window
