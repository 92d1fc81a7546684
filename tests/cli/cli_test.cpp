// Runs the real vardenix-cli and checks what it writes and how it exits.
// Expected results come from the computation itself, run as a freshly loaded
// window would run it.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "hydraulics/exact/analysis.h"
#include "hydraulics/exact/reason_text.h"
#include "hydraulics/number_text.h"
#include "hydraulics/window/crit_depth.h"
#include "tests/cli/run_cli.h"
#include "tests/hydraulics/section_builders.h"

namespace {

using vardenix_test::Result;
using vardenix_test::RunCli;
using vardenix_test::ScratchPath;
using vardenix_test::WriteFile;

constexpr std::string_view kHeader = "depth,width,message,focus\n";

using Columns = std::vector<std::pair<std::string, std::string>>;

// Which box each column fills: 0 is TextQ, i is Text1(i).
const std::map<std::string, int> kBoxOf = {{"Q", 0}, {"R", 1},  {"b", 2},    {"W", 3},
                                           {"s1", 4}, {"s2", 5}, {"wall", 6}, {"angle", 7}};

// The output line for one row, from the computation run directly.
std::string Computed(std::int16_t type, const Columns& columns) {
  hydraulics::window::BoxTexts boxes;
  for (const auto& [name, text] : columns) {
    const int box = kBoxOf.at(name);
    (box == 0 ? boxes.TextQ : boxes.Text1[box]) = text;
  }
  hydraulics::window::Members fresh{};
  const hydraulics::window::ComputeOutcome o = hydraulics::window::Compute(type, boxes, fresh);
  std::string line = o.shown.depth + "," + o.shown.width + ",";
  if (o.message) line += std::string(o.message->text) + "," + std::string(FocusBoxName(o.message->focus));
  else line += ",";
  return line + "\n";
}

std::string Unprocessed(std::string_view why) { return ",," + std::string(why) + ",\n"; }

std::string Output(const std::vector<std::string>& rows) {
  std::string out(kHeader);
  for (const std::string& r : rows) out += r;
  return out;
}

TEST(Cli, KnownValues) {
  const Result r = RunCli({}, "type,Q,b,W,s1,s2\n2,10,5,,,\n2,,5,,,\n3,10,,,1,1\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  std::istringstream lines(r.out);
  std::string header, rectangle, empty_q, trapezoid;
  std::getline(lines, header);
  std::getline(lines, rectangle);
  std::getline(lines, empty_q);
  std::getline(lines, trapezoid);
  EXPECT_EQ(header, "depth,width,message,focus");
  EXPECT_NEAR(std::stod(rectangle), 0.742, 5e-4);
  EXPECT_TRUE(rectangle.ends_with(",5,,")) << rectangle;
  EXPECT_EQ(empty_q, ",0,输入的流量有误！,TextQ");
  EXPECT_EQ(trapezoid, "无法计算,无法计算,,");
}

struct RowCase {
  const char* name;
  const char* type_text;
  std::int16_t type;
  Columns columns; // in the order of the header
};

void PrintTo(const RowCase& c, std::ostream* os) { *os << c.name; }

class ComputedRowTest : public testing::TestWithParam<RowCase> {};

TEST_P(ComputedRowTest, ShowsWhatAFreshWindowShows) {
  const RowCase& c = GetParam();
  std::string input = "type";
  std::string row = c.type_text;
  for (const auto& [name, text] : c.columns) {
    input += "," + name;
    row += "," + text;
  }
  const Result r = RunCli({}, input + "\n" + row + "\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, Output({Computed(c.type, c.columns)}));
}

INSTANTIATE_TEST_SUITE_P(
    Sections, ComputedRowTest,
    testing::Values(
        RowCase{"Circle", "1", 1, {{"Q", "2"}, {"R", "1"}}},
        RowCase{"CircleWithoutRadius", "1", 1, {{"Q", "2"}, {"b", "3"}}},
        RowCase{"Rectangle", "2", 2, {{"Q", "10"}, {"b", "5"}}},
        RowCase{"RectangleWidthWithUnit", "2", 2, {{"Q", "10"}, {"b", "3m"}}},
        RowCase{"Trapezoid", "3", 3, {{"Q", "10"}, {"W", "5"}, {"s1", "1"}, {"s2", "1.5"}}},
        RowCase{"TrapezoidWithoutAverageWidth", "3", 3, {{"Q", "10"}, {"s1", "1"}, {"s2", "1"}}},
        RowCase{"Triangle", "4", 4, {{"Q", "1"}, {"s1", "1"}, {"s2", "1"}}},
        RowCase{"DoorwayStraightWall", "5", 5, {{"Q", "10"}, {"b", "3"}, {"wall", "2"}, {"angle", "180"}}},
        RowCase{"DoorwayArch", "5", 5, {{"Q", "30"}, {"b", "3"}, {"wall", "2"}, {"angle", "120"}}},
        RowCase{"ColumnsInAnyOrder", "5", 5, {{"angle", "120"}, {"wall", "2"}, {"b", "3"}, {"Q", "30"}}},
        RowCase{"LeadingBlanksReachTheBoxes", "2", 2, {{"Q", "  10"}, {"b", " 5 "}}},
        RowCase{"DischargeWithUnit", "2", 2, {{"Q", "2.5m"}, {"b", "5"}}},
        RowCase{"FullWidthDigitsAreNoNumber", "2", 2, {{"Q", "１０"}, {"b", "5"}}},
        RowCase{"TypeWithBlanksAndPlusSign", " +2\t", 2, {{"Q", "10"}, {"b", "5"}}},
        RowCase{"TypeZeroWritesOnlyTheWidth", "0", 0, {{"Q", "1"}, {"b", "3m"}}},
        RowCase{"TypeAtBothEndsOfTheRange", "-32768", -32768, {{"Q", "1"}, {"b", "3"}}},
        RowCase{"HighestType", "32767", 32767, {{"Q", "1"}}}),
    [](const auto& info) { return info.param.name; });

struct BatchCase {
  const char* name;
  std::string input;
  std::vector<std::string> rows;
  int status;
  std::vector<std::string> err; // lines expected on standard error, in order
};

void PrintTo(const BatchCase& c, std::ostream* os) { *os << c.name; }

class BatchTest : public testing::TestWithParam<BatchCase> {};

TEST_P(BatchTest, WritesOneLinePerRowAndReports) {
  const BatchCase& c = GetParam();
  const Result r = RunCli({}, c.input);
  EXPECT_EQ(r.out, Output(c.rows));
  EXPECT_EQ(r.status, c.status);
  std::string err;
  for (const std::string& line : c.err) err += "vardenix-cli: " + line + "\n";
  EXPECT_EQ(r.err, err);
}

const Columns kRect = {{"Q", "10"}, {"b", "5"}};
const std::size_t kMaxRecordBytes = 1 << 20;
const std::string kTooLongWhy = "该行过长（超过 1048576 字节或 4096 个字段），未处理";
const std::string kTooLong = "第 2 行第 2 列：" + kTooLongWhy;
const std::string kUnterminated = "第 3 行第 2 列：引号未闭合，其后直到输入结束的内容都读进了这一个字段";

INSTANTIATE_TEST_SUITE_P(
    CsvSyntax, BatchTest,
    testing::Values(
        BatchCase{"QuotedFields", "\"type\",\"Q\",\"b\"\n\"2\",\"10\",\"5\"\n", {Computed(2, kRect)}, 0, {}},
        BatchCase{"DoubledQuoteIsOneQuote", "type,Q,b\n2,\"1\"\"0\",5\n", {Computed(2, {{"Q", "1\"0"}, {"b", "5"}})}, 0, {}},
        BatchCase{"CommaInsideQuotes", "type,Q,b\n2,\"10,5\",5\n", {Computed(2, {{"Q", "10,5"}, {"b", "5"}})}, 0, {}},
        BatchCase{"NewlineInsideQuotes", "type,Q,b\n2,\"10\n\",5\n2,10,5\n",
                  {Computed(2, {{"Q", "10\n"}, {"b", "5"}}), Computed(2, kRect)}, 0, {}},
        BatchCase{"EmptyQuotedField", "type,Q,b\n2,\"\",5\n", {Computed(2, {{"b", "5"}})}, 0, {}},
        BatchCase{"CrLf", "type,Q,b\r\n2,10,5\r\n2,,5\r\n", {Computed(2, kRect), Computed(2, {{"b", "5"}})}, 0, {}},
        BatchCase{"ByteOrderMark", "\xEF\xBB\xBFtype,Q,b\n2,10,5\n", {Computed(2, kRect)}, 0, {}},
        BatchCase{"FinalLineWithoutNewline", "type,Q,b\n2,10,5", {Computed(2, kRect)}, 0, {}},
        BatchCase{"FinalCrWithoutLf", "type,Q,b\r\n2,10,5\r", {Computed(2, kRect)}, 0, {}},
        BatchCase{"CrOnlyLineEnds", "type,Q,b\r2,10,5\r\r2,,5\r", {Computed(2, kRect), Computed(2, {{"b", "5"}})}, 0, {}},
        BatchCase{"LoneCrEndsTheRow", "type,Q,b\n2,10\r5,5\n", {Computed(2, {{"Q", "10"}}), Computed(5, {{"Q", "5"}})}, 1,
                  {"第 2 行：只有 2 个字段，少于表头的 3 列，缺少的字段当作空文本框",
                   "第 3 行：只有 2 个字段，少于表头的 3 列，缺少的字段当作空文本框"}},
        BatchCase{"MixedLineEndsCountOneLineEach", "type,Q,b\r\n2,10,5\r\rx,1,1\n\r\ny,1,1\r",
                  {Computed(2, kRect), Unprocessed("第 4 行第 1 列（type）：“x”不是整数"),
                   Unprocessed("第 6 行第 1 列（type）：“y”不是整数")},
                  1, {"第 4 行第 1 列（type）：“x”不是整数", "第 6 行第 1 列（type）：“y”不是整数"}},
        BatchCase{"LineEndsInsideQuotesCount", "type,Q,b\r2,\"1\r\n0\r\",5\rx,1,1\r",
                  {Computed(2, {{"Q", "1\r\n0\r"}, {"b", "5"}}), Unprocessed("第 5 行第 1 列（type）：“x”不是整数")}, 1,
                  {"第 5 行第 1 列（type）：“x”不是整数"}},
        BatchCase{"BlankLinesAreSkipped", "\ntype,Q,b\n\n2,10,5\r\n\r\n\n2,,5\n\n",
                  {Computed(2, kRect), Computed(2, {{"b", "5"}})}, 0, {}},
        BatchCase{"HeaderOnly", "type,Q,b\n", {}, 0, {}},
        BatchCase{"FreshWindowForEveryRow", "type,Q,b\n2,10,5\n2,,5\n2,10,3m\n",
                  {Computed(2, kRect), ",0,输入的流量有误！,TextQ\n", Computed(2, {{"Q", "10"}, {"b", "3m"}})}, 0, {}}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    DataErrors, BatchTest,
    testing::Values(
        BatchCase{"UnknownColumnGoesUnread", "type,Q,B,b\n2,10,7,5\n", {Computed(2, kRect)}, 1,
                  {"第 1 行第 3 列：未知的列名“B”（列名区分大小写），该列不读"}},
        BatchCase{"MissingTypeColumnStopsEveryRow", "Q,b\n10,5\n20,5\n",
                  {Unprocessed("第 1 行：缺少 type 列"), Unprocessed("第 1 行：缺少 type 列")}, 1,
                  {"第 1 行：缺少 type 列"}},
        BatchCase{"NamesAreCaseSensitive", "Type,Q\n2,10\n", {Unprocessed("第 1 行：缺少 type 列")}, 1,
                  {"第 1 行第 1 列：未知的列名“Type”（列名区分大小写），该列不读", "第 1 行：缺少 type 列"}},
        BatchCase{"DuplicateColumnStopsEveryRow", "type,Q,b,Q\n2,10,5,20\n",
                  {Unprocessed("第 1 行第 4 列：列名“Q”与第 2 列重复")}, 1, {"第 1 行第 4 列：列名“Q”与第 2 列重复"}},
        BatchCase{"BadTypeKeepsRowsAligned", "type,Q,b\n2,10,5\n2.5,10,5\nabc,1,1\n,1,1\n2,10,5\n",
                  {Computed(2, kRect), Unprocessed("第 3 行第 1 列（type）：“2.5”不是整数"),
                   Unprocessed("第 4 行第 1 列（type）：“abc”不是整数"),
                   Unprocessed("第 5 行第 1 列（type）：为空，应为断面类型代码"), Computed(2, kRect)},
                  1,
                  {"第 3 行第 1 列（type）：“2.5”不是整数", "第 4 行第 1 列（type）：“abc”不是整数",
                   "第 5 行第 1 列（type）：为空，应为断面类型代码"}},
        BatchCase{"TypeBeyondSixteenBits", "Q,type\n1,32768\n1,-32769\n",
                  {Unprocessed("第 2 行第 2 列（type）：“32768”超出 16 位整数范围（-32768 至 32767）"),
                   Unprocessed("第 3 行第 2 列（type）：“-32769”超出 16 位整数范围（-32768 至 32767）")},
                  1,
                  {"第 2 行第 2 列（type）：“32768”超出 16 位整数范围（-32768 至 32767）",
                   "第 3 行第 2 列（type）：“-32769”超出 16 位整数范围（-32768 至 32767）"}},
        BatchCase{"MoreFieldsThanHeader", "type,Q,b\n2,10,5,9\n", {Computed(2, kRect)}, 1,
                  {"第 2 行第 4 列：字段多于表头的 3 列，多出的字段未读"}},
        BatchCase{"FewerFieldsThanHeader", "type,Q,b\n2,10\n", {Computed(2, {{"Q", "10"}})}, 1,
                  {"第 2 行：只有 2 个字段，少于表头的 3 列，缺少的字段当作空文本框"}},
        BatchCase{"ShortRowWithoutItsType", "Q,type\n10\n",
                  {Unprocessed("第 2 行第 2 列（type）：为空，应为断面类型代码")}, 1,
                  {"第 2 行：只有 1 个字段，少于表头的 2 列，缺少的字段当作空文本框",
                   "第 2 行第 2 列（type）：为空，应为断面类型代码"}},
        BatchCase{"UnterminatedQuoteTakesTheRest", "type,Q,b\n2,10,5\n2,\"10,5\n2,10,5\n",
                  {Computed(2, kRect), Unprocessed(kUnterminated)}, 1, {kUnterminated}},
        BatchCase{"TextAfterClosingQuote", "type,Q,b\n2,\"10\"0,5\n",
                  {Unprocessed("第 2 行第 2 列：右引号后还有其他字符")}, 1, {"第 2 行第 2 列：右引号后还有其他字符"}},
        BatchCase{"QuoteInBareField", "type,Q,b\n2,1\"0,5\n",
                  {Unprocessed("第 2 行第 2 列：未加引号的字段中出现引号")}, 1, {"第 2 行第 2 列：未加引号的字段中出现引号"}},
        BatchCase{"LinesInsideQuotesCount", "type,Q,b\n2,\"1\n0\",5\nx,1,1\n",
                  {Computed(2, {{"Q", "1\n0"}, {"b", "5"}}), Unprocessed("第 4 行第 1 列（type）：“x”不是整数")}, 1,
                  {"第 4 行第 1 列（type）：“x”不是整数"}},
        BatchCase{"EchoedTextIsQuotedInTheOutput", "type,Q\n\"2,\"\"5\",1\n",
                  {",,\"第 2 行第 1 列（type）：“2,\"\"5”不是整数\",\n"}, 1, {"第 2 行第 1 列（type）：“2,\"5”不是整数"}},
        BatchCase{"EchoedTextStaysValidUtf8", "type,Q\n\xFF\x01\xE4\xB8,1\n",
                  {Unprocessed("第 2 行第 1 列（type）：“\uFFFD\uFFFD\uFFFD\uFFFD”不是整数")}, 1,
                  {"第 2 行第 1 列（type）：“\uFFFD\uFFFD\uFFFD\uFFFD”不是整数"}},
        BatchCase{"LongEchoIsCut", "type\n" + std::string(50, '7') + "x\n",
                  {Unprocessed("第 2 行第 1 列（type）：“" + std::string(40, '7') + "…”不是整数")}, 1,
                  {"第 2 行第 1 列（type）：“" + std::string(40, '7') + "…”不是整数"}},
        BatchCase{"OverlongRowIsReadPastNotKept", "type,Q,b\n2," + std::string(kMaxRecordBytes, '1') + ",5\n2,10,5\n",
                  {Unprocessed(kTooLong), Computed(2, kRect)}, 1, {kTooLong}},
        BatchCase{"TooManyFields", "type,Q,b\n2,10" + std::string(4095, ',') + "\n2,10,5\n",
                  {Unprocessed("第 2 行第 4097 列：" + kTooLongWhy), Computed(2, kRect)}, 1,
                  {"第 2 行第 4097 列：" + kTooLongWhy}},
        BatchCase{"FieldsUpToTheBoundAreKept", "type,Q,b\n2,10,5" + std::string(4093, ',') + "\n",
                  {Computed(2, kRect)}, 1, {"第 2 行第 4 列：字段多于表头的 3 列，多出的字段未读"}},
        BatchCase{"OpenQuoteBeyondTheBoundStillSaysSo",
                  "type,Q,b\n2,10,5\n2,\"10,5\n" + std::string(kMaxRecordBytes + 10, 'x') + "\n2,10,5\n",
                  {Computed(2, kRect), Unprocessed(kUnterminated)}, 1, {kUnterminated}},
        BatchCase{"ExactColumnsGoUnreadInWindowMode", "type,Q,b,n,S0,h\n2,10,5,0.013,0.001,1\n", {Computed(2, kRect)}, 1,
                  {"第 1 行第 4 列：列“n”只用于 --geometry exact，该列不读",
                   "第 1 行第 5 列：列“S0”只用于 --geometry exact，该列不读",
                   "第 1 行第 6 列：列“h”只用于 --geometry exact，该列不读"}},
        BatchCase{"EmptyInput", "", {}, 1, {"输入中没有表头"}},
        BatchCase{"OnlyBlankLines", "\r\n\n", {}, 1, {"输入中没有表头"}},
        BatchCase{"UnterminatedQuoteInHeader", "type,\"Q\n2,10\n", {}, 1,
                  {"第 1 行第 2 列：表头引号未闭合，其后直到输入结束的内容都读进了这一个字段"}}),
    [](const auto& info) { return info.param.name; });

TEST(Cli, ManyRowsStayInOrder) {
  std::string input = "type,Q,b,W,s1,s2,R\n";
  std::vector<std::string> rows;
  for (int i = 0; i < 3000; ++i) {
    const Columns columns = {{"Q", std::to_string(i % 7)}, {"b", std::to_string(i % 5)}, {"W", std::to_string(i % 3)},
                             {"s1", "1"}, {"s2", std::to_string(i % 4)}, {"R", std::to_string(i % 6)}};
    const std::int16_t type = static_cast<std::int16_t>(i % 7);
    input += std::to_string(type);
    for (const auto& column : columns) input += "," + column.second;
    input += "\n";
    rows.push_back(Computed(type, columns));
  }
  const Result r = RunCli({}, input);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, Output(rows));
}

TEST(Cli, FileAndStandardInputGiveTheSameOutput) {
  const std::string input = "type,Q,b\n2,10,5\n2,,5\n";
  const std::string path = ScratchPath(".csv");
  WriteFile(path, input);
  const Result from_file = RunCli({path});
  std::filesystem::remove(path);
  const std::string expected = Output({Computed(2, kRect), Computed(2, {{"b", "5"}})});
  EXPECT_EQ(from_file.status, 0);
  EXPECT_EQ(from_file.out, expected);
  EXPECT_EQ(RunCli({}, input).out, expected);
  EXPECT_EQ(RunCli({"-"}, input).out, expected);
}

struct UsageCase {
  const char* name;
  std::vector<std::string> args;
  std::string err;
};

void PrintTo(const UsageCase& c, std::ostream* os) { *os << c.name; }

class UsageErrorTest : public testing::TestWithParam<UsageCase> {};

TEST_P(UsageErrorTest, ExitsWithTwoAndWritesNoOutput) {
  const Result r = RunCli(GetParam().args, "type,Q,b\n2,10,5\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(r.err.starts_with("vardenix-cli: " + GetParam().err)) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, UsageErrorTest,
    testing::Values(UsageCase{"UnknownOption", {"--bogus"}, "未知的选项“--bogus”\n用法："},
                    UsageCase{"TwoFiles", {"a.csv", "b.csv"}, "只能给一个文件\n"},
                    UsageCase{"MissingFile", {"/nonexistent/rows.csv"}, "无法读取文件“/nonexistent/rows.csv”：文件不存在"},
                    UsageCase{"Directory", {"/"}, "无法读取文件“/”：这是一个目录"},
                    UsageCase{"GravityWithoutExactGeometry", {"--g", "9.81"}, "--g 只用于 --geometry exact 和 --profile\n"},
                    UsageCase{"GravityNotANumber", {"--geometry", "exact", "--g", "abc"}, "重力加速度“abc”应为正数"},
                    UsageCase{"NegativeGravity", {"--geometry", "exact", "--g", "-1"}, "重力加速度“-1”应为正数"},
                    UsageCase{"GravityWithoutValue", {"--geometry", "exact", "--g"}, "“--g”后缺少值"},
                    UsageCase{"UnknownGeometry", {"--geometry", "round"}, "--geometry 只能是 exact 或 window"},
                    UsageCase{"GravityBeyondTheDoubleRange", {"--geometry", "exact", "--g", "1e400"},
                              "重力加速度“1e400”超出双精度范围\n"},
                    UsageCase{"GravityBelowTheDoubleRange", {"--geometry", "exact", "--g", "1e-400"},
                              "重力加速度“1e-400”超出双精度范围\n"},
                    UsageCase{"ZeroGravity", {"--geometry", "exact", "--g", "0e400"}, "重力加速度“0e400”应为正数"},
                    UsageCase{"UnitsWithoutExactGeometry", {"--units", "us"}, "--units 只用于 --geometry exact 和 --profile\n"},
                    UsageCase{"UnknownUnits", {"--geometry", "exact", "--units", "cgs"}, "--units 只能是 si 或 us\n"},
                    UsageCase{"UnitsWithoutValue", {"--geometry", "exact", "--units"}, "“--units”后缺少值"},
                    UsageCase{"OptionAfterDoubleDashIsAFile", {"--", "--help"}, "无法读取文件“--help”：文件不存在\n"},
                    UsageCase{"SecondFileAfterDoubleDash", {"a.csv", "--", "-x"}, "只能给一个文件\n"}),
    [](const auto& info) { return info.param.name; });

TEST(Cli, FullOutputDeviceIsAnIoError) {
  std::string input = "type,Q,b\n";
  for (int i = 0; i < 20000; ++i) input += "2,10,5\n";
  const Result r = RunCli({}, input, "/dev/full");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "vardenix-cli: 无法写入标准输出：设备上没有空间\n");
}

TEST(Cli, VersionIsTwoDecimals) {
  const Result r = RunCli({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "1.00\n");
}

// The lines, without their indent, that follow `title` in the help up to a blank line.
std::string HelpBlock(const std::string& help, const std::string& title) {
  std::istringstream lines(help.substr(help.find(title + "\n") + title.size() + 1));
  std::string block, line;
  while (std::getline(lines, line) && line.starts_with("  ")) block += line.substr(2) + "\n";
  return block;
}

TEST(Cli, HelpNamesEveryColumnAndItsExampleHolds) {
  const Result help = RunCli({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* name : {"type", "Q", "R", "b", "W", "s1", "s2", "wall", "angle", "depth,width,message,focus",
                           "TextQ", "Text1(1)", "Text1(2)", "空行跳过"})
    EXPECT_NE(help.out.find(name), std::string::npos) << name;
  const std::string input = HelpBlock(help.out, "示例输入：");
  ASSERT_FALSE(input.empty());
  EXPECT_EQ(RunCli({}, input).out, HelpBlock(help.out, "示例输出："));
}

TEST(Cli, HelpNamesTheExactColumnsAndItsExactExampleHolds) {
  const Result help = RunCli({"--help"});
  for (const char* name : {"--units si|us", "32.174", "1.486", "critical_slope", "normal_depth", "normal_velocity",
                           "normal_froude", "regime", "slope_class", "energy_at_h", "froude_at_h", "alternate_depth",
                           "sequent_depth", "缓流", "陡坡", "“；”", "--  "})
    EXPECT_NE(help.out.find(name), std::string::npos) << name;
  const std::string input = HelpBlock(help.out, "精确断面几何示例输入（vardenix-cli --geometry exact）：");
  ASSERT_FALSE(input.empty());
  EXPECT_EQ(RunCli({"--geometry", "exact"}, input).out, HelpBlock(help.out, "精确断面几何示例输出："));
}

namespace exact = hydraulics::exact;
using namespace exact::testing_sections;

// The exact-mode line for one row, from the toolkit run directly.
std::string ExactLine(const exact::Section& section, double g = 9.8) {
  const exact::Analysis a = exact::Analyse(section, {}, {g, 1, hydraulics::LengthUnit::Metre});
  const std::string why = exact::NotesText(a.notes, hydraulics::LengthUnit::Metre);
  if (!a.critical) return ",,,,,," + why + "\n";
  using hydraulics::TextForm;
  const exact::CriticalState& c = *a.critical;
  return TextForm(c.depth) + "," + TextForm(c.top_width) + "," + TextForm(c.area) + "," + TextForm(c.velocity) +
         "," + (c.hydraulic_depth ? TextForm(*c.hydraulic_depth) : "") + "," + TextForm(c.energy) + "," + why + "\n";
}

TEST(CliExact, WritesTheCriticalStateOfEveryRow) {
  const Result r = RunCli({"--geometry", "exact"},
                          "type,Q,R,b,W,s1,s2,wall,angle\n"
                          "1,2,1,,,,,,\n5,40,,3,,,,2,180\n3,10,,5,,1,1.5,,\n3,10,,,5,1,1.5,,\n"
                          "1,50,0.5,,,,,,\n4,1,,,,1,0,,\n2,0,,1,,,,,\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "depth,width,area,velocity,hydraulic_depth,energy,message\n" + ExactLine(Circular(2, 1)) +
                       ExactLine(Doorway(40, 3, 2, 180)) + ExactLine(Trapezoid(10, 5, 1 / 1.5)) +
                       ExactLine(AverageTrapezoid(10, 5, 1 / 1.5)) + ExactLine(Circular(50, 0.5)) +
                       ",,,,,,边坡坡度必须大于0\n" + ",,,,,,流量必须大于0\n");
  EXPECT_NE(r.out.find("临界水深超过断面高度的95%"), std::string::npos);
  EXPECT_TRUE(r.out.find("\n0.666515935727845,") != std::string::npos) << r.out;
}

TEST(CliExact, GravityCanBeSet) {
  const Result r = RunCli({"--geometry", "exact", "--g", "9.81"}, "type,Q,b\n2,10,5\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "depth,width,area,velocity,hydraulic_depth,energy,message\n" + ExactLine(Rectangular(10, 5), 9.81));
  EXPECT_NEAR(std::stod(r.out.substr(r.out.find('\n') + 1)), std::cbrt(4 / 9.81), 1e-14);
}

// Depths named in messages carry the unit system's length.
TEST(CliExact, MessagesNameTheUnitsLength) {
  const std::string input = "type,Q,b,wall,angle\n5,2.49001,0.153926,3.49475,357.362\n";
  const Result us = RunCli({"--geometry", "exact", "--units", "us"}, input);
  EXPECT_NE(us.out.find("顶拱内另有临界水深 3.51988 英尺、"), std::string::npos) << us.out;
  EXPECT_EQ(us.out.find("米"), std::string::npos) << us.out;
}

struct CellCase {
  const char* name;
  std::string row;      // under type,Q,R,b,W,s1,s2,wall,angle
  std::string message;  // the row's message; empty: the row computes
};

void PrintTo(const CellCase& c, std::ostream* os) { *os << c.name; }

class ExactCellTest : public testing::TestWithParam<CellCase> {};

// A section cell that is not wholly one number is a fault of its row, not a
// silent leading number; cells the row's shape does not use are not read.
TEST_P(ExactCellTest, SectionCellsAreWholeNumbers) {
  const CellCase& c = GetParam();
  const Result r = RunCli({"--geometry", "exact"}, "type,Q,R,b,W,s1,s2,wall,angle\n" + c.row + "\n");
  const std::string line = r.out.substr(r.out.find('\n') + 1);
  EXPECT_EQ(r.status, c.message.empty() ? 0 : 1) << r.err;
  if (c.message.empty()) {
    EXPECT_FALSE(line.starts_with(",")) << line;
  } else {
    EXPECT_EQ(line, ",,,,,," + c.message + "\n");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cells, ExactCellTest,
    testing::Values(
        CellCase{"BlanksAroundANumber", "2, 10 ,,\t5\t,,,,,", ""},
        CellCase{"DecimalCommaIsNotANumber", "2,\"1,5\",,5,,,,,", "\"第 2 行第 2 列（Q）：“1,5”不是一个数\""},
        CellCase{"TrailingText", "2,10abc,,5,,,,,", "第 2 行第 2 列（Q）：“10abc”不是一个数"},
        CellCase{"TextAlone", "1,abc,1,,,,,,", "第 2 行第 2 列（Q）：“abc”不是一个数"},
        CellCase{"EmbeddedNul", std::string("2,1") + '\0' + "0,,5,,,,,", "第 2 行第 2 列（Q）：“1\uFFFD0”不是一个数"},
        CellCase{"BeyondTheDoubleRange", "2,1e400,,5,,,,,", "第 2 行第 2 列（Q）：“1e400”超出双精度范围"},
        CellCase{"UnderflowIsBeyondTheRangeToo", "2,10,,1e-400,,,,,", "第 2 行第 4 列（b）：“1e-400”超出双精度范围"},
        CellCase{"DimensionOfTheShape", "5,10,,3,,,,2m,180", "第 2 行第 8 列（wall）：“2m”不是一个数"},
        CellCase{"CellTheShapeDoesNotUseIsNotRead", "1,2,1,x,,,,,", ""}),
    [](const auto& info) { return info.param.name; });

TEST(CliExact, UnprocessableRowsKeepTheSevenColumns) {
  const Result r = RunCli({"--geometry", "exact"}, "type,Q\nx,1\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "depth,width,area,velocity,hydraulic_depth,energy,message\n,,,,,,第 2 行第 1 列（type）：“x”不是整数\n");
}

}  // namespace
