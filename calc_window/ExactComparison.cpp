#include "calc_window/ExactComparison.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "hydraulics/number_text.h"

hydraulics::exact::Section FromBoxes(std::int16_t type, const hydraulics::window::BoxTexts& boxes) {
  auto read = [](const std::string& t) {
    return hydraulics::LeadingNumber(t).value_or(std::numeric_limits<double>::infinity());
  };
  hydraulics::exact::Section s;
  // The window offers only the five types.
  s.shape = hydraulics::exact::ShapeOfTypeCode(type, !boxes.Text1[2].empty()).value_or(s.shape);
  s.Q = read(boxes.TextQ);
  s.R = read(boxes.Text1[1]);
  s.b = read(boxes.Text1[2]);
  s.W = read(boxes.Text1[3]);
  s.s = read(boxes.Text1[4]) / read(boxes.Text1[5]);
  s.wall = read(boxes.Text1[6]);
  s.angle = read(boxes.Text1[7]);
  return s;
}

std::string ComparisonText(double shown, double exact) {
  char value[32];
  char deviation[32];
  auto end = std::to_chars(value, value + sizeof value, exact, std::chars_format::general, 6).ptr;
  std::string text = "按精确断面几何：" + std::string(value, end) + " 米（本结果偏差 ";
  const double percent = (shown - exact) / exact * 100;
  end = std::to_chars(deviation, deviation + sizeof deviation, std::fabs(percent),
                      std::chars_format::fixed, 1).ptr;
  const std::string magnitude(deviation, end);
  // A true minus sign; no sign for a deviation that rounds to zero.
  if (magnitude != "0.0") text += percent < 0 ? "−" : "+";
  return text + magnitude + "%）";
}
