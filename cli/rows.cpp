#include "cli/rows.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>

#include "hydraulics/exact/reason_text.h"
#include "hydraulics/number_text.h"

namespace cli {
namespace {

// Where a column's text goes: a box (0 is TextQ, i is Text1(i)), one of the
// exact form's flow inputs, or elsewhere.
constexpr int kTypeColumn = -1;
constexpr int kUnreadColumn = -2;
constexpr int kBoxCount = 8;
constexpr int kFlowN = kBoxCount;
constexpr int kFlowS0 = kBoxCount + 1;
constexpr int kFlowH = kBoxCount + 2;
// --profile's own inputs: h1, h2, L, alpha and steps.
constexpr int kProfileH1 = kBoxCount + 3;
constexpr int kProfileSteps = kProfileH1 + 4;

struct ColumnName {
  std::string_view name;
  int target;
};
constexpr ColumnName kColumns[] = {{"type", kTypeColumn}, {"Q", 0},       {"R", 1},       {"b", 2},
                                   {"W", 3},              {"s1", 4},      {"s2", 5},      {"wall", 6},
                                   {"angle", 7},          {"n", kFlowN}, {"S0", kFlowS0}, {"h", kFlowH},
                                   {"h1", kProfileH1},    {"h2", kProfileH1 + 1}, {"L", kProfileH1 + 2},
                                   {"alpha", kProfileH1 + 3}, {"steps", kProfileSteps}};

bool IsFlow(int target) { return target >= kFlowN && target < kProfileH1; }
bool IsProfileOnly(int target) { return target >= kProfileH1; }

// The column names of the boxes, by box.
constexpr std::string_view kBoxNames[kBoxCount] = {"Q", "R", "b", "W", "s1", "s2", "wall", "angle"};

constexpr std::string_view kFlowNames[] = {"n", "S0", "h"};
// Why a row whose flow input is blank lacks the values that need it.
constexpr std::string_view kBlankFlow[] = {"未给糙率 n", "未给底坡 S0", "未给水深 h"};
constexpr std::string_view kProfileNames[] = {"h1", "h2", "L", "alpha", "steps"};
// Only the control depth must be given; the others have defaults or stand in for each other.
constexpr std::string_view kBlankProfile[] = {"未给控制水深 h1", "", "", "", ""};

std::string& Box(hydraulics::window::BoxTexts& boxes, int target) {
  return target == 0 ? boxes.TextQ : boxes.Text1[target];
}

// Length of the valid UTF-8 sequence at the start of `s`, or 0.
std::size_t Utf8Length(std::string_view s) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  if (at(0) < 0x80) return 1;
  // The allowed range of the second byte rules out overlong forms, surrogates
  // and code points beyond U+10FFFF.
  struct Form {
    unsigned char lead_lo, lead_hi;
    std::size_t length;
    unsigned char second_lo, second_hi;
  };
  static constexpr Form kForms[] = {{0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF},
                                    {0xE1, 0xEC, 3, 0x80, 0xBF}, {0xED, 0xED, 3, 0x80, 0x9F},
                                    {0xEE, 0xEF, 3, 0x80, 0xBF}, {0xF0, 0xF0, 4, 0x90, 0xBF},
                                    {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F}};
  for (const Form& f : kForms) {
    if (at(0) < f.lead_lo || at(0) > f.lead_hi) continue;
    if (s.size() < f.length || at(1) < f.second_lo || at(1) > f.second_hi) return 0;
    for (std::size_t i = 2; i < f.length; ++i)
      if (at(i) < 0x80 || at(i) > 0xBF) return 0;
    return f.length;
  }
  return 0;
}

// The section-type code: an integer, blanks around it allowed.
struct TypeCode {
  std::optional<std::int16_t> value;
  std::string problem;
};

TypeCode ReadType(std::string_view text) {
  // The usual cell, a lone digit, needs none of the general reading.
  if (text.size() == 1 && text[0] >= '0' && text[0] <= '9') return {static_cast<std::int16_t>(text[0] - '0'), {}};
  constexpr std::string_view kBlanks = " \t";
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {std::nullopt, "为空，应为断面类型代码"};
  std::string_view digits = text.substr(first, text.find_last_not_of(kBlanks) + 1 - first);
  // from_chars takes a minus sign but not a plus sign.
  if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-') digits.remove_prefix(1);
  std::int16_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error == std::errc::result_out_of_range && end == digits.data() + digits.size())
    return {std::nullopt, Quoted(text) + "超出 16 位整数范围（-32768 至 32767）"};
  if (error != std::errc() || end != digits.data() + digits.size()) return {std::nullopt, Quoted(text) + "不是整数"};
  return {value, {}};
}

void AddNote(std::string& notes, std::string_view why) {
  if (!notes.empty()) notes += "；";
  notes += why;
}

}  // namespace

std::string At(LineNumber line, std::size_t column) {
  return "第 " + std::to_string(line) + " 行第 " + std::to_string(column) + " 列";
}

std::string Quoted(std::string_view text) {
  constexpr std::size_t kShownBytes = 40;
  std::string out = "“";
  std::size_t i = 0;
  while (i < text.size() && i < kShownBytes) {
    const std::size_t n = Utf8Length(text.substr(i));
    const bool control = n == 1 && (static_cast<unsigned char>(text[i]) < 0x20 || text[i] == 0x7F);
    if (n == 0 || control)
      out += "\uFFFD";
    else
      out.append(text, i, n);
    i += n == 0 ? 1 : n;
  }
  if (i < text.size()) out += "…";
  return out + "”";
}

Rows::Rows(const Options& options, RowSink& sink) : options_(options), sink_(sink) {}

// A header that leaves a value without its column, or with two, stops every
// row; an unknown column only goes unread.
void Rows::StopAllRows(const std::string& why) {
  sink_.Report(why);
  if (!header_fault_) header_fault_ = why;
}

void Rows::ReadHeader(const CsvRecord& header) {
  std::size_t first_seen[std::size(kColumns)] = {}; // 1-based column, 0 until met
  for (std::size_t i = 0; i < header.size(); ++i) {
    const std::string_view name = header.field(i);
    const std::string where = At(header.field_line(i), i + 1);
    const auto known = std::find_if(std::begin(kColumns), std::end(kColumns),
                                    [&](const ColumnName& c) { return c.name == name; });
    int target = kUnreadColumn;
    if (known == std::end(kColumns)) {
      sink_.Report(where + "：未知的列名" + Quoted(name) + "（列名区分大小写），该列不读");
    } else if (IsFlow(known->target) && !options_.exact && !options_.profile) {
      sink_.Report(where + "：列" + Quoted(name) + "只用于 --geometry exact，该列不读");
    } else if (known->target == kFlowH && options_.profile) {
      sink_.Report(where + "：列" + Quoted(name) + "不用于 --profile（控制水深为列“h1”），该列不读");
    } else if (IsProfileOnly(known->target) && !options_.profile) {
      sink_.Report(where + "：列" + Quoted(name) + "只用于 --profile，该列不读");
    } else if (std::size_t& first = first_seen[known - std::begin(kColumns)]; first != 0) {
      StopAllRows(where + "：列名" + Quoted(name) + "与第 " + std::to_string(first) + " 列重复");
    } else {
      first = i + 1;
      target = known->target;
    }
    if (target == kTypeColumn) type_column_ = i;
    if (IsFlow(target)) flow_column_[target - kFlowN] = i;
    if (IsProfileOnly(target)) profile_column_[target - kProfileH1] = i;
    if (target >= 0 && target < kBoxCount) box_column_[target] = i;
    targets_.push_back(target);
  }
  // The bed slope serves only the normal depth, which needs the roughness too.
  if (!options_.profile && flow_column_[1] && !flow_column_[0]) {
    sink_.Report(At(header.field_line(*flow_column_[1]), *flow_column_[1] + 1) + "：有列“S0”而无列“n”，该列不读");
    targets_[*flow_column_[1]] = kUnreadColumn;
    flow_column_[1].reset();
  }
  flow_ = {flow_column_[0].has_value(), flow_column_[1].has_value(), flow_column_[2].has_value()};
  if (!type_column_) StopAllRows("第 " + std::to_string(header.line()) + " 行：缺少 type 列");
  if (options_.profile) {
    std::string missing;
    const auto need = [&missing](bool has, std::string_view what) {
      if (has) return;
      if (!missing.empty()) missing += "、";
      missing.append(what);
    };
    need(flow_column_[0].has_value(), "“n”");
    need(flow_column_[1].has_value(), "“S0”");
    need(profile_column_[0].has_value(), "“h1”");
    need(profile_column_[1] || profile_column_[2], "“h2”或“L”");
    if (!missing.empty())
      StopAllRows("第 " + std::to_string(header.line()) + " 行：--profile 缺少列" + missing);
  }
}

bool Rows::Reads(std::size_t column) const { return column < targets_.size() && targets_[column] != kUnreadColumn; }

bool Rows::TakesNumber(std::size_t column) const {
  if (!options_.exact && !options_.profile) return false;
  const int target = column < targets_.size() ? targets_[column] : kUnreadColumn;
  return target >= 0 && target != kProfileSteps;
}

void Rows::Compute(const CsvRecord& row, const std::optional<double>* numbers) {
  numbers_ = numbers;
  const std::size_t type_at = *type_column_;
  const bool has_type = type_at < row.size();
  const TypeCode type = ReadType(has_type ? row.field(type_at) : std::string_view{});
  if (!type.value) {
    const std::string why =
        At(has_type ? row.field_line(type_at) : row.line(), type_at + 1) + "（type）：" + type.problem;
    sink_.Report(why);
    sink_.MessageOnly(why);
    return;
  }
  if (options_.profile)
    Profile(*type.value, row);
  else if (options_.exact)
    Exact(*type.value, row);
  else
    Window(*type.value, row);
}

void Rows::Window(std::int16_t type, const CsvRecord& row) {
  // Boxes without a column stay empty from the start.
  for (int i = 0; i < kBoxCount; ++i) {
    const std::optional<std::size_t>& column = box_column_[i];
    if (!column) continue;
    std::string& box = Box(boxes_, i);
    if (*column < row.size())
      box.assign(row.field(*column));
    else
      box.clear();
  }
  hydraulics::window::Members fresh{};
  sink_.WindowRow(hydraulics::window::Compute(type, boxes_, fresh));
}

// The flow input `which` (0 n, 1 S0, 2 h) of a row whose header names it:
// read as a box reads its text, blank as not given; text without a number
// is a fault of its row, not a silent 0.
std::optional<double> Rows::FlowValue(const CsvRecord& row, int which, std::string& notes) {
  return NumberCell(row, *flow_column_[which], kFlowNames[which], kBlankFlow[which], notes);
}

// A cell read as a box reads its text; `blank`, when not empty, is the note
// for a blank cell.
std::optional<double> Rows::NumberCell(const CsvRecord& row, std::size_t at, std::string_view name,
                                       std::string_view blank, std::string& notes) {
  if (numbers_ && numbers_[at]) return numbers_[at];
  const std::string_view text = at < row.size() ? row.field(at) : std::string_view{};
  const std::string_view number = hydraulics::SkipBlanks(text);
  if (number.empty()) {
    if (!blank.empty()) AddNote(notes, blank);
    return std::nullopt;
  }
  const hydraulics::NumberPrefix read = hydraulics::ReadNumberPrefix(number);
  if (read.length == 0) {
    CellFault(row, at, name, "不是数，当作未给", notes);
    return std::nullopt;
  }
  if (!read.value) CellFault(row, at, name, "超出双精度范围，当作未给", notes);
  return read.value;
}

// The steps cell: a whole number, blank for the default. One that is no
// whole number is a fault and the default serves; one out of range goes on
// to the toolkit, which names the range.
int Rows::StepsCell(const CsvRecord& row, std::string& notes) {
  const std::optional<std::size_t> at = profile_column_[4];
  if (!at || *at >= row.size() || hydraulics::SkipBlanks(row.field(*at)).empty())
    return hydraulics::exact::kDefaultProfileSteps;
  double value = 0;
  if (hydraulics::ReadWholeNumber(row.field(*at), value) != hydraulics::NumberFault::None || value != std::floor(value)) {
    CellFault(row, *at, kProfileNames[4], "不是整数，当作未给（分段数取 10）", notes);
    return hydraulics::exact::kDefaultProfileSteps;
  }
  return std::fabs(value) <= hydraulics::exact::kMaxProfileSteps ? static_cast<int>(value)
                                                                  : hydraulics::exact::kMaxProfileSteps + 1;
}

void Rows::CellFault(const CsvRecord& row, std::size_t at, std::string_view name, std::string_view problem,
                     std::string& notes) {
  std::string why = At(row.field_line(at), at + 1);
  why.append("（").append(name).append("）：").append(Quoted(row.field(at))).append(problem);
  sink_.Report(why);
  AddNote(notes, why);
}

// A section cell of the exact form: blank is not given, anything but one
// whole number a fault of its row, named in `faults`.
double Rows::SectionValue(const CsvRecord& row, int box, std::string& faults) {
  const std::optional<std::size_t> at = box_column_[box];
  if (!at || *at >= row.size()) return 0;
  if (numbers_ && numbers_[*at]) return *numbers_[*at];
  const std::string_view text = row.field(*at);
  if (hydraulics::SkipBlanks(text).empty()) return 0;
  double value = 0;
  switch (hydraulics::ReadWholeNumber(text, value)) {
    case hydraulics::NumberFault::None: return value;
    case hydraulics::NumberFault::NotANumber: CellFault(row, *at, kBoxNames[box], "不是一个数", faults); break;
    case hydraulics::NumberFault::BeyondRange: CellFault(row, *at, kBoxNames[box], "超出双精度范围", faults); break;
  }
  return 0;
}

// The section a row describes, reading only the cells its shape uses.
std::optional<hydraulics::exact::Section> Rows::SectionOf(std::int16_t type, const CsvRecord& row,
                                                          std::string& faults) {
  namespace exact = hydraulics::exact;
  const bool bottom_width_given = box_column_[2] && *box_column_[2] < row.size() &&
                                  !hydraulics::SkipBlanks(row.field(*box_column_[2])).empty();
  const std::optional<exact::Shape> shape = exact::ShapeOfTypeCode(type, bottom_width_given);
  if (!shape) {
    exact::AppendNoteText(faults, exact::Note{exact::Reason::SectionTypeUnknown, 0, {}}, options_.units.length);
    return std::nullopt;
  }
  exact::Section s;
  s.shape = *shape;
  s.Q = SectionValue(row, 0, faults);
  switch (*shape) {
    case exact::Shape::Circle: s.R = SectionValue(row, 1, faults); break;
    case exact::Shape::Rectangle: s.b = SectionValue(row, 2, faults); break;
    case exact::Shape::AverageTrapezoid: s.W = SectionValue(row, 3, faults); [[fallthrough]];
    case exact::Shape::Trapezoid:
    case exact::Shape::Triangle: {
      if (*shape == exact::Shape::Trapezoid) s.b = SectionValue(row, 2, faults);
      const double rise = SectionValue(row, 4, faults), run = SectionValue(row, 5, faults);
      s.s = rise / run;
      break;
    }
    case exact::Shape::Doorway:
      s.b = SectionValue(row, 2, faults);
      s.wall = SectionValue(row, 6, faults);
      s.angle = SectionValue(row, 7, faults);
      break;
  }
  if (!faults.empty()) return std::nullopt;
  return s;
}

void Rows::Exact(std::int16_t type, const CsvRecord& row) {
  namespace exact = hydraulics::exact;
  notes_.clear();
  const std::optional<exact::Section> section = SectionOf(type, row, notes_);
  if (!section) {
    sink_.MessageOnly(notes_);
    return;
  }
  exact::FlowInputs inputs;
  if (flow_.n) inputs.n = FlowValue(row, 0, notes_);
  if (flow_.S0) inputs.S0 = FlowValue(row, 1, notes_);
  if (flow_.h) inputs.h = FlowValue(row, 2, notes_);
  const exact::Analysis analysis = exact::Analyse(*section, inputs, options_.units);
  message_.clear();
  exact::AppendNotesText(message_, analysis.notes, options_.units.length);
  if (!notes_.empty()) {
    if (!message_.empty()) message_ += "；";
    message_ += notes_;
  }
  sink_.ExactRow(analysis, message_);
}

void Rows::Profile(std::int16_t type, const CsvRecord& row) {
  namespace exact = hydraulics::exact;
  notes_.clear();
  const std::optional<exact::Section> section = SectionOf(type, row, notes_);
  if (!section) {
    sink_.ProfileMessage(notes_, {});
    return;
  }
  const std::optional<double> n = FlowValue(row, 0, notes_), S0 = FlowValue(row, 1, notes_);
  std::optional<double> given[4];  // h1, h2, L, alpha
  for (int i = 0; i < 4; ++i)
    if (profile_column_[i]) given[i] = NumberCell(row, *profile_column_[i], kProfileNames[i], kBlankProfile[i], notes_);
  const int steps = StepsCell(row, notes_);
  if (!n || !S0 || !given[0]) {
    sink_.ProfileMessage(notes_, {});
    return;
  }
  exact::ProfileInputs in;
  in.n = *n;
  in.S0 = *S0;
  in.h1 = *given[0];
  in.h2 = given[1];
  in.L = given[2];
  in.alpha = given[3];
  in.steps = steps;
  exact::ComputeProfile(*section, in, options_.units, profile_);
  if (profile_.computed()) {
    sink_.ProfileRows(profile_, notes_);
    return;
  }
  message_.clear();
  exact::AppendNotesText(message_, profile_.notes, options_.units.length);
  if (!notes_.empty()) message_.append(message_.empty() ? "" : "；").append(notes_);
  // An end the profile cannot reach leaves it without stations, not without its type.
  std::string name;
  if (profile_.type) exact::AppendProfileName(name, profile_);
  sink_.ProfileMessage(message_, name);
}

}  // namespace cli
