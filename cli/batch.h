#pragma once
// The batch itself: CSV rows in from a file descriptor, one output line per
// row out, each written as soon as its row has been read.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cli/csv.h"
#include "cli/output_forms.h"
#include "cli/rows.h"
#include "hydraulics/constants.h"

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

class Batch : private RowSink {
public:
  Batch(OutputStream& out, OutputStream& err, const Options& options);
  // Reads the rows from `fd` up to its end, a failed read or a failed write.
  void Run(int fd);
  // Some row or the header had a fault.
  bool failed() const { return failed_; }
  // errno of a failed read of the input, 0 when none failed.
  int read_error() const { return read_error_; }

private:
  void Report(std::string_view text) override;
  void MessageOnly(std::string_view message) override;
  void WindowRow(const hydraulics::window::ComputeOutcome& outcome) override;
  void ExactRow(const hydraulics::exact::Analysis& analysis, std::string_view message) override;
  void ProfileRows(const hydraulics::exact::Profile& profile, std::string_view extra) override;
  void ProfileMessage(std::string_view message, std::string_view name) override;
  void Unprocessable(const std::string& why);
  void ReadHeader(const CsvRecord& header);
  void Row(const CsvRecord& row);

  OutputStream& out_;
  OutputStream& err_;
  const Options options_;
  Rows rows_;
  std::optional<OutputForm> form_;
  // A fault of the header as read, or of its columns: every row's message.
  std::optional<std::string> header_fault_;
  bool failed_ = false;
  int read_error_ = 0;
  // Data records read so far: a profile's lines name their input row.
  std::int64_t data_row_ = 0;
};

// The system's error number as a Simplified Chinese phrase.
std::string ErrorText(int error);

}  // namespace cli
