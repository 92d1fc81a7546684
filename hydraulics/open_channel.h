#pragma once
// The open-channel toolkit on the true section geometry: the critical state
// with its critical slope, the normal depth by Manning's formula, and the
// state at a given depth with its alternate and sequent depths. Every depth
// comes from one bracketed solver; whatever has no value says why.

#include <optional>
#include <string>
#include <vector>

#include "hydraulics/exact_geometry.h"

namespace hydraulics::exact {

// Gravity [length/s^2] and Manning's unit constant k in Q = k/n A R^(2/3) S^(1/2).
struct Units {
  double g = kDefaultGravity;
  double k = 1.0;
  const char* length_unit = "米";  // as depths are named in messages
};
inline constexpr Units kSI{9.8, 1.0, "米"};           // m, m^3/s
inline constexpr Units kUS{32.174, 1.486, "英尺"};    // ft, ft^3/s

// Optional inputs beside the section: empty where not given.
struct FlowInputs {
  std::optional<double> n;   // Manning roughness
  std::optional<double> S0;  // bed slope i, rise over run
  std::optional<double> h;   // a given depth [length]
};

enum class Regime { Subcritical, Supercritical, Critical };   // 缓流, 急流, 临界流
enum class SlopeClass { Mild, Steep, Critical };               // 缓坡, 陡坡, 临界坡
const char* RegimeName(Regime r);
const char* SlopeClassName(SlopeClass c);

struct NormalState {
  double depth = 0;     // h_0 [length]
  double area = 0;      // A_0 [length^2]
  double velocity = 0;  // V_0 = Q / A_0 [length/s]
  double froude = 0;    // Fr = V / sqrt(g A / B)
  Regime regime = Regime::Subcritical;
  SlopeClass slope_class = SlopeClass::Mild;
  bool second_depth = false;  // closed section: a higher depth also carries Q
};

struct AtDepthState {
  double depth = 0;     // h [length]
  double area = 0;      // A(h)
  double velocity = 0;  // Q / A
  double froude = 0;
  double energy = 0;    // E = h + alpha V^2 / (2 g)
  std::optional<double> alternate;  // same E on the other side of h_k
  std::optional<double> sequent;    // same momentum function on the other side
};

// Everything the tools show for one section; `messages` holds, in Simplified
// Chinese, why each missing value is missing and any flag (near full, a second
// normal depth, several critical depths), in the order the values appear.
struct Analysis {
  Result critical;                      // as Solve gives it
  std::optional<double> critical_slope; // i_k, when n is given
  std::optional<NormalState> normal;    // when n and S0 are given
  std::optional<AtDepthState> at_depth; // when h is given
  std::vector<std::string> messages;
};

Analysis Analyse(const Section& section, const FlowInputs& inputs, const Units& units = kSI);

// The messages joined by "；" (the critical result's own message first).
std::string JoinedMessage(const Analysis& a);
// The same appended to `out`, for a caller that reuses one string per row.
void AppendJoinedMessage(std::string& out, const Analysis& a);

// Shape of the section at depth h, for drawings and the energy curve.
struct ShapeAt {
  double area = 0;           // A [length^2]
  double top_width = 0;      // B
  double wetted_perimeter = 0; // P; 0 for a trapezoid given only its average width
  double centroid_depth = 0; // depth of the area's centroid below the surface
};
// nullopt with `message` set when the section is not valid.
std::optional<ShapeAt> ShapeAtDepth(const Section& section, double h, std::string* message = nullptr);
// Height of a closed section (circular, doorway); nullopt for an open one.
std::optional<double> SectionHeight(const Section& section);
// Specific energy E(h) = h + alpha Q^2 / (2 g A^2), alpha as the critical state
// uses it; NaN, for a curve to leave a gap, where the section, the discharge
// or the depth is not valid.
double SpecificEnergy(const Section& section, double h, const Units& units = kSI);

}  // namespace hydraulics::exact
