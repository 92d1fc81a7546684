// Any box texts and any section type: the compute command must end, must not
// crash, and must leave either a message or two result texts that are numbers
// or "无法计算" — never "nan" or "inf". The exact-geometry solver must end
// with a finite critical state or a reason, and so must the open-channel
// analysis for every quantity asked of it (critical slope, normal depth, the
// state at a given depth), in SI or US customary units; and so must a
// water-surface profile from that depth.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "hydraulics/exact/analysis.h"
#include "hydraulics/exact/profile.h"
#include "hydraulics/exact/reason_text.h"
#include "hydraulics/number_text.h"
#include "hydraulics/window/crit_depth.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

namespace window = hydraulics::window;

bool IsResultText(const std::string& t) {
  return t == window::kCannotCompute || hydraulics::IsNumericText(t);
}

// Input: two bytes of section type, then the texts of TextQ and Text1(1) to
// Text1(7) separated by newlines. Two commands run on one window's members.
void RunCommand(std::int16_t type, const window::BoxTexts& boxes, window::Members& m) {
  const window::ComputeOutcome out = window::Compute(type, boxes, m);
  if (out.message) {
    Check(!out.message->text.empty());
    return;
  }
  Check(IsResultText(out.shown.width));
  if (type >= 1 && type <= 5)
    Check(IsResultText(out.shown.depth));
  else
    Check(out.shown.depth.empty() || IsResultText(out.shown.depth));
}

bool FinitePositive(double v) { return std::isfinite(v) && v > 0; }

// Optional inputs: an empty field is no input; text that is no number reads as
// the window reads it.
std::optional<double> Field(const std::string& text) {
  if (text.empty()) return std::nullopt;
  return hydraulics::LeadingNumber(text).value_or(std::numeric_limits<double>::infinity());
}

// The section the boxes describe, each read as the window reads it; empty
// for a type code that is no section.
std::optional<hydraulics::exact::Section> SectionOf(std::int16_t type, const window::BoxTexts& boxes) {
  const auto shape = hydraulics::exact::ShapeOfTypeCode(type, !boxes.Text1[2].empty());
  if (!shape) return std::nullopt;
  auto read = [](const std::string& t) {
    return hydraulics::LeadingNumber(t).value_or(std::numeric_limits<double>::infinity());
  };
  return hydraulics::exact::Section{*shape,
                                    read(boxes.TextQ),
                                    read(boxes.Text1[1]),
                                    read(boxes.Text1[2]),
                                    read(boxes.Text1[3]),
                                    read(boxes.Text1[4]) / read(boxes.Text1[5]),
                                    read(boxes.Text1[6]),
                                    read(boxes.Text1[7])};
}

void CheckAnalysis(const hydraulics::exact::Section& section, const hydraulics::exact::FlowInputs& in,
                   const hydraulics::Units& units) {
  using namespace hydraulics::exact;
  const Analysis a = Analyse(section, in, units);
  const bool explained = !a.notes.empty() && !NotesText(a.notes, units.length).empty();
  if (a.critical) {
    Check(FinitePositive(a.critical->depth) && FinitePositive(a.critical->area));
    Check(std::isfinite(a.critical->top_width) && a.critical->top_width >= 0);
  } else {
    Check(explained);
  }
  if (a.slope_class && a.normal) Check(*a.slope_class != SlopeClass::Horizontal && *a.slope_class != SlopeClass::Adverse);
  if (in.n) Check(a.critical_slope ? FinitePositive(*a.critical_slope) : explained);
  if (in.S0) {
    if (a.normal) {
      Check(FinitePositive(a.normal->depth) && FinitePositive(a.normal->velocity));
      Check(std::isfinite(a.normal->froude) && a.normal->froude >= 0);
      if (const auto height = SectionHeight(section)) Check(a.normal->depth <= *height);
    } else {
      Check(explained);
    }
  }
  if (in.h) {
    if (a.at_depth) {
      const AtDepthState& d = *a.at_depth;
      Check(FinitePositive(d.area) && std::isfinite(d.energy) && std::isfinite(d.froude));
      if (d.alternate) Check(FinitePositive(*d.alternate));
      if (d.sequent) Check(FinitePositive(*d.sequent));
      if (!d.alternate || !d.sequent) Check(explained);
    } else {
      Check(explained);
    }
    ShapeAtDepth(section, *in.h);
    SpecificEnergy(section, *in.h, units);
  }
}

// A profile ends, and either has stations that run one way from x = 0 with
// depths inside the section, or says why it has none.
void CheckProfile(const hydraulics::exact::Section& section, const hydraulics::exact::ProfileInputs& in,
                  const hydraulics::Units& units) {
  using namespace hydraulics::exact;
  const Profile p = ComputeProfile(section, in, units);
  if (!p.computed()) {
    Check(!p.notes.empty() && !NotesText(p.notes, units.length).empty());
    return;
  }
  Check(p.stations.size() <= static_cast<std::size_t>(in.steps) + 1 && p.stations.size() >= 2);
  Check(p.stations[0].x == 0 && p.stations[0].h == in.h1);
  const std::optional<double> height = SectionHeight(section);
  const double way = p.stations.back().x;
  double last = 0;
  for (const ProfileStation& s : p.stations) {
    Check(std::isfinite(s.x) && FinitePositive(s.h) && FinitePositive(s.area) && std::isfinite(s.energy));
    Check(std::isfinite(s.froude) && s.froude >= 0 && std::isfinite(s.friction_slope));
    if (height) Check(s.h <= *height);
    Check(s.x * way >= 0 && std::fabs(s.x) >= std::fabs(last));
    last = s.x;
  }
  if (in.L) Check(std::fabs(way) <= *in.L * (1 + 1e-12));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const auto type = static_cast<std::int16_t>(data[0] | data[1] << 8);
  std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
  window::BoxTexts boxes;
  // Then, optionally, the roughness n, the bed slope S0, a depth h, and a
  // gravity whose presence switches to US customary units; then a profile's
  // end from h (a depth h2, or "L" and a length) and its steps.
  std::string n, S0, h, us_gravity, end, steps;
  std::string* fields[] = {&boxes.TextQ,    &boxes.Text1[1], &boxes.Text1[2], &boxes.Text1[3],
                           &boxes.Text1[4], &boxes.Text1[5], &boxes.Text1[6], &boxes.Text1[7],
                           &n,              &S0,             &h,              &us_gravity,
                           &end,            &steps};
  for (std::string* field : fields) {
    const std::size_t end = rest.find('\n');
    *field = std::string(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
  }
  hydraulics::Units units = hydraulics::kSI;
  if (const auto g = Field(us_gravity)) {
    units = hydraulics::kUS;
    units.g = *g;
  }
  const auto section = SectionOf(type, boxes);
  if (section) CheckAnalysis(*section, {Field(n), Field(S0), Field(h)}, units);
  if (section && !end.empty() && Field(n) && Field(S0) && Field(h)) {
    hydraulics::exact::ProfileInputs in;
    in.n = *Field(n);
    in.S0 = *Field(S0);
    in.h1 = *Field(h);
    if (end[0] == 'L')
      in.L = Field(end.substr(1)).value_or(0);
    else
      in.h2 = Field(end);
    // Few steps keep each input quick; the range check is the toolkit's.
    in.steps = static_cast<int>(std::clamp(Field(steps).value_or(10), -1.0, 64.0));
    CheckProfile(*section, in, units);
  }

  window::Members m;
  RunCommand(type, boxes, m);
  RunCommand(static_cast<std::int16_t>(type ^ 1), boxes, m);
  return 0;
}
