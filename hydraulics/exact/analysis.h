#pragma once
// The open-channel toolkit's one way in: the critical state with its critical
// slope, the normal depth by Manning's formula, and the state at a given
// depth with its alternate and sequent depths, all on the true section
// geometry. Every depth comes from one bracketed solver; whatever has no
// value says why, as a reason with its numbers (reasons.h).

#include <optional>

#include "hydraulics/constants.h"
#include "hydraulics/exact/critical_depth.h"
#include "hydraulics/exact/geometry.h"
#include "hydraulics/exact/reasons.h"

namespace hydraulics::exact {

// Optional inputs beside the section: empty where not given.
struct FlowInputs {
  std::optional<double> n;   // Manning roughness
  std::optional<double> S0;  // bed slope i, fall over run: 0 flat, negative adverse
  std::optional<double> h;   // a given depth [length]
};

enum class Regime { Subcritical, Supercritical, Critical };                 // 缓流, 急流, 临界流
enum class SlopeClass { Mild, Steep, Critical, Horizontal, Adverse };      // 缓坡, 陡坡, 临界坡, 平坡, 逆坡

// Flow whose Froude number lies within this band of 1 is called critical:
// closer than the inputs of a design are known. The regime at a depth and the
// class of a bed slope (by the regime of its uniform flow) both use it, so
// that the two never contradict each other.
inline constexpr double kCriticalBand = 1e-3;
Regime RegimeOf(double froude);

// Fr = V / sqrt(g A / (alpha B)): the doorway's energy coefficient counts as
// it does in its critical depth, so that Fr = 1 exactly there.
double FroudeNumber(const Geometry& geometry, double Q, double g, double h, double A);

struct NormalState {
  double depth = 0;     // h_0 [length]
  double area = 0;      // A_0 [length^2]
  double velocity = 0;  // V_0 = Q / A_0 [length/s]
  double froude = 0;    // Fr = V / sqrt(g A / (alpha B))
  Regime regime = Regime::Subcritical;
};

struct AtDepthState {
  double depth = 0;     // h [length]
  double area = 0;      // A(h) [length^2]
  double velocity = 0;  // Q / A [length/s]
  double froude = 0;    // as NormalState's
  double energy = 0;    // E = h + alpha V^2 / (2 g) [length]
  std::optional<double> alternate;  // same E on the other side of h_k [length]
  std::optional<double> sequent;    // same momentum function on the other side [length]
};

// Everything the tools show for one section. `notes` holds why each missing
// value is missing and every flag (near full, a second normal depth, several
// critical depths), in the order the values appear.
struct Analysis {
  std::optional<CriticalState> critical;
  std::optional<double> critical_slope;   // i_k, when n is given
  std::optional<SlopeClass> slope_class;  // when S0 is given: flat, adverse, or by the regime of uniform flow
  std::optional<NormalState> normal;      // when n and a falling S0 are given
  std::optional<AtDepthState> at_depth;   // when h is given
  Notes notes;
};

// The critical state alone when `inputs` is empty. Depths are in the length
// unit of `units`, discharges in its cube per second.
Analysis Analyse(const Section& section, const FlowInputs& inputs = {}, const Units& units = kSI);

// Shape of the section at depth h, for drawings and the energy curve.
struct ShapeAt {
  double area = 0;              // A [length^2]
  double top_width = 0;         // B [length]
  double wetted_perimeter = 0;  // P [length]; 0 for a trapezoid given only its average width
  double centroid_depth = 0;    // depth of the area's centroid below the surface [length]
};
// Empty, with the reason in `why`, when the section is not valid or h is not
// a depth within it.
std::optional<ShapeAt> ShapeAtDepth(const Section& section, double h, Reason* why = nullptr);
// Height of a closed section (circular, doorway); empty for an open one.
std::optional<double> SectionHeight(const Section& section);
// Specific energy E(h) = h + alpha Q^2 / (2 g A^2), alpha as the critical state
// uses it; NaN, for a curve to leave a gap, where the section, the discharge
// or the depth is not valid.
double SpecificEnergy(const Section& section, double h, const Units& units = kSI);

}  // namespace hydraulics::exact
