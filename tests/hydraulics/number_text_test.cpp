#include "hydraulics/number_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <iomanip>
#include <limits>

namespace hydraulics {
namespace {

struct ParseCase {
  const char* name;
  const char* text;
  std::optional<double> value;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }

class LeadingNumberTest : public testing::TestWithParam<ParseCase> {};

TEST_P(LeadingNumberTest, ReadsTheLongestNumericPrefix) {
  const ParseCase& c = GetParam();
  const std::optional<double> v = LeadingNumber(c.text);
  ASSERT_EQ(v.has_value(), c.value.has_value());
  if (v) {
    EXPECT_EQ(*v, *c.value);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Quirks, LeadingNumberTest,
    testing::Values(ParseCase{"EmptyReadsAsZero", "", 0.0},
                    ParseCase{"LettersReadAsZero", "abc", 0.0},
                    ParseCase{"UnitSuffixIsIgnored", "2.5m", 2.5},
                    ParseCase{"NoDigitBeforePoint", ".5", 0.5},
                    ParseCase{"TrailingPoint", "5.", 5.0},
                    ParseCase{"PlusSign", "+2", 2.0},
                    ParseCase{"MinusSign", "-2", -2.0},
                    ParseCase{"Exponent", "1e1", 10.0},
                    ParseCase{"CapitalExponentWithSign", "1E-3", 0.001},
                    ParseCase{"ExponentWithoutDigitsIsNotPartOfIt", "1e", 1.0},
                    ParseCase{"SignedExponentWithoutDigits", "1e+", 1.0},
                    ParseCase{"BeyondDoubleRangeFaults", "1e400", std::nullopt},
                    ParseCase{"NegativeBeyondRangeFaults", "-1e400", std::nullopt},
                    ParseCase{"UnderflowReadsAsZero", "1e-400", 0.0},
                    ParseCase{"LeadingSpacesSkipped", " 5", 5.0},
                    ParseCase{"LeadingTabSkipped", "\t 5", 5.0},
                    ParseCase{"BlankInsideEndsNumber", "5 6", 5.0},
                    ParseCase{"SecondPointEndsNumber", "1.2.3", 1.2},
                    ParseCase{"CommaIsNoDecimalPoint", "1,5", 1.0},
                    ParseCase{"LoneSign", "-", 0.0},
                    ParseCase{"LonePoint", ".", 0.0},
                    ParseCase{"HexIsNotRead", "0x10", 0.0},
                    ParseCase{"FullWidthDigitsAreNotDigits", "５", 0.0}),
    [](const auto& info) { return info.param.name; });

TEST(IsNumericText, WholeTextApartFromBlanksMustBeANumber) {
  EXPECT_TRUE(IsNumericText(" 5\t "));
  EXPECT_TRUE(IsNumericText("-.5e2"));
  EXPECT_TRUE(IsNumericText("5."));
  EXPECT_FALSE(IsNumericText(""));
  EXPECT_FALSE(IsNumericText("   "));
  EXPECT_FALSE(IsNumericText("3m"));
  EXPECT_FALSE(IsNumericText("1e"));
  EXPECT_FALSE(IsNumericText("5 6"));
}

TEST(ToSingle, FaultsBeyondTheSingleRangeOnly) {
  EXPECT_EQ(ToSingle(FLT_MAX), FLT_MAX);
  EXPECT_EQ(ToSingle(-1.5), -1.5f);
  EXPECT_EQ(ToSingle(1e-50), 0.0f);
  EXPECT_FALSE(ToSingle(3.5e38));
  EXPECT_FALSE(ToSingle(-3.5e38));
  EXPECT_FALSE(ToSingle(std::numeric_limits<double>::infinity()));
  EXPECT_FALSE(ToSingle(std::nan("")));
}

struct FormCase {
  double value;
  bool single;
  const char* text;
};

void PrintTo(const FormCase& c, std::ostream* os) {
  *os << (c.single ? "single " : "double ") << std::setprecision(17) << c.value << " shows \"" << c.text << '"';
}

class TextFormTest : public testing::TestWithParam<FormCase> {};

TEST_P(TextFormTest, ShowsSignificantDigitsOfItsPrecision) {
  const FormCase& c = GetParam();
  EXPECT_EQ(c.single ? TextForm(static_cast<float>(c.value)) : TextForm(c.value), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    DoubleAndSingle, TextFormTest,
    testing::Values(FormCase{0.741784871693015, false, "0.741784871693015"},
                    FormCase{1.0 / 3.0, false, "0.333333333333333"},
                    FormCase{2.0, false, "2"}, FormCase{-0.0, false, "0"},
                    FormCase{0.5, false, "0.5"}, FormCase{-0.25, false, "-0.25"},
                    FormCase{123456789012345.0, false, "123456789012345"},
                    FormCase{1e15, false, "1E+15"}, FormCase{1e16, false, "1E+16"},
                    FormCase{0.0001, false, "0.0001"}, FormCase{1.5e-5, false, "1.5E-05"},
                    FormCase{1e300, false, "1E+300"},
                    // Singles widen inexactly: 0.1f must still read 0.1.
                    FormCase{0.1, true, "0.1"}, FormCase{1.455271, true, "1.455271"},
                    FormCase{5.0, true, "5"}, FormCase{9999999.0, true, "9999999"},
                    FormCase{1e7, true, "1E+07"}, FormCase{12345678.0, true, "1.234568E+07"},
                    FormCase{3.4e38, true, "3.4E+38"}, FormCase{1.5e-5, true, "1.5E-05"}));

TEST(TextForm, RoundTripsThroughTheParse) {
  for (double v : {0.741784871693015, 1e-300, 6.02214076e23, -12.5})
    EXPECT_DOUBLE_EQ(*LeadingNumber(TextForm(v)), v) << v;
  for (float v : {0.1f, 1.2239881f, 3.0e38f, 1e-30f})
    EXPECT_EQ(static_cast<float>(*LeadingNumber(TextForm(v))), v) << v;
}

}  // namespace
}  // namespace hydraulics
