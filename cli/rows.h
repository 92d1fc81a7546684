#pragma once
// One row of a batch: where each named column's text goes, and what the row
// computes and says. The batch tool runs its CSV records through it, and the
// Python module its columns, so that the same row gives the same values and
// the same message in both.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/csv.h"
#include "cli/output_forms.h"
#include "hydraulics/constants.h"
#include "hydraulics/exact/analysis.h"
#include "hydraulics/exact/profile.h"
#include "hydraulics/window/crit_depth.h"

namespace cli {

struct Options {
  bool exact = false;
  bool profile = false;  // --profile: water-surface profiles, on the exact geometry
  hydraulics::Units units = hydraulics::kSI;
};

// Where a batch's rows go: the batch tool writes them as CSV lines, the
// Python module into columns. Called once per row, or per fault.
class RowSink {
public:
  // A fault of the header or of a row, beside the output (the tool's
  // standard error).
  virtual void Report(std::string_view text) = 0;
  // A row that is not computed: only its message.
  virtual void MessageOnly(std::string_view message) = 0;
  virtual void WindowRow(const hydraulics::window::ComputeOutcome& outcome) = 0;
  virtual void ExactRow(const hydraulics::exact::Analysis& analysis, std::string_view message) = 0;
  // A profile's stations; `extra` is the row's own notes on its cells.
  virtual void ProfileRows(const hydraulics::exact::Profile& profile, std::string_view extra) = 0;
  // A row without a profile; `name` is the profile's type where it has one.
  virtual void ProfileMessage(std::string_view message, std::string_view name) = 0;

protected:
  ~RowSink() = default;
};

class Rows {
public:
  // The window's method, the true-geometry toolkit, or its profiles.
  Rows(const Options& options, RowSink& sink);

  // Reads the column names of a header without a fault of its own.
  void ReadHeader(const CsvRecord& header);
  // Why no row can be computed once the header is read (a column named
  // twice, no type column): each row's message.
  const std::optional<std::string>& header_fault() const { return header_fault_; }
  FlowColumns flow() const { return flow_; }
  std::size_t columns() const { return targets_.size(); }
  // The row's field `column` is read by some row.
  bool Reads(std::size_t column) const;
  // The column's cells are read as numbers alone (all but the type code and
  // the steps, in the exact form and profiles), so that Compute's `numbers`
  // may give them.
  bool TakesNumber(std::size_t column) const;

  // Computes a row of a header without a fault and hands it to the sink.
  // Where `numbers` is given and numbers[c] holds a value for a column that
  // TakesNumber, that number is read as its shortest text would be, and the
  // field needs only to be not blank: the Python module's numeric columns
  // skip the trip through text.
  void Compute(const CsvRecord& row, const std::optional<double>* numbers = nullptr);

private:
  void Window(std::int16_t type, const CsvRecord& row);
  void Exact(std::int16_t type, const CsvRecord& row);
  void Profile(std::int16_t type, const CsvRecord& row);
  void StopAllRows(const std::string& why);
  std::optional<double> FlowValue(const CsvRecord& row, int which, std::string& notes);
  std::optional<double> NumberCell(const CsvRecord& row, std::size_t at, std::string_view name,
                                   std::string_view blank, std::string& notes);
  int StepsCell(const CsvRecord& row, std::string& notes);
  double SectionValue(const CsvRecord& row, int box, std::string& faults);
  std::optional<hydraulics::exact::Section> SectionOf(std::int16_t type, const CsvRecord& row, std::string& faults);
  void CellFault(const CsvRecord& row, std::size_t at, std::string_view name, std::string_view problem,
                 std::string& notes);

  const Options options_;
  RowSink& sink_;
  FlowColumns flow_;
  std::vector<int> targets_;
  std::optional<std::size_t> type_column_;
  std::optional<std::size_t> flow_column_[3]; // n, S0, h
  std::optional<std::size_t> box_column_[8];  // TextQ, Text1(1) to Text1(7)
  std::optional<std::size_t> profile_column_[5]; // h1, h2, L, alpha, steps
  std::optional<std::string> header_fault_;
  const std::optional<double>* numbers_ = nullptr; // the row's, while it is computed
  hydraulics::window::BoxTexts boxes_;
  // A row's notes and message, kept so that their room outlives the row.
  std::string notes_;
  std::string message_;
  // Kept from row to row so that its stations' room is reused.
  hydraulics::exact::Profile profile_;
};

// "第 3 行第 2 列": where a field starts.
std::string At(LineNumber line, std::size_t column);

// A typed text quoted inside a message: valid UTF-8 without control
// characters, a long text cut.
std::string Quoted(std::string_view text);

}  // namespace cli
