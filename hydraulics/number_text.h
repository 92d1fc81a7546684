#pragma once
// How numbers are read from text and written back: the calculation window's
// boxes and their text form, which the batch tool and the other windows share.

#include <optional>
#include <string>
#include <string_view>

namespace hydraulics {

// `text` without the blanks (spaces and tabs) the boxes skip before a number.
inline std::string_view SkipBlanks(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  return text.substr(i);
}

// The number at the very start of `text`: the length of its text, 0 when
// the text starts with no number, and its value, empty when it lies beyond
// the double range. One scan serves the value and what follows it.
struct NumberPrefix {
  std::size_t length = 0;
  std::optional<double> value;
};
NumberPrefix ReadNumberPrefix(std::string_view text);

// Value of the longest prefix of `text` that forms a decimal number (optional
// sign, digits, '.' as the decimal point whatever the locale, optional
// exponent), after leading blanks. Text without such a prefix reads as 0.
// Empty when the number lies beyond the double range: reading it faults.
std::optional<double> LeadingNumber(std::string_view text);

// True when the whole text, apart from surrounding blanks, reads as a number.
bool IsNumericText(std::string_view text);

// A text that must be one number and nothing else, blanks around it allowed.
enum class NumberFault {
  None,
  NotANumber,   // other text, or none
  BeyondRange,  // overflows, or a nonzero number that underflows to 0
};
NumberFault ReadWholeNumber(std::string_view text, double& value);

// A bed slope as engineers write it, blanks around each part allowed: a
// decimal ("0.001"), a fraction ("1/1000"), a percentage ("0.1%") or per
// mille ("1‰"), each number as ReadWholeNumber takes it. The full-width
// "％" and "／" of a Chinese input method count as "%" and "/". Zero is a
// flat bed and a negative slope an adverse one: both are slopes.
enum class SlopeFault {
  None,
  NotASlope,        // none of the four forms
  ZeroDenominator,  // "1/0"
  BeyondRange,      // a part or the quotient overflows, or a nonzero slope underflows to 0
};
SlopeFault ReadSlope(std::string_view text, double& value);

// Narrowing to single precision; empty when the value lies beyond its range
// (or is not finite), which the routine treats as a fault of the step.
std::optional<float> ToSingle(double value);

// The text form of a number: up to 7 significant digits for a single, 15 for
// a double, trailing zeros and point dropped, exponent form ("1.5E-05",
// "1E+16") for very large or small magnitudes.
std::string TextForm(float value);
std::string TextForm(double value);

}  // namespace hydraulics
