#include "cli/output_forms.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
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
      // Halves go to the even neighbour; the dropped bits of values of
      // hydraulic size fit in the low word.
      if (drop < 64) {
        const std::uint64_t low = static_cast<std::uint64_t>(scaled);
        const std::uint64_t rest = low & ((std::uint64_t{1} << drop) - 1);
        const std::uint64_t half = std::uint64_t{1} << (drop - 1);
        up = rest + (whole & 1) > half;
      } else {
        const Wide rest = scaled & ((Wide{1} << drop) - 1);
        const Wide half = Wide{1} << (drop - 1);
        up = rest + (whole & 1) > half;
      }
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

// What WriteTextForm may touch from where it starts writing: the longest
// text, "-1.23456789012345E-308", is shorter, but digits are copied in
// fixed 16-byte moves whose excess is overwritten or left unused.
constexpr std::size_t kNumberRoom = 48;

char* WriteGeneral(char* p, double value) {
  const auto [end, error] = std::to_chars(p, p + 32, value, std::chars_format::general, kSignificantDigits);
  if (error != std::errc{}) return p;
  for (char* c = p; c != end; ++c)
    if (*c == 'e') *c = 'E';
  return end;
}

constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The eight decimal digits of n < 10^8, one per byte, the first in the
// lowest byte: halves, quarters and single digits split in all lanes at
// once. The multipliers divide exactly in the ranges each lane holds
// (10486 / 2^20 for 100 below 10^4, 103 / 2^10 for 10 below 100).
std::uint64_t EightDigits(std::uint32_t n) {
  const std::uint64_t halves = (n / 10000) | (std::uint64_t{n % 10000} << 32);
  const std::uint64_t hundreds = ((halves * 10486) >> 20) & 0x0000007F0000007F;
  const std::uint64_t quarters = hundreds | ((halves - hundreds * 100) << 16);
  const std::uint64_t tens = ((quarters * 103) >> 10) & 0x000F000F000F000F;
  return tens | ((quarters - tens * 10) << 8);
}

static_assert(std::endian::native == std::endian::little, "digit words are laid out lowest byte first");

// Digits up to and including the last nonzero one in a word of EightDigits.
int SignificantBytes(std::uint64_t digits) { return (71 - __builtin_clzll(digits)) / 8; }

// Writes the text form of `d` at `p`; returns the end. Digits past the
// significant ones are zeros, so a whole number's zeros before the point
// are copied with its digits.
char* WriteDigits(char* p, Digits d) {
  constexpr std::uint64_t kLowHalf = 100000000;
  constexpr std::uint64_t kAscii = 0x3030303030303030;
  // The high seven digits go out as eight with a leading zero before
  // `digits`; the tail keeps fixed-length copies within the buffer.
  const std::uint64_t high = EightDigits(static_cast<std::uint32_t>(d.value / kLowHalf));
  const std::uint64_t low = EightDigits(static_cast<std::uint32_t>(d.value % kLowHalf));
  const int count = low != 0 ? 7 + SignificantBytes(low) : SignificantBytes(high) - 1;
  char buffer[40];
  const std::uint64_t words[] = {high + kAscii, low + kAscii, kAscii, kAscii, kAscii};
  std::memcpy(buffer, words, sizeof buffer);
  const char* const digits = buffer + 1;

  const int x = d.exponent;
  if (x < -4 || x >= kSignificantDigits) {
    p[0] = digits[0];
    if (count > 1) {
      p[1] = '.';
      std::memcpy(p + 2, digits + 1, 16);
      p += count + 1;
    } else {
      p += 1;
    }
    *p++ = 'E';
    *p++ = x < 0 ? '-' : '+';
    const int e = x < 0 ? -x : x;
    if (e >= 100) *p++ = static_cast<char>('0' + e / 100);
    std::memcpy(p, kPairs + 2 * (e % 100), 2);
    return p + 2;
  }
  if (x >= 0) {
    const int whole = x + 1;
    std::memcpy(p, digits, 16);
    p += whole;
    if (count <= whole) return p;
    *p = '.';
    std::memcpy(p + 1, digits + whole, 16);
    return p + 1 + (count - whole);
  }
  std::memcpy(p, "0.000000", 8);
  p += 1 - x; // "0." and -x - 1 zeros
  std::memcpy(p, digits, 16);
  return p + count;
}

// hydraulics::TextForm(double) at `p`, which has kNumberRoom bytes.
char* WriteTextForm(char* p, double value) {
  // Zero of either sign is "0"; what is not finite takes the general path.
  if (value == 0) {
    *p = '0';
    return p + 1;
  }
  if (!std::isfinite(value)) return WriteGeneral(p, value);
  const std::optional<Digits> digits = FifteenDigits(std::fabs(value));
  if (!digits) return WriteGeneral(p, value);
  if (value < 0) *p++ = '-';
  return WriteDigits(p, *digits);
}

// A row's cells before its message, gathered on the stack and appended to
// the output at once: an append per number costs more than its digits.
class Cells {
public:
  explicit Cells(std::string& out) : out_(out) {}
  ~Cells() { out_.append(line_, static_cast<std::size_t>(p_ - line_)); }
  Cells(const Cells&) = delete;
  Cells& operator=(const Cells&) = delete;

  void Number(double value) {
    p_ = WriteTextForm(p_, value);
    *p_++ = ',';
  }
  void Number(const std::optional<double>& value) {
    if (value) p_ = WriteTextForm(p_, *value);
    *p_++ = ',';
  }
  void Empty(int n) {
    std::memset(p_, ',', static_cast<std::size_t>(n));
    p_ += n;
  }
  // A name of the toolkit's own, never with a character that needs quotes.
  void Name(const char* name) {
    const std::size_t n = std::strlen(name);
    std::memcpy(p_, name, n);
    p_ += n;
    *p_++ = ',';
  }
  void Critical(const std::optional<hydraulics::exact::CriticalState>& state) {
    if (!state) {
      Empty(6);
      return;
    }
    for (const double v : {state->depth, state->top_width, state->area, state->velocity, state->hydraulic_depth,
                           state->energy})
      Number(v);
  }

private:
  // Fifteen numbers and two names, the most a row has.
  char line_[16 * kNumberRoom + 2 * 64];
  char* p_ = line_;
  std::string& out_;
};

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
  Cells(out).Critical(result.state);
  AppendCsvField(out, result.message);
  out += '\n';
}

void WriteAnalysisRow(std::string& out, FlowColumns columns, const hydraulics::exact::Analysis& analysis,
                      std::string_view message) {
  namespace exact = hydraulics::exact;
  {
    Cells cells(out);
    cells.Critical(analysis.critical.state);
    if (columns.n) cells.Number(analysis.critical_slope);
    if (columns.normal()) {
      if (const auto& normal = analysis.normal) {
        for (const double v : {normal->depth, normal->velocity, normal->froude}) cells.Number(v);
        cells.Name(exact::RegimeName(normal->regime));
        cells.Name(exact::SlopeClassName(normal->slope_class));
      } else {
        cells.Empty(5);
      }
    }
    if (columns.h) {
      if (const auto& at = analysis.at_depth) {
        cells.Number(at->energy);
        cells.Number(at->froude);
        cells.Number(at->alternate);
        cells.Number(at->sequent);
      } else {
        cells.Empty(4);
      }
    }
  }
  AppendCsvField(out, message);
  out += '\n';
}

void AppendTextForm(std::string& out, double value) {
  char text[kNumberRoom];
  out.append(text, WriteTextForm(text, value));
}

}  // namespace cli
