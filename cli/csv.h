#pragma once
// Comma-separated records as RFC 4180 has them, read from one buffer that
// holds the whole input, and written into a growing output buffer.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

enum class CsvFault {
  UnterminatedQuote, // the input ends inside a quoted field
  TextAfterQuote,    // a quoted field goes on after its closing quote
  QuoteInBareField,  // a quote inside a field that does not start with one
};

struct CsvFaultAt {
  CsvFault fault;
  int line;   // line on which the faulty field starts
  int column; // 1-based field number
};

// One record. The field texts live in one buffer whose capacity is kept from
// record to record, so that reading a large batch allocates almost nothing.
class CsvRecord {
public:
  std::size_t size() const { return fields_.size(); }
  std::string_view field(std::size_t i) const { return {text_.data() + fields_[i].offset, fields_[i].length}; }
  int field_line(std::size_t i) const { return fields_[i].line; }
  int line() const { return fields_.front().line; }
  // The first fault met; the fields are then read as leniently as possible.
  const std::optional<CsvFaultAt>& fault() const { return fault_; }

private:
  friend class CsvReader;
  struct Span {
    std::size_t offset;
    std::size_t length;
    int line;
  };
  std::string text_;
  std::vector<Span> fields_;
  std::optional<CsvFaultAt> fault_;
};

// Records end at LF, CRLF or the end of the input; a CR elsewhere outside
// quotes is part of the field. Empty lines are skipped; a leading UTF-8
// byte-order mark is dropped.
class CsvReader {
public:
  explicit CsvReader(std::string_view input);
  // False when no record is left.
  bool Next(CsvRecord& record);

private:
  static void Flag(CsvRecord& record, CsvFault what, int column);
  bool AtLineEnd() const;
  void SkipLineEnd();
  void ReadQuoted(CsvRecord& record, int column);
  void ReadBare(CsvRecord& record, int column);

  std::string_view in_;
  std::size_t pos_ = 0;
  int line_ = 1;
};

// Appends one field, quoted when it holds a comma, a quote, CR or LF.
void AppendCsvField(std::string& out, std::string_view text);

}  // namespace cli
