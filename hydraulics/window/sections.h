#pragma once
// The five cross sections. Each takes the values the routine has already read
// and checked, and reports what it found without touching the window's
// members; the routine decides what the members receive.

#include <optional>

#include "hydraulics/constants.h"
#include "hydraulics/window/bisection.h"

namespace hydraulics::window {

inline constexpr double kLowerBracket = 0.0001;
inline constexpr double kUpperBracket = 20; // trapezoidal and triangular start

struct SectionOutcome {
  SearchResult search;
  std::optional<float> width; // B at the depth found; empty when it faulted

  bool ok() const { return search.found() && width.has_value(); }
};

// Closed form for a rectangle of width b > 0; empty when it faults.
std::optional<double> RectangularDepth(double Q, double b);

// Circular conduit of radius R > 0, wetted area proportional to depth.
SectionOutcome CircularSection(double Q, float R);

// Trapezoid described by its average width W != 0 and side slope s.
SectionOutcome TrapezoidalSection(double Q, double W, double s);

// Symmetric triangle of side slope s.
SectionOutcome TriangularSection(double Q, double s);

enum class DoorwayStop {
  StraightWall, // critical depth lies between the straight walls
  Arch,         // accepted in the crown arch
  ReachedCrown, // the trial depth reached the crown: no critical depth found
  PassLimit,    // kMaxArchPasses without meeting the tolerance
  Fault,        // an arithmetic fault (zero width, zero angle, overflow, ...)
};

struct DoorwayOutcome {
  DoorwayStop stop = DoorwayStop::Fault;
  float depth = 0;            // the solver's own result (0 unless found)
  double arch_depth = 0;      // Arch: h_m to 7 significant digits, read back
  std::optional<float> width; // B_k; empty when it faulted
  int passes = 0;             // passes of the arch iteration
};

inline constexpr float kArchTolerance = 0.001f;
// Each pass raises the trial depth by more than half the tolerance, so this
// covers arches 50 m high; beyond that single precision stalls the iteration.
inline constexpr int kMaxArchPasses = 100'000;

// Doorway section: bottom width B, straight-wall height h, crown angle A
// (degrees), discharge Q, all single precision as the window hands them over.
DoorwayOutcome DoorwaySection(float B, float h, float A, float Q);

}  // namespace hydraulics::window
