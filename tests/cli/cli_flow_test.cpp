// The exact form's optional columns n, S0 and h, end to end through the real
// vardenix-cli: which columns appear and where, what an empty or unreadable
// cell gives, and that both unit systems reach the toolkit.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "hydraulics/exact/analysis.h"
#include "hydraulics/exact/reason_text.h"
#include "hydraulics/number_text.h"
#include "tests/cli/run_cli.h"
#include "tests/hydraulics/section_builders.h"

namespace {

namespace exact = hydraulics::exact;
using vardenix_test::RunCli;

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> cells;
  std::istringstream in(line);
  std::string cell;
  while (std::getline(in, cell, ',')) cells.push_back(cell);
  if (!line.empty() && line.back() == ',') cells.emplace_back();
  return cells;
}

// The cells the toolkit gives for the rectangle b = 5, Q = 10, in the tool's
// column order, with the library's own text form; `notes` are what the tool
// adds about its cells.
std::string Expected(const exact::FlowInputs& in, bool n, bool S0, bool h, const hydraulics::Units& units,
                     const std::string& notes) {
  const exact::Analysis a = exact::Analyse(exact::testing_sections::Rectangular(10, 5), in, units);
  using hydraulics::TextForm;
  const auto cell = [](const std::optional<double>& v) { return (v ? TextForm(*v) : std::string()) + ","; };
  std::string line;
  if (const auto& c = a.critical)
    line += TextForm(c->depth) + "," + TextForm(c->top_width) + "," + TextForm(c->area) + "," +
            TextForm(c->velocity) + "," + cell(c->hydraulic_depth) + TextForm(c->energy) + ",";
  else
    line += ",,,,,,";
  if (n) line += cell(a.critical_slope);
  if (n && S0) {
    if (const auto& m = a.normal)
      line += TextForm(m->depth) + "," + TextForm(m->velocity) + "," + TextForm(m->froude) + "," +
              std::string(exact::RegimeName(m->regime)) + ",";
    else
      line += ",,,,";
    line += (a.slope_class ? std::string(exact::SlopeClassName(*a.slope_class)) : std::string()) + ",";
  }
  if (h) {
    if (const auto& d = a.at_depth)
      line += TextForm(d->energy) + "," + TextForm(d->froude) + "," + cell(d->alternate) + cell(d->sequent);
    else
      line += ",,,,";
  }
  std::string message = exact::NotesText(a.notes, units.length);
  if (!notes.empty()) message += (message.empty() ? "" : "；") + notes;
  return line + message + "\n";
}

constexpr std::string_view kCritical = "depth,width,area,velocity,hydraulic_depth,energy";
constexpr std::string_view kNormal = ",normal_depth,normal_velocity,normal_froude,regime,slope_class";
constexpr std::string_view kAtDepth = ",energy_at_h,froude_at_h,alternate_depth,sequent_depth";

struct FlowCase {
  const char* name;
  std::vector<std::string> args;
  std::string header;         // beside type,Q,b
  std::string cells;          // the row's cells under `header`
  exact::FlowInputs inputs;   // what those cells mean
  std::string expected_header;
  std::string notes;          // the tool's own message about the cells
  int status;
};

void PrintTo(const FlowCase& c, std::ostream* os) { *os << c.name; }

class FlowColumnsTest : public testing::TestWithParam<FlowCase> {};

TEST_P(FlowColumnsTest, AddsTheColumnsBeforeTheMessage) {
  const FlowCase& c = GetParam();
  const auto r = RunCli(c.args, "type,Q,b," + c.header + "\n2,10,5," + c.cells + "\n");
  EXPECT_EQ(r.status, c.status) << r.err;
  hydraulics::Units units = hydraulics::kSI;
  for (std::size_t i = 0; i + 1 < c.args.size(); ++i)
    if (c.args[i] == "--units" && c.args[i + 1] == "us") units = hydraulics::kUS;
  for (std::size_t i = 0; i + 1 < c.args.size(); ++i)
    if (c.args[i] == "--g") units.g = std::stod(c.args[i + 1]);
  const bool n = c.expected_header.find("critical_slope") != std::string::npos;
  const bool S0 = c.expected_header.find("normal_depth") != std::string::npos;
  const bool h = c.expected_header.find("energy_at_h") != std::string::npos;
  EXPECT_EQ(r.out, std::string(kCritical) + c.expected_header + ",message\n" +
                       Expected(c.inputs, n, S0, h, units, c.notes));
}

const std::vector<std::string> kExact = {"--geometry", "exact"};
const std::vector<std::string> kExactUs = {"--geometry", "exact", "--units", "us"};
const std::string kAll = std::string(",critical_slope") + std::string(kNormal) + std::string(kAtDepth);

INSTANTIATE_TEST_SUITE_P(
    Headers, FlowColumnsTest,
    testing::Values(
        FlowCase{"RoughnessAloneGivesTheCriticalSlope", kExact, "n", "0.013", {0.013, {}, {}}, ",critical_slope", "", 0},
        FlowCase{"RoughnessAndSlopeGiveTheNormalDepth", kExact, "n,S0", "0.013,0.001", {0.013, 0.001, {}},
                 ",critical_slope" + std::string(kNormal), "", 0},
        FlowCase{"DepthAloneGivesTheStateAtIt", kExact, "h", "0.4", {{}, {}, 0.4}, std::string(kAtDepth), "", 0},
        FlowCase{"AllThreeInAnyOrder", kExact, "h,S0,n", "0.4,0.001,0.013", {0.013, 0.001, 0.4}, kAll, "", 0},
        FlowCase{"UsUnits", kExactUs, "n,S0,h", "0.013,0.001,0.4", {0.013, 0.001, 0.4}, kAll, "", 0},
        FlowCase{"GravitySetBesideUsUnits", {"--geometry", "exact", "--g", "32.2", "--units", "us"}, "n,S0,h",
                 "0.013,0.001,0.4", {0.013, 0.001, 0.4}, kAll, "", 0},
        FlowCase{"GravitySetInSi", {"--geometry", "exact", "--g", "9.81"}, "n,S0,h", "0.013,0.001,0.4",
                 {0.013, 0.001, 0.4}, kAll, "", 0},
        FlowCase{"SlopeWithoutRoughnessGoesUnread", kExact, "S0", "0.001", {}, "", "", 1}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Cells, FlowColumnsTest,
    testing::Values(
        FlowCase{"BlankCellsAreNotGiven", kExact, "n,S0,h", ", \t,", {}, kAll, "未给糙率 n；未给底坡 S0；未给水深 h", 0},
        FlowCase{"BlankDepthOnly", kExact, "n,S0,h", "0.013,0.001,", {0.013, 0.001, {}}, kAll, "未给水深 h", 0},
        FlowCase{"CellsReadLikeTheBoxes", kExact, "n,S0,h", " 0.013m,+1e-3,.4 米", {0.013, 0.001, 0.4}, kAll, "", 0},
        FlowCase{"NumberEdgesReadLikeTheBoxes", kExact, "n,S0,h", "5.,1e,-.5e1x", {5.0, 1.0, -5.0}, kAll, "", 0},
        FlowCase{"SignWithoutDigitsIsNoNumber", kExact, "n,S0,h", "0.013,+-1,-", {0.013, {}, {}}, kAll,
                 "第 2 行第 5 列（S0）：“+-1”不是数，当作未给；第 2 行第 6 列（h）：“-”不是数，当作未给", 1},
        FlowCase{"TextWithoutANumberIsAFault", kExact, "n,S0,h", "abc,0.001,0.4", {{}, 0.001, 0.4}, kAll,
                 "第 2 行第 4 列（n）：“abc”不是数，当作未给", 1},
        FlowCase{"NumberBeyondTheDoubleRange", kExact, "n,S0,h", "0.013,0.001,1e400", {0.013, 0.001, {}}, kAll,
                 "第 2 行第 6 列（h）：“1e400”超出双精度范围，当作未给", 1},
        FlowCase{"ZeroIsAValueNotABlank", kExact, "n,S0,h", "0,0,0", {0.0, 0.0, 0.0}, kAll, "", 0},
        FlowCase{"NegativeValuesReachTheToolkit", kExact, "n,S0,h", "-0.013,-0.001,-0.4", {-0.013, -0.001, -0.4},
                 kAll, "", 0},
        FlowCase{"MissingCellsAreBlank", kExact, "n,S0,h", "0.013", {0.013, {}, {}}, kAll,
                 "未给底坡 S0；未给水深 h", 1}),
    [](const auto& info) { return info.param.name; });

// The output cells of one row by column name.
std::map<std::string, double> Row(const std::vector<std::string>& args, const std::string& input) {
  const auto r = RunCli(args, input);
  EXPECT_EQ(r.status, 0) << r.err;
  const std::size_t split = r.out.find('\n');
  const std::vector<std::string> names = Split(r.out.substr(0, split));
  const std::vector<std::string> cells = Split(r.out.substr(split + 1, r.out.size() - split - 2));
  std::map<std::string, double> row;
  for (std::size_t i = 0; i < names.size() && i < cells.size(); ++i)
    if (!cells[i].empty() && hydraulics::IsNumericText(cells[i])) row[names[i]] = std::stod(cells[i]);
  return row;
}

struct UnitCase {
  const char* name;
  std::vector<std::string> args;
  double g;
  double k;
};

void PrintTo(const UnitCase& c, std::ostream* os) { *os << c.name; }

class RectangleEquationTest : public testing::TestWithParam<UnitCase> {};

// A rectangular channel b = 5, Q = 10, n = 0.013, S0 = 0.001, h = 0.4 (in
// metres or feet): each printed value satisfies its defining equation with
// the unit system's g and k. The printed text keeps 15 digits, hence 1e-13.
TEST_P(RectangleEquationTest, ValuesSatisfyTheirEquations) {
  const UnitCase& u = GetParam();
  const double Q = 10, b = 5, n = 0.013, S0 = 0.001, h = 0.4;
  auto v = Row(u.args, "type,Q,b,n,S0,h\n2,10,5,0.013,0.001,0.4\n");
  ASSERT_TRUE(v.count("normal_depth") && v.count("critical_slope") && v.count("sequent_depth") &&
              v.count("alternate_depth"));
  const auto manning = [&](double y, double slope) {
    const double A = b * y, R = A / (b + 2 * y);
    return u.k / n * A * std::cbrt(R * R) * std::sqrt(slope);
  };
  constexpr double kTol = 1e-13;
  // Manning's formula at the normal depth [Chow, Open-Channel Hydraulics, eq. 5-7].
  EXPECT_NEAR(manning(v["normal_depth"], S0) / Q, 1, 1e-12);
  // The critical slope carries Q at the critical depth, q^2 = g h_c^3.
  const double hc = std::cbrt(Q * Q / (b * b) / u.g);
  EXPECT_NEAR(v["depth"] / hc, 1, kTol);
  EXPECT_NEAR(manning(hc, v["critical_slope"]) / Q, 1, 1e-12);
  // Specific energy and Froude number at h.
  const double E = h + Q * Q / (2 * u.g * b * b * h * h);
  const double Fr = Q / (b * h) / std::sqrt(u.g * h);
  EXPECT_NEAR(v["energy_at_h"] / E, 1, kTol);
  EXPECT_NEAR(v["froude_at_h"] / Fr, 1, kTol);
  // The alternate depth has the same energy; the sequent depth is Belanger's.
  const double y = v["alternate_depth"];
  EXPECT_NEAR((y + Q * Q / (2 * u.g * b * b * y * y)) / E, 1, 1e-12);
  EXPECT_NEAR(v["sequent_depth"] / (h / 2 * (std::sqrt(1 + 8 * Fr * Fr) - 1)), 1, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Units, RectangleEquationTest,
                         testing::Values(UnitCase{"Si", {"--geometry", "exact"}, 9.8, 1.0},
                                         UnitCase{"SiByName", {"--geometry", "exact", "--units", "si"}, 9.8, 1.0},
                                         UnitCase{"Us", {"--geometry", "exact", "--units", "us"}, 32.174, 1.486},
                                         UnitCase{"UsWithGravity", {"--geometry", "exact", "--units", "us", "--g", "32.2"},
                                                  32.2, 1.486}),
                         [](const auto& info) { return info.param.name; });

// The critical state alone does not depend on k: without the new columns US
// units change only g.
TEST(CliFlow, UsUnitsWithoutTheNewColumnsChangeOnlyGravity) {
  const std::string input = "type,Q,b\n2,10,5\n";
  EXPECT_EQ(RunCli({"--geometry", "exact", "--units", "us"}, input).out,
            RunCli({"--geometry", "exact", "--g", "32.174"}, input).out);
}

}  // namespace
