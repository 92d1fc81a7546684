// Time of one compute command, from box texts to shown results, for a typical
// case of each section and for the slowest inputs found.

#include <benchmark/benchmark.h>

#include <string>

#include "hydraulics/crit_depth.h"
#include "hydraulics/exact_geometry.h"

namespace {

using hydraulics::BoxTexts;

struct Case {
  const char* name;
  std::int16_t type;
  BoxTexts boxes;
};

BoxTexts Boxes(const char* Q, std::initializer_list<std::pair<int, const char*>> text1) {
  BoxTexts b;
  b.TextQ = Q;
  for (const auto& [i, t] : text1) b.Text1[i] = t;
  return b;
}

const Case kCases[] = {
    {"typical/circular", 1, Boxes("2", {{1, "1"}})},
    {"typical/rectangular", 2, Boxes("10", {{2, "5"}})},
    {"typical/trapezoidal", 3, Boxes("10", {{3, "5"}, {4, "1"}, {5, "1.5"}})},
    {"typical/triangular", 4, Boxes("1", {{4, "1"}, {5, "1"}})},
    {"typical/doorway_arch", 5, Boxes("8", {{2, "2"}, {6, "1"}, {7, "90"}})},
    // Huge discharge on a narrow trapezoid: the bracket grows to the deepest water.
    {"worst/trapezoid_growth_limit", 3, Boxes("1e12", {{3, "1"}, {4, "1"}, {5, "1"}})},
    {"worst/triangle_growth_limit", 4, Boxes("1e15", {{4, "1"}, {5, "1"}})},
    // No root at any depth, and the product of the end residuals is subnormal
    // on every growth step: the slowest multiplication the search makes.
    {"worst/triangle_subnormal_product", 4, Boxes("2.1519e-06", {{4, "1e155"}, {5, "-1.7633691e11"}})},
    {"worst/triangle_subnormal_product_tiny_slope", 4, Boxes("0.5", {{4, "9.7e+23"}, {5, "5e-131"}})},
    // Largest discharge whose root the growth still reaches (10999 m).
    {"worst/trapezoid_deep_root", 3, Boxes("34430.5", {{3, "1"}, {4, "1"}, {5, "1"}})},
    // Slopes near zero: residuals so steep that bisection collapses.
    {"worst/triangle_flat_slope", 4, Boxes("1e3", {{4, "1e-9"}, {5, "1"}})},
    {"worst/trapezoid_flat_slope", 3, Boxes("1e6", {{3, "1e-6"}, {4, "1e-12"}, {5, "1"}})},
    // Huge section, tiny discharge and the reverse.
    {"worst/circle_huge_radius", 1, Boxes("1e30", {{1, "1e30"}})},
    {"worst/circle_tiny_radius", 1, Boxes("1e-30", {{1, "1e-4"}})},
    {"worst/trapezoid_wide_single_limit", 3, Boxes("1e150", {{3, "3e38"}, {4, "1"}, {5, "1"}})},
    // Angles near 0 and 180 degrees, and an arch kilometres high.
    {"worst/doorway_angle_near_zero", 5, Boxes("30", {{2, "3"}, {6, "0.5"}, {7, "1e-6"}})},
    {"worst/doorway_angle_near_180", 5, Boxes("35", {{2, "3"}, {6, "2"}, {7, "179.999"}})},
    {"worst/doorway_near_360", 5, Boxes("1e4", {{2, "3"}, {6, "2"}, {7, "359.9999"}})},
    {"worst/doorway_tall_walls", 5, Boxes("1e6", {{2, "1"}, {6, "1e3"}, {7, "1"}})},
    {"worst/doorway_single_limit", 5, Boxes("3e38", {{2, "3e38"}, {6, "3e38"}, {7, "179"}})},
};

void Compute(benchmark::State& state, const Case* c) {
  for (auto _ : state) {
    hydraulics::Members m;
    benchmark::DoNotOptimize(hydraulics::Compute(c->type, c->boxes, m));
  }
}

void Exact(benchmark::State& state, const Case* c) {
  const hydraulics::exact::Section section = hydraulics::exact::FromBoxes(c->type, c->boxes);
  for (auto _ : state) benchmark::DoNotOptimize(hydraulics::exact::Solve(section));
}

const bool kRegistered = [] {
  for (const Case& c : kCases) {
    benchmark::RegisterBenchmark(c.name, Compute, &c);
    benchmark::RegisterBenchmark((std::string("exact/") + c.name).c_str(), Exact, &c);
  }
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
