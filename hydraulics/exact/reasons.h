#pragma once
// Why a value of the toolkit is missing, and what its flags say: a closed set
// of reasons, each with the numbers that go with it. Sentences for people are
// made from them by the front ends (reason_text.h); the computation never
// writes one.

#include <cstdint>
#include <initializer_list>

namespace hydraulics::exact {

enum class Reason : std::uint8_t {
  // The inputs make no section: nothing is computed.
  GravityNotPositive,
  DischargeNotPositive,
  RadiusNotPositive,
  BottomWidthNotPositive,
  AverageWidthNotPositive,
  SideSlopeNotPositive,
  WallNegative,
  CrownAngleOutOfRange,     // not strictly between 0 and 360 degrees
  DimensionsBeyondRange,    // the section's own measures leave the double range
  SectionTypeUnknown,       // a type code other than 1 to 5 (the front ends' codes)

  // The critical state.
  CriticalBeyondRange,      // the critical depth leaves the double range
  CriticalNotFound,         // the solver did not converge
  CriticalAtCrown,          // within an ulp of a closed section's crown: full flow; values: crown height
  NearFull,                 // flag: above kNearFullShare of a closed section's height
  OtherCriticalDepths,      // flag: a doorway's arch holds two more; values: their depths

  // Manning's formula.
  RoughnessNotPositive,
  ManningConstantNotPositive,

  // The critical slope.
  CriticalSlopeNeedsBottomWidth,    // the average-width trapezoid has no wetted perimeter
  CriticalSlopeNeedsCriticalDepth,
  CriticalSlopeBeyondRange,

  // The normal depth.
  BedSlopeNotFinite,
  NormalNeedsRoughness,
  NormalNeedsBottomWidth,
  NoNormalDepthOnFlatBed,   // S0 = 0: uniform flow needs a falling bed
  NoNormalDepthOnAdverseBed,  // S0 < 0
  BeyondCapacity,           // values: the largest uniform-flow discharge and the depth that carries it
  NormalNotFound,
  NormalBeyondRange,
  HigherNormalDepths,       // flag: a closed section carries Q at higher depths too; values: those depths

  // The state at a given depth h.
  DepthNotPositive,
  DepthNotBelowCrown,       // values: the crown height
  DepthBeyondRange,
  ConjugatesNeedBottomWidth,
  ConjugatesNeedCriticalDepth,
  AlternateAboveCrown,
  AlternateBeyondRange,     // the alternate depth leaves the double range
  AlternateNotFound,
  OtherAlternateDepths,     // flag; values: the further depths
  SequentAboveCrown,
  SequentBeyondRange,
  SequentNotFound,
  OtherSequentDepths,       // flag; values: the further depths

  // The water-surface profile.
  ProfileNeedsBottomWidth,  // the average-width trapezoid has no wetted perimeter, so no friction slope
  EnergyCoefficientNotPositive,
  StepsOutOfRange,          // values: the fewest and the most steps
  ControlDepthNotPositive,
  ControlDepthNotBelowCrown,  // values: the crown height
  ProfileNeedsEnd,          // neither the end depth h2 nor the reach length L
  ProfileEndGivenTwice,     // both h2 and L
  EndDepthNotPositive,
  EndDepthNotBelowCrown,    // values: the crown height
  ReachLengthNotPositive,
  EndDepthIsControlDepth,
  ControlDepthIsNormal,     // uniform flow, the depth never changes; values: the normal depth
  EndBeyondNormalDepth,     // the profile only approaches it; values: that normal depth
  EndBeyondCriticalDepth,   // h2 lies on the other side of critical; values: the critical depth
  StopsAtCriticalDepth,     // a jump or a free fall forms there; values: the critical depth, x
  StopsAtCrown,             // the conduit flows full beyond; values: the crown height, x
  BackwaterLength,          // 壅水长度; values: the length, the depth within 1 % of normal there
  DrawdownLength,           // 降水长度; values: as BackwaterLength
  ProfileBeyondRange,       // a distance leaves the double range
  ProfileNotConverged,      // a distance or a station's depth missed its tolerance
};

// A reason and its numbers, in the length unit of the analysis (depths) or
// its discharge unit (capacities).
// No member initializers: Notes keeps sixteen of them per analysis, and
// clearing them all for every row of a batch costs more than the notes do.
struct Note {
  Reason reason;
  std::uint8_t count;
  double values[3];
};

// The notes of one analysis, in the order its values appear. Fixed room: an
// analysis runs for every row of a batch and must not allocate.
class Notes {
public:
  static constexpr int kCapacity = 16;

  void Add(Reason reason, const double* values = nullptr, int count = 0) {
    if (size_ == kCapacity) return;
    Note& n = items_[size_++];
    n.reason = reason;
    n.count = static_cast<std::uint8_t>(count < 3 ? count : 3);
    for (int i = 0; i < n.count; ++i) n.values[i] = values[i];
  }
  void Add(Reason reason, std::initializer_list<double> values) {
    Add(reason, values.begin(), static_cast<int>(values.size()));
  }
  bool Has(Reason reason) const {
    for (const Note& n : *this)
      if (n.reason == reason) return true;
    return false;
  }
  const Note* begin() const { return items_; }
  const Note* end() const { return items_ + size_; }
  int size() const { return size_; }
  bool empty() const { return size_ == 0; }

private:
  Note items_[kCapacity];
  int size_ = 0;
};

}  // namespace hydraulics::exact
