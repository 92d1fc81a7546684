#pragma once
// Paints the parts of a drawing's model (PlotParts.h), and makes a drawing
// widget a picture to screen readers. Painters only draw; they compute nothing.

#include <QColor>

#include "companion/PlotParts.h"

class QPainter;

// The ground a picture is drawn on.
QColor PaperColour();
QColor InkColour(Ink ink);

void PaintPath(QPainter& p, const PlotPath& path);
void PaintMark(QPainter& p, const PlotMark& mark);
void PaintText(QPainter& p, const PlotText& text);

// Screen readers hear widgets of the class named `class_name` as a picture
// (whose description says what it shows), not as a pane.
void HearAsPicture(const char* class_name);
