// vardenix-cli: the compute command of the calculation window, run on every
// row of a CSV batch.

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/csv.h"
#include "hydraulics/crit_depth.h"
#include "hydraulics/exact_geometry.h"
#include "hydraulics/number_text.h"

namespace {

constexpr std::string_view kProgram = "vardenix-cli";

enum ExitStatus { kAllFine = 0, kDataError = 1, kUsageError = 2 };

constexpr std::string_view kHelp = R"(用法：vardenix-cli [--geometry exact [--g 值]] [文件]

按计算窗口的“开始计算”逐行计算一批断面的临界水深和水面宽度。
从文件读入 CSV；不给文件或文件为 - 时读标准输入。结果以 CSV 写到标准输出。

输入
  第一行是表头，其后每行一次计算。列的顺序任意，列名区分大小写：
    type   断面类型代码（16 位整数）：1 圆形断面，2 矩形断面，3 梯形断面，4 三角形断面，
           5 门洞形断面；其他整数照窗口的做法只写出水面宽度。前后的空格和制表符不计。
    Q      流量，TextQ
    R      半径，Text1(1)
    b      底(顶)宽，Text1(2)
    W      平均宽度，Text1(3)
    s1     边坡坡度前项，Text1(4)
    s2     边坡坡度后项，Text1(5)
    wall   直墙高度，Text1(6)
    angle  顶拱角度，Text1(7)
  除 type 外，字段按原样放进对应的文本框（前导空格也保留），读法与窗口相同。
  缺少的列当作空文本框。type 列不可缺少。
  格式按 RFC 4180：字段可加双引号，引号内可含逗号和换行，"" 表示一个双引号；
  行尾可为 CRLF 或 LF，最后一行可不带换行，开头的 UTF-8 BOM 忽略。空行跳过，不产生输出行。

输出
  表头 depth,width,message,focus，其后每个输入行对应一行，顺序不变：
    depth    计算后 Text1(8)（临界水深）显示的文本
    width    计算后 TextBk（水面宽度）显示的文本
    message  窗口会弹出的提示（无则为空）；该行无法处理时为错误说明
    focus    提示后获得焦点的文本框：TextQ、Text1(1) 或 Text1(2)（无则为空）
  每行都像在刚打开的窗口中计算，互不影响。需要时字段加双引号，行尾为 LF，编码 UTF-8。

错误
  错误写到标准错误，注明行号和列号；其余各行照常计算并输出：
    未知的列名（该列不读）、重复的列名或缺少 type 列（各行均不计算）、
    type 不是整数或超出 16 位范围、字段多于或少于表头、引号不成对。
  无法处理的行仍输出一行：depth、width、focus 为空，message 为错误说明。

退出状态
  0 全部正常；1 输入数据有错；2 用法错误或无法读写。

精确断面几何（--geometry exact）
  不按窗口的方法，而按真实断面几何求解临界条件 α·Q²·B(h) / (g·A(h)³) = 1，精确到双精度：
    圆形为弓形面积，矩形、三角形同窗口，梯形给出 b 时按底宽为 b 的真梯形
    （A = (b + h/s)·h，B = b + 2h/s），否则按平均宽度 W；门洞形为直墙以下的矩形加顶拱弓形，
    α 取 1.05，其余 α = 1。输入列相同；每行输出临界状态：
    表头 depth,width,area,velocity,hydraulic_depth,energy,message
    depth 临界水深，width 水面宽度，area 过水面积，velocity 流速 Q/A，
    hydraulic_depth 水力深度 A/B，energy 断面比能 h + α·V²/(2g)；数值为双精度文本形式。
    message 为空，或说明输入构不成断面的原因，或提示临界水深超过封闭断面高度的 95%。
  --g 值     重力加速度，默认 9.8（仅用于 --geometry exact）

选项
  --help     显示本说明
  --version  显示版本号
  --geometry window|exact  按窗口的方法（默认）或按精确断面几何计算

示例输入：
  type,Q,b,W,s1,s2
  2,10,5,,,
  3,10,,5,1,1.5
  3,10,,,1,1
  2,,5,,,
  2.5,10,5,,,

示例输出：
  depth,width,message,focus
  0.741784871693015,5,,
  0.796719246864319,6.195079,,
  无法计算,无法计算,,
  ,0,输入的流量有误！,TextQ
  ,,第 6 行第 1 列（type）：“2.5”不是整数,

)";

// Writes leave in large blocks: a million rows would otherwise cost a system
// call per line on standard error, which stdio does not buffer.
class BufferedStream {
public:
  explicit BufferedStream(std::FILE* file) : file_(file) {}
  ~BufferedStream() { Flush(); }

  std::string& buffer() { return buffer_; }
  bool FlushWhenFull() { return buffer_.size() < kFlushSize ? !failed_ : Flush(); }
  // False when any write so far failed.
  bool Flush() {
    if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) failed_ = true;
    buffer_.clear();
    if (std::fflush(file_) != 0) failed_ = true;
    return !failed_;
  }

private:
  static constexpr std::size_t kFlushSize = 1 << 16;
  std::FILE* file_;
  std::string buffer_;
  bool failed_ = false;
};

// Where a column's text goes: a box (0 is TextQ, i is Text1(i)), or elsewhere.
constexpr int kTypeColumn = -1;
constexpr int kUnreadColumn = -2;

struct ColumnName {
  std::string_view name;
  int target;
};
constexpr ColumnName kColumns[] = {{"type", kTypeColumn}, {"Q", 0},    {"R", 1},    {"b", 2},    {"W", 3},
                                   {"s1", 4},             {"s2", 5},   {"wall", 6}, {"angle", 7}};
constexpr int kBoxCount = 8;

std::string& Box(hydraulics::BoxTexts& boxes, int target) {
  return target == 0 ? boxes.TextQ : boxes.Text1[target];
}

std::string At(int line, std::size_t column) {
  return "第 " + std::to_string(line) + " 行第 " + std::to_string(column) + " 列";
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

// A typed text quoted inside a message. Messages go to a terminal and into the
// UTF-8 output, so broken sequences and control characters become U+FFFD, and
// a long text is cut.
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

std::string_view FaultText(cli::CsvFault fault) {
  switch (fault) {
    case cli::CsvFault::UnterminatedQuote: return "引号未闭合";
    case cli::CsvFault::TextAfterQuote: return "右引号后还有其他字符";
    case cli::CsvFault::QuoteInBareField: return "未加引号的字段中出现引号";
  }
  return {};
}

// What the rows are computed with, and the columns written for each.
struct OutputForm {
  std::string_view header;
  std::size_t fields;
  std::size_t message_field;
};
constexpr OutputForm kWindowForm{"depth,width,message,focus", 4, 2};
constexpr OutputForm kExactForm{"depth,width,area,velocity,hydraulic_depth,energy,message", 7, 6};

struct Options {
  bool exact = false;
  double g = hydraulics::exact::kDefaultGravity;
};

// The section-type code: an integer, blanks around it allowed.
struct TypeCode {
  std::optional<std::int16_t> value;
  std::string problem;
};

TypeCode ReadType(std::string_view text) {
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

class Batch {
public:
  Batch(BufferedStream& out, BufferedStream& err, const Options& options)
      : out_(out), err_(err), options_(options), form_(options.exact ? kExactForm : kWindowForm) {
    out_.buffer().append(form_.header) += '\n';
  }

  void Run(std::string_view input) {
    cli::CsvReader reader(input);
    cli::CsvRecord record;
    if (!reader.Next(record)) {
      Report("输入中没有表头");
      return;
    }
    ReadHeader(record);
    while (reader.Next(record)) {
      Row(record);
      // Output that can no longer be written is not worth computing.
      if (!out_.FlushWhenFull()) return;
      err_.FlushWhenFull();
    }
  }

  bool failed() const { return failed_; }

private:
  void Report(std::string_view text) {
    failed_ = true;
    err_.buffer().append(kProgram).append(": ").append(text) += '\n';
  }

  void Write(std::initializer_list<std::string_view> fields) {
    std::string& b = out_.buffer();
    bool first = true;
    for (const std::string_view field : fields) {
      if (!std::exchange(first, false)) b += ',';
      cli::AppendCsvField(b, field);
    }
    b += '\n';
  }

  // A row that could not be computed: only its message.
  void WriteMessageOnly(std::string_view message) {
    std::string& b = out_.buffer();
    for (std::size_t i = 0; i < form_.fields; ++i) {
      if (i > 0) b += ',';
      if (i == form_.message_field) cli::AppendCsvField(b, message);
    }
    b += '\n';
  }

  void Unprocessable(const std::string& why) {
    Report(why);
    WriteMessageOnly(why);
  }

  // A header that leaves a value without its column, or with two, stops every
  // row; an unknown column only goes unread.
  void StopAllRows(const std::string& why) {
    Report(why);
    if (!header_fault_) header_fault_ = why;
  }

  void ReadHeader(const cli::CsvRecord& header) {
    if (const auto& fault = header.fault()) {
      StopAllRows(At(fault->line, fault->column) + "：表头" + std::string(FaultText(fault->fault)));
      return;
    }
    std::size_t first_seen[std::size(kColumns)] = {}; // 1-based column, 0 until met
    for (std::size_t i = 0; i < header.size(); ++i) {
      const std::string_view name = header.field(i);
      const std::string where = At(header.field_line(i), i + 1);
      const auto known = std::find_if(std::begin(kColumns), std::end(kColumns),
                                      [&](const ColumnName& c) { return c.name == name; });
      int target = kUnreadColumn;
      if (known == std::end(kColumns)) {
        Report(where + "：未知的列名" + Quoted(name) + "（列名区分大小写），该列不读");
      } else if (std::size_t& first = first_seen[known - std::begin(kColumns)]; first != 0) {
        StopAllRows(where + "：列名" + Quoted(name) + "与第 " + std::to_string(first) + " 列重复");
      } else {
        first = i + 1;
        target = known->target;
      }
      if (target == kTypeColumn) type_column_ = i;
      targets_.push_back(target);
    }
    if (!type_column_) StopAllRows("第 " + std::to_string(header.line()) + " 行：缺少 type 列");
  }

  void Row(const cli::CsvRecord& row) {
    if (row.fault()) {
      Unprocessable(At(row.fault()->line, row.fault()->column) + "：" + std::string(FaultText(row.fault()->fault)));
      return;
    }
    if (header_fault_) {
      WriteMessageOnly(*header_fault_);
      return;
    }
    const std::size_t columns = targets_.size();
    if (row.size() > columns)
      Report(At(row.field_line(columns), columns + 1) + "：字段多于表头的 " + std::to_string(columns) +
             " 列，多出的字段未读");
    else if (row.size() < columns)
      Report("第 " + std::to_string(row.line()) + " 行：只有 " + std::to_string(row.size()) + " 个字段，少于表头的 " +
             std::to_string(columns) + " 列，缺少的字段当作空文本框");

    const std::size_t type_at = *type_column_;
    const bool has_type = type_at < row.size();
    const TypeCode type = ReadType(has_type ? row.field(type_at) : std::string_view{});
    if (!type.value) {
      Unprocessable(At(has_type ? row.field_line(type_at) : row.line(), type_at + 1) + "（type）：" + type.problem);
      return;
    }
    for (int box = 0; box < kBoxCount; ++box) Box(boxes_, box).clear();
    for (std::size_t i = 0; i < row.size() && i < columns; ++i)
      if (targets_[i] >= 0) Box(boxes_, targets_[i]).assign(row.field(i));

    if (options_.exact)
      WriteExact(*type.value);
    else
      WriteWindow(*type.value);
  }

  void WriteWindow(std::int16_t type) {
    hydraulics::Members fresh{};
    const hydraulics::ComputeOutcome outcome = hydraulics::Compute(type, boxes_, fresh);
    const auto& message = outcome.message;
    Write({outcome.shown.depth, outcome.shown.width, message ? message->text : std::string_view{},
           message ? hydraulics::FocusBoxName(message->focus) : std::string_view{}});
  }

  void WriteExact(std::int16_t type) {
    namespace exact = hydraulics::exact;
    const exact::Result result = exact::Solve(exact::FromBoxes(type, boxes_), options_.g);
    if (!result.state) {
      WriteMessageOnly(result.message);
      return;
    }
    const exact::CriticalState& c = *result.state;
    using hydraulics::TextForm;
    Write({TextForm(c.depth), TextForm(c.top_width), TextForm(c.area), TextForm(c.velocity),
           TextForm(c.hydraulic_depth), TextForm(c.energy), result.message});
  }

  BufferedStream& out_;
  BufferedStream& err_;
  const Options options_;
  const OutputForm form_;
  std::vector<int> targets_;
  std::optional<std::size_t> type_column_;
  std::optional<std::string> header_fault_;
  hydraulics::BoxTexts boxes_;
  bool failed_ = false;
};

std::string ReadFailure(int error) {
  switch (error) {
    case ENOENT: return "文件不存在";
    case EACCES: return "没有读取权限";
    case EISDIR: return "这是一个目录";
    default: return std::strerror(error);
  }
}

// The whole input at once: the reader then works on one buffer.
bool ReadAll(std::FILE* file, std::string& text) {
  constexpr std::size_t kChunk = 1 << 20;
  std::size_t used = 0;
  for (;;) {
    text.resize(used + kChunk);
    const std::size_t n = std::fread(text.data() + used, 1, kChunk, file);
    used += n;
    if (n < kChunk) break;
  }
  text.resize(used);
  return !std::ferror(file);
}

int UsageError(BufferedStream& err, const std::string& what) {
  err.buffer().append(kProgram).append(": ").append(what).append(
      "\n用法：vardenix-cli [--geometry exact [--g 值]] [文件]，详见 vardenix-cli --help\n");
  return kUsageError;
}

int WriteFailure(BufferedStream& err) {
  err.buffer().append(kProgram).append(": 无法写入标准输出：").append(std::strerror(errno)) += '\n';
  return kUsageError;
}

}  // namespace

int main(int argc, char** argv) {
  BufferedStream out(stdout);
  BufferedStream err(stderr);
  const char* path = nullptr;
  Options options;
  bool g_given = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--geometry" || arg == "--g") {
      if (i + 1 == argc) return UsageError(err, Quoted(arg) + "后缺少值");
      const std::string_view value = argv[++i];
      if (arg == "--geometry") {
        if (value != "exact" && value != "window") return UsageError(err, "--geometry 只能是 exact 或 window");
        options.exact = value == "exact";
        continue;
      }
      const std::optional<double> g = hydraulics::LeadingNumber(value);
      if (!hydraulics::IsNumericText(value) || !g || !(*g > 0))
        return UsageError(err, "重力加速度" + Quoted(value) + "应为正数");
      options.g = *g;
      g_given = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      out.buffer() += kHelp;
      return out.Flush() ? kAllFine : WriteFailure(err);
    }
    if (arg == "--version") {
      out.buffer().append(VARDENIX_VERSION) += '\n';
      return out.Flush() ? kAllFine : WriteFailure(err);
    }
    if (arg.starts_with('-') && arg != "-") return UsageError(err, "未知的选项" + Quoted(arg));
    if (path) return UsageError(err, "只能给一个文件");
    path = argv[i];
  }

  if (g_given && !options.exact) return UsageError(err, "--g 只用于 --geometry exact");

  std::string input;
  const bool from_stdin = !path || std::string_view(path) == "-";
  std::FILE* file = from_stdin ? stdin : std::fopen(path, "rb");
  const bool read = file && ReadAll(file, input);
  const int read_error = errno;
  if (file && !from_stdin) std::fclose(file);
  if (!read) {
    err.buffer().append(kProgram).append(": 无法读取").append(from_stdin ? "标准输入" : "文件" + Quoted(path));
    err.buffer().append("：").append(ReadFailure(read_error)) += '\n';
    return kUsageError;
  }

  Batch batch(out, err, options);
  batch.Run(input);
  if (!out.Flush()) return WriteFailure(err);
  return batch.failed() ? kDataError : kAllFine;
}
