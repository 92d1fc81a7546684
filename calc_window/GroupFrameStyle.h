#pragma once
// Draws the window's group frames as the window's layout assumes them: the
// caption sits in the top line, and the line runs through the caption's
// middle, well above the first row of controls. Other controls keep the
// application's style.

#include <QProxyStyle>

class GroupFrameStyle : public QProxyStyle {
public:
  using QProxyStyle::QProxyStyle;

  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                          const QWidget* widget = nullptr) const override;
  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                       const QWidget* widget = nullptr) const override;
};
