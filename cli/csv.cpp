#include "cli/csv.h"

#include <algorithm>

namespace cli {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

CsvReader::CsvReader(std::string_view input) : in_(input) {
  if (in_.starts_with(kByteOrderMark)) pos_ = kByteOrderMark.size();
}

void CsvReader::Flag(CsvRecord& record, CsvFault what, int column) {
  if (!record.fault_) record.fault_ = CsvFaultAt{what, record.fields_.back().line, column};
}

bool CsvReader::AtLineEnd() const {
  const char c = in_[pos_];
  return c == '\n' || (c == '\r' && (pos_ + 1 == in_.size() || in_[pos_ + 1] == '\n'));
}

void CsvReader::SkipLineEnd() {
  if (in_[pos_] == '\r') ++pos_;
  if (pos_ < in_.size()) {
    ++pos_;
    ++line_;
  }
}

bool CsvReader::Next(CsvRecord& record) {
  record.text_.clear();
  record.fields_.clear();
  record.fault_.reset();
  while (pos_ < in_.size() && AtLineEnd()) SkipLineEnd();
  if (pos_ == in_.size()) return false;

  for (int column = 1;; ++column) {
    record.fields_.push_back({record.text_.size(), 0, line_});
    if (pos_ < in_.size() && in_[pos_] == '"')
      ReadQuoted(record, column);
    else
      ReadBare(record, column);
    record.fields_.back().length = record.text_.size() - record.fields_.back().offset;
    if (pos_ == in_.size()) return true;
    if (in_[pos_] != ',') break;
    ++pos_;
  }
  SkipLineEnd();
  return true;
}

void CsvReader::ReadBare(CsvRecord& record, int column) {
  const std::size_t start = pos_;
  for (; pos_ < in_.size(); ++pos_) {
    const char c = in_[pos_];
    if (c == ',' || AtLineEnd()) break;
    if (c == '"') Flag(record, CsvFault::QuoteInBareField, column);
  }
  record.text_.append(in_, start, pos_ - start);
}

void CsvReader::ReadQuoted(CsvRecord& record, int column) {
  ++pos_;
  for (;;) {
    const std::size_t quote = std::min(in_.find('"', pos_), in_.size());
    const std::string_view run = in_.substr(pos_, quote - pos_);
    record.text_.append(run);
    line_ += static_cast<int>(std::count(run.begin(), run.end(), '\n'));
    pos_ = quote;
    if (pos_ == in_.size()) {
      Flag(record, CsvFault::UnterminatedQuote, column);
      return;
    }
    ++pos_;
    if (pos_ == in_.size() || in_[pos_] != '"') break;
    record.text_ += '"';
    ++pos_;
  }
  if (pos_ < in_.size() && in_[pos_] != ',' && !AtLineEnd()) {
    Flag(record, CsvFault::TextAfterQuote, column);
    ReadBare(record, column);
  }
}

void AppendCsvField(std::string& out, std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
    out.append(text);
    return;
  }
  out += '"';
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

}  // namespace cli
