// The batch tool as a stream: each row is answered while the input is still
// open, and its memory does not grow with the input.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/cli/run_cli.h"

namespace {

using vardenix_test::PipedCli;
using vardenix_test::RunCli;

// Sets an environment variable for the tools the test starts, and restores it.
class EnvironmentGuard {
public:
  EnvironmentGuard(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value, 1);
  }
  ~EnvironmentGuard() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }

private:
  const char* name_;
  std::optional<std::string> old_;
};

struct PipeCase {
  const char* name;
  std::vector<std::string> args;
  std::string line_end;
};

void PrintTo(const PipeCase& c, std::ostream* os) { *os << c.name; }

class PipeTest : public testing::TestWithParam<PipeCase> {};

// A test that holds back more input until the answer comes hangs on a tool
// that answers only at the end; the deadline turns that into a failure.
TEST_P(PipeTest, AnswersEachRowBeforeTheInputEnds) {
  const PipeCase& c = GetParam();
  const std::string header = "type,Q,b" + c.line_end;
  const std::string rows[] = {"2,10,5" + c.line_end, "2,,5" + c.line_end};
  // The same rows from a file give the lines to expect.
  const std::string whole = RunCli(c.args, header + rows[0] + rows[1]).out;
  const std::size_t first_row_end = whole.find('\n', whole.find('\n') + 1) + 1;

  PipedCli cli(c.args);
  ASSERT_TRUE(cli.Write(header + rows[0]));
  EXPECT_EQ(cli.ReadLines(2), whole.substr(0, first_row_end));
  ASSERT_TRUE(cli.Write(rows[1]));
  EXPECT_EQ(cli.ReadLines(1), whole.substr(first_row_end));
  cli.CloseInput();
  EXPECT_EQ(cli.ReadLines(1), "");
  EXPECT_EQ(cli.Wait(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    LineEnds, PipeTest,
    testing::Values(PipeCase{"WindowLf", {}, "\n"}, PipeCase{"WindowCr", {}, "\r"},
                    PipeCase{"WindowCrLf", {}, "\r\n"}, PipeCase{"ExactLf", {"--geometry", "exact"}, "\n"},
                    PipeCase{"ExactCrLf", {"--geometry", "exact"}, "\r\n"},
                    PipeCase{"ExactUsUnitsCr", {"--geometry", "exact", "--units", "us"}, "\r"}),
    [](const auto& info) { return info.param.name; });

TEST(CliStream, NonBlockingInputIsWaitedFor) {
  PipedCli cli({}, true);
  EXPECT_EQ(cli.ReadLines(1, std::chrono::milliseconds(300)), "");
  ASSERT_TRUE(cli.Write("type,Q,b\n2,,5\n"));
  EXPECT_EQ(cli.ReadLines(2), "depth,width,message,focus\n,0,输入的流量有误！,TextQ\n");
  cli.CloseInput();
  EXPECT_EQ(cli.Wait(), 0);
}

TEST(CliStream, ByteOrderMarkSplitAcrossWritesIsDropped) {
  PipedCli cli({});
  ASSERT_TRUE(cli.Write("\xEF"));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_TRUE(cli.Write("\xBB\xBFtype,Q,b\n2,,5\n"));
  EXPECT_EQ(cli.ReadLines(2), "depth,width,message,focus\n,0,输入的流量有误！,TextQ\n");
  cli.CloseInput();
  EXPECT_EQ(cli.Wait(), 0);
}

TEST(CliStream, ReportsLeaveWithTheirRow) {
  PipedCli cli({});
  ASSERT_TRUE(cli.Write("type,Q,b\nx,1,1\n"));
  EXPECT_EQ(cli.ReadLines(2), "depth,width,message,focus\n,,第 2 行第 1 列（type）：“x”不是整数,\n");
  cli.CloseInput();
  EXPECT_EQ(cli.Wait(), 1);
}

// Forty thousand rows, then four hundred thousand more: a tool that held its
// input would grow by about ten megabytes.
TEST(CliStream, MemoryStaysFlat) {
  // AddressSanitizer keeps freed blocks aside, up to hundreds of megabytes,
  // which would count as growth; the tool's own memory is what is measured.
  const EnvironmentGuard quarantine("ASAN_OPTIONS", "quarantine_size_mb=0");
  const auto rows = [](int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += std::to_string(i % 6) + ",10.25,5.5,3,1,1.5,1.25\n";
    return text;
  };
  PipedCli cli({});
  ASSERT_TRUE(cli.Pump("type,Q,b,W,s1,s2,R\n" + rows(40000)));
  const long early = cli.PeakMemoryKiB();
  ASSERT_TRUE(cli.Pump(rows(400000)));
  const long late = cli.PeakMemoryKiB();
  EXPECT_GT(early, 0);
  EXPECT_LT(late - early, 4096) << early << " KiB, then " << late << " KiB";
  cli.CloseInput();
  cli.ReadLines(1 << 30);
  EXPECT_EQ(cli.Wait(), 0);
}

struct DoubleDashCase {
  const char* name;
  std::vector<std::string> args;
};

void PrintTo(const DoubleDashCase& c, std::ostream* os) { *os << c.name; }

class DoubleDashTest : public testing::TestWithParam<DoubleDashCase> {};

TEST_P(DoubleDashTest, EndsTheOptions) {
  const std::string input = "type,Q,b\n2,10,5\n";
  // Relative, so that its name starts with a dash.
  const std::string dash_file = "-vardenix-cli-" + std::to_string(getpid()) + ".csv";
  vardenix_test::WriteFile(dash_file, input);
  std::vector<std::string> args = GetParam().args;
  for (std::string& a : args)
    if (a == "FILE") a = dash_file;
  const auto r = RunCli(args, input);
  std::filesystem::remove(dash_file);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, RunCli({}, input).out);
}

INSTANTIATE_TEST_SUITE_P(Arguments, DoubleDashTest,
                         testing::Values(DoubleDashCase{"StandardInputAfterIt", {"--", "-"}},
                                         DoubleDashCase{"NothingAfterIt", {"--"}},
                                         DoubleDashCase{"FileAfterIt", {"--", "FILE"}}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
