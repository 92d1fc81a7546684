#pragma once
// The rows of the detail window's table: the critical state, the normal state
// and the state at a given depth, each value with its unit, as the toolkit
// computes them; empty values where the toolkit has none.

#include <optional>
#include <vector>

#include <QString>

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

// The number form of the table: six significant digits.
QString TableNumber(double value);

// Tab-separated lines, one per row, as spreadsheets paste them into cells.
QString TabSeparated(const std::vector<DetailRow>& rows);
