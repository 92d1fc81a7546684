#pragma once
// The toolkit's reasons and names as the front ends show them, in Simplified
// Chinese: one table for the batch tool, the windows and the Python module.

#include <string>
#include <string_view>

#include "hydraulics/constants.h"
#include "hydraulics/exact/analysis.h"
#include "hydraulics/exact/reasons.h"

namespace hydraulics::exact {

std::string_view RegimeName(Regime r);         // 缓流, 急流, 临界流
std::string_view SlopeClassName(SlopeClass c); // 缓坡, 陡坡, 临界坡, 平坡, 逆坡
std::string_view LengthUnitName(LengthUnit u); // 米, 英尺

// "2.60883 米": six significant digits and the unit.
std::string DepthText(double depth, LengthUnit unit);

// One note's sentence, appended to `out`.
void AppendNoteText(std::string& out, const Note& note, LengthUnit unit);
// Every note of `notes`, joined by "；", appended to `out`: a caller that
// reuses one string per row allocates nothing.
void AppendNotesText(std::string& out, const Notes& notes, LengthUnit unit);
std::string NotesText(const Notes& notes, LengthUnit unit);

}  // namespace hydraulics::exact
