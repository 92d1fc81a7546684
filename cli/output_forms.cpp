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
#include "hydraulics/exact/reason_text.h"
#include "hydraulics/number_text.h"

namespace cli {
namespace {

constexpr std::string_view kWindowHeader = "depth,width,message,focus";
constexpr std::string_view kCriticalColumns = "depth,width,area,velocity,hydraulic_depth,energy";
constexpr std::string_view kCriticalSlopeColumn = "critical_slope";
constexpr std::string_view kNormalColumns = "normal_depth,normal_velocity,normal_froude,regime,slope_class";
constexpr std::string_view kAtDepthColumns = "energy_at_h,froude_at_h,alternate_depth,sequent_depth";
constexpr std::string_view kProfileHeader =
    "row,profile,x,h,area,velocity,froude,energy,friction_slope,x_step,message";

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
  const int power = kSignificantDigits - 1 - exponent;
  // The value times 10^power is (m 5^power) shifted down by `drop`; beyond
  // these bounds (below about 1e-13, from about 1e14) the general
  // conversion serves.
  const int drop = -(e + power);
  if (power < 1 || power > kMaxPower || drop < 1 || drop > 125) return std::nullopt;
  // Both candidates at once and a select: which one holds fifteen digits
  // depends on the digits themselves, and a branch on it is missed as often
  // as not.
  const Wide low_exponent = static_cast<Wide>(m) * kPowersOfFive[power];
  const Wide high_exponent = static_cast<Wide>(m) * kPowersOfFive[power - 1];
  constexpr std::uint64_t kTop = 1'000'000'000'000'000;
  const bool above = (low_exponent >> drop) >= kTop;
  const Wide scaled = above ? high_exponent : low_exponent;
  const int shift = drop + (above ? 1 : 0);
  exponent += above ? 1 : 0;
  const std::uint64_t whole = static_cast<std::uint64_t>(scaled >> shift);
  // Halves go to the even neighbour.
  const Wide rest = scaled & ((Wide{1} << shift) - 1);
  const Wide half = Wide{1} << (shift - 1);
  Digits d{whole + (rest + (whole & 1) > half ? 1 : 0), exponent};
  if (d.value == kTop) {
    d.value /= 10;
    ++d.exponent;
  }
  return d;
}

// What WriteTextForm may touch from where it starts writing: the longest
// text, "-1.23456789012345E-308", is shorter, but digits are copied in
// fixed 16-byte moves whose excess is overwritten or left unused.
constexpr std::size_t kNumberRoom = 48;

// Magnitudes the fast path does not cover, and what is not finite.
char* WriteGeneral(char* p, double value) {
  const std::string text = hydraulics::TextForm(value);
  std::memcpy(p, text.data(), text.size());
  return p + text.size();
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

// Writes the text form of `d` at `p`; returns the end. The digits stay in
// a register and go out in fixed 16-byte stores; whether a number has a
// whole part, and how long its fraction is, are selects rather than
// branches, since they change from one column to the next.
char* WriteDigits(char* p, Digits d) {
  constexpr std::uint64_t kLowHalf = 100000000;
  __extension__ using Text = unsigned __int128;
  constexpr Text kAscii = Text{0x3030303030303030} << 64 | 0x3030303030303030;
  // The high seven digits come as eight with a leading zero, shifted out;
  // the sixteenth byte is a zero digit.
  const std::uint64_t high = EightDigits(static_cast<std::uint32_t>(d.value / kLowHalf));
  const std::uint64_t low = EightDigits(static_cast<std::uint32_t>(d.value % kLowHalf));
  const Text raw = (static_cast<Text>(low) << 64 | high) >> 8;
  const auto raw_high = static_cast<std::uint64_t>(raw >> 64), raw_low = static_cast<std::uint64_t>(raw);
  // Digits up to and including the last nonzero one; the first is never zero.
  const int leading_zeros = std::countl_zero(raw_high) + (raw_high == 0 ? std::countl_zero(raw_low) : 0);
  const int count = (127 - leading_zeros) / 8 + 1;
  const Text digits = raw + kAscii;
  const auto put = [](char* at, Text text) { std::memcpy(at, &text, sizeof text); };

  const int x = d.exponent;
  if (x < -4 || x >= kSignificantDigits) {
    p[0] = static_cast<char>(digits);
    if (count > 1) {
      p[1] = '.';
      put(p + 2, digits >> 8);
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
  // Below 1: "0." then -x - 1 zeros and the digits. Otherwise the whole
  // part, and the rest after a point when there is any; a point with
  // nothing after it is left past the end.
  const bool below_one = x < 0;
  const int whole = below_one ? 1 : x + 1;
  put(p, below_one ? Text{'0'} : digits);
  p += whole;
  *p = '.';
  std::memcpy(p + 1, "00000000", 8);
  const int zeros = below_one ? -x - 1 : 0;
  put(p + 1 + zeros, below_one ? digits : digits >> (8 * whole));
  const int after_point = below_one ? zeros + count : count - whole;
  return after_point > 0 ? p + 1 + after_point : p;
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
  void Whole(std::int64_t value) {
    p_ = std::to_chars(p_, p_ + kNumberRoom, value).ptr;
    *p_++ = ',';
  }
  // A name of the toolkit's own, never with a character that needs quotes.
  void Name(std::string_view name) {
    std::memcpy(p_, name.data(), name.size());
    p_ += name.size();
    *p_++ = ',';
  }
  void Critical(const std::optional<hydraulics::exact::CriticalState>& state) {
    if (!state) {
      Empty(6);
      return;
    }
    for (const double v : {state->depth, state->top_width, state->area, state->velocity}) Number(v);
    Number(state->hydraulic_depth);
    Number(state->energy);
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

OutputForm OutputForm::Profiles() { return OutputForm(std::string(kProfileHeader), 10); }

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

void WriteWindowRow(std::string& out, const hydraulics::window::ComputeOutcome& outcome) {
  const auto& message = outcome.message;
  AppendCsvField(out, outcome.shown.depth);
  out += ',';
  AppendCsvField(out, outcome.shown.width);
  out += ',';
  if (message) {
    AppendCsvField(out, message->text);
    out += ',';
    AppendCsvField(out, hydraulics::window::FocusBoxName(message->focus));
  } else {
    out += ',';
  }
  out += '\n';
}

void WriteAnalysisRow(std::string& out, FlowColumns columns, const hydraulics::exact::Analysis& analysis,
                      std::string_view message) {
  namespace exact = hydraulics::exact;
  {
    Cells cells(out);
    cells.Critical(analysis.critical);
    if (columns.n) cells.Number(analysis.critical_slope);
    if (columns.normal()) {
      if (const auto& normal = analysis.normal) {
        for (const double v : {normal->depth, normal->velocity, normal->froude}) cells.Number(v);
        cells.Name(exact::RegimeName(normal->regime));
      } else {
        cells.Empty(4);
      }
      if (analysis.slope_class)
        cells.Name(exact::SlopeClassName(*analysis.slope_class));
      else
        cells.Empty(1);
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

namespace {

bool EndsProfile(hydraulics::exact::Reason r) {
  return r == hydraulics::exact::Reason::StopsAtCriticalDepth || r == hydraulics::exact::Reason::StopsAtCrown;
}

// The notes that do (`at_end`) or do not end the profile, each after a
// "；" when `out` has text already.
void AppendProfileNotes(std::string& out, const hydraulics::exact::Notes& notes, hydraulics::LengthUnit unit,
                        bool at_end) {
  for (const hydraulics::exact::Note& note : notes) {
    if (EndsProfile(note.reason) != at_end) continue;
    if (!out.empty()) out += "；";
    hydraulics::exact::AppendNoteText(out, note, unit);
  }
}

}  // namespace

void AppendProfileStationMessage(std::string& out, const hydraulics::exact::Profile& profile, std::size_t i,
                                 hydraulics::LengthUnit unit, std::string_view extra) {
  if (i == 0) {
    AppendProfileNotes(out, profile.notes, unit, false);
    if (!extra.empty()) out.append(out.empty() ? "" : "；").append(extra);
  }
  if (i + 1 == profile.stations.size()) AppendProfileNotes(out, profile.notes, unit, true);
}

void WriteProfileRows(std::string& out, std::int64_t row, const hydraulics::exact::Profile& profile,
                      hydraulics::LengthUnit unit, std::string_view extra) {
  std::string name;
  hydraulics::exact::AppendProfileName(name, profile);
  std::string message;
  const std::size_t last = profile.stations.size() - 1;
  for (std::size_t i = 0; i <= last; ++i) {
    const hydraulics::exact::ProfileStation& s = profile.stations[i];
    {
      Cells cells(out);
      cells.Whole(row);
      cells.Name(name);
      for (const double v : {s.x, s.h, s.area, s.velocity, s.froude, s.energy, s.friction_slope}) cells.Number(v);
      // A step whose mean friction slope equals the bed slope has no distance.
      if (std::isfinite(s.x_step))
        cells.Number(s.x_step);
      else
        cells.Empty(1);
    }
    message.clear();
    AppendProfileStationMessage(message, profile, i, unit, extra);
    AppendCsvField(out, message);
    out += '\n';
  }
}

void WriteProfileMessage(std::string& out, std::int64_t row, std::string_view message, std::string_view name) {
  char digits[24];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, row).ptr);
  out.append(",").append(name).append(",,,,,,,,,");
  AppendCsvField(out, message);
  out += '\n';
}

void AppendTextForm(std::string& out, double value) {
  char text[kNumberRoom];
  out.append(text, WriteTextForm(text, value));
}

}  // namespace cli
