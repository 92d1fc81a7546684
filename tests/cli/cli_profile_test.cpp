// vardenix-cli --profile end to end: the help's example, the lines a row
// gives with and without a profile, the options it takes, and its answers
// arriving row by row.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "hydraulics/exact/profile.h"
#include "hydraulics/exact/reason_text.h"
#include "hydraulics/number_text.h"
#include "tests/cli/run_cli.h"
#include "tests/hydraulics/section_builders.h"

namespace {

namespace exact = hydraulics::exact;
using vardenix_test::PipedCli;
using vardenix_test::RunCli;

const std::vector<std::string> kProfile = {"--profile"};
constexpr std::string_view kHeader = "row,profile,x,h,area,velocity,froude,energy,friction_slope,x_step,message\n";

// The lines, without their indent, that follow `title` in the help up to a blank line.
std::string HelpBlock(const std::string& help, const std::string& title) {
  std::istringstream lines(help.substr(help.find(title + "\n") + title.size() + 1));
  std::string block, line;
  while (std::getline(lines, line) && line.starts_with("  ")) block += line.substr(2) + "\n";
  return block;
}

TEST(CliProfile, HelpNamesTheColumnsAndTypesAndItsExampleHolds) {
  const auto help = RunCli({"--help"});
  for (const char* text : {"--profile", "--k 值", "h1", "h2", "alpha", "steps", "x_step", "M1", "S3", "C1", "H2", "A3",
                           "b′", "c′", "壅水曲线", "降水曲线", "壅水长度", "水跃或跌水"})
    EXPECT_NE(help.out.find(text), std::string::npos) << text;
  const std::string input = HelpBlock(help.out, "水面曲线示例输入（vardenix-cli --profile --units us --g 32.2 --k 1.4859）：");
  ASSERT_FALSE(input.empty());
  EXPECT_EQ(RunCli({"--profile", "--units", "us", "--g", "32.2", "--k", "1.4859"}, input).out,
            HelpBlock(help.out, "水面曲线示例输出："));
}

// Every station's line carries the toolkit's values in the text form, in US
// units with the tool's own k.
TEST(CliProfile, StationLinesAreTheToolkitsValues) {
  const auto r = RunCli({"--profile", "--units", "us"}, "type,Q,R,n,S0,h1,L,steps\n1,20,2,0.013,0.001,3.5,,\n"
                                                        "1,20,2,0.013,0.001,3.5,800,4\n");
  EXPECT_EQ(r.status, 0) << r.err;  // a row without an end is the toolkit's reason, not a fault of its data
  exact::ProfileInputs in;
  in.n = 0.013;
  in.S0 = 0.001;
  in.h1 = 3.5;
  in.L = 800;
  in.steps = 4;
  const exact::Profile p = exact::ComputeProfile(exact::testing_sections::Circular(20, 2), in, hydraulics::kUS);
  ASSERT_EQ(p.stations.size(), 5u);
  std::string name;
  exact::AppendProfileName(name, p);
  std::string expected = std::string(kHeader) + "1,,,,,,,,,,需给出终点水深 h2 或渠段长度 L\n";
  for (std::size_t i = 0; i < p.stations.size(); ++i) {
    const exact::ProfileStation& s = p.stations[i];
    expected += "2," + name;
    for (const double v : {s.x, s.h, s.area, s.velocity, s.froude, s.energy, s.friction_slope, s.x_step})
      expected += "," + hydraulics::TextForm(v);
    expected += ",";
    if (i == 0) expected += exact::NotesText(p.notes, hydraulics::LengthUnit::Foot);
    expected += "\n";
  }
  EXPECT_EQ(r.out, expected);
}

struct LinesCase {
  const char* name;
  std::string input;
  std::string out;  // after the header; "…" stands for a profile's station lines
  int status;
};
void PrintTo(const LinesCase& c, std::ostream* os) { *os << c.name; }

class ProfileLinesTest : public testing::TestWithParam<LinesCase> {};

// Station lines are shown as "row,profile,x,…": enough to tell which row
// they answer and where its stations lie; lines without a station in full.
std::string Abridged(const std::string& out) {
  std::istringstream lines(out.substr(kHeader.size()));
  std::string result, line;
  while (std::getline(lines, line)) {
    const std::size_t profile_end = line.find(',', line.find(',') + 1);
    const std::size_t x_end = line.find(',', profile_end + 1);
    result += (x_end > profile_end + 1 ? line.substr(0, x_end) + ",…" : line) + "\n";
  }
  return result;
}

TEST_P(ProfileLinesTest, OneLinePerStationOrOneWithTheReason) {
  const auto r = RunCli(kProfile, GetParam().input);
  EXPECT_EQ(r.status, GetParam().status) << r.err;
  ASSERT_TRUE(r.out.starts_with(kHeader)) << r.out;
  EXPECT_EQ(Abridged(r.out), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProfileLinesTest,
    testing::Values(
        LinesCase{"RowsAreNumberedFromOneAndBlankLinesDoNotCount",
                  "type,Q,b,n,S0,h1,L,steps\n2,10,5,0.013,0.001,0.3,20,1\n\n2,10,5,0.013,0.001,0.3,20,2\n",
                  "1,c1型壅水曲线,0,…\n1,c1型壅水曲线,20,…\n2,c1型壅水曲线,0,…\n2,c1型壅水曲线,10,…\n2,c1型壅水曲线,20,…\n",
                  0},
        LinesCase{"AnUnreachableEndKeepsTheType", "type,Q,b,n,S0,h1,h2\n2,10,5,0.013,0.001,2,0.9\n",
                  "1,a1型壅水曲线,,,,,,,,,壅水长度 1807.73 米（至水深与正常水深相差1%处，水深 1.02973 米）；"
                  "终点水深达不到：水面曲线只渐近正常水深 1.01953 米\n",
                  0},
        LinesCase{"FaultyRowsKeepTheirNumber",
                  "type,Q,b,n,S0,h1,L\nx,10,5,0.013,0.001,2,100\n2,10,5,0.013,0.001,,100\n2,10,5m,0.013,0.001,2,100\n",
                  "1,,,,,,,,,,第 2 行第 1 列（type）：“x”不是整数\n2,,,,,,,,,,未给控制水深 h1\n"
                  "3,,,,,,,,,,第 4 行第 3 列（b）：“5m”不是一个数\n",
                  1},
        LinesCase{"StepsOutOfRangeIsTheToolkitsReason", "type,Q,b,n,S0,h1,L,steps\n2,10,5,0.013,0.001,2,100,20000\n",
                  "1,,,,,,,,,,分段数须为 1 到 10000 之间的整数\n", 0},
        LinesCase{"StepsNotWholeTakeTheDefault", "type,Q,b,n,S0,h1,L,steps\n2,10,5,0.013,0.001,2,100,2.5\n",
                  "1,a1型壅水曲线,0,…\n1,a1型壅水曲线,-10,…\n1,a1型壅水曲线,-20,…\n1,a1型壅水曲线,-30,…\n"
                  "1,a1型壅水曲线,-40,…\n1,a1型壅水曲线,-50,…\n1,a1型壅水曲线,-60,…\n1,a1型壅水曲线,-70,…\n"
                  "1,a1型壅水曲线,-80,…\n1,a1型壅水曲线,-90,…\n1,a1型壅水曲线,-100,…\n",
                  1},
        LinesCase{"MissingColumnsStopEveryRow", "type,Q,b,n,h2\n2,10,5,0.013,1\n2,10,5,0.013,1\n",
                  "1,,,,,,,,,,第 1 行：--profile 缺少列“S0”、“h1”\n2,,,,,,,,,,第 1 行：--profile 缺少列“S0”、“h1”\n", 1},
        LinesCase{"TheExactModesDepthColumnGoesUnread", "type,Q,b,n,S0,h1,h,L,steps\n2,10,5,0.013,0.001,2,7,100,1\n",
                  "1,a1型壅水曲线,0,…\n1,a1型壅水曲线,-100,…\n", 1}),
    [](const auto& info) { return info.param.name; });

TEST(CliProfile, TheProfileColumnsGoUnreadElsewhere) {
  const auto r = RunCli({"--geometry", "exact"}, "type,Q,b,h1\n2,10,5,1\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("列“h1”只用于 --profile，该列不读"), std::string::npos) << r.err;
}

struct UsageCase {
  const char* name;
  std::vector<std::string> args;
  std::string err;
};
void PrintTo(const UsageCase& c, std::ostream* os) { *os << c.name; }

class ProfileUsageTest : public testing::TestWithParam<UsageCase> {};

TEST_P(ProfileUsageTest, ExitsWithTwoAndWritesNoOutput) {
  const auto r = RunCli(GetParam().args, "type,Q,b,n,S0,h1,L\n2,10,5,0.013,0.001,2,100\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(r.err.starts_with("vardenix-cli: " + GetParam().err)) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ProfileUsageTest,
    testing::Values(UsageCase{"ManningConstantNotANumber", {"--profile", "--k", "abc"}, "曼宁公式的单位系数“abc”应为正数"},
                    UsageCase{"ManningConstantZero", {"--profile", "--k", "0"}, "曼宁公式的单位系数“0”应为正数"},
                    UsageCase{"ManningConstantWithoutValue", {"--profile", "--k"}, "“--k”后缺少值"},
                    UsageCase{"ManningConstantWithTheWindowsMethod", {"--k", "1.49"}, "--k 只用于 --geometry exact 和 --profile"},
                    UsageCase{"ProfileWithTheWindowsMethod", {"--geometry", "window", "--profile"},
                              "--profile 按精确断面几何计算，不能与 --geometry window 同用"}),
    [](const auto& info) { return info.param.name; });

TEST(CliProfile, KReachesTheExactModeToo) {
  const std::string input = "type,Q,b,n,S0\n2,10,5,0.013,0.001\n";
  EXPECT_NE(RunCli({"--geometry", "exact"}, input).out, RunCli({"--geometry", "exact", "--k", "1.2"}, input).out);
}

// A profile's lines come before the next row is sent.
TEST(CliProfile, AnswersEachRowBeforeTheInputEnds) {
  PipedCli cli(kProfile);
  ASSERT_TRUE(cli.Write("type,Q,b,n,S0,h1,L,steps\n2,10,5,0.013,0.001,2,100,3\n"));
  const std::string first = cli.ReadLines(5);
  EXPECT_EQ(std::count(first.begin(), first.end(), '\n'), 5) << first;
  ASSERT_TRUE(cli.Write("2,10,5,0.013,0.001,2,100,1\n"));
  const std::string second = cli.ReadLines(2);
  EXPECT_TRUE(second.starts_with("2,a1型壅水曲线,0,")) << second;
  cli.CloseInput();
  EXPECT_EQ(cli.Wait(), 0);
}

}  // namespace
