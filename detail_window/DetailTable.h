#pragma once
// The rows of the detail window's table: the critical state, the normal state
// and the state at a given depth, each value with its unit, as the toolkit
// computes them; empty values where the toolkit has none. And the table as
// the clipboard takes it, with everything needed to read it on its own.

#include <optional>
#include <vector>

#include <QString>

#include "companion/SectionText.h"
#include "hydraulics/constants.h"
#include "hydraulics/exact/analysis.h"

struct DetailRow {
  QString name;                 // a heading row when unit and value are both empty
  std::optional<double> value;  // a number, shown in the table's number form
  QString text;                 // a value that is a word (缓流, 陡坡)
  QString unit;
  bool heading = false;

  // What the value cell shows.
  QString ValueText() const;
};

std::vector<DetailRow> DetailRows(const hydraulics::exact::Analysis* analysis);

// What the rows were computed from, for the copied table.
struct DetailInputs {
  hydraulics::exact::Section section;
  std::optional<double> n;
  std::optional<double> i;
  QString i_typed;  // the slope as typed ("1/1000"), shown beside its value when it differs
  std::optional<double> h;
  hydraulics::Units units = hydraulics::kSI;
  QString notes;  // why values are missing, and the flags
};

// Tab-separated lines, as spreadsheets paste them into cells: the section,
// its dimensions, Q, n, i, h, the units, g, alpha and the Froude number's
// definition, then a line per row, then the notes.
QString TabSeparated(const DetailInputs& inputs, const std::vector<DetailRow>& rows);
