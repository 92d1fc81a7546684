#include "hydraulics/exact/reason_text.h"

#include <charconv>

namespace hydraulics::exact {
namespace {

// Sentences of the reasons without numbers, and the lead-ins of those whose
// depths follow.
std::string_view Sentence(Reason reason) {
  switch (reason) {
    case Reason::GravityNotPositive: return "重力加速度必须大于0";
    case Reason::DischargeNotPositive: return "流量必须大于0";
    case Reason::RadiusNotPositive: return "半径必须大于0";
    case Reason::BottomWidthNotPositive: return "底宽必须大于0";
    case Reason::AverageWidthNotPositive: return "平均宽度必须大于0";
    case Reason::SideSlopeNotPositive: return "边坡坡度必须大于0";
    case Reason::WallNegative: return "直墙高度不能为负";
    case Reason::CrownAngleOutOfRange: return "顶拱角度必须在0到360度之间";
    case Reason::DimensionsBeyondRange: return "断面尺寸超出可计算范围";
    case Reason::SectionTypeUnknown: return "断面类型必须是1到5";
    case Reason::CriticalBeyondRange: return "临界水深超出可计算范围";
    case Reason::CriticalNotFound: return "未能求得临界水深";
    case Reason::CriticalAtCrown: return "临界水深达到断面顶部，为满流，所给为满断面的值";
    case Reason::NearFull: return "临界水深超过断面高度的95%，接近满流（有压流）";
    case Reason::OtherCriticalDepths: return "顶拱内另有临界水深 ";
    case Reason::RoughnessNotPositive: return "糙率 n 必须大于0";
    case Reason::ManningConstantNotPositive: return "曼宁公式的单位系数 k 必须大于0";
    case Reason::CriticalSlopeNeedsBottomWidth: return "需给出底宽 b 才能计算临界底坡";
    case Reason::CriticalSlopeNeedsCriticalDepth: return "无临界水深，无法计算临界底坡";
    case Reason::CriticalSlopeBeyondRange: return "临界底坡超出可计算范围";
    case Reason::BedSlopeNotFinite: return "底坡 i 超出可计算范围";
    case Reason::NormalNeedsRoughness: return "需给出糙率 n 才能计算正常水深";
    case Reason::NormalNeedsBottomWidth: return "需给出底宽 b 才能计算正常水深";
    case Reason::NoNormalDepthOnFlatBed: return "平坡（i = 0）上不存在正常水深";
    case Reason::NoNormalDepthOnAdverseBed: return "逆坡（i < 0）上不存在正常水深";
    case Reason::BeyondCapacity: return "流量超过该断面明渠均匀流的最大过流能力";
    case Reason::NormalNotFound: return "未能求得正常水深";
    case Reason::NormalBeyondRange: return "正常水深超出可计算范围";
    case Reason::HigherNormalDepths: return "另有较高的正常水深 ";
    case Reason::DepthNotPositive: return "水深 h 必须大于0";
    case Reason::DepthNotBelowCrown: return "水深 h 须低于断面顶部";
    case Reason::DepthBeyondRange: return "水深 h 超出可计算范围";
    case Reason::ConjugatesNeedBottomWidth: return "需给出底宽 b 才能计算交替水深与共轭水深";
    case Reason::ConjugatesNeedCriticalDepth: return "无临界水深，无法计算交替水深与共轭水深";
    case Reason::AlternateAboveCrown: return "交替水深将高于断面顶部，不存在";
    case Reason::AlternateBeyondRange: return "交替水深超出可计算范围";
    case Reason::AlternateNotFound: return "未能求得交替水深";
    case Reason::OtherAlternateDepths: return "另有交替水深 ";
    case Reason::SequentAboveCrown: return "共轭水深将高于断面顶部，不存在";
    case Reason::SequentBeyondRange: return "共轭水深超出可计算范围";
    case Reason::SequentNotFound: return "未能求得共轭水深";
    case Reason::OtherSequentDepths: return "另有共轭水深 ";
    case Reason::ProfileNeedsBottomWidth: return "需给出底宽 b 才能计算水面曲线";
    case Reason::EnergyCoefficientNotPositive: return "动能修正系数 α 必须大于0";
    case Reason::StepsOutOfRange: return "分段数须为 ";
    case Reason::ControlDepthNotPositive: return "控制水深 h1 必须大于0";
    case Reason::ControlDepthNotBelowCrown: return "控制水深 h1 须低于断面顶部 ";
    case Reason::ProfileNeedsEnd: return "需给出终点水深 h2 或渠段长度 L";
    case Reason::ProfileEndGivenTwice: return "终点水深 h2 与渠段长度 L 只能给出一个";
    case Reason::EndDepthNotPositive: return "终点水深 h2 必须大于0";
    case Reason::EndDepthNotBelowCrown: return "终点水深 h2 须低于断面顶部 ";
    case Reason::ReachLengthNotPositive: return "渠段长度 L 必须大于0";
    case Reason::EndDepthIsControlDepth: return "终点水深 h2 等于控制水深 h1，没有水面曲线";
    case Reason::ControlDepthIsNormal: return "控制水深等于正常水深 ";
    case Reason::EndBeyondNormalDepth: return "终点水深达不到：水面曲线只渐近正常水深 ";
    case Reason::EndBeyondCriticalDepth: return "终点水深达不到：它在临界水深 ";
    case Reason::StopsAtCriticalDepth: return "水面曲线在 x = ";
    case Reason::StopsAtCrown: return "水面曲线在 x = ";
    case Reason::BackwaterLength: return "壅水长度 ";
    case Reason::DrawdownLength: return "降水长度 ";
    case Reason::ProfileBeyondRange: return "水面曲线超出可计算范围";
    case Reason::ProfileNotConverged: return "未能求得水面曲线：积分未达到要求的精度";
  }
  return {};
}

// Reasons whose depths the sentence lists; the others keep their numbers for
// the callers that show them apart.
bool ListsDepths(Reason reason) {
  return reason == Reason::OtherCriticalDepths || reason == Reason::HigherNormalDepths ||
         reason == Reason::OtherAlternateDepths || reason == Reason::OtherSequentDepths;
}

// Six significant digits.
void AppendNumber(std::string& out, double value) {
  char digits[32];
  const auto end = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 6).ptr;
  out.append(digits, end);
}

// A length and its unit.
void AppendDepth(std::string& out, double depth, LengthUnit unit) {
  AppendNumber(out, depth);
  out.append(" ").append(LengthUnitName(unit));
}

// The profile's reasons whose numbers stand inside the sentence; false for
// the others.
bool AppendProfileNote(std::string& out, const Note& n, LengthUnit unit) {
  const double* v = n.values;
  switch (n.reason) {
    case Reason::StepsOutOfRange:
      out += Sentence(n.reason);
      AppendNumber(out, v[0]);
      out += " 到 ";
      AppendNumber(out, v[1]);
      out += " 之间的整数";
      return true;
    case Reason::ControlDepthNotBelowCrown:
    case Reason::EndDepthNotBelowCrown:
    case Reason::EndBeyondNormalDepth:
      out += Sentence(n.reason);
      AppendDepth(out, v[0], unit);
      return true;
    case Reason::ControlDepthIsNormal:
      out += Sentence(n.reason);
      AppendDepth(out, v[0], unit);
      out += "，为均匀流，水深沿程不变";
      return true;
    case Reason::EndBeyondCriticalDepth:
      out += Sentence(n.reason);
      AppendDepth(out, v[0], unit);
      out += "另一侧";
      return true;
    case Reason::StopsAtCriticalDepth:
    case Reason::StopsAtCrown:
      out += Sentence(n.reason);
      AppendDepth(out, v[1], unit);
      out += n.reason == Reason::StopsAtCrown ? "处达到断面顶部 " : "处达到临界水深 ";
      AppendDepth(out, v[0], unit);
      out += n.reason == Reason::StopsAtCrown ? "，其后为满流（有压流）" : "而止，此处形成水跃或跌水";
      return true;
    case Reason::BackwaterLength:
    case Reason::DrawdownLength:
      out += Sentence(n.reason);
      AppendDepth(out, v[0], unit);
      out += "（至水深与正常水深相差1%处，水深 ";
      AppendDepth(out, v[1], unit);
      out += "）";
      return true;
    default: return false;
  }
}

}  // namespace

std::string_view RegimeName(Regime r) {
  switch (r) {
    case Regime::Subcritical: return "缓流";
    case Regime::Supercritical: return "急流";
    case Regime::Critical: return "临界流";
  }
  return {};
}

std::string_view SlopeClassName(SlopeClass c) {
  switch (c) {
    case SlopeClass::Mild: return "缓坡";
    case SlopeClass::Steep: return "陡坡";
    case SlopeClass::Critical: return "临界坡";
    case SlopeClass::Horizontal: return "平坡";
    case SlopeClass::Adverse: return "逆坡";
  }
  return {};
}

std::string_view LengthUnitName(LengthUnit u) { return u == LengthUnit::Foot ? "英尺" : "米"; }

std::string DepthText(double depth, LengthUnit unit) {
  std::string text;
  AppendDepth(text, depth, unit);
  return text;
}

std::string_view ProfileTypeName(ProfileType t) {
  constexpr std::string_view kNames[] = {"a1", "b1", "c1", "a2", "b2", "c2", "a3", "c3", "b0", "c0", "b′", "c′"};
  return kNames[static_cast<int>(t)];
}

std::string_view ProfileTypeEquivalent(ProfileType t) {
  constexpr std::string_view kNames[] = {"M1", "M2", "M3", "S1", "S2", "S3", "C1", "C3", "H2", "H3", "A2", "A3"};
  return kNames[static_cast<int>(t)];
}

std::string_view ProfileKindName(ProfileKind k) { return k == ProfileKind::Backwater ? "壅水曲线" : "降水曲线"; }

void AppendProfileName(std::string& out, const Profile& profile) {
  if (profile.type) out.append(ProfileTypeName(*profile.type)).append("型");
  out += ProfileKindName(profile.kind);
}

void AppendNoteText(std::string& out, const Note& note, LengthUnit unit) {
  if (AppendProfileNote(out, note, unit)) return;
  out += Sentence(note.reason);
  if (note.reason == Reason::BeyondCapacity && note.count >= 2) {
    // The capacity, and the depth that carries it.
    out += " ";
    AppendNumber(out, note.values[0]);
    out.append(" ").append(LengthUnitName(unit)).append("³/秒（水深 ");
    AppendDepth(out, note.values[1], unit);
    out += "时）";
    return;
  }
  if (!ListsDepths(note.reason)) return;
  for (int i = 0; i < note.count; ++i) {
    if (i > 0) out += "、";
    AppendDepth(out, note.values[i], unit);
  }
}

void AppendNotesText(std::string& out, const Notes& notes, LengthUnit unit) {
  bool first = true;
  for (const Note& note : notes) {
    if (!first) out += "；";
    first = false;
    AppendNoteText(out, note, unit);
  }
}

std::string NotesText(const Notes& notes, LengthUnit unit) {
  std::string text;
  AppendNotesText(text, notes, unit);
  return text;
}

}  // namespace hydraulics::exact
