#pragma once
// The batch itself: CSV rows in from a file descriptor, one output line per
// row out, each written as soon as its row has been read.

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

inline constexpr std::string_view kProgram = "vardenix-cli";

enum ExitStatus { kAllFine = 0, kDataError = 1, kUsageError = 2 };

// Output gathered into large blocks: a million rows would otherwise cost a
// system call per line on standard error, which nothing buffers.
class OutputStream {
public:
  explicit OutputStream(int fd) : fd_(fd) {}
  ~OutputStream() { Flush(); }
  OutputStream(const OutputStream&) = delete;
  OutputStream& operator=(const OutputStream&) = delete;

  std::string& buffer() { return buffer_; }
  bool FlushWhenFull() { return buffer_.size() < kFlushSize ? error_ == 0 : Flush(); }
  // False when any write so far failed.
  bool Flush();
  // errno of the first failed write, 0 when none failed.
  int error() const { return error_; }

private:
  static constexpr std::size_t kFlushSize = std::size_t{1} << 20;
  int fd_;
  std::string buffer_;
  int error_ = 0;
};

struct Options {
  bool exact = false;
  bool profile = false;  // --profile: water-surface profiles, on the exact geometry
  hydraulics::Units units = hydraulics::kSI;
};

class Batch {
public:
  Batch(OutputStream& out, OutputStream& err, const Options& options);
  // Reads the rows from `fd` up to its end, a failed read or a failed write.
  void Run(int fd);
  // Some row or the header had a fault.
  bool failed() const { return failed_; }
  // errno of a failed read of the input, 0 when none failed.
  int read_error() const { return read_error_; }

private:
  void Report(std::string_view text);
  void Unprocessable(const std::string& why);
  void StopAllRows(const std::string& why);
  void ReadHeader(const CsvRecord& header);
  void Row(const CsvRecord& row);
  void WriteWindow(std::int16_t type, const CsvRecord& row);
  void WriteExact(std::int16_t type, const CsvRecord& row);
  void WriteProfile(std::int16_t type, const CsvRecord& row);
  void WriteRowMessage(std::string_view message);
  std::optional<double> FlowValue(const CsvRecord& row, int which, std::string& notes);
  std::optional<double> NumberCell(const CsvRecord& row, std::size_t at, std::string_view name,
                                   std::string_view blank, std::string& notes);
  int StepsCell(const CsvRecord& row, std::string& notes);
  double SectionValue(const CsvRecord& row, int box, std::string& faults);
  std::optional<hydraulics::exact::Section> SectionOf(std::int16_t type, const CsvRecord& row, std::string& faults);
  void CellFault(const CsvRecord& row, std::size_t at, std::string_view name, std::string_view problem,
                 std::string& notes);

  OutputStream& out_;
  OutputStream& err_;
  const Options options_;
  FlowColumns flow_;
  std::optional<OutputForm> form_;
  std::vector<int> targets_;
  std::optional<std::size_t> type_column_;
  std::optional<std::size_t> flow_column_[3]; // n, S0, h
  std::optional<std::size_t> box_column_[8];  // TextQ, Text1(1) to Text1(7)
  std::optional<std::size_t> profile_column_[5]; // h1, h2, L, alpha, steps
  std::optional<std::string> header_fault_;
  hydraulics::window::BoxTexts boxes_;
  // A row's notes and message, kept so that their room outlives the row.
  std::string notes_;
  std::string message_;
  bool failed_ = false;
  int read_error_ = 0;
  // Data records read so far: a profile's lines name their input row.
  std::int64_t data_row_ = 0;
  // Kept from row to row so that its stations' room is reused.
  hydraulics::exact::Profile profile_;
};

// A typed text quoted inside a message: valid UTF-8 without control
// characters, a long text cut.
std::string Quoted(std::string_view text);

// The system's error number as a Simplified Chinese phrase.
std::string ErrorText(int error);

}  // namespace cli
