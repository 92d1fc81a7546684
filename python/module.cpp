// The Python module's C++ part: a table's columns run row by row through the
// batch tool's own rows (cli::Rows), without the GIL, and the results come
// back as NumPy arrays, one per column the tool would write.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "cli/csv.h"
#include "cli/output_forms.h"
#include "cli/rows.h"
#include "hydraulics/constants.h"
#include "hydraulics/exact/analysis.h"
#include "hydraulics/exact/reason_text.h"
#include "hydraulics/window/crit_depth.h"

namespace py = pybind11;

namespace {

namespace exact = hydraulics::exact;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Texts of one column. A column of messages or names has few distinct
// texts: each is kept once and a row holds its number, which spares the
// memory (and the page faults) of a copy per row. Other texts lie end to
// end, a row's ending at ends_[row].
class TextColumn {
public:
  enum class Kind { Distinct, Repeated };
  TextColumn(std::size_t rows, Kind kind) : kind_(kind) {
    if (kind_ == Kind::Repeated) {
      ids_.reserve(rows);
      distinct_.emplace_back();
      numbers_.emplace(std::string(), 0);
    } else {
      // Reserved, but touched only as it fills.
      constexpr std::size_t kBytesPerRow = 32;
      ends_.reserve(rows);
      text_.reserve(rows * kBytesPerRow);
    }
  }
  void Add(std::string_view text) {
    if (kind_ == Kind::Distinct) {
      text_.append(text);
      ends_.push_back(text_.size());
      return;
    }
    auto found = numbers_.find(text);
    if (found == numbers_.end()) {
      found = numbers_.emplace(std::string(text), static_cast<std::uint32_t>(distinct_.size())).first;
      distinct_.push_back(found->first);
    }
    ids_.push_back(found->second);
  }

  // An object array of Python strings; needs the GIL.
  py::array ToStrings() const {
    const std::size_t rows = kind_ == Kind::Distinct ? ends_.size() : ids_.size();
    py::array out(py::dtype("O"), std::vector<py::ssize_t>{static_cast<py::ssize_t>(rows)});
    auto* items = static_cast<PyObject**>(out.mutable_data());
    std::vector<py::object> strings;
    if (kind_ == Kind::Repeated)
      for (const std::string_view text : distinct_) strings.push_back(String(text));
    for (std::size_t r = 0; r < rows; ++r) {
      py::object item = kind_ == Kind::Repeated ? strings[ids_[r]] : String((*this)[r]);
      Py_XDECREF(items[r]);
      items[r] = item.release().ptr();
    }
    return out;
  }

  std::string_view operator[](std::size_t row) const {
    if (kind_ == Kind::Repeated) return distinct_[ids_[row]];
    const std::size_t start = row == 0 ? 0 : ends_[row - 1];
    return std::string_view(text_).substr(start, ends_[row] - start);
  }

private:
  static py::object String(std::string_view text) {
    auto item = py::reinterpret_steal<py::object>(
        PyUnicode_DecodeUTF8(text.data(), static_cast<py::ssize_t>(text.size()), "replace"));
    if (!item) throw py::error_already_set();
    return item;
  }
  // Heterogeneous look-up: a row's text is found without a copy.
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
  };

  const Kind kind_;
  std::string text_;
  std::vector<std::size_t> ends_;
  std::unordered_map<std::string, std::uint32_t, Hash, std::equal_to<>> numbers_;
  std::vector<std::string_view> distinct_; // keys of numbers_, whose nodes stay put
  std::vector<std::uint32_t> ids_;
};

// The numbers of the exact form, by the tool's column names: NaN where the
// tool leaves the cell empty.
using NumberOf = double (*)(const exact::Analysis&);
double Or(const std::optional<double>& v) { return v ? *v : kNaN; }
const std::pair<std::string_view, NumberOf> kNumberColumns[] = {
    {"depth", [](const exact::Analysis& a) { return a.critical ? a.critical->depth : kNaN; }},
    {"width", [](const exact::Analysis& a) { return a.critical ? a.critical->top_width : kNaN; }},
    {"area", [](const exact::Analysis& a) { return a.critical ? a.critical->area : kNaN; }},
    {"velocity", [](const exact::Analysis& a) { return a.critical ? a.critical->velocity : kNaN; }},
    {"hydraulic_depth", [](const exact::Analysis& a) { return a.critical ? Or(a.critical->hydraulic_depth) : kNaN; }},
    {"energy", [](const exact::Analysis& a) { return a.critical ? a.critical->energy : kNaN; }},
    {"critical_slope", [](const exact::Analysis& a) { return Or(a.critical_slope); }},
    {"normal_depth", [](const exact::Analysis& a) { return a.normal ? a.normal->depth : kNaN; }},
    {"normal_velocity", [](const exact::Analysis& a) { return a.normal ? a.normal->velocity : kNaN; }},
    {"normal_froude", [](const exact::Analysis& a) { return a.normal ? a.normal->froude : kNaN; }},
    {"energy_at_h", [](const exact::Analysis& a) { return a.at_depth ? a.at_depth->energy : kNaN; }},
    {"froude_at_h", [](const exact::Analysis& a) { return a.at_depth ? a.at_depth->froude : kNaN; }},
    {"alternate_depth", [](const exact::Analysis& a) { return a.at_depth ? Or(a.at_depth->alternate) : kNaN; }},
    {"sequent_depth", [](const exact::Analysis& a) { return a.at_depth ? Or(a.at_depth->sequent) : kNaN; }},
};

std::vector<std::string_view> HeaderNames(std::string_view header) {
  if (header.ends_with('\n')) header.remove_suffix(1);
  std::vector<std::string_view> names;
  for (std::size_t start = 0;;) {
    const std::size_t comma = header.find(',', start);
    names.push_back(header.substr(start, comma - start));
    if (comma == std::string_view::npos) return names;
    start = comma + 1;
  }
}

[[noreturn]] void NotAsked() { throw std::logic_error("a row of another form than the sink's"); }

// Gathers the rows' results into columns: the numbers straight into the
// arrays handed back, the texts to be made into strings afterwards.
class ColumnSink final : public cli::RowSink {
public:
  ColumnSink(bool exact, std::size_t rows) : exact_(exact), rows_(rows) {}

  // The output's columns in the tool's order, once the header is read.
  void Lay(std::string_view header) {
    for (const std::string_view name : HeaderNames(header)) {
      Output out;
      out.name = name;
      bool number = false;
      for (const auto& [known, of] : kNumberColumns) {
        if (exact_ && known == name) {
          out.number_of = of;
          number = true;
        }
      }
      if (number) {
        out.numbers = py::array_t<double>(static_cast<py::ssize_t>(rows_));
        out.data = out.numbers.mutable_data();
      } else {
        // The window's depth and width are mostly numbers of their own.
        const bool numbers = !exact_ && (name == "depth" || name == "width");
        out.texts.emplace(rows_, numbers ? TextColumn::Kind::Distinct : TextColumn::Kind::Repeated);
      }
      outputs_.push_back(std::move(out));
    }
    // The texts by role; the tool's header always has these.
    for (Output& out : outputs_) {
      if (out.name == "message") message_ = &*out.texts;
      if (out.name == "regime") regime_ = &*out.texts;
      if (out.name == "slope_class") slope_class_ = &*out.texts;
      if (out.name == "depth" && !exact_) depth_ = &*out.texts;
      if (out.name == "width" && !exact_) width_ = &*out.texts;
      if (out.name == "focus") focus_ = &*out.texts;
    }
    if (!message_ || (!exact_ && (!depth_ || !width_ || !focus_)))
      throw std::logic_error("the batch tool's header lacks a column the module fills");
  }

  void Report(std::string_view text) override {
    if (in_header_) header_reports_.emplace_back(text);
  }
  void MessageOnly(std::string_view message) override {
    for (Output& out : outputs_) {
      if (out.data)
        out.data[row_] = kNaN;
      else if (&*out.texts != message_)
        out.texts->Add({});
    }
    message_->Add(message);
    ++row_;
  }
  void WindowRow(const hydraulics::window::ComputeOutcome& outcome) override {
    depth_->Add(outcome.shown.depth);
    width_->Add(outcome.shown.width);
    message_->Add(outcome.message ? outcome.message->text : std::string_view{});
    focus_->Add(outcome.message ? hydraulics::window::FocusBoxName(outcome.message->focus) : std::string_view{});
    ++row_;
  }
  void ExactRow(const exact::Analysis& analysis, std::string_view message) override {
    for (Output& out : outputs_)
      if (out.data) out.data[row_] = out.number_of(analysis);
    if (regime_) regime_->Add(analysis.normal ? exact::RegimeName(analysis.normal->regime) : std::string_view{});
    if (slope_class_)
      slope_class_->Add(analysis.slope_class ? exact::SlopeClassName(*analysis.slope_class) : std::string_view{});
    message_->Add(message);
    ++row_;
  }

  void ProfileRows(const hydraulics::exact::Profile&, std::string_view) override { NotAsked(); }
  void ProfileMessage(std::string_view, std::string_view) override { NotAsked(); }

  void set_in_header(bool in_header) { in_header_ = in_header; }
  const std::vector<std::string>& header_reports() const { return header_reports_; }

  // The names and arrays, in order; needs the GIL.
  py::list Columns() const {
    py::list columns;
    for (const Output& out : outputs_)
      columns.append(py::make_tuple(out.name, out.data ? py::array(out.numbers) : out.texts->ToStrings()));
    return columns;
  }

private:
  struct Output {
    std::string name;
    NumberOf number_of = nullptr;
    py::array_t<double> numbers{};
    double* data = nullptr;
    std::optional<TextColumn> texts;
  };
  const bool exact_;
  const std::size_t rows_;
  std::size_t row_ = 0;
  bool in_header_ = false;
  std::vector<std::string> header_reports_;
  std::vector<Output> outputs_;
  TextColumn* message_ = nullptr;
  TextColumn* regime_ = nullptr;
  TextColumn* slope_class_ = nullptr;
  TextColumn* depth_ = nullptr;
  TextColumn* width_ = nullptr;
  TextColumn* focus_ = nullptr;
};

// --profile's lines: one per station of each row's profile, or one for a row
// without, each naming its input row. How many there are is known only
// once they are computed.
class ProfileSink final : public cli::RowSink {
public:
  explicit ProfileSink(hydraulics::LengthUnit unit)
      : unit_(unit), names_(0, TextColumn::Kind::Repeated), messages_(0, TextColumn::Kind::Repeated) {}

  void Report(std::string_view text) override {
    if (in_header_) header_reports_.emplace_back(text);
  }
  void MessageOnly(std::string_view message) override { ProfileMessage(message, {}); }
  void WindowRow(const hydraulics::window::ComputeOutcome&) override { NotAsked(); }
  void ExactRow(const exact::Analysis&, std::string_view) override { NotAsked(); }
  void ProfileRows(const exact::Profile& profile, std::string_view extra) override {
    name_.clear();
    exact::AppendProfileName(name_, profile);
    for (std::size_t i = 0; i < profile.stations.size(); ++i) {
      const exact::ProfileStation& s = profile.stations[i];
      // A step whose mean friction slope equals the bed slope has no distance.
      Line({s.x, s.h, s.area, s.velocity, s.froude, s.energy, s.friction_slope,
            std::isfinite(s.x_step) ? s.x_step : kNaN});
      message_.clear();
      cli::AppendProfileStationMessage(message_, profile, i, unit_, extra);
      names_.Add(name_);
      messages_.Add(message_);
    }
    ++row_;
  }
  void ProfileMessage(std::string_view message, std::string_view name) override {
    Line({kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN});
    names_.Add(name);
    messages_.Add(message);
    ++row_;
  }

  void set_in_header(bool in_header) { in_header_ = in_header; }
  const std::vector<std::string>& header_reports() const { return header_reports_; }
  // The input row of each line, counted from 0.
  py::array_t<std::int64_t> Positions() const {
    return py::array_t<std::int64_t>(static_cast<py::ssize_t>(rows_.size()), rows_.data());
  }

  // The names and arrays in the tool's order; needs the GIL.
  py::list Columns() const {
    const cli::OutputForm form = cli::OutputForm::Profiles();
    const std::vector<std::string_view> names = HeaderNames(form.header());
    py::list columns;
    std::vector<std::int64_t> numbers(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i) numbers[i] = rows_[i] + 1;
    std::size_t value = 0;
    for (const std::string_view name : names) {
      py::object column;
      if (name == "row")
        column = py::array_t<std::int64_t>(static_cast<py::ssize_t>(numbers.size()), numbers.data());
      else if (name == "profile")
        column = names_.ToStrings();
      else if (name == "message")
        column = messages_.ToStrings();
      else if (value < kValues) {
        const std::vector<double>& values = values_[value++];
        column = py::array_t<double>(static_cast<py::ssize_t>(values.size()), values.data());
      }
      else
        throw std::logic_error("the batch tool's profile header has a column the module does not fill");
      columns.append(py::make_tuple(std::string(name), column));
    }
    return columns;
  }

private:
  static constexpr std::size_t kValues = 8; // x, h, area, velocity, froude, energy, friction_slope, x_step
  void Line(std::initializer_list<double> values) {
    rows_.push_back(static_cast<std::int64_t>(row_));
    std::size_t i = 0;
    for (const double v : values) values_[i++].push_back(v);
  }

  const hydraulics::LengthUnit unit_;
  std::size_t row_ = 0;
  bool in_header_ = false;
  std::vector<std::string> header_reports_;
  std::vector<std::int64_t> rows_;
  std::vector<double> values_[kValues];
  TextColumn names_;
  TextColumn messages_;
  std::string name_;
  std::string message_;
};

std::string ColumnName(std::string_view name) { return cli::Quoted(name); }

// One input column as the rows read it. Numbers stay numbers: the exact form
// takes a float column's finite values as they are, and otherwise a row's
// number is written as the shortest text that reads back to the same value,
// as a box would be typed. Texts are copied out of their Python objects so
// that the rows run without the GIL.
class InputColumn {
public:
  static constexpr std::size_t kRoom = 32; // "-2.2250738585072014e-308" and any 64-bit integer fit

  InputColumn(std::string_view name, const py::array& values) {
    const char kind = values.dtype().kind();
    if (kind == 'f') {
      floats_ = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(values);
      kind_ = Kind::Float;
    } else if (kind == 'i') {
      signed_ = py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>::ensure(values);
      kind_ = Kind::Signed;
    } else if (kind == 'u') {
      unsigned_ = py::array_t<std::uint64_t, py::array::c_style | py::array::forcecast>::ensure(values);
      kind_ = Kind::Unsigned;
    } else if (kind == 'O' || kind == 'U') {
      CopyTexts(name, kind == 'U' ? values.attr("astype")("O").cast<py::array>() : values);
      kind_ = Kind::Text;
    } else {
      throw py::value_error("列" + ColumnName(name) + "的数据类型为 " + py::str(values.dtype()).cast<std::string>() +
                            "，应为数或文本");
    }
  }

  // A finite number of a float column, which the exact form reads as it is.
  std::optional<double> Number(std::size_t row) const {
    if (kind_ != Kind::Float) return std::nullopt;
    const double value = floats_.data()[row];
    if (!std::isfinite(value)) return std::nullopt;
    return value;
  }

  // The text of `row`; numbers are written into `room`.
  std::string_view Text(std::size_t row, char* room) const {
    switch (kind_) {
      case Kind::Float: return Number(floats_.data()[row], room);
      case Kind::Signed: return Number(signed_.data()[row], room);
      case Kind::Unsigned: return Number(unsigned_.data()[row], room);
      case Kind::Text: return (*texts_)[row];
    }
    return {};
  }

private:
  enum class Kind { Float, Signed, Unsigned, Text };

  // NaN is an empty cell.
  static std::string_view Number(double value, char* room) {
    if (std::isnan(value)) return {};
    return {room, std::to_chars(room, room + kRoom, value).ptr};
  }
  template <class Integer>
  static std::string_view Number(Integer value, char* room) {
    return {room, std::to_chars(room, room + kRoom, value).ptr};
  }

  // Strings as they are; None an empty cell; numbers as the numeric columns
  // write them.
  void CopyTexts(std::string_view name, const py::array& values) {
    const py::array objects = py::array::ensure(values, py::array::c_style);
    const std::size_t rows = static_cast<std::size_t>(objects.size());
    texts_.emplace(rows, TextColumn::Kind::Distinct);
    char room[kRoom];
    PyObject* const* items = reinterpret_cast<PyObject* const*>(objects.data());
    for (std::size_t r = 0; r < rows; ++r) {
      PyObject* item = items[r];
      if (item == Py_None) {
        texts_->Add({});
      } else if (PyUnicode_Check(item)) {
        Py_ssize_t size = 0;
        const char* utf8 = PyUnicode_AsUTF8AndSize(item, &size);
        if (!utf8) {
          PyErr_Clear();
          throw py::value_error("列" + ColumnName(name) + "第 " + std::to_string(r + 2) + " 行的文本不能写成 UTF-8");
        }
        texts_->Add({utf8, static_cast<std::size_t>(size)});
      } else if (!PyBool_Check(item) && PyLong_Check(item)) {
        texts_->Add(py::str(item).cast<std::string>());
      } else if (PyFloat_Check(item)) {
        texts_->Add(Number(PyFloat_AsDouble(item), room));
      } else {
        throw py::value_error("列" + ColumnName(name) + "第 " + std::to_string(r + 2) + " 行的值" +
                              cli::Quoted(py::repr(py::handle(item)).cast<std::string>()) + "既不是数也不是文本");
      }
    }
  }

  Kind kind_ = Kind::Text;
  py::array_t<double> floats_;
  py::array_t<std::int64_t> signed_;
  py::array_t<std::uint64_t> unsigned_;
  std::optional<TextColumn> texts_;
};

// The rows of a table through `sink`, numbered as the lines of the CSV file
// that holds it with its header first, so that a message names the same line
// and column as the batch tool's. `lay` sees the header once it is read.
template <class Sink, class Lay>
void RunRows(const std::vector<std::string>& names, const std::vector<py::array>& values,
             const cli::Options& options, Sink& sink, Lay lay) {
  const std::size_t columns = names.size();
  const std::size_t rows = values.empty() ? 0 : static_cast<std::size_t>(values.front().size());
  cli::Rows table(options, sink);
  {
    std::vector<std::string_view> header(names.begin(), names.end());
    cli::CsvRecord record;
    record.Assign(header.data(), header.size(), 1);
    sink.set_in_header(true);
    table.ReadHeader(record);
    sink.set_in_header(false);
  }
  if (const auto& fault = table.header_fault()) throw py::value_error(*fault);
  lay(table);

  std::vector<std::optional<InputColumn>> inputs(columns);
  for (std::size_t c = 0; c < columns; ++c) {
    if (!table.Reads(c)) continue;
    if (values[c].ndim() != 1 || static_cast<std::size_t>(values[c].size()) != rows)
      throw py::value_error("列" + ColumnName(names[c]) + "应为一维，且与其他列等长");
    inputs[c].emplace(names[c], values[c]);
  }

  // The finite numbers of float columns go in as they are where the rows
  // read numbers alone; their field then needs only to be not blank (a text
  // that is no number, so that a read of it would show).
  std::vector<bool> as_numbers(columns, false);
  for (std::size_t c = 0; c < columns; ++c) as_numbers[c] = inputs[c] && table.TakesNumber(c);
  constexpr std::string_view kGivenAsNumber = "#";

  py::gil_scoped_release unlocked;
  std::vector<std::string_view> fields(columns);
  std::vector<std::optional<double>> numbers(columns);
  std::vector<char> rooms(columns * InputColumn::kRoom);
  cli::CsvRecord record;
  for (std::size_t r = 0; r < rows; ++r) {
    for (std::size_t c = 0; c < columns; ++c) {
      if (!inputs[c]) continue;
      if (as_numbers[c] && (numbers[c] = inputs[c]->Number(r)))
        fields[c] = kGivenAsNumber;
      else
        fields[c] = inputs[c]->Text(r, rooms.data() + InputColumn::kRoom * c);
    }
    record.Assign(fields.data(), columns, static_cast<cli::LineNumber>(r) + 2);
    table.Compute(record, numbers.data());
  }
}

py::list Reports(const std::vector<std::string>& reports) {
  py::list list;
  for (const std::string& report : reports) list.append(report);
  return list;
}

// `form` is "window", "exact" or "profile". Returns the output's (name,
// array) pairs, the header's notes, and for profiles each line's input row.
py::tuple Analyse(const std::vector<std::string>& names, const std::vector<py::array>& values,
                  const std::string& form, double g, double k, bool feet) {
  cli::Options options;
  options.exact = form == "exact";
  options.profile = form == "profile";
  options.units = {g, k, feet ? hydraulics::LengthUnit::Foot : hydraulics::LengthUnit::Metre};
  if (options.profile) {
    ProfileSink sink(options.units.length);
    RunRows(names, values, options, sink, [](const cli::Rows&) {});
    return py::make_tuple(sink.Columns(), Reports(sink.header_reports()), sink.Positions());
  }
  const std::size_t rows = values.empty() ? 0 : static_cast<std::size_t>(values.front().size());
  ColumnSink sink(options.exact, rows);
  RunRows(names, values, options, sink, [&](const cli::Rows& table) {
    sink.Lay(options.exact ? cli::OutputForm::Exact(table.flow()).header() : cli::OutputForm::Window().header());
  });
  return py::make_tuple(sink.Columns(), Reports(sink.header_reports()), py::none());
}

std::string TextForm(double value) {
  std::string text;
  if (!std::isnan(value)) cli::AppendTextForm(text, value);
  return text;
}

}  // namespace

PYBIND11_MODULE(_vardenix, m) {
  m.doc() = "vardenix 的 C++ 部分：表的各行经批处理工具的同一段代码计算。请用 vardenix.analyse。";
  m.def("analyse", &Analyse, py::arg("names"), py::arg("values"), py::arg("form"), py::arg("g"), py::arg("k"),
        py::arg("feet"),
        "各列名与等长的一维数组，form 为 window、exact 或 profile -> ([(输出列名, 数组)], [表头的提示], "
        "水面曲线各行对应的输入行号（从 0 起）或 None)；输入有误时引发 ValueError。");
  m.def("text_form", &TextForm, py::arg("value"),
        "批处理工具写出一个数所用的文本（15 位有效数字）；NaN 为空文本，即工具的空格。");
}
