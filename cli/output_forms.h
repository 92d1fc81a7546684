#pragma once
// The columns the batch tool writes for each row: the window's form, or the
// exact-geometry form with the toolkit's columns its input asks for.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "hydraulics/exact/analysis.h"
#include "hydraulics/exact/profile.h"
#include "hydraulics/window/crit_depth.h"

namespace cli {

// The optional inputs an exact batch's header names.
struct FlowColumns {
  bool n = false;
  bool S0 = false;
  bool h = false;
  bool any() const { return n || S0 || h; }
  bool normal() const { return n && S0; }
};

class OutputForm {
public:
  static OutputForm Window();
  static OutputForm Exact(FlowColumns columns);
  // --profile: one line per station.
  static OutputForm Profiles();

  std::string_view header() const { return header_; } // ends with LF
  std::size_t fields() const { return fields_; }
  std::size_t message_field() const { return message_field_; }

private:
  OutputForm(std::string header, std::size_t message_field);
  std::string header_;
  std::size_t fields_;
  std::size_t message_field_;
};

// Each appends one line to `out`.
void WriteMessageOnly(std::string& out, const OutputForm& form, std::string_view message);
void WriteWindowRow(std::string& out, const hydraulics::window::ComputeOutcome& outcome);
void WriteAnalysisRow(std::string& out, FlowColumns columns, const hydraulics::exact::Analysis& analysis,
                      std::string_view message);

// A profile's lines, one per station, for input data row `row`: the
// profile's notes go with its first station, where it stops with its last,
// and `extra` (the batch's own notes on the row's cells) after the first's.
void WriteProfileRows(std::string& out, std::int64_t row, const hydraulics::exact::Profile& profile,
                      hydraulics::LengthUnit unit, std::string_view extra);
// The message of a profile's station `i`: the profile's notes with the
// first station and `extra` after them, where it stops with the last.
void AppendProfileStationMessage(std::string& out, const hydraulics::exact::Profile& profile, std::size_t i,
                                 hydraulics::LengthUnit unit, std::string_view extra);
// The one line of a row without a profile; `name` is the profile's type
// where it has one.
void WriteProfileMessage(std::string& out, std::int64_t row, std::string_view message, std::string_view name = {});

// hydraulics::TextForm(double) written in place: the exact form has up to
// fifteen numbers a row, and the general conversion to a string costs more
// than the solvers that produce them.
void AppendTextForm(std::string& out, double value);

}  // namespace cli
