// Any box texts and any section type: the compute command must end, must not
// crash, and must leave either a message or two result texts that are numbers
// or "无法计算" — never "nan" or "inf". The exact-geometry solver must end
// with a finite critical state or a reason, and so must the open-channel
// analysis for every quantity asked of it (critical slope, normal depth, the
// state at a given depth), in SI or US customary units.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "hydraulics/exact/analysis.h"
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const auto type = static_cast<std::int16_t>(data[0] | data[1] << 8);
  std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
  window::BoxTexts boxes;
  // Then, optionally, the roughness n, the bed slope S0, a depth h, and a
  // gravity whose presence switches to US customary units.
  std::string n, S0, h, us_gravity;
  std::string* fields[] = {&boxes.TextQ,    &boxes.Text1[1], &boxes.Text1[2], &boxes.Text1[3],
                           &boxes.Text1[4], &boxes.Text1[5], &boxes.Text1[6], &boxes.Text1[7],
                           &n,              &S0,             &h,              &us_gravity};
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
  if (const auto section = SectionOf(type, boxes)) CheckAnalysis(*section, {Field(n), Field(S0), Field(h)}, units);

  window::Members m;
  RunCommand(type, boxes, m);
  RunCommand(static_cast<std::int16_t>(type ^ 1), boxes, m);
  return 0;
}
