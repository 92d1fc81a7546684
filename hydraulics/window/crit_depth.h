#pragma once
// The critical-depth routine as the calculation window runs it: box texts and
// the window's members in, the members updated and, for rejected input, the
// message to show and the box that receives the focus.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace hydraulics::window {

inline constexpr std::string_view kDischargeMessage = "输入的流量有误！";
inline constexpr std::string_view kRadiusMessage = "输入的半径有误！";
inline constexpr std::string_view kWidthMessage = "输入的底宽有误！";
inline constexpr std::string_view kCannotCompute = "无法计算";

// What the user typed: TextQ and Text1(1) to Text1(7). Text1[0] is unused so
// that the index is the box's own.
struct BoxTexts {
  std::string TextQ;
  std::string Text1[8];
};

// No value, a double, or text (the doorway's straight-wall result).
using OutValue = std::variant<std::monostate, double, std::string>;

// The calculation window's members, as a freshly loaded window has them.
struct Members {
  OutValue OUT;
  float Bk = 0;
  std::int16_t BeErr = 0; // -1: the section cannot be computed
};

enum class FocusBox { TextQ, Text1_1, Text1_2 };
std::string_view FocusBoxName(FocusBox box); // "TextQ", "Text1(1)", "Text1(2)"

struct InputMessage {
  std::string_view text;
  FocusBox focus;
};

// Reads the boxes, computes the section `TypeJs` and leaves the results in
// `m`. Returns the message for a rejected discharge, radius or width.
std::optional<InputMessage> CritDepth(std::int16_t TypeJs, const BoxTexts& boxes, Members& m);

// The doorway solver: writes OUT and Bk, or sets BeErr; returns the depth
// found, or 0.
float JS(float B, float h, float A, float Q, Members& m);

// Texts of Text1(8) and TextBk after a compute command, from the members.
struct ResultTexts {
  std::string depth;
  std::string width;
};
ResultTexts ShownResults(const Members& m);

// The compute command without a window: clears BeErr, runs CritDepth and
// returns what the result boxes then show and the message, if any.
struct ComputeOutcome {
  ResultTexts shown;
  std::optional<InputMessage> message;
};
ComputeOutcome Compute(std::int16_t JType, const BoxTexts& boxes, Members& m);

}  // namespace hydraulics::window
