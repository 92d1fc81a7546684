// Time of one water-surface profile: of 10 stations, as the batch tool
// computes them, and of 10,000, the most a window draws; given the end depth
// (steps of depth) or the reach length (each station's depth found from the
// exact distance), on each section.

#include <benchmark/benchmark.h>

#include "hydraulics/exact/profile.h"

namespace {

using hydraulics::exact::ProfileInputs;
using hydraulics::exact::Section;
using hydraulics::exact::Shape;

ProfileInputs Inputs(double n, double S0, double h1, std::optional<double> h2, std::optional<double> L) {
  ProfileInputs in;
  in.n = n;
  in.S0 = S0;
  in.h1 = h1;
  in.h2 = h2;
  in.L = L;
  return in;
}

struct Case {
  const char* name;
  Section section;
  ProfileInputs inputs;
};

const Case kCases[] = {
    // a1 behind a dam to 5 % above the normal depth (1.0195 m), and over 2 km upstream.
    {"rectangle_a1/h2", {.shape = Shape::Rectangle, .Q = 10, .b = 5}, Inputs(0.013, 0.001, 2, 1.07, {})},
    {"rectangle_a1/L", {.shape = Shape::Rectangle, .Q = 10, .b = 5}, Inputs(0.013, 0.001, 2, {}, 2000.0)},
    // b1 from a free fall (h_k) upstream.
    {"trapezoid_b1/h2", {.shape = Shape::Trapezoid, .Q = 10, .b = 3, .s = 0.5}, Inputs(0.014, 0.0005, 0.9, 1.25, {})},
    {"trapezoid_b1/L", {.shape = Shape::Trapezoid, .Q = 10, .b = 3, .s = 0.5}, Inputs(0.014, 0.0005, 0.9, {}, 800.0)},
    // c2 below a gate on a steep bed, towards its normal depth.
    {"triangle_c2/h2", {.shape = Shape::Triangle, .Q = 1, .s = 1}, Inputs(0.013, 0.02, 0.3, 0.5, {})},
    {"triangle_c2/L", {.shape = Shape::Triangle, .Q = 1, .s = 1}, Inputs(0.013, 0.02, 0.3, {}, 100.0)},
    // A horizontal pipe, b0 upstream to its crown.
    {"pipe_b0/h2", {.shape = Shape::Circle, .Q = 0.3, .R = 0.5}, Inputs(0.013, 0, 0.5, 0.99, {})},
    {"pipe_b0/L", {.shape = Shape::Circle, .Q = 0.3, .R = 0.5}, Inputs(0.013, 0, 0.5, {}, 300.0)},
    // A doorway's a1 from its arch down across the springing line.
    {"doorway_a1/h2", {.shape = Shape::Doorway, .Q = 2, .b = 2, .wall = 1, .angle = 120}, Inputs(0.014, 0.002, 1.5, 0.8, {})},
    {"doorway_a1/L", {.shape = Shape::Doorway, .Q = 2, .b = 2, .wall = 1, .angle = 120}, Inputs(0.014, 0.002, 1.5, {}, 1000.0)},
};

void OneProfile(benchmark::State& state, const Case* c) {
  ProfileInputs in = c->inputs;
  in.steps = static_cast<int>(state.range(0));
  hydraulics::exact::Profile p;
  for (auto _ : state) {
    hydraulics::exact::ComputeProfile(c->section, in, hydraulics::kSI, p);
    benchmark::DoNotOptimize(p.stations.data());
  }
  state.counters["stations"] = static_cast<double>(p.stations.size());
}

const bool kRegistered = [] {
  for (const Case& c : kCases) benchmark::RegisterBenchmark(c.name, OneProfile, &c)->Arg(10)->Arg(10000)->Unit(benchmark::kMicrosecond);
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
