#pragma once
// The physical constants and unit systems that both halves of the computation
// use: the calculation window's method (window/) and the true-geometry
// toolkit (exact/).

#include <cmath>

namespace hydraulics {

// Gravity [m/s^2] as the window's method defines critical flow,
// A^3 / B = Q^2 / 9.8; the toolkit's SI default is the same.
inline constexpr double kGravity = 9.8;
// The energy coefficient alpha the doorway section applies to Q^2.
inline constexpr double kDoorwayEnergyCoefficient = 1.05;

enum class LengthUnit { Metre, Foot };

// Gravity [length/s^2] and Manning's unit constant k in Q = k/n A R^(2/3) S^(1/2).
struct Units {
  double g = kGravity;
  double k = 1.0;
  LengthUnit length = LengthUnit::Metre;
};
inline constexpr Units kSI{kGravity, 1.0, LengthUnit::Metre};  // m, m^3/s
// ft, ft^3/s; k = 1.486 = (3.2808 ft/m)^(1/3) (Chow, Open-Channel Hydraulics, 1959, eq. 5-6).
inline constexpr Units kUS{32.174, 1.486, LengthUnit::Foot};

// A finite value above zero: what every dimension, discharge and constant must be.
inline bool Positive(double v) { return std::isfinite(v) && v > 0; }

}  // namespace hydraulics
