#pragma once
// The companion windows' own input boxes: a value when the text makes sense,
// else a message that names the box. An empty box gives neither.

#include <optional>

#include <QString>

struct BoxValue {
  std::optional<double> value;
  QString problem;
};

// A decimal greater than 0; `name` is the box ("糙率 n"), `example` a value
// that would do ("0.014").
BoxValue ReadPositive(const QString& text, const QString& name, const QString& example);

// A bed slope as engineers write it ("0.001", "1/1000", "0.1%", "1‰"); 0 and
// negative slopes are slopes.
BoxValue ReadBedSlope(const QString& text);
