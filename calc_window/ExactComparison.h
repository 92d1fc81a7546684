#pragma once
// The calculation window beside the toolkit: the section its boxes describe,
// and how far its own result lies from the true geometry's.

#include <cstdint>
#include <string>

#include "hydraulics/exact/geometry.h"
#include "hydraulics/window/crit_depth.h"

// The section the window's boxes describe, read by the window's parse; the
// bottom width, when typed, makes a trapezoid a true one. A typed value
// beyond the double range is no dimension at all: infinite.
hydraulics::exact::Section FromBoxes(std::int16_t type, const hydraulics::window::BoxTexts& boxes);

// "按精确断面几何：0.666516 米（本结果偏差 −13.6%）"
std::string ComparisonText(double shown, double exact);
