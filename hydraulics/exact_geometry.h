#pragma once
// Critical depth from the true section geometry, beside the window's own
// method: alpha Q^2 B(h) / (g A(h)^3) = 1 solved by the shared bracketed
// solver to a few ulps. Shares nothing with the window's fault policy: inputs
// that make no section are rejected with a message.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "hydraulics/crit_depth.h"

namespace hydraulics::exact {

inline constexpr double kDefaultGravity = 9.8;
inline constexpr double kDoorwayEnergyCoefficient = 1.05;
// A closed section whose critical depth exceeds this share of its height is
// close to flowing full.
inline constexpr double kNearFullShare = 0.95;
// Most steps one solve reports: the solver's own bound plus the steps of the
// bracket search, which spans the double range (bracketed_solve.h).
inline constexpr int kMaxBracketDoublings = 1100;
inline constexpr int kMaxBisectionSteps = 100 + kMaxBracketDoublings;

enum class Stop {
  Converged,       // the bracket shrank to a few ulps
  IterationLimit,  // the solver's bound without that
  NoUpperBracket,  // the root lies beyond the double range, or closer to the crown than a double resolves
};

struct CriticalState {
  double depth = 0;           // h_c, m
  double top_width = 0;       // B_c, m
  double area = 0;            // A_c, m^2
  double velocity = 0;        // V_c = Q / A_c, m/s
  double hydraulic_depth = 0; // A_c / B_c, m
  double energy = 0;          // E_c = h_c + alpha V_c^2 / (2 g), m
  bool near_full = false;     // closed section above kNearFullShare of its height
  int steps = 0;              // solver and bracket-search steps
  Stop stop = Stop::Converged;
};

// Either a critical state or the reason, in Simplified Chinese, that the
// inputs make no section or no result.
struct Result {
  std::optional<CriticalState> state;
  std::string message;
};

struct Section {
  std::int16_t type = 0; // 1 circular ... 5 doorway, as in the window
  double Q = 0;
  double R = 0;          // circular: radius
  double b = 0;          // rectangular and doorway width; trapezoid bottom width
  bool bottom_width_given = false; // trapezoid: b given, a true trapezoid
  double W = 0;          // trapezoid average width, used without a bottom width
  double s = 0;          // side slope, vertical : horizontal quotient
  double wall = 0;       // doorway straight-wall height
  double angle = 0;      // doorway crown angle, degrees
};

Result Solve(const Section& section, double g = kDefaultGravity);

// The section the window's boxes describe, read by the window's parse;
// the bottom width, when typed, makes a trapezoid a true one.
Section FromBoxes(std::int16_t type, const BoxTexts& boxes);

// "按精确断面几何：0.666516 米（本结果偏差 −13.6%）"
std::string ComparisonText(double shown, double exact);

std::string_view NearFullNote();

}  // namespace hydraulics::exact
