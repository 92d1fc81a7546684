#pragma once
// Gradually varied flow in a prismatic channel on the true section geometry
// (Chow, Open-Channel Hydraulics, 1959, ch. 9 and 10): the water-surface
// profile from a control section, its type, and the distance of every station
// as the exact integral of
//   dx/dh = (1 - alpha Q^2 B / (g A^3)) / (i - J),  J = (n Q / (k A R^(2/3)))^2,
// beside the direct step method's distance (分段求和法) for the same depths.

#include <cstdint>
#include <optional>
#include <vector>

#include "hydraulics/constants.h"
#include "hydraulics/exact/analysis.h"
#include "hydraulics/exact/geometry.h"
#include "hydraulics/exact/reasons.h"

namespace hydraulics::exact {

inline constexpr int kDefaultProfileSteps = 10;
inline constexpr int kMaxProfileSteps = 10000;

struct ProfileInputs {
  double n = 0;                 // Manning roughness
  double S0 = 0;                // bed slope i, fall over run: 0 flat, negative adverse
  std::optional<double> alpha;  // energy coefficient; empty: the section's own (1, the doorway 1.05)
  double h1 = 0;                // depth at the control section, where x = 0 [length]
  std::optional<double> h2;     // the depth where the profile ends [length]; or
  std::optional<double> L;      // the reach length from the control section [length]
  int steps = kDefaultProfileSteps;  // 1 to kMaxProfileSteps
};

// The twelve types (Chow's equivalents in comments): the zone is a above both
// the normal and the critical depth, b between them, c below both; the digit
// is the bed: 1 缓坡, 2 陡坡, 3 临界坡, 0 平坡, ′ 逆坡.
enum class ProfileType : std::uint8_t {
  A1, B1, C1,  // M1 M2 M3
  A2, B2, C2,  // S1 S2 S3
  A3, C3,      // C1 C3
  B0, C0,      // H2 H3
  BAdverse,    // b′, A2
  CAdverse,    // c′, A3
};

enum class ProfileKind : std::uint8_t {
  Backwater,  // 壅水曲线: the depth grows along the flow
  Drawdown,   // 降水曲线: the depth falls along the flow
};

// Why the stations end where they end.
enum class ProfileStop : std::uint8_t {
  AtEnd,          // at h2, or the whole reach length L
  CriticalDepth,  // the critical depth is reached: a hydraulic jump or a free fall forms there
  Crown,          // a closed section's crown is reached: the conduit flows full beyond it
};

struct ProfileStation {
  double x = 0;               // along the flow from the control section, negative upstream [length]
  double h = 0;               // depth [length]
  double area = 0;            // A [length^2]
  double velocity = 0;        // V = Q / A [length/s]
  double froude = 0;          // Fr = V / sqrt(g A / (alpha B)), 1 at the critical depth
  double energy = 0;          // E = h + alpha V^2 / (2 g) [length]
  double friction_slope = 0;  // J = (n V / (k R^(2/3)))^2
  double x_step = 0;          // the direct step method's x for the same depths [length]
};

struct Profile {
  // The stations from the control section (x = 0, h = h1) on: `steps` + 1 of
  // them, fewer where the profile stops early. Empty when there is no
  // profile; `notes` says why.
  std::vector<ProfileStation> stations;
  ProfileStop stop = ProfileStop::AtEnd;

  std::optional<ProfileType> type;  // none without a normal depth on a falling bed (beyond capacity)
  ProfileKind kind = ProfileKind::Backwater;
  std::optional<SlopeClass> slope_class;
  double alpha = 1;  // the energy coefficient used

  // The K–K and N–N lines: the lowest of each; the notes give a closed
  // section's further depths (OtherCriticalDepths, HigherNormalDepths).
  std::optional<double> critical_depth;  // h_k [length]
  std::optional<double> normal_depth;    // h_0 [length]; none on a flat or adverse bed

  // Where the profile comes within kNormalApproachShare of the normal depth
  // it approaches (壅水长度 / 降水长度 is its magnitude): 0 when h1 is that
  // close already; none when the profile approaches no normal depth.
  std::optional<double> approach_x;      // [length]
  double approach_depth = 0;             // the depth there [length]

  // Why something is missing, the flags of the section, the 壅水长度 or
  // 降水长度, where the profile stops and which end depth it cannot reach,
  // in that order.
  Notes notes;

  bool computed() const { return !stations.empty(); }
};

// How close to the normal depth a profile counts as having reached it.
inline constexpr double kNormalApproachShare = 0.01;

// The profile, or the reasons why there is none. Given h2 the stations are
// equal steps of depth, given L equal steps of distance: upstream (x < 0)
// from a subcritical control depth, downstream from a supercritical one. A
// control depth at the critical depth starts the profile the way the bed
// leads away from it: upstream on a bed flatter than critical, downstream on
// a steeper one.
Profile ComputeProfile(const Section& section, const ProfileInputs& inputs, const Units& units = kSI);
// The same into `out`, whose station storage is reused: a batch computes
// profile after profile without allocating.
void ComputeProfile(const Section& section, const ProfileInputs& inputs, const Units& units, Profile& out);

}  // namespace hydraulics::exact
