#pragma once
// Comma-separated records as RFC 4180 has them, read from a file descriptor
// block by block so that memory stays bounded whatever the input's size, and
// written into a growing output buffer.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// 64 bits: a batch of more than 2^31 lines is only a matter of time.
using LineNumber = std::int64_t;

// A record holds at most this much field text and this many fields; the rest
// of a longer one is read past, not kept.
inline constexpr std::size_t kMaxRecordBytes = std::size_t{1} << 20;
inline constexpr std::size_t kMaxFields = 4096;

enum class CsvFault {
  UnterminatedQuote, // a quoted field takes the rest of the input
  TextAfterQuote,    // a quoted field goes on after its closing quote
  QuoteInBareField,  // a quote inside a field that does not start with one
  RecordTooLong,     // beyond kMaxRecordBytes or kMaxFields
};

struct CsvFaultAt {
  CsvFault fault;
  LineNumber line;    // line on which the faulty field starts
  std::size_t column; // 1-based field number
};

// One record, valid until the next is read. A record that lies whole in the
// reader's block and has no quotes is read in place; the fields of any other
// live in one buffer whose capacity is kept from record to record, so that
// reading a large batch allocates almost nothing.
class CsvRecord {
public:
  std::size_t size() const { return count_; }
  std::string_view field(std::size_t i) const { return {fields_[i].data, fields_[i].length}; }
  LineNumber field_line(std::size_t i) const { return fields_[i].line; }
  LineNumber line() const { return line_; }
  // The first fault met; the fields are then read as leniently as possible.
  const std::optional<CsvFaultAt>& fault() const { return fault_; }

  // A record of texts held elsewhere, all starting on `line`: the Python
  // module's rows. The texts must outlive the record's use.
  void Assign(const std::string_view* fields, std::size_t count, LineNumber line);

private:
  friend class CsvReader;
  struct Span {
    const char* data;   // set once the record is complete
    std::size_t offset; // in text_, while it may still grow
    std::size_t length;
    LineNumber line;
  };
  std::string text_;
  // Room for kMaxFields made once: a field costs a store, not a push.
  std::unique_ptr<Span[]> fields_{new Span[kMaxFields]};
  std::size_t count_ = 0;
  LineNumber line_ = 0;
  std::optional<CsvFaultAt> fault_;
  std::size_t column_ = 0; // fields met so far, kept or not
  bool kept_all_ = true;   // false once past a bound
};

// Records end at LF, CRLF, a lone CR (as some spreadsheets write) or the end
// of the input. Empty lines are skipped; a leading UTF-8 byte-order mark is
// dropped.
class CsvReader {
public:
  // `before_wait` runs before every read from `fd` but the first: the caller
  // flushes its output there, so that whoever feeds a pipe row by row gets
  // each answer before sending the next row.
  CsvReader(int fd, std::function<void()> before_wait);
  // False when no record is left or the input could not be read.
  bool Next(CsvRecord& record);
  // errno of a failed read, 0 when none failed.
  int read_error() const { return read_error_; }

private:
  static constexpr std::size_t kBlockSize = std::size_t{1} << 18;
  // A record read in place is within both bounds of its length.
  static_assert(kBlockSize <= kMaxRecordBytes);

  bool Fill(); // false at the end of the input or on a failed read
  bool More() {
    while (pos_ == end_)
      if (!Fill()) return false;
    return true;
  }
  void Flag(CsvRecord& record, CsvFault what);
  void Keep(CsvRecord& record, const char* text, std::size_t length);
  void StartField(CsvRecord& record);
  void ConsumeLineEnd(char c);
  void ReadQuoted(CsvRecord& record);
  void ReadBare(CsvRecord& record);
  bool ReadInBlock(CsvRecord& record);
  void ReadAcrossBlocks(CsvRecord& record);

  int fd_;
  std::function<void()> before_wait_;
  std::unique_ptr<char[]> block_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool first_read_ = true;
  bool at_end_ = false;
  int read_error_ = 0;
  LineNumber line_ = 1;
  LineNumber field_line_ = 1;
  bool after_cr_ = false; // an LF straight after a CR ends no further line
};

// Appends one field, quoted when it holds a comma, a quote, CR or LF.
void AppendCsvField(std::string& out, std::string_view text);

}  // namespace cli
