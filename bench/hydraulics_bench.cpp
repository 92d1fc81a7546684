// Time of one compute command, from box texts to shown results, for a typical
// case of each section and for the slowest inputs found; and of one
// open-channel analysis on the true geometry, per section.

#include <benchmark/benchmark.h>

#include <string>

#include "hydraulics/exact/analysis.h"
#include "hydraulics/window/crit_depth.h"

namespace {

using hydraulics::window::BoxTexts;
using hydraulics::exact::Shape;

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
    hydraulics::window::Members m;
    benchmark::DoNotOptimize(hydraulics::window::Compute(c->type, c->boxes, m));
  }
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
    {"analyse/circular", {.shape = Shape::Circle, .Q = 2, .R = 1}, {0.013, 0.001, 0.5}},
    {"analyse/rectangular", {.shape = Shape::Rectangle, .Q = 10, .b = 5}, {0.014, 0.001, 0.3}},
    {"analyse/trapezoidal", {.shape = Shape::Trapezoid, .Q = 10, .b = 3, .s = 0.5}, {0.014, 0.001, 0.3}},
    {"analyse/trapezoidal_average_width", {.shape = Shape::AverageTrapezoid, .Q = 10, .W = 5, .s = 1 / 1.5},
     {0.014, 0.001, 0.3}},
    {"analyse/triangular", {.shape = Shape::Triangle, .Q = 1, .s = 1}, {0.02, 0.01, 0.2}},
    {"analyse/doorway_arch", {.shape = Shape::Doorway, .Q = 8, .b = 3, .wall = 2, .angle = 120}, {0.014, 0.002, 0.3}},
    {"analyse/doorway_in_walls", {.shape = Shape::Doorway, .Q = 10, .b = 3, .wall = 2, .angle = 180},
     {0.014, 0.002, 0.8}},
    // Near full: the peak of the section factor is found and a second depth flagged.
    {"analyse/doorway_two_normal_depths", {.shape = Shape::Doorway, .Q = 27.5, .b = 3, .wall = 2, .angle = 180},
     {0.014, 0.002, 0.8}},
    {"analyse/pipe_two_normal_depths", {.shape = Shape::Circle, .Q = 0.8, .R = 0.5}, {0.013, 0.001, 0.2}},
    // Critical state alone, as without the optional columns.
    {"analyse/critical_only/circular", {.shape = Shape::Circle, .Q = 2, .R = 1}, {}},
    {"analyse/critical_only/rectangular", {.shape = Shape::Rectangle, .Q = 10, .b = 5}, {}},
    {"analyse/critical_only/doorway_arch", {.shape = Shape::Doorway, .Q = 8, .b = 2, .wall = 1, .angle = 90}, {}},
    // A critical depth within ulps of the crown, and a flat arch on no walls.
    {"analyse/critical_only/pipe_at_crown", {.shape = Shape::Circle, .Q = 5e4, .R = 1}, {}},
    {"analyse/critical_only/doorway_flat_arch", {.shape = Shape::Doorway, .Q = 30, .b = 3, .wall = 0, .angle = 1e-6},
     {}},
};

void AnalyseRow(benchmark::State& state, const FlowCase* c) {
  for (auto _ : state) benchmark::DoNotOptimize(hydraulics::exact::Analyse(c->section, c->inputs));
}

const bool kRegistered = [] {
  for (const Case& c : kCases) benchmark::RegisterBenchmark(c.name, Compute, &c);
  for (const FlowCase& c : kFlowCases) benchmark::RegisterBenchmark(c.name, AnalyseRow, &c);
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
