#pragma once
// The state at a given depth: specific energy E = h + alpha Q^2 / (2 g A^2)
// (Chow, Open-Channel Hydraulics, 1959, sec. 3-1), the momentum function
// M = Q^2 / (g A) + A ybar (sec. 3-6), and the depth of equal E (alternate)
// or equal M (sequent, across a hydraulic jump) on the other side of the
// depth where each is least.

#include "hydraulics/exact/solver.h"
#include "hydraulics/exact/geometry.h"

namespace hydraulics::exact {

// E(h) [length], alpha as the section's critical state uses it.
inline double EnergyAt(const Geometry& g, double Q, double grav, double h) {
  const double V = Q / g.Area(h);
  return h + g.alpha * V * V / (2 * grav);
}

// M(h) [length^3]. Momentum carries no energy coefficient: the doorway's
// 1.05 weighs the velocity head only, so its M is least at the depth where
// Q^2 B / (g A^3) = 1, a little below its critical depth.
inline double MomentumAt(const Geometry& g, double Q, double grav, double h) {
  return Q * (Q / (grav * g.Area(h))) + g.FirstMoment(h);
}

struct OtherDepth {
  RootResult lowest;       // lowest depth other than h with the same value
  bool found = false;
  bool above_crown = false;  // closed section: the depth would lie above the crown
  bool beyond_range = false; // the depth lies below the smallest double
  int others = 0;          // further depths with the same value
  double other_depths[3] = {0, 0, 0};
};

enum class Conjugate { Alternate, Sequent };

// `target` is E(h) or M(h) as EnergyAt or MomentumAt give it. `turns` are
// the depths where the function is least or most (ascending: the critical
// depths for E; for M those with alpha = 1); it falls from the floor to the
// first. `froude` is the Froude number at h, which starts the search.
OtherDepth SolveOtherSide(const Geometry& g, Conjugate which, double Q, double grav, double h, double target,
                          const double* turns, int turn_count, double froude);

}  // namespace hydraulics::exact
