#include "cli/output_forms.h"

#include <charconv>
#include <cmath>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>

#include "cli/csv.h"

namespace cli {
namespace {

constexpr std::string_view kWindowHeader = "depth,width,message,focus";
constexpr std::string_view kCriticalColumns = "depth,width,area,velocity,hydraulic_depth,energy";
constexpr std::string_view kCriticalSlopeColumn = "critical_slope";
constexpr std::string_view kNormalColumns = "normal_depth,normal_velocity,normal_froude,regime,slope_class";
constexpr std::string_view kAtDepthColumns = "energy_at_h,froude_at_h,alternate_depth,sequent_depth";

std::size_t CountFields(std::string_view header) {
  std::size_t n = 1;
  for (const char c : header) n += c == ',';
  return n;
}

// The text form has the digits of printf's %.15g. A double is m 2^e with
// a 53-bit m, so m 10^p = (m 5^p) 2^(e+p) is exact in 128 bits for 5^p below
// 2^64: the digits and their rounding, halves to even, come out exact. Other
// magnitudes take the general conversion.
constexpr int kSignificantDigits = 15;
constexpr int kMaxPower = 27; // 5^27 < 2^64
__extension__ using Wide = unsigned __int128;

constexpr auto kPowersOfFive = [] {
  std::array<std::uint64_t, kMaxPower + 1> powers{};
  std::uint64_t p = 1;
  for (auto& v : powers) {
    v = p;
    p *= 5;
  }
  return powers;
}();

struct Digits {
  std::uint64_t value; // 10^14 <= value < 10^15
  int exponent;        // of the first digit
};

std::optional<Digits> FifteenDigits(double magnitude) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &magnitude, sizeof bits);
  const int biased = static_cast<int>(bits >> 52);
  if (biased == 0) return std::nullopt; // subnormal
  constexpr std::uint64_t kImplicitBit = std::uint64_t{1} << 52;
  const std::uint64_t m = (bits & (kImplicitBit - 1)) | kImplicitBit;
  const int e = biased - 1075;
  // floor((biased - 1023) log10 2) for the whole double range; the decimal
  // exponent is this or one more.
  int exponent = ((biased - 1023) * 78913) >> 18;
  constexpr std::uint64_t kTop = 1'000'000'000'000'000;
  for (int attempt = 0; attempt < 2; ++attempt, ++exponent) {
    const int power = kSignificantDigits - 1 - exponent;
    if (power < 0 || power > kMaxPower) return std::nullopt;
    const Wide scaled = static_cast<Wide>(m) * kPowersOfFive[power];
    const int shift = e + power; // the value times 10^power is scaled 2^shift
    std::uint64_t whole = 0;
    bool up = false;
    if (shift >= 0) {
      if (shift > 10) return std::nullopt;
      const Wide w = scaled << shift;
      if (w >= kTop) continue;
      whole = static_cast<std::uint64_t>(w);
    } else {
      const int drop = -shift;
      if (drop >= 127) return std::nullopt;
      const Wide w = scaled >> drop;
      if (w >= kTop) continue;
      whole = static_cast<std::uint64_t>(w);
      const Wide rest = scaled & ((Wide{1} << drop) - 1);
      const Wide half = Wide{1} << (drop - 1);
      up = rest > half || (rest == half && (whole & 1) != 0);
    }
    Digits d{whole + (up ? 1 : 0), exponent};
    if (d.value == kTop) {
      d.value /= 10;
      ++d.exponent;
    }
    return d;
  }
  return std::nullopt;
}

void AppendGeneral(std::string& out, double value) {
  char text[40];
  const auto [end, error] =
      std::to_chars(text, text + sizeof text, value, std::chars_format::general, kSignificantDigits);
  if (error != std::errc{}) return;
  for (char* c = text; c != end; ++c)
    if (*c == 'e') *c = 'E';
  out.append(text, end);
}

// Writes the text form of `d` at `p`; returns the end.
char* WriteDigits(char* p, Digits d) {
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  // Two 32-bit halves, two digits at a time: a divide per digit on the whole
  // 64-bit value would be the slowest part of a row.
  // The high seven digits go out as eight with a leading zero before `digits`.
  char buffer[kSignificantDigits + 1];
  const auto put = [&buffer](std::uint32_t v, int first) {
    for (int i = first + 6; i >= first; i -= 2, v /= 100) std::memcpy(buffer + i, kPairs + 2 * (v % 100), 2);
  };
  constexpr std::uint64_t kLowHalf = 100000000;
  int count = kSignificantDigits;
  for (std::uint64_t v = d.value; v % 10 == 0; v /= 10) --count;
  put(static_cast<std::uint32_t>(d.value / kLowHalf), 0);
  put(static_cast<std::uint32_t>(d.value % kLowHalf), 8);
  const char* const digits = buffer + 1;
  const auto copy = [&p](const char* from, int n) {
    std::memcpy(p, from, static_cast<std::size_t>(n));
    p += n;
  };
  const auto zeros = [&p](int n) {
    for (int i = 0; i < n; ++i) *p++ = '0';
  };
  const int x = d.exponent;
  if (x < -4 || x >= kSignificantDigits) {
    *p++ = digits[0];
    if (count > 1) {
      *p++ = '.';
      copy(digits + 1, count - 1);
    }
    *p++ = 'E';
    *p++ = x < 0 ? '-' : '+';
    const int e = x < 0 ? -x : x;
    if (e >= 100) *p++ = static_cast<char>('0' + e / 100);
    *p++ = static_cast<char>('0' + e / 10 % 10);
    *p++ = static_cast<char>('0' + e % 10);
  } else if (x >= 0) {
    const int whole = x + 1;
    copy(digits, std::min(count, whole));
    zeros(whole - count);
    if (count > whole) {
      *p++ = '.';
      copy(digits + whole, count - whole);
    }
  } else {
    *p++ = '0';
    *p++ = '.';
    zeros(-x - 1);
    copy(digits, count);
  }
  return p;
}

void AppendCells(std::string& out, std::size_t n) { out.append(n, ','); }

void AppendCell(std::string& out, double value) {
  AppendTextForm(out, value);
  out += ',';
}

void AppendCell(std::string& out, const std::optional<double>& value) {
  if (value) AppendTextForm(out, *value);
  out += ',';
}

void AppendCriticalCells(std::string& out, const std::optional<hydraulics::exact::CriticalState>& state) {
  if (!state) {
    AppendCells(out, 6);
    return;
  }
  for (const double v : {state->depth, state->top_width, state->area, state->velocity, state->hydraulic_depth,
                         state->energy})
    AppendCell(out, v);
}

}  // namespace

OutputForm::OutputForm(std::string header, std::size_t message_field)
    : header_(std::move(header)), fields_(CountFields(header_)), message_field_(message_field) {
  header_ += '\n';
}

OutputForm OutputForm::Window() { return OutputForm(std::string(kWindowHeader), 2); }

OutputForm OutputForm::Exact(FlowColumns columns) {
  std::string header(kCriticalColumns);
  if (columns.n) header.append(",").append(kCriticalSlopeColumn);
  if (columns.normal()) header.append(",").append(kNormalColumns);
  if (columns.h) header.append(",").append(kAtDepthColumns);
  const std::size_t message_field = CountFields(header);
  return OutputForm(header + ",message", message_field);
}

void WriteMessageOnly(std::string& out, const OutputForm& form, std::string_view message) {
  for (std::size_t i = 0; i < form.fields(); ++i) {
    if (i > 0) out += ',';
    if (i == form.message_field()) AppendCsvField(out, message);
  }
  out += '\n';
}

void WriteWindowRow(std::string& out, const hydraulics::ComputeOutcome& outcome) {
  const auto& message = outcome.message;
  AppendCsvField(out, outcome.shown.depth);
  out += ',';
  AppendCsvField(out, outcome.shown.width);
  out += ',';
  if (message) {
    AppendCsvField(out, message->text);
    out += ',';
    AppendCsvField(out, hydraulics::FocusBoxName(message->focus));
  } else {
    out += ',';
  }
  out += '\n';
}

void WriteCriticalRow(std::string& out, const hydraulics::exact::Result& result) {
  AppendCriticalCells(out, result.state);
  AppendCsvField(out, result.message);
  out += '\n';
}

void WriteAnalysisRow(std::string& out, FlowColumns columns, const hydraulics::exact::Analysis& analysis,
                      std::string_view message) {
  namespace exact = hydraulics::exact;
  AppendCriticalCells(out, analysis.critical.state);
  if (columns.n) AppendCell(out, analysis.critical_slope);
  if (columns.normal()) {
    if (const auto& normal = analysis.normal) {
      for (const double v : {normal->depth, normal->velocity, normal->froude}) AppendCell(out, v);
      out.append(exact::RegimeName(normal->regime)) += ',';
      out.append(exact::SlopeClassName(normal->slope_class)) += ',';
    } else {
      AppendCells(out, 5);
    }
  }
  if (columns.h) {
    if (const auto& at = analysis.at_depth) {
      AppendCell(out, at->energy);
      AppendCell(out, at->froude);
      AppendCell(out, at->alternate);
      AppendCell(out, at->sequent);
    } else {
      AppendCells(out, 4);
    }
  }
  AppendCsvField(out, message);
  out += '\n';
}

void AppendTextForm(std::string& out, double value) {
  // Zero of either sign is "0"; what is not finite takes the general path.
  if (value == 0) {
    out += '0';
    return;
  }
  if (!std::isfinite(value)) {
    AppendGeneral(out, value);
    return;
  }
  const std::optional<Digits> digits = FifteenDigits(std::fabs(value));
  if (!digits) {
    AppendGeneral(out, value);
    return;
  }
  char text[32];
  char* p = text;
  if (value < 0) *p++ = '-';
  out.append(text, WriteDigits(p, *digits));
}

}  // namespace cli
