// Any box texts and any section type: the compute command must end, must not
// crash, and must leave either a message or two result texts that are numbers
// or "无法计算" — never "nan" or "inf". The exact-geometry solver must end
// with a finite critical state or a message.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "hydraulics/crit_depth.h"
#include "hydraulics/exact_geometry.h"
#include "hydraulics/number_text.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

bool IsResultText(const std::string& t) {
  return t == hydraulics::kCannotCompute || hydraulics::IsNumericText(t);
}

// Input: two bytes of section type, then the texts of TextQ and Text1(1) to
// Text1(7) separated by newlines. Two commands run on one window's members.
void RunCommand(std::int16_t type, const hydraulics::BoxTexts& boxes, hydraulics::Members& m) {
  const hydraulics::ComputeOutcome out = hydraulics::Compute(type, boxes, m);
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const auto type = static_cast<std::int16_t>(data[0] | data[1] << 8);
  std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
  hydraulics::BoxTexts boxes;
  std::string* fields[] = {&boxes.TextQ,    &boxes.Text1[1], &boxes.Text1[2], &boxes.Text1[3],
                           &boxes.Text1[4], &boxes.Text1[5], &boxes.Text1[6], &boxes.Text1[7]};
  for (std::string* field : fields) {
    const std::size_t end = rest.find('\n');
    *field = std::string(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
  }
  const hydraulics::exact::Result exact =
      hydraulics::exact::Solve(hydraulics::exact::FromBoxes(type, boxes));
  if (exact.state) {
    const hydraulics::exact::CriticalState& c = *exact.state;
    Check(std::isfinite(c.depth) && c.depth > 0 && std::isfinite(c.area) && c.area > 0);
  } else {
    Check(!exact.message.empty());
  }

  hydraulics::Members m;
  RunCommand(type, boxes, m);
  RunCommand(static_cast<std::int16_t>(type ^ 1), boxes, m);
  return 0;
}
