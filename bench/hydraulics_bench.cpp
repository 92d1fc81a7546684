// Time of one compute command, from box texts to shown results, for a typical
// case of each section and for the slowest inputs found; and of one
// open-channel analysis on the true geometry, per section.

#include <benchmark/benchmark.h>

#include <string>

#include "hydraulics/crit_depth.h"
#include "hydraulics/exact_geometry.h"
#include "hydraulics/open_channel.h"

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

// One row of the batch tool's exact mode with the full state: critical depth
// and slope, normal depth, and the state at a given depth with its alternate
// and sequent depths.
struct FlowCase {
  const char* name;
  hydraulics::exact::Section section;
  hydraulics::exact::FlowInputs inputs;
};

const FlowCase kFlowCases[] = {
    {"analyse/circular", {.type = 1, .Q = 2, .R = 1}, {0.013, 0.001, 0.5}},
    {"analyse/rectangular", {.type = 2, .Q = 10, .b = 5}, {0.014, 0.001, 0.3}},
    {"analyse/trapezoidal", {.type = 3, .Q = 10, .b = 3, .bottom_width_given = true, .s = 0.5}, {0.014, 0.001, 0.3}},
    {"analyse/trapezoidal_average_width", {.type = 3, .Q = 10, .W = 5, .s = 1 / 1.5}, {0.014, 0.001, 0.3}},
    {"analyse/triangular", {.type = 4, .Q = 1, .s = 1}, {0.02, 0.01, 0.2}},
    {"analyse/doorway_arch", {.type = 5, .Q = 8, .b = 3, .wall = 2, .angle = 120}, {0.014, 0.002, 0.3}},
    {"analyse/doorway_in_walls", {.type = 5, .Q = 10, .b = 3, .wall = 2, .angle = 180}, {0.014, 0.002, 0.8}},
    // Near full: the peak of the section factor is found and a second depth flagged.
    {"analyse/doorway_two_normal_depths", {.type = 5, .Q = 27.5, .b = 3, .wall = 2, .angle = 180}, {0.014, 0.002, 0.8}},
    {"analyse/pipe_two_normal_depths", {.type = 1, .Q = 0.8, .R = 0.5}, {0.013, 0.001, 0.2}},
    // Critical state alone, as without the optional columns.
    {"analyse/critical_only/circular", {.type = 1, .Q = 2, .R = 1}, {}},
    {"analyse/critical_only/rectangular", {.type = 2, .Q = 10, .b = 5}, {}},
};

void AnalyseRow(benchmark::State& state, const FlowCase* c) {
  for (auto _ : state) benchmark::DoNotOptimize(hydraulics::exact::Analyse(c->section, c->inputs));
}

const bool kRegistered = [] {
  for (const Case& c : kCases) {
    benchmark::RegisterBenchmark(c.name, Compute, &c);
    benchmark::RegisterBenchmark((std::string("exact/") + c.name).c_str(), Exact, &c);
  }
  for (const FlowCase& c : kFlowCases) benchmark::RegisterBenchmark(c.name, AnalyseRow, &c);
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
