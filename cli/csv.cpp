#include "cli/csv.h"

#include <poll.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <utility>

namespace cli {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool EndsBareField(char c) { return c == ',' || c == '\n' || c == '\r' || c == '"'; }

// Bytes looked at together when a record is read in place; the block has
// as many more, never read into, so that a look at its end stays inside.
constexpr std::size_t kChunk = 16;

// Bit i set where p[i] ends a bare field, for the kChunk bytes at p: fields
// are a few bytes long, so finding all of a chunk's ends at once beats
// looking at each byte in turn.
std::uint32_t StopMask(const char* p) {
#if defined(__SSE2__)
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const auto is = [&bytes](char c) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); };
  const __m128i hits = _mm_or_si128(_mm_or_si128(is(','), is('\n')), _mm_or_si128(is('\r'), is('"')));
  return static_cast<std::uint32_t>(_mm_movemask_epi8(hits));
#else
  std::uint32_t mask = 0;
  for (std::size_t i = 0; i < kChunk; ++i) mask |= std::uint32_t{EndsBareField(p[i])} << i;
  return mask;
#endif
}

// Sixteen bytes at a time, the last sixteen overlapping the ones before:
// the messages are long Chinese texts, and a byte loop with four compares
// each was a good part of writing a row.
bool NeedsQuotes(std::string_view text) {
  const char* p = text.data();
  const char* const end = p + text.size();
  if (text.size() < kChunk) return std::any_of(p, end, EndsBareField);
  for (; end - p >= static_cast<std::ptrdiff_t>(kChunk); p += kChunk)
    if (StopMask(p) != 0) return true;
  return p != end && StopMask(end - kChunk) != 0;
}

}  // namespace

CsvReader::CsvReader(int fd, std::function<void()> before_wait)
    : fd_(fd), before_wait_(std::move(before_wait)), block_(new char[kBlockSize + kChunk]()) {}

bool CsvReader::Fill() {
  if (at_end_) return false;
  if (!first_read_ && before_wait_) before_wait_();
  pos_ = end_ = 0;
  // The first block holds at least the length of a byte-order mark, however
  // a pipe delivers it, so that the mark is recognised in one place.
  for (;;) {
    const ssize_t n = ::read(fd_, block_.get() + end_, kBlockSize - end_);
    if (n < 0 && errno == EINTR) continue;
    // A descriptor left non-blocking by whoever started the tool.
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd ready{fd_, POLLIN, 0};
      ::poll(&ready, 1, -1);
      continue;
    }
    if (n <= 0) {
      if (n < 0) read_error_ = errno;
      at_end_ = true;
      break;
    }
    end_ += static_cast<std::size_t>(n);
    if (!first_read_ || end_ >= kByteOrderMark.size()) break;
  }
  if (std::exchange(first_read_, false) && std::string_view(block_.get(), end_).starts_with(kByteOrderMark))
    pos_ = kByteOrderMark.size();
  return pos_ < end_ || !at_end_;
}

void CsvReader::Flag(CsvRecord& record, CsvFault what) {
  // A quote left open explains every other fault of its record.
  if (!record.fault_ || what == CsvFault::UnterminatedQuote)
    record.fault_ = CsvFaultAt{what, field_line_, record.column_};
}

void CsvReader::Keep(CsvRecord& record, const char* text, std::size_t length) {
  if (!record.kept_all_) return;
  if (record.text_.size() + length > kMaxRecordBytes) {
    Flag(record, CsvFault::RecordTooLong);
    record.kept_all_ = false;
    return;
  }
  record.text_.append(text, length);
}

void CsvReader::StartField(CsvRecord& record) {
  ++record.column_;
  field_line_ = line_;
  if (!record.kept_all_) return;
  if (record.count_ == kMaxFields) {
    Flag(record, CsvFault::RecordTooLong);
    record.kept_all_ = false;
    return;
  }
  record.fields_[record.count_++] = {nullptr, record.text_.size(), 0, line_};
}

void CsvReader::ConsumeLineEnd(char c) {
  ++pos_;
  if (c == '\r' || !after_cr_) ++line_;
  after_cr_ = c == '\r';
}

void CsvRecord::Assign(const std::string_view* fields, std::size_t count, LineNumber line) {
  count_ = count < kMaxFields ? count : kMaxFields;
  for (std::size_t i = 0; i < count_; ++i) fields_[i] = {fields[i].data(), 0, fields[i].size(), line};
  line_ = line;
  column_ = count_;
  kept_all_ = count_ == count;
  fault_.reset();
}

bool CsvReader::Next(CsvRecord& record) {
  record.text_.clear();
  record.count_ = 0;
  record.fault_.reset();
  record.column_ = 0;
  record.kept_all_ = true;
  for (;;) {
    if (!More()) return false;
    const char c = block_[pos_];
    if (c != '\n' && c != '\r') break;
    ConsumeLineEnd(c);
  }
  after_cr_ = false;
  record.line_ = line_;
  if (ReadInBlock(record)) return true;
  record.count_ = 0;
  ReadAcrossBlocks(record);
  for (std::size_t i = 0; i < record.count_; ++i)
    record.fields_[i].data = record.text_.data() + record.fields_[i].offset;
  return true;
}

// The common record: bare fields ending on a line end within the block.
// False, with nothing consumed, for any other.
bool CsvReader::ReadInBlock(CsvRecord& record) {
  const char* const base = block_.get();
  const char* const stop = base + end_;
  const char* field = base + pos_;
  for (const char* chunk = field; chunk < stop; chunk += kChunk) {
    std::uint32_t stops = StopMask(chunk);
    if (stop - chunk < static_cast<std::ptrdiff_t>(kChunk)) stops &= (std::uint32_t{1} << (stop - chunk)) - 1;
    for (; stops != 0; stops &= stops - 1) {
      const char* const p = chunk + std::countr_zero(stops);
      if (*p == '"' || record.count_ == kMaxFields) return false;
      record.fields_[record.count_++] = {field, 0, static_cast<std::size_t>(p - field), line_};
      if (*p == ',') {
        field = p + 1;
        continue;
      }
      record.column_ = record.count_;
      pos_ = static_cast<std::size_t>(p - base);
      ConsumeLineEnd(*p);
      return true;
    }
  }
  return false;
}

void CsvReader::ReadAcrossBlocks(CsvRecord& record) {
  for (;;) {
    StartField(record);
    if (More() && block_[pos_] == '"')
      ReadQuoted(record);
    else
      ReadBare(record);
    if (record.count_ == record.column_) {
      CsvRecord::Span& last = record.fields_[record.count_ - 1];
      last.length = record.text_.size() - last.offset;
    }
    if (!More()) return;
    const char c = block_[pos_];
    if (c != ',') {
      ConsumeLineEnd(c);
      return;
    }
    ++pos_;
  }
}

void CsvReader::ReadBare(CsvRecord& record) {
  while (More()) {
    const char* const start = block_.get() + pos_;
    const char* const stop = block_.get() + end_;
    const char* p = start;
    while (p < stop && !EndsBareField(*p)) ++p;
    Keep(record, start, static_cast<std::size_t>(p - start));
    pos_ += static_cast<std::size_t>(p - start);
    if (p == stop) continue;
    if (*p != '"') return;
    Flag(record, CsvFault::QuoteInBareField);
    Keep(record, p, 1);
    ++pos_;
  }
}

void CsvReader::ReadQuoted(CsvRecord& record) {
  ++pos_;
  after_cr_ = false;
  for (;;) {
    if (!More()) {
      Flag(record, CsvFault::UnterminatedQuote);
      return;
    }
    const char* const start = block_.get() + pos_;
    const char* const stop = block_.get() + end_;
    const char* p = start;
    for (; p < stop && *p != '"'; ++p) {
      if (*p == '\r' || (*p == '\n' && !after_cr_)) ++line_;
      after_cr_ = *p == '\r';
    }
    Keep(record, start, static_cast<std::size_t>(p - start));
    pos_ += static_cast<std::size_t>(p - start);
    if (p == stop) continue;
    ++pos_;
    after_cr_ = false;
    if (!More() || block_[pos_] != '"') break;
    Keep(record, "\"", 1);
    ++pos_;
  }
  if (!More()) return;
  const char c = block_[pos_];
  if (c != ',' && c != '\n' && c != '\r') {
    Flag(record, CsvFault::TextAfterQuote);
    ReadBare(record);
  }
}

void AppendCsvField(std::string& out, std::string_view text) {
  if (!NeedsQuotes(text)) {
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
