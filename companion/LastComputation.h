#pragma once
// What the calculation window's last compute command read and showed: all the
// detail window needs to describe that computation again on the true geometry.

#include <string>

#include "hydraulics/exact/geometry.h"
#include "hydraulics/window/crit_depth.h"

struct LastComputation {
  enum class Outcome {
    None,           // nothing computed yet, or cleared since
    Computed,       // the result boxes show h_k and B_k
    CannotCompute,  // the result boxes show "无法计算"
    InputMessage,   // an input was rejected with a message
  };
  Outcome outcome = Outcome::None;
  hydraulics::window::BoxTexts boxes;  // TextQ and Text1(1) to Text1(7) as read
  hydraulics::exact::Section section;  // the section they describe, its shape named
  std::string shown_depth;     // what Text1(8) showed afterwards
  std::string message;         // the rejected input's message
};
