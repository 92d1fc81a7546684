#include "hydraulics/window/crit_depth.h"

#include <gtest/gtest.h>

#include <cmath>

namespace hydraulics::window {
namespace {

BoxTexts Boxes(const char* Q, std::initializer_list<std::pair<int, const char*>> text1 = {}) {
  BoxTexts b;
  b.TextQ = Q;
  for (const auto& [i, t] : text1) b.Text1[i] = t;
  return b;
}

// Members left by an earlier success, to see what a call changes.
Members Earlier() {
  Members m;
  m.OUT = 0.5;
  m.Bk = 7;
  return m;
}

struct MessageCase {
  const char* name;
  std::int16_t type;
  BoxTexts boxes;
  std::string_view message;
  FocusBox focus;
  float Bk_after; // the window's Bk afterwards (Earlier() had 7)
};

void PrintTo(const MessageCase& c, std::ostream* os) { *os << c.name; }

class InputMessageTest : public testing::TestWithParam<MessageCase> {};

TEST_P(InputMessageTest, RejectsWithMessageAndFocus) {
  const MessageCase& c = GetParam();
  Members m = Earlier();
  const ComputeOutcome out = Compute(c.type, c.boxes, m);
  ASSERT_TRUE(out.message);
  EXPECT_EQ(out.message->text, c.message);
  EXPECT_EQ(out.message->focus, c.focus);
  EXPECT_EQ(m.BeErr, 0);
  EXPECT_EQ(std::get<double>(m.OUT), 0.5); // OUT is never touched by a rejection
  EXPECT_EQ(m.Bk, c.Bk_after);
  // The boxes then show the earlier depth and whatever Bk holds.
  EXPECT_EQ(out.shown.depth, "0.5");
}

INSTANTIATE_TEST_SUITE_P(
    Rejections, InputMessageTest,
    testing::Values(
        MessageCase{"EmptyDischarge", 2, Boxes("", {{2, "5"}}), kDischargeMessage, FocusBox::TextQ, 7},
        MessageCase{"LettersAsDischarge", 2, Boxes("abc", {{2, "5"}}), kDischargeMessage, FocusBox::TextQ, 7},
        MessageCase{"ZeroDischarge", 1, Boxes("0", {{1, "1"}}), kDischargeMessage, FocusBox::TextQ, 7},
        MessageCase{"NegativeDischarge", 4, Boxes("-2"), kDischargeMessage, FocusBox::TextQ, 7},
        MessageCase{"DischargeBeyondDoubleRange", 2, Boxes("1e400", {{2, "5"}}), kDischargeMessage,
                    FocusBox::TextQ, 7},
        MessageCase{"EmptyRadius", 1, Boxes("1", {{2, "3"}}), kRadiusMessage, FocusBox::Text1_1, 3},
        MessageCase{"NegativeRadius", 1, Boxes("1", {{1, "-1"}}), kRadiusMessage, FocusBox::Text1_1, 0},
        MessageCase{"RadiusBeyondSingleRange", 1, Boxes("1", {{1, "1e39"}}), kRadiusMessage,
                    FocusBox::Text1_1, 0},
        MessageCase{"WidthWithUnitFailsNumericTest", 2, Boxes("10", {{2, "3m"}}), kWidthMessage,
                    FocusBox::Text1_2, 3},
        MessageCase{"EmptyWidth", 2, Boxes("10"), kWidthMessage, FocusBox::Text1_2, 0},
        MessageCase{"ZeroWidth", 2, Boxes("10", {{2, "0"}}), kWidthMessage, FocusBox::Text1_2, 0},
        MessageCase{"NegativeWidth", 2, Boxes("10", {{2, "-1"}}), kWidthMessage, FocusBox::Text1_2, -1}),
    [](const auto& info) { return info.param.name; });

struct ShownCase {
  const char* name;
  std::int16_t type;
  BoxTexts boxes;
  const char* depth; // exact text, or "~x" for a value within 1e-3
  const char* width;
};

void PrintTo(const ShownCase& c, std::ostream* os) { *os << c.name; }

class ShownResultTest : public testing::TestWithParam<ShownCase> {};

void ExpectText(const std::string& shown, const char* expected) {
  if (expected[0] == '~') {
    EXPECT_NEAR(std::stod(shown), std::stod(expected + 1), 1e-3) << shown;
  } else {
    EXPECT_EQ(shown, expected);
  }
}

TEST_P(ShownResultTest, FreshWindowShows) {
  const ShownCase& c = GetParam();
  Members m;
  const ComputeOutcome out = Compute(c.type, c.boxes, m);
  EXPECT_FALSE(out.message);
  ExpectText(out.shown.depth, c.depth);
  ExpectText(out.shown.width, c.width);
}

INSTANTIATE_TEST_SUITE_P(
    Results, ShownResultTest,
    testing::Values(
        ShownCase{"Rectangle", 2, Boxes("10", {{2, "5"}}), "0.741784871693015", "5"},
        ShownCase{"DischargeWithUnit", 2, Boxes("2.5m", {{2, "5"}}), "~0.294", "5"},
        ShownCase{"LeadingBlanksReadTheSameEverywhere", 2, Boxes(" 10", {{2, " 5"}}), "0.741784871693015", "5"},
        ShownCase{"Triangle", 4, Boxes("1", {{4, "1"}, {5, "1"}}), "~0.728", "1.455271"},
        ShownCase{"Trapezoid", 3, Boxes("10", {{3, "5"}, {4, "1"}, {5, "1.5"}}), "~0.797", "6.195079"},
        ShownCase{"Circle", 1, Boxes("2", {{1, "1"}}), "~0.5758", "1.811095"},
        ShownCase{"DoorwayStraightWallIsTextOfASingle", 5, Boxes("10", {{2, "3"}, {6, "2"}, {7, "180"}}),
                  "1.05984", "3"},
        ShownCase{"DoorwayArch", 5, Boxes("30", {{2, "3"}, {6, "2"}, {7, "120"}}), "2.171082", "2.774461"},
        ShownCase{"DoorwaySemicircleWidthNowComputable", 5, Boxes("35", {{2, "3"}, {6, "2"}, {7, "180"}}),
                  "~2.1756", "~2.9794"},
        // Not an input error: the box stays empty, only the step-8 width shows.
        ShownCase{"UnknownTypeWritesOnlyTheWidth", 6, Boxes("1", {{2, "3m"}}), "", "3"},
        ShownCase{"TypeZero", 0, Boxes("1"), "", "0"},
        // Cannot compute.
        ShownCase{"TrapezoidWithoutAverageWidth", 3, Boxes("1", {{4, "1"}, {5, "1"}}), "无法计算", "无法计算"},
        ShownCase{"TriangleWithEmptySecondSlope", 4, Boxes("1", {{4, "1"}}), "无法计算", "无法计算"},
        ShownCase{"TrapezoidWithZeroFirstSlope", 3, Boxes("1", {{3, "1"}, {4, "0"}, {5, "1"}}), "无法计算", "无法计算"},
        ShownCase{"CircleTooLargeForTheDischarge", 1, Boxes("0.0001", {{1, "10"}}), "无法计算", "无法计算"},
        ShownCase{"CircleBelowTheLowerBracket", 1, Boxes("1", {{1, "0.00001"}}), "无法计算", "无法计算"},
        ShownCase{"DoorwayTrialDepthReachesCrown", 5, Boxes("40", {{2, "3"}, {6, "2"}, {7, "180"}}), "无法计算", "无法计算"},
        ShownCase{"DoorwayWithoutBottomWidth", 5, Boxes("10", {{6, "2"}, {7, "120"}}), "无法计算", "无法计算"},
        ShownCase{"DoorwayArchWithZeroAngle", 5, Boxes("30", {{2, "3"}, {6, "0.5"}}), "无法计算", "无法计算"},
        ShownCase{"DoorwayDischargeBeyondSingleRange", 5, Boxes("1e39", {{2, "3"}, {6, "2"}, {7, "120"}}), "无法计算", "无法计算"},
        ShownCase{"RectangleDepthOverflows", 2, Boxes("1e200", {{2, "1"}}), "无法计算", "无法计算"},
        ShownCase{"RectangleWidthBeyondSingleRange", 2, Boxes("1", {{2, "1e39"}}), "无法计算", "无法计算"}),
    [](const auto& info) { return info.param.name; });

// Every build (optimised or not, GCC or Clang, with sanitizers) must show these
// exact texts; this suite runs in each of them. The rectangles are the closed
// form with a correctly rounded square of Q / b; each depth is the correctly
// rounded result, checked against a 300-bit evaluation of the same steps. A
// square taken with the library's pow (0.5009 ulp off for 26.63 / 8.79) shows
// ...531, ...324 and ...246 instead.
INSTANTIATE_TEST_SUITE_P(
    SameBitsInEveryBuild, ShownResultTest,
    testing::Values(
        ShownCase{"RectangleSquareNearAHalfUlp", 2, Boxes("26.63", {{2, "8.79"}}), "0.978391870967532", "8.79"},
        ShownCase{"RectangleNarrow", 2, Boxes("32.1", {{2, "0.99883"}}), "4.72353289753325", "0.99883"},
        ShownCase{"RectangleWide", 2, Boxes("47.692299", {{2, "36.790748"}}), "0.555560126801245", "36.79075"},
        // A 1e-45 degree arch: the segment area is the difference of two areas
        // of 2.3e32 m^2 that differ in their last bit, 3.6e16 with R_a^2
        // correctly rounded (0 with the library's pow, a fault). The depth is
        // meaningless; what matters is that every build shows the same one.
        ShownCase{"DoorwayAreaFromCancellation", 5, Boxes("0.0001", {{2, "1e-7"}, {6, "-0"}, {7, "1e-45"}}),
                  "8.253648E-43", "0"},
        ShownCase{"CircleQ2R1", 1, Boxes("2", {{1, "1"}}), "0.575754809570313", "1.811095"},
        ShownCase{"CircleQ1R05", 1, Boxes("1", {{1, "0.5"}}), "0.589884765625", "0.9837087"},
        ShownCase{"TrapezoidQ10W5", 3, Boxes("10", {{3, "5"}, {4, "1"}, {5, "1.5"}}), "0.796719246864319", "6.195079"},
        ShownCase{"TrapezoidGrown104Times", 3, Boxes("2000", {{3, "2"}, {4, "1"}, {5, "1"}}), "226.870412222516", "228.8704"},
        ShownCase{"TriangleQ1", 4, Boxes("1", {{4, "1"}, {5, "1"}}), "0.727635424804687", "1.455271"},
        ShownCase{"TriangleGrownOnce", 4, Boxes("5000", {{4, "1"}, {5, "1"}}), "21.9557757174264", "43.91155"},
        ShownCase{"DoorwayTwoPasses", 5, Boxes("8", {{2, "2"}, {6, "1"}, {7, "90"}}), "1.223988", "1.416832"},
        ShownCase{"DoorwayStartAccepted", 5, Boxes("30", {{2, "3"}, {6, "2"}, {7, "120"}}), "2.171082", "2.774461"},
        // No sign change down to the deepest water: cannot be computed, at once.
        ShownCase{"TriangleSubnormalProducts", 4, Boxes("2.1519e-06", {{4, "1e155"}, {5, "-1.7633691e11"}}),
                  "无法计算", "无法计算"},
        ShownCase{"TriangleTinySlope", 4, Boxes("0.5", {{4, "9.7e+23"}, {5, "5e-131"}}), "无法计算", "无法计算"}),
    [](const auto& info) { return info.param.name; });

TEST(ComputeSequence, RejectionAfterSuccessShowsPreviousDepthAndParsedWidth) {
  Members m;
  Compute(2, Boxes("10", {{2, "5"}}), m);
  const ComputeOutcome out = Compute(2, Boxes("10", {{2, "3m"}}), m);
  ASSERT_TRUE(out.message);
  EXPECT_EQ(out.shown.depth, "0.741784871693015");
  EXPECT_EQ(out.shown.width, "3");
}

TEST(ComputeSequence, CannotComputeLeavesOutForTheNextRejection) {
  Members m;
  Compute(2, Boxes("10", {{2, "5"}}), m);
  EXPECT_EQ(Compute(3, Boxes("10", {{4, "1"}, {5, "1"}}), m).shown.depth, "无法计算");
  EXPECT_EQ(m.BeErr, -1);
  // The next command clears BeErr; a rejection then shows the last success.
  EXPECT_EQ(Compute(1, Boxes("10"), m).shown.depth, "0.741784871693015");
}

TEST(ComputeSequence, FirstComputationWithEmptyDischarge) {
  Members m;
  const ComputeOutcome out = Compute(1, Boxes(""), m);
  EXPECT_EQ(out.shown.depth, "");
  EXPECT_EQ(out.shown.width, "0");
}

TEST(JSMembers, StraightWallHoldsTextAndArchANumber) {
  Members m;
  EXPECT_NEAR(JS(3, 2, 180, 10, m), 1.05984, 1e-5);
  EXPECT_EQ(std::get<std::string>(m.OUT), "1.05984");
  EXPECT_EQ(m.Bk, 3);
  EXPECT_NEAR(JS(2, 1, 90, 8, m), 1.223988, 1e-6);
  EXPECT_EQ(std::get<double>(m.OUT), 1.223988);
  EXPECT_EQ(m.BeErr, 0);
  EXPECT_EQ(JS(3, 2, 180, 40, m), 0);
  EXPECT_EQ(m.BeErr, -1);
  EXPECT_EQ(std::get<double>(m.OUT), 1.223988); // unchanged
}

TEST(FocusBoxName, NamesTheWindowsBoxes) {
  EXPECT_EQ(FocusBoxName(FocusBox::TextQ), "TextQ");
  EXPECT_EQ(FocusBoxName(FocusBox::Text1_1), "Text1(1)");
  EXPECT_EQ(FocusBoxName(FocusBox::Text1_2), "Text1(2)");
}

}  // namespace
}  // namespace hydraulics::window
