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

std::string_view SkipBlanks(std::string_view t) {
  while (!t.empty() && IsBlank(t.front())) t.remove_prefix(1);
  return t;
}

// Length of the longest prefix of `t` that forms a decimal number, 0 if none.
std::size_t NumberPrefixLength(std::string_view t) {
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  // The exponent belongs to the number only when it has digits of its own.
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
    if (j < t.size() && IsDigit(t[j])) {
      while (j < t.size() && IsDigit(t[j])) ++j;
      i = j;
    }
  }
  return i;
}

// strtod reads the decimal point of the current locale; the boxes always use '.'.
locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return c;
}

}  // namespace

std::optional<double> LeadingNumber(std::string_view text) {
  text = SkipBlanks(text);
  const std::size_t n = NumberPrefixLength(text);
  if (n == 0) return 0.0;
  // from_chars rounds as strtod does at a fraction of its cost; what it
  // declines (beyond its range either way) takes strtod's overflow to
  // infinity and gradual underflow.
  std::string_view number = text.substr(0, n);
  if (number.front() == '+') number.remove_prefix(1);
  double v = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), v);
  if (error == std::errc{} && end == number.data() + number.size()) return v;
  const std::string prefix(text.substr(0, n));
  v = strtod_l(prefix.c_str(), nullptr, CLocale());
  if (std::isinf(v)) return std::nullopt; // beyond the double range
  return v;
}

bool IsNumericText(std::string_view text) {
  text = SkipBlanks(text);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return !text.empty() && NumberPrefixLength(text) == text.size();
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
