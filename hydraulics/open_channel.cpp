#include "hydraulics/open_channel.h"

#include <cmath>
#include <limits>

#include "hydraulics/at_depth.h"
#include "hydraulics/critical.h"
#include "hydraulics/normal_depth.h"
#include "hydraulics/section_geometry.h"

namespace hydraulics::exact {
namespace {

// Flow within a thousandth of critical (Froude number against 1, bed slope
// against the critical slope) is called critical: closer than the inputs of
// a design are known.
constexpr double kCriticalBand = 1e-3;

bool Positive(double v) { return std::isfinite(v) && v > 0; }

// Fr = V / sqrt(g A / (alpha B)): the doorway's energy coefficient counts as
// it does in its critical depth, so that Fr = 1 exactly there.
double Froude(const Geometry& g, double Q, double grav, double h, double A) {
  const double B = g.TopWidth(h);
  const double froude = Q / A * std::sqrt(g.alpha * B / (grav * A));
  if (std::isnormal(froude)) return froude;
  // g A / B can leave the double range while Fr itself does not.
  return std::exp(std::log(Q) - 1.5 * std::log(A) + 0.5 * (std::log(g.alpha * B) - std::log(grav)));
}

Regime RegimeOf(double froude) {
  if (std::fabs(froude - 1) <= kCriticalBand) return Regime::Critical;
  return froude < 1 ? Regime::Subcritical : Regime::Supercritical;
}

void FlagOthers(std::vector<std::string>& messages, const char* what, const double* depths, int count,
                const char* unit) {
  if (count == 0) return;
  std::string text = std::string("另有") + what + " ";
  for (int i = 0; i < count; ++i) {
    if (i > 0) text += "、";
    text += DepthText(depths[i], unit);
  }
  messages.push_back(std::move(text));
}

// i_k = (n Q / (k A_c R_c^(2/3)))^2: the slope whose normal depth is h_c; in
// logarithms where the powers leave the double range.
std::optional<double> CriticalSlope(const Geometry& g, double h, double A, double n, double Q, double k) {
  const double P = g.Perimeter(h);
  const double per_area = n * Q / (k * A), P_over_A = P / A;
  double slope = per_area * per_area * P_over_A * std::cbrt(P_over_A);
  if (!std::isnormal(slope)) {
    const double lnA = std::log(A), lnP = std::log(P);
    slope = std::exp(2 * (std::log(n) + std::log(Q) - std::log(k) - 5.0 / 3 * lnA + 2.0 / 3 * lnP));
  }
  if (!Positive(slope)) return std::nullopt;
  return slope;
}

}  // namespace

const char* RegimeName(Regime r) {
  switch (r) {
    case Regime::Subcritical: return "缓流";
    case Regime::Supercritical: return "急流";
    case Regime::Critical: return "临界流";
  }
  return "";
}

const char* SlopeClassName(SlopeClass c) {
  switch (c) {
    case SlopeClass::Mild: return "缓坡";
    case SlopeClass::Steep: return "陡坡";
    case SlopeClass::Critical: return "临界坡";
  }
  return "";
}

Analysis Analyse(const Section& section, const FlowInputs& in, const Units& units) {
  Analysis a;
  std::vector<std::string>& messages = a.messages;
  const double Q = section.Q, grav = units.g;
  if (!Positive(grav)) {
    a.critical.message = "重力加速度必须大于0";
    return a;
  }
  if (!Positive(Q)) {
    a.critical.message = "流量必须大于0";
    return a;
  }
  Geometry g;
  if (const char* why = BuildGeometry(section, g)) {
    a.critical.message = why;
    return a;
  }
  const double log_demand = LogDemand(g.alpha, Q, grav);
  const CriticalRoots roots = SolveCritical(g, log_demand);
  a.critical = CriticalResult(g, roots, Q, grav, units.length_unit);
  const std::optional<CriticalState>& critical = a.critical.state;

  const bool n_ok = in.n && Positive(*in.n);
  const bool k_ok = Positive(units.k);
  if (in.n && !n_ok) messages.emplace_back("糙率 n 必须大于0");
  if (in.n && !k_ok) messages.emplace_back("曼宁公式的单位系数 k 必须大于0");

  if (n_ok && k_ok) {
    if (!g.has_perimeter())
      messages.emplace_back("需给出底宽 b 才能计算临界底坡");
    else if (!critical)
      messages.emplace_back("无临界水深，无法计算临界底坡");
    else if (!(a.critical_slope = CriticalSlope(g, critical->depth, critical->area, *in.n, Q, units.k)))
      messages.emplace_back("临界底坡超出可计算范围");
  }

  if (in.S0) {
    if (!Positive(*in.S0)) {
      messages.emplace_back("底坡 i 必须大于0");
    } else if (!in.n) {
      messages.emplace_back("需给出糙率 n 才能计算正常水深");
    } else if (n_ok && k_ok) {
      if (!g.has_perimeter()) {
        messages.emplace_back("需给出底宽 b 才能计算正常水深");
      } else {
        const NormalRoots normal =
            SolveNormal(g, LogConveyanceDemand(*in.n, Q, units.k, *in.S0));
        if (normal.beyond_capacity) {
          messages.emplace_back("流量超过该断面明渠均匀流的最大过流能力");
        } else if (!normal.lowest.converged() || !Positive(normal.lowest.root)) {
          messages.emplace_back("未能求得正常水深");
        } else {
          NormalState s;
          s.depth = normal.lowest.root;
          s.area = g.Area(s.depth);
          s.velocity = Q / s.area;
          s.froude = Froude(g, Q, grav, s.depth, s.area);
          if (!Positive(s.area) || !Positive(s.velocity) || !std::isfinite(s.froude)) {
            messages.emplace_back("正常水深超出可计算范围");
          } else {
            s.regime = RegimeOf(s.froude);
            if (a.critical_slope) {
              const double ratio = *in.S0 / *a.critical_slope;
              s.slope_class = std::fabs(ratio - 1) <= kCriticalBand ? SlopeClass::Critical
                              : ratio < 1                           ? SlopeClass::Mild
                                                                    : SlopeClass::Steep;
            } else {
              // One normal depth: the slope is mild exactly where that flow is subcritical.
              s.slope_class = s.regime == Regime::Subcritical ? SlopeClass::Mild
                              : s.regime == Regime::Critical  ? SlopeClass::Critical
                                                              : SlopeClass::Steep;
            }
            s.second_depth = normal.others > 0;
            a.normal = s;
            FlagOthers(messages, "较高的正常水深", normal.other_depths, normal.others, units.length_unit);
          }
        }
      }
    }
  }

  if (in.h) {
    const double h = *in.h;
    if (!Positive(h)) {
      messages.emplace_back("水深 h 必须大于0");
    } else if (g.closed() && !(h < g.height)) {
      messages.emplace_back("水深 h 须低于断面顶部");
    } else {
      AtDepthState s;
      s.depth = h;
      s.area = g.Area(h);
      s.velocity = Q / s.area;
      s.froude = Froude(g, Q, grav, h, s.area);
      s.energy = h + g.alpha * s.velocity * s.velocity / (2 * grav);  // EnergyAt without a second area
      if (!Positive(s.area) || !std::isfinite(s.energy) || !std::isfinite(s.froude)) {
        messages.emplace_back("水深 h 超出可计算范围");
      } else {
        if (!g.has_perimeter()) {
          // Area W h and width W + h / s disagree on where E is least.
          messages.emplace_back("需给出底宽 b 才能计算交替水深与共轭水深");
        } else if (!critical) {
          messages.emplace_back("无临界水深，无法计算交替水深与共轭水深");
        } else {
          double turns[3] = {roots.lowest.root, roots.other_depths[0], roots.other_depths[1]};
          const int turn_count = 1 + roots.others;
          const OtherDepth alternate =
              SolveOtherSide(g, Conjugate::Alternate, Q, grav, h, s.energy, turns, turn_count, s.froude);
          if (alternate.found && Positive(alternate.lowest.root)) {
            s.alternate = alternate.lowest.root;
            FlagOthers(messages, "交替水深", alternate.other_depths, alternate.others, units.length_unit);
          } else {
            messages.emplace_back(alternate.above_crown ? "交替水深将高于断面顶部，不存在" : "未能求得交替水深");
          }
          // M is least where Q^2 B / (g A^3) = 1, the critical depth without the
          // doorway's energy coefficient.
          int momentum_turns = turn_count;
          if (g.alpha != 1) {
            const CriticalRoots plain = SolveCritical(g, LogDemand(1, Q, grav), &roots.lowest, log_demand);
            turns[0] = plain.lowest.root;
            turns[1] = plain.other_depths[0];
            turns[2] = plain.other_depths[1];
            momentum_turns = plain.lowest.converged() ? 1 + plain.others : 0;
          }
          const OtherDepth sequent =
              momentum_turns > 0 ? SolveOtherSide(g, Conjugate::Sequent, Q, grav, h,
                                                  Q * (Q / (grav * s.area)) + g.FirstMoment(h), turns,
                                                  momentum_turns, s.froude)
                                 : OtherDepth{};
          if (sequent.found && Positive(sequent.lowest.root)) {
            s.sequent = sequent.lowest.root;
            FlagOthers(messages, "共轭水深", sequent.other_depths, sequent.others, units.length_unit);
          } else {
            messages.emplace_back(sequent.above_crown ? "共轭水深将高于断面顶部，不存在" : "未能求得共轭水深");
          }
        }
        a.at_depth = s;
      }
    }
  }
  return a;
}

std::string JoinedMessage(const Analysis& a) {
  std::string text;
  AppendJoinedMessage(text, a);
  return text;
}

void AppendJoinedMessage(std::string& out, const Analysis& a) {
  const std::size_t start = out.size();
  out += a.critical.message;
  for (const std::string& m : a.messages) {
    if (out.size() > start) out += "；";
    out += m;
  }
}

std::optional<ShapeAt> ShapeAtDepth(const Section& section, double h, std::string* message) {
  Geometry g;
  const char* why = BuildGeometry(section, g);
  if (!why && !Positive(h)) why = "水深 h 必须大于0";
  if (!why && g.closed() && h > g.height) why = "水深 h 超过断面高度";
  if (why) {
    if (message) *message = why;
    return std::nullopt;
  }
  ShapeAt s;
  s.area = g.Area(h);
  s.top_width = g.TopWidth(h);
  s.wetted_perimeter = g.Perimeter(h);
  s.centroid_depth = g.FirstMoment(h) / s.area;
  return s;
}

std::optional<double> SectionHeight(const Section& section) {
  Geometry g;
  if (BuildGeometry(section, g) || !g.closed()) return std::nullopt;
  return g.height;
}

double SpecificEnergy(const Section& section, double h, const Units& units) {
  Geometry g;
  if (BuildGeometry(section, g) || !Positive(h) || !Positive(section.Q) || !Positive(units.g) ||
      (g.closed() && h > g.height))
    return std::numeric_limits<double>::quiet_NaN();
  return EnergyAt(g, section.Q, units.g, h);
}

}  // namespace hydraulics::exact
