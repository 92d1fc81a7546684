#pragma once
// The 水面曲线 window's boxes read into the profile's inputs: each bad text
// gives a message naming its box, each empty box the profile needs is named
// as still wanted. No window is needed to read them.

#include <optional>

#include <QString>
#include <QStringList>

#include "hydraulics/exact/profile.h"

// Where the profile ends: at a depth h2, or after a reach length L.
enum class ProfileEnd { Depth, Length };

// The boxes' texts.
struct ProfileBoxes {
  QString n, i, alpha, b, h1, end, steps;
  ProfileEnd end_kind = ProfileEnd::Depth;
  bool takes_b = false;  // the section is a trapezoid given by its average width
};

struct ProfileReading {
  hydraulics::exact::ProfileInputs inputs;
  std::optional<double> b;
  QStringList problems;  // "糙率 n 必须是大于0的数": the box's text makes no sense
  QStringList missing;   // "控制水深 h1": an empty box the profile needs
  bool Complete() const { return problems.isEmpty() && missing.isEmpty(); }
};

ProfileReading ReadProfileBoxes(const ProfileBoxes& boxes);

// The names of the end's box, as its caption and screen readers have them.
QString EndName(ProfileEnd end);
