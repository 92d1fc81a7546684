#pragma once
// How the companion windows write numbers and sections: the tables' number
// form, inputs with all their digits, the sections' names as the calculation
// window's shape buttons have them, and a section as a copied table's
// opening lines; and the toolkit's sentences as Qt's texts.

#include <string_view>

#include <QString>
#include <QStringList>

#include "hydraulics/exact/geometry.h"

QString FromUtf8(std::string_view text);

// What a companion window says while the calculation window's last input
// was rejected with `message`.
QString RejectedInputText(std::string_view message);

// The number form of the tables: six significant digits.
QString TableNumber(double value);

// An input as typed numbers are shown: all the digits it has, up to fifteen.
QString InputNumber(double value);

// The section's name as the calculation window's shape buttons have it; a
// trapezoid given by its average width says so.
QString ShapeName(hydraulics::exact::Shape shape);

// Tab-separated lines, as spreadsheets paste them into cells: the section's
// name, its dimensions with their units, and the discharge.
QStringList SectionLines(const hydraulics::exact::Section& section);

extern const QString kMetre;
extern const QString kSquareMetre;
extern const QString kMetrePerSecond;
extern const QString kCubicMetrePerSecond;
