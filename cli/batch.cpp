#include "cli/batch.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace cli {
namespace {

std::string FaultText(CsvFault fault) {
  switch (fault) {
    case CsvFault::UnterminatedQuote: return "引号未闭合，其后直到输入结束的内容都读进了这一个字段";
    case CsvFault::TextAfterQuote: return "右引号后还有其他字符";
    case CsvFault::QuoteInBareField: return "未加引号的字段中出现引号";
    case CsvFault::RecordTooLong:
      return "该行过长（超过 " + std::to_string(kMaxRecordBytes) + " 字节或 " + std::to_string(kMaxFields) +
             " 个字段），未处理";
  }
  return {};
}

}  // namespace

bool OutputStream::Flush() {
  std::size_t done = 0;
  while (error_ == 0 && done < buffer_.size()) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n >= 0) {
      done += static_cast<std::size_t>(n);
    } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
      pollfd wait{fd_, POLLOUT, 0};
      ::poll(&wait, 1, -1);
    } else if (errno != EINTR) {
      error_ = errno;
    }
  }
  buffer_.clear();
  return error_ == 0;
}

std::string ErrorText(int error) {
  switch (error) {
    case ENOENT: return "文件不存在";
    case EACCES:
    case EPERM: return "没有权限";
    case EISDIR: return "这是一个目录";
    case ENOTDIR: return "路径中有一段不是目录";
    case ENAMETOOLONG: return "文件名太长";
    case ELOOP: return "符号链接层数太多";
    case EMFILE:
    case ENFILE: return "打开的文件太多";
    case ENOMEM: return "内存不足";
    case EIO: return "输入输出错误";
    case ENOSPC: return "设备上没有空间";
    case EDQUOT: return "超出磁盘配额";
    case EFBIG: return "文件太大";
    case EPIPE: return "管道的另一端已关闭";
    case EBADF: return "没有打开";
    case ENXIO:
    case ENODEV: return "设备不存在";
    case EROFS: return "文件系统只读";
    case EINVAL: return "不支持这样读写";
    default: return "系统错误（错误号 " + std::to_string(error) + "）";
  }
}

Batch::Batch(OutputStream& out, OutputStream& err, const Options& options)
    : out_(out), err_(err), options_(options), rows_(options, *this) {}

void Batch::Run(int fd) {
  // Whatever has been answered leaves before the reader waits for more.
  CsvReader reader(fd, [this] {
    out_.Flush();
    err_.Flush();
  });
  CsvRecord record;
  const bool has_header = reader.Next(record);
  read_error_ = reader.read_error();
  // An input that cannot be read at all leaves the output empty.
  if (!has_header && read_error_ != 0) return;
  if (has_header) ReadHeader(record);
  form_ = options_.profile ? OutputForm::Profiles()
          : options_.exact ? OutputForm::Exact(rows_.flow())
                           : OutputForm::Window();
  out_.buffer().append(form_->header());
  if (!has_header) {
    Report("输入中没有表头");
  } else {
    while (reader.Next(record)) {
      Row(record);
      // Output that can no longer be written is not worth computing.
      if (!out_.FlushWhenFull()) break;
      err_.FlushWhenFull();
    }
  }
  read_error_ = reader.read_error();
}

void Batch::Report(std::string_view text) {
  failed_ = true;
  err_.buffer().append(kProgram).append(": ").append(text) += '\n';
}

void Batch::Unprocessable(const std::string& why) {
  Report(why);
  MessageOnly(why);
}

void Batch::MessageOnly(std::string_view message) {
  if (options_.profile)
    WriteProfileMessage(out_.buffer(), data_row_, message);
  else
    WriteMessageOnly(out_.buffer(), *form_, message);
}

void Batch::WindowRow(const hydraulics::window::ComputeOutcome& outcome) { WriteWindowRow(out_.buffer(), outcome); }

void Batch::ExactRow(const hydraulics::exact::Analysis& analysis, std::string_view message) {
  WriteAnalysisRow(out_.buffer(), rows_.flow(), analysis, message);
}

void Batch::ProfileRows(const hydraulics::exact::Profile& profile, std::string_view extra) {
  WriteProfileRows(out_.buffer(), data_row_, profile, options_.units.length, extra);
}

void Batch::ProfileMessage(std::string_view message, std::string_view name) {
  WriteProfileMessage(out_.buffer(), data_row_, message, name);
}

void Batch::ReadHeader(const CsvRecord& header) {
  if (const auto& fault = header.fault()) {
    const std::string why = At(fault->line, fault->column) + "：表头" + FaultText(fault->fault);
    Report(why);
    header_fault_ = why;
    return;
  }
  rows_.ReadHeader(header);
  header_fault_ = rows_.header_fault();
}

void Batch::Row(const CsvRecord& row) {
  ++data_row_;
  if (const auto& fault = row.fault()) {
    Unprocessable(At(fault->line, fault->column) + "：" + FaultText(fault->fault));
    return;
  }
  if (header_fault_) {
    MessageOnly(*header_fault_);
    return;
  }
  const std::size_t columns = rows_.columns();
  if (row.size() > columns)
    Report(At(row.field_line(columns), columns + 1) + "：字段多于表头的 " + std::to_string(columns) +
           " 列，多出的字段未读");
  else if (row.size() < columns)
    Report("第 " + std::to_string(row.line()) + " 行：只有 " + std::to_string(row.size()) + " 个字段，少于表头的 " +
           std::to_string(columns) + " 列，缺少的字段当作空文本框");

  rows_.Compute(row);
}

}  // namespace cli
