#include "hydraulics/number_text.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <limits>
#include <locale.h>

namespace hydraulics {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the longest prefix of a text that forms a decimal number
// (optional sign, digits, '.', optional exponent with digits of its own);
// 0 when the text starts with no number. This one scan defines what a box
// accepts. Inlined: the reading of every box goes through it.
[[gnu::always_inline]] inline std::size_t DecimalPrefix(std::string_view text) {
  const char* p = text.data();
  const char* const end = p + text.size();
  if (p != end && (*p == '+' || *p == '-')) ++p;
  bool any_digit = false;
  for (; p != end && IsDigit(*p); ++p) any_digit = true;
  if (p != end && *p == '.')
    for (++p; p != end && IsDigit(*p); ++p) any_digit = true;
  if (!any_digit) return 0;
  // The exponent belongs to the number only when it has digits of its own.
  if (p != end && (*p == 'e' || *p == 'E')) {
    const char* q = p + 1;
    if (q != end && (*q == '+' || *q == '-')) ++q;
    if (q != end && IsDigit(*q)) {
      while (q != end && IsDigit(*q)) ++q;
      p = q;
    }
  }
  return static_cast<std::size_t>(p - text.data());
}

// strtod reads the decimal point of the current locale; the boxes always use '.'.
locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return c;
}

}  // namespace

NumberPrefix ReadNumberPrefix(std::string_view text) {
  const std::size_t n = DecimalPrefix(text);
  if (n == 0) return {};
  // from_chars rounds as strtod does at a fraction of its cost; what it
  // declines (beyond its range either way) takes strtod's overflow to
  // infinity and gradual underflow.
  std::string_view number = text.substr(0, n);
  if (number.front() == '+') number.remove_prefix(1);
  double v = 0;
  const auto [stop, error] = std::from_chars(number.data(), number.data() + number.size(), v);
  if (error == std::errc{} && stop == number.data() + number.size()) return {n, v};
  const std::string prefix(text.substr(0, n));
  v = strtod_l(prefix.c_str(), nullptr, CLocale());
  if (std::isinf(v)) return {n, std::nullopt};  // beyond the double range
  return {n, v};
}

std::optional<double> LeadingNumber(std::string_view text) {
  const NumberPrefix number = ReadNumberPrefix(SkipBlanks(text));
  if (number.length == 0) return 0.0;
  return number.value;
}

bool IsNumericText(std::string_view text) {
  text = SkipBlanks(text);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return !text.empty() && DecimalPrefix(text) == text.size();
}

NumberFault ReadWholeNumber(std::string_view text, double& value) {
  text = SkipBlanks(text);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  const NumberPrefix number = ReadNumberPrefix(text);
  if (number.length == 0 || number.length != text.size()) return NumberFault::NotANumber;
  if (!number.value) return NumberFault::BeyondRange;
  if (*number.value == 0) {
    // A nonzero digit before the exponent, read as 0, underflowed.
    for (const char c : text) {
      if (c == 'e' || c == 'E') break;
      if (c >= '1' && c <= '9') return NumberFault::BeyondRange;
    }
  }
  value = *number.value;
  return NumberFault::None;
}

namespace {

// The forms of a slope, each marked by its sign after the number.
struct SlopeMark {
  std::string_view text;  // UTF-8
  enum Kind { Fraction, Share } kind;
  double per;             // a share's whole: 100 for %, 1000 for ‰
};
constexpr SlopeMark kSlopeMarks[] = {
    {"/", SlopeMark::Fraction, 1},          {"\xEF\xBC\x8F", SlopeMark::Fraction, 1},  // ／
    {"%", SlopeMark::Share, 100},           {"\xEF\xBC\x85", SlopeMark::Share, 100},   // ％
    {"\xE2\x80\xB0", SlopeMark::Share, 1000},                                          // ‰
};

SlopeFault FromNumberFault(NumberFault fault) {
  switch (fault) {
    case NumberFault::None: return SlopeFault::None;
    case NumberFault::NotANumber: return SlopeFault::NotASlope;
    case NumberFault::BeyondRange: return SlopeFault::BeyondRange;
  }
  return SlopeFault::NotASlope;
}

}  // namespace

SlopeFault ReadSlope(std::string_view text, double& value) {
  for (const SlopeMark& mark : kSlopeMarks) {
    const std::size_t at = text.find(mark.text);
    if (at == std::string_view::npos) continue;
    const std::string_view before = text.substr(0, at);
    const std::string_view after = text.substr(at + mark.text.size());
    double top = 0;
    if (const NumberFault f = ReadWholeNumber(before, top); f != NumberFault::None) return FromNumberFault(f);
    double bottom = mark.per;
    if (mark.kind == SlopeMark::Share) {
      if (!SkipBlanks(after).empty()) return SlopeFault::NotASlope;
    } else {
      if (const NumberFault f = ReadWholeNumber(after, bottom); f != NumberFault::None) return FromNumberFault(f);
      if (bottom == 0) return SlopeFault::ZeroDenominator;
    }
    const double quotient = top / bottom;
    if (!std::isfinite(quotient) || (quotient == 0 && top != 0)) return SlopeFault::BeyondRange;
    value = quotient;
    return SlopeFault::None;
  }
  return FromNumberFault(ReadWholeNumber(text, value));
}

std::optional<float> ToSingle(double value) {
  if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max())
    return std::nullopt;
  return static_cast<float>(value);
}

namespace {

std::string Format(double value, int significant_digits) {
  if (value == 0) return "0"; // also for -0
  char buf[40];
  const auto [end, ec] =
      std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, significant_digits);
  std::string s(buf, ec == std::errc{} ? end : buf);
  for (char& c : s)
    if (c == 'e') c = 'E';
  return s;
}

}  // namespace

std::string TextForm(float value) { return Format(value, 7); }
std::string TextForm(double value) { return Format(value, 15); }

}  // namespace hydraulics
