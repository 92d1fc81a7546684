#include "hydraulics/window/crit_depth.h"

#include <cmath>

#include "hydraulics/number_text.h"
#include "hydraulics/window/sections.h"

namespace hydraulics::window {
namespace {

// A value read from a box whose parse faulted stays unset, which counts as 0.
double Read(const std::string& text) { return LeadingNumber(text).value_or(0); }

double ReadIfNumeric(const std::string& text) { return IsNumericText(text) ? Read(text) : 0; }

// Narrowing a typed value beyond the single range faults like the parse does.
std::optional<float> ReadSingle(const std::string& text) {
  const std::optional<double> v = LeadingNumber(text);
  return v ? ToSingle(*v) : std::nullopt;
}

// A fault never leaves a placeholder or a stale value on show: either the
// section succeeded in full, or it cannot be computed.
void Apply(const SectionOutcome& outcome, Members& m) {
  if (outcome.ok()) {
    m.OUT = outcome.search.depth;
    m.Bk = *outcome.width;
  } else {
    m.BeErr = -1;
  }
}

}  // namespace

std::string_view FocusBoxName(FocusBox box) {
  switch (box) {
    case FocusBox::TextQ: return "TextQ";
    case FocusBox::Text1_1: return "Text1(1)";
    case FocusBox::Text1_2: return "Text1(2)";
  }
  return {};
}

std::optional<InputMessage> CritDepth(std::int16_t TypeJs, const BoxTexts& boxes, Members& m) {
  const double Q = Read(boxes.TextQ);
  if (Q <= 0) return InputMessage{kDischargeMessage, FocusBox::TextQ};

  const float R = ReadSingle(boxes.Text1[1]).value_or(0);
  double s = 0;
  if (const double slope = Read(boxes.Text1[4]) / Read(boxes.Text1[5]); std::isfinite(slope)) s = slope;
  const double b = ReadIfNumeric(boxes.Text1[2]);
  const double W = ReadIfNumeric(boxes.Text1[3]);
  // The plain parse, without the numeric-text test: "3m" gives 3 here.
  if (const std::optional<float> typed = ReadSingle(boxes.Text1[2])) m.Bk = *typed;

  switch (TypeJs) {
    case 1:
      if (R <= 0) return InputMessage{kRadiusMessage, FocusBox::Text1_1};
      Apply(CircularSection(Q, R), m);
      break;
    case 2: {
      if (b <= 0) return InputMessage{kWidthMessage, FocusBox::Text1_2};
      const std::optional<double> depth = RectangularDepth(Q, b);
      const std::optional<float> width = ToSingle(b);
      if (depth && width) {
        m.OUT = *depth;
        m.Bk = *width;
      } else {
        m.BeErr = -1;
      }
      break;
    }
    case 3:
      if (W == 0)
        m.BeErr = -1;
      else
        Apply(TrapezoidalSection(Q, W, s), m);
      break;
    case 4:
      Apply(TriangularSection(Q, s), m);
      break;
    case 5: {
      const std::optional<float> B = ToSingle(b);
      const std::optional<float> wall = ReadSingle(boxes.Text1[6]);
      const std::optional<float> angle = ReadSingle(boxes.Text1[7]);
      const std::optional<float> q = ToSingle(Q);
      // A value beyond the single range cannot even be handed to the solver.
      if (B && wall && angle && q)
        JS(*B, *wall, *angle, *q, m);
      else
        m.BeErr = -1;
      break;
    }
    default:
      break;
  }
  return std::nullopt;
}

float JS(float B, float h, float A, float Q, Members& m) {
  const DoorwayOutcome outcome = DoorwaySection(B, h, A, Q);
  switch (outcome.stop) {
    case DoorwayStop::StraightWall:
      m.OUT = TextForm(outcome.depth); // text, shown unchanged
      m.Bk = *outcome.width;
      return outcome.depth;
    case DoorwayStop::Arch:
      if (!outcome.width) break;
      m.OUT = outcome.arch_depth;
      m.Bk = *outcome.width;
      return outcome.depth;
    case DoorwayStop::ReachedCrown:
    case DoorwayStop::PassLimit:
    case DoorwayStop::Fault:
      break;
  }
  m.BeErr = -1;
  return 0;
}

ResultTexts ShownResults(const Members& m) {
  if (m.BeErr == -1) return {std::string(kCannotCompute), std::string(kCannotCompute)};
  struct {
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(double v) const { return TextForm(v); }
    std::string operator()(const std::string& v) const { return v; }
  } text;
  return {std::visit(text, m.OUT), TextForm(m.Bk)};
}

ComputeOutcome Compute(std::int16_t JType, const BoxTexts& boxes, Members& m) {
  m.BeErr = 0;
  ComputeOutcome outcome;
  outcome.message = CritDepth(JType, boxes, m);
  outcome.shown = ShownResults(m);
  return outcome;
}

}  // namespace hydraulics::window
