// The batch tool writes numbers through its own conversion for speed; every
// text must still be the one the computation's TextForm gives.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "cli/output_forms.h"
#include "hydraulics/number_text.h"

namespace {

struct RangeCase {
  const char* name;
  double low;
  double high;
  bool whole_numbers; // values that end exactly on a decimal digit, where ties at the 16th digit live
};

void PrintTo(const RangeCase& c, std::ostream* os) { *os << c.name; }

class TextFormRangeTest : public testing::TestWithParam<RangeCase> {};

TEST_P(TextFormRangeTest, MatchesTheComputationsTextForm) {
  const RangeCase& c = GetParam();
  std::mt19937_64 random(42);
  std::uniform_real_distribution<double> exponent(std::log(c.low), std::log(c.high));
  std::string text;
  int mismatches = 0;
  for (int i = 0; i < 200000 && mismatches < 5; ++i) {
    double value = std::exp(exponent(random));
    if (c.whole_numbers) value = std::round(value) / (i % 2 == 0 ? 1 : 2);
    if (i % 3 == 0) value = -value;
    text.clear();
    cli::AppendTextForm(text, value);
    const std::string expected = hydraulics::TextForm(value);
    if (text != expected) {
      ++mismatches;
      ADD_FAILURE() << std::hexfloat << value << ": " << text << " instead of " << expected;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Magnitudes, TextFormRangeTest,
    testing::Values(RangeCase{"HydraulicMagnitudes", 1e-3, 1e3, false},
                    RangeCase{"SlopesAndSmallDepths", 1e-9, 1e-3, false},
                    RangeCase{"AtTheExponentFormThreshold", 2e-5, 5e-4, false},
                    RangeCase{"LargeValues", 1e3, 1e15, false},
                    RangeCase{"BeyondTheFastRange", 1e15, 1e300, false},
                    RangeCase{"BelowTheFastRange", 1e-300, 1e-13, false},
                    RangeCase{"SixteenDigitIntegersAndHalves", 1e14, 1e16, true},
                    RangeCase{"SmallIntegersAndHalves", 1, 1e6, true}),
    [](const auto& info) { return info.param.name; });

struct ValueCase {
  const char* name;
  double value;
};

void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.name; }

class TextFormValueTest : public testing::TestWithParam<ValueCase> {};

TEST_P(TextFormValueTest, MatchesTheComputationsTextForm) {
  std::string text = "x";
  cli::AppendTextForm(text, GetParam().value);
  EXPECT_EQ(text, "x" + hydraulics::TextForm(GetParam().value));
}

INSTANTIATE_TEST_SUITE_P(
    Edges, TextFormValueTest,
    testing::Values(ValueCase{"Zero", 0.0}, ValueCase{"NegativeZero", -0.0}, ValueCase{"One", 1.0},
                    ValueCase{"TieRoundsToEven", 1234567890123455.0}, ValueCase{"TieRoundsUp", 1234567890123465.0},
                    ValueCase{"RoundsUpToTheNextPower", 999999999999999.9},
                    ValueCase{"RoundsUpIntoExponentForm", 9.99999999999999999e14},
                    ValueCase{"LastFixedForm", 1e-4}, ValueCase{"FirstExponentForm", 9.99e-5},
                    ValueCase{"CriticalDepth", 0.666515935727845},
                    ValueCase{"Smallest", std::numeric_limits<double>::denorm_min()},
                    ValueCase{"Largest", std::numeric_limits<double>::max()},
                    ValueCase{"Infinity", std::numeric_limits<double>::infinity()},
                    ValueCase{"NotANumber", std::numeric_limits<double>::quiet_NaN()}),
    [](const auto& info) { return info.param.name; });

struct LiteralCase {
  const char* name;
  double value;
  const char* text;
};

void PrintTo(const LiteralCase& c, std::ostream* os) { *os << c.name; }

class TextFormLiteralTest : public testing::TestWithParam<LiteralCase> {};

// Fifteen nines round up to the next power of ten: the decimal point and the
// fraction go, and the exponent moves on by one.
TEST_P(TextFormLiteralTest, RoundsUpToAPowerOfTen) {
  std::string text;
  cli::AppendTextForm(text, GetParam().value);
  EXPECT_EQ(text, GetParam().text);
  EXPECT_EQ(hydraulics::TextForm(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    PowersOfTen, TextFormLiteralTest,
    testing::Values(LiteralCase{"JustBelowOne", 0.99999999999999994, "1"},
                    LiteralCase{"JustBelowOneTenth", 0.099999999999999995, "0.1"},
                    LiteralCase{"JustBelowTheExponentForm", 9.99999999999999995e-5, "0.0001"},
                    LiteralCase{"JustBelowTenToTheFifteenth", 999999999999999.94, "1E+15"},
                    LiteralCase{"NegativeJustAboveMinusOne", -0.99999999999999994, "-1"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
