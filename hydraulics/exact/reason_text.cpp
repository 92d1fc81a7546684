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
  }
  return {};
}

// Reasons whose depths the sentence lists; the others keep their numbers for
// the callers that show them apart.
bool ListsDepths(Reason reason) {
  return reason == Reason::OtherCriticalDepths || reason == Reason::HigherNormalDepths ||
         reason == Reason::OtherAlternateDepths || reason == Reason::OtherSequentDepths;
}

void AppendDepth(std::string& out, double depth, LengthUnit unit) {
  char digits[32];
  const auto end = std::to_chars(digits, digits + sizeof digits, depth, std::chars_format::general, 6).ptr;
  out.append(digits, end).append(" ").append(LengthUnitName(unit));
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

void AppendNoteText(std::string& out, const Note& note, LengthUnit unit) {
  out += Sentence(note.reason);
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
