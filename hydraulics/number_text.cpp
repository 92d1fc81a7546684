#include "hydraulics/number_text.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdint>
#include <cmath>
#include <limits>
#include <locale.h>

namespace hydraulics {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }


// Below these bounds a decimal number's digits and its power of ten are
// both exact doubles.
constexpr int kMaxExactDigits = 19; // below 2^64
constexpr std::uint64_t kMaxExactMantissa = std::uint64_t{1} << 53;
constexpr int kMaxExactPower = 22;
constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
// An exponent this large leaves every number of a box beyond the double
// range or at zero; counting on would only overflow.
constexpr int kExponentBound = 100000;

// The longest prefix of a text that forms a decimal number (optional sign,
// digits, '.', optional exponent with digits of its own), found in one pass
// with its first 19 significant digits as an integer and the power of ten
// that scales them.
struct DecimalPrefix {
  std::size_t length = 0;  // 0 when the text starts with no number
  bool negative = false;
  std::uint64_t mantissa = 0;
  int significant = 0;     // digits after leading zeros, kept or not
  int power = 0;
};

// Inlined: the reading of every box goes through it.
[[gnu::always_inline]] inline DecimalPrefix ScanDecimal(std::string_view text) {
  DecimalPrefix d;
  const char* p = text.data();
  const char* const end = p + text.size();
  d.negative = p != end && *p == '-';
  if (p != end && (*p == '+' || *p == '-')) ++p;
  bool any_digit = false;
  const auto digit = [&](char c) {
    any_digit = true;
    if (d.mantissa == 0 && c == '0') return;
    if (++d.significant <= kMaxExactDigits) d.mantissa = d.mantissa * 10 + static_cast<std::uint64_t>(c - '0');
  };
  for (; p != end && IsDigit(*p); ++p) digit(*p);
  if (p != end && *p == '.') {
    for (++p; p != end && IsDigit(*p); ++p) {
      digit(*p);
      --d.power;
    }
  }
  if (!any_digit) return {};
  // The exponent belongs to the number only when it has digits of its own.
  if (p != end && (*p == 'e' || *p == 'E')) {
    const char* q = p + 1;
    const bool exponent_negative = q != end && *q == '-';
    if (q != end && (*q == '+' || *q == '-')) ++q;
    if (q != end && IsDigit(*q)) {
      int exponent = 0;
      for (; q != end && IsDigit(*q); ++q)
        if (exponent < kExponentBound) exponent = exponent * 10 + (*q - '0');
      d.power += exponent_negative ? -exponent : exponent;
      p = q;
    }
  }
  d.length = static_cast<std::size_t>(p - text.data());
  return d;
}

// strtod reads the decimal point of the current locale; the boxes always use '.'.
locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return c;
}

}  // namespace

std::optional<double> LeadingNumber(std::string_view text) {
  text = SkipBlanks(text);
  const DecimalPrefix d = ScanDecimal(text);
  if (d.length == 0) return 0.0;
  if (d.significant == 0) return d.negative ? -0.0 : 0.0;
  // Both factors exact and one rounding: the correctly rounded value that
  // from_chars and strtod give too (Clinger's fast path).
  if (d.significant <= kMaxExactDigits && d.mantissa <= kMaxExactMantissa && d.power >= -kMaxExactPower &&
      d.power <= kMaxExactPower) {
    const double m = static_cast<double>(d.mantissa);
    const double v = d.power < 0 ? m / kPowersOfTen[-d.power] : m * kPowersOfTen[d.power];
    return d.negative ? -v : v;
  }
  // from_chars rounds as strtod does at a fraction of its cost; what it
  // declines (beyond its range either way) takes strtod's overflow to
  // infinity and gradual underflow.
  const std::size_t n = d.length;
  std::string_view number = text.substr(0, n);
  if (number.front() == '+') number.remove_prefix(1);
  double v = 0;
  const auto [stop, error] = std::from_chars(number.data(), number.data() + number.size(), v);
  if (error == std::errc{} && stop == number.data() + number.size()) return v;
  const std::string prefix(text.substr(0, n));
  v = strtod_l(prefix.c_str(), nullptr, CLocale());
  if (std::isinf(v)) return std::nullopt; // beyond the double range
  return v;
}

bool IsNumericText(std::string_view text) {
  text = SkipBlanks(text);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return !text.empty() && ScanDecimal(text).length == text.size();
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
