#include "hydraulics/number_text.h"

#include <gtest/gtest.h>

#include <locale.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iomanip>
#include <limits>
#include <random>
#include <string>

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
                    ParseCase{"InfinityIsNotRead", "inf", 0.0},
                    ParseCase{"NotANumberIsNotRead", "nan", 0.0},
                    ParseCase{"FullWidthDigitsAreNotDigits", "５", 0.0}),
    [](const auto& info) { return info.param.name; });

// The parse works out short numbers itself and leaves the rest to the
// general conversion; either way every bit, and the sign of a zero, must be
// what the C library's correctly rounded strtod gives for the same prefix.
std::optional<double> Reference(const char* text) {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  const double v = strtod_l(text, nullptr, c);
  if (std::isinf(v)) return std::nullopt;
  return v;
}

void ExpectSameBits(const char* text) {
  const std::optional<double> v = LeadingNumber(text);
  const std::optional<double> expected = Reference(text);
  ASSERT_EQ(v.has_value(), expected.has_value()) << text;
  if (v) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(*v), std::bit_cast<std::uint64_t>(*expected)) << text;
  }
}

struct AgreementCase {
  const char* name;
  const char* text;
};

void PrintTo(const AgreementCase& c, std::ostream* os) { *os << c.name; }

class LeadingNumberAgreementTest : public testing::TestWithParam<AgreementCase> {};

TEST_P(LeadingNumberAgreementTest, GivesTheCorrectlyRoundedValue) { ExpectSameBits(GetParam().text); }

INSTANTIATE_TEST_SUITE_P(
    Awkward, LeadingNumberAgreementTest,
    testing::Values(AgreementCase{"NegativeZero", "-0"}, AgreementCase{"NegativeZeroWithExponent", "-0.0e5"},
                    AgreementCase{"ZeroWithLargeExponent", "0e400"},
                    AgreementCase{"NoDecimalHasAnExactForm", "0.1"}, AgreementCase{"PlusSign", "+0.3"},
                    AgreementCase{"LargestExactInteger", "9007199254740992"},
                    AgreementCase{"HalfwayAboveTheExactIntegers", "9007199254740993"},
                    AgreementCase{"NineteenDigits", "1234567890123456789"},
                    AgreementCase{"TwentyThreeDigits", "12345678901234567890123"},
                    AgreementCase{"HalfwayAfterOne", "1.00000000000000011102230246251565404236316680908203125"},
                    AgreementCase{"JustAboveHalfwayAfterOne", "1.00000000000000011102230246251565404236316680908203126"},
                    AgreementCase{"LargestExactPowerOfTen", "1e22"}, AgreementCase{"FirstInexactPowerOfTen", "1e23"},
                    AgreementCase{"SmallestExactNegativePower", "3e-22"}, AgreementCase{"BeyondIt", "3e-23"},
                    AgreementCase{"FractionDigitsShiftThePower", "123.456e-20"},
                    AgreementCase{"LeadingZerosAreNotSignificant", "00000000000000000000000012.5"},
                    AgreementCase{"FractionLeadingZeros", "0.000000000000000000000000000001"},
                    AgreementCase{"ExponentWithLeadingZeros", "1e0000000000000000000000005"},
                    AgreementCase{"HugeExponent", "1e99999999999"}, AgreementCase{"HugeNegativeExponent", "1e-99999999999"},
                    AgreementCase{"Largest", "1.7976931348623157e308"},
                    AgreementCase{"SmallestNormal", "2.2250738585072014e-308"},
                    AgreementCase{"Subnormal", "4.9e-324"}, AgreementCase{"BelowHalfTheSmallest", "2e-324"}),
    [](const auto& info) { return info.param.name; });

TEST(LeadingNumberAgreement, ShortDecimalsOfEveryMagnitude) {
  // Up to 17 digits, the point anywhere, exponents either side of the range
  // where both factors are exact.
  std::mt19937_64 random(7);
  char text[64];
  for (int i = 0; i < 200000; ++i) {
    const int digits = 1 + static_cast<int>(random() % 17);
    const auto mantissa = static_cast<long long>(random() % 100000000000000000ULL);
    const int point = static_cast<int>(random() % (digits + 1));
    const int exponent = static_cast<int>(random() % 61) - 30;
    std::snprintf(text, sizeof text, "%0*lld", digits, mantissa % static_cast<long long>(std::pow(10, digits)));
    std::string s(text);
    s.insert(static_cast<std::size_t>(point), ".");
    if (i % 2 == 0) s += "e" + std::to_string(exponent);
    if (i % 3 == 0) s.insert(0, "-");
    ExpectSameBits(s.c_str());
    if (HasFailure()) return;
  }
}

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

struct SlopeCase {
  const char* name;
  const char* text;
  SlopeFault fault;
  double value;  // read when fault is None
};

void PrintTo(const SlopeCase& c, std::ostream* os) { *os << c.name; }

class ReadSlopeTest : public testing::TestWithParam<SlopeCase> {};

TEST_P(ReadSlopeTest, ReadsTheFourFormsAndRefusesTheRest) {
  const SlopeCase& c = GetParam();
  double value = -12345;
  EXPECT_EQ(ReadSlope(c.text, value), c.fault);
  if (c.fault == SlopeFault::None) {
    // A fraction or share is one division of the parts as typed: exact to the last bit.
    EXPECT_EQ(value, c.value);
  } else {
    EXPECT_EQ(value, -12345) << "a refused slope leaves the value alone";
  }
}

INSTANTIATE_TEST_SUITE_P(
    EngineersForms, ReadSlopeTest,
    testing::Values(SlopeCase{"Decimal", "0.001", SlopeFault::None, 0.001},
                    SlopeCase{"DecimalWithExponent", "1e-3", SlopeFault::None, 1e-3},
                    SlopeCase{"Fraction", "1/1000", SlopeFault::None, 1.0 / 1000},
                    SlopeCase{"FractionWithBlanks", " 1 / 2500 ", SlopeFault::None, 1.0 / 2500},
                    SlopeCase{"FractionOfDecimals", "0.5/400", SlopeFault::None, 0.5 / 400},
                    SlopeCase{"FullWidthSlash", "1／1000", SlopeFault::None, 1.0 / 1000},
                    SlopeCase{"Percentage", "0.1%", SlopeFault::None, 0.1 / 100},
                    SlopeCase{"PercentageWithBlank", "0.1 %", SlopeFault::None, 0.1 / 100},
                    SlopeCase{"FullWidthPercent", "0.1％", SlopeFault::None, 0.1 / 100},
                    SlopeCase{"PerMille", "1‰", SlopeFault::None, 1.0 / 1000},
                    SlopeCase{"FlatBedIsASlope", "0", SlopeFault::None, 0.0},
                    SlopeCase{"AdverseDecimal", "-0.002", SlopeFault::None, -0.002},
                    SlopeCase{"AdverseFraction", "-1/500", SlopeFault::None, -1.0 / 500},
                    SlopeCase{"AdversePerMille", "-2‰", SlopeFault::None, -2.0 / 1000},
                    SlopeCase{"EmptyIsNoSlope", "", SlopeFault::NotASlope, 0},
                    SlopeCase{"LettersAfterTheNumber", "0.001abc", SlopeFault::NotASlope, 0},
                    SlopeCase{"TextAfterThePercent", "0.1%x", SlopeFault::NotASlope, 0},
                    SlopeCase{"TwoMarks", "1%‰", SlopeFault::NotASlope, 0},
                    SlopeCase{"TwoSlashes", "1/2/3", SlopeFault::NotASlope, 0},
                    SlopeCase{"NoNumerator", "/1000", SlopeFault::NotASlope, 0},
                    SlopeCase{"NoDenominator", "1/", SlopeFault::NotASlope, 0},
                    SlopeCase{"RatioWithColonIsNotOneOfTheForms", "1:1000", SlopeFault::NotASlope, 0},
                    SlopeCase{"CommaDecimal", "0,001", SlopeFault::NotASlope, 0},
                    SlopeCase{"ZeroDenominator", "1/0", SlopeFault::ZeroDenominator, 0},
                    SlopeCase{"DenominatorBeyondRange", "1/1e400", SlopeFault::BeyondRange, 0},
                    SlopeCase{"QuotientOverflows", "1e300/1e-300", SlopeFault::BeyondRange, 0},
                    SlopeCase{"QuotientUnderflows", "1e-300/1e300", SlopeFault::BeyondRange, 0},
                    SlopeCase{"DecimalBeyondRange", "1e999", SlopeFault::BeyondRange, 0}),
    [](const auto& info) { return info.param.name; });

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
