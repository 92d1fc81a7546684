#pragma once
// The toolkit's reasons and names as the front ends show them, in Simplified
// Chinese: one table for the batch tool, the windows and the Python module.

#include <string>
#include <string_view>

#include "hydraulics/constants.h"
#include "hydraulics/exact/analysis.h"
#include "hydraulics/exact/profile.h"
#include "hydraulics/exact/reasons.h"

namespace hydraulics::exact {

std::string_view RegimeName(Regime r);         // 缓流, 急流, 临界流
std::string_view SlopeClassName(SlopeClass c); // 缓坡, 陡坡, 临界坡, 平坡, 逆坡
std::string_view LengthUnitName(LengthUnit u); // 米, 英尺

std::string_view ProfileTypeName(ProfileType t);        // a1 b1 c1 a2 b2 c2 a3 c3 b0 c0 b′ c′
std::string_view ProfileTypeEquivalent(ProfileType t);  // M1 M2 M3 S1 S2 S3 C1 C3 H2 H3 A2 A3
std::string_view ProfileKindName(ProfileKind k);        // 壅水曲线, 降水曲线
// "a1型壅水曲线"; the kind alone for a profile without a type.
void AppendProfileName(std::string& out, const Profile& profile);

// "2.60883 米": six significant digits and the unit.
std::string DepthText(double depth, LengthUnit unit);

// One note's sentence, appended to `out`.
void AppendNoteText(std::string& out, const Note& note, LengthUnit unit);
// Every note of `notes`, joined by "；", appended to `out`: a caller that
// reuses one string per row allocates nothing.
void AppendNotesText(std::string& out, const Notes& notes, LengthUnit unit);
std::string NotesText(const Notes& notes, LengthUnit unit);

}  // namespace hydraulics::exact
