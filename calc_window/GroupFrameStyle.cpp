#include "calc_window/GroupFrameStyle.h"

#include <algorithm>

#include <QPainter>
#include <QStyleOptionGroupBox>
#include <qdrawutil.h>

namespace {

// The caption starts this far in from the frame's left edge, with a little
// clear space either side so that the line stops short of the text.
constexpr int kCaptionLeft = 8;
constexpr int kCaptionPadding = 1;
// The contents keep clear of the etched line (two pixels) by this much.
constexpr int kContentsMargin = 3;

}  // namespace

QRect GroupFrameStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                                      const QWidget* widget) const {
  const auto* frame = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
  if (control != CC_GroupBox || !frame) return QProxyStyle::subControlRect(control, option, sub, widget);
  const int captionHeight = frame->fontMetrics.height();
  // The line runs through the middle of the caption.
  const QRect lined = frame->rect.adjusted(0, frame->text.isEmpty() ? 0 : captionHeight / 2, 0, 0);
  switch (sub) {
    case SC_GroupBoxLabel: {
      const int width = frame->fontMetrics.horizontalAdvance(frame->text) + 2 * kCaptionPadding;
      return {frame->rect.left() + kCaptionLeft, frame->rect.top(), width, captionHeight};
    }
    case SC_GroupBoxFrame:
      return lined;
    case SC_GroupBoxContents:
      return lined.adjusted(kContentsMargin, std::max(kContentsMargin, captionHeight - lined.top()),
                            -kContentsMargin, -kContentsMargin);
    default:
      return QProxyStyle::subControlRect(control, option, sub, widget);
  }
}

void GroupFrameStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                         QPainter* painter, const QWidget* widget) const {
  const auto* frame = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
  if (control != CC_GroupBox || !frame) return QProxyStyle::drawComplexControl(control, option, painter, widget);
  painter->save();
  // An etched line: a dark one with a light one just inside it.
  qDrawShadeRect(painter, subControlRect(control, option, SC_GroupBoxFrame, widget), frame->palette, true, 1, 0);
  if (!frame->text.isEmpty()) {
    const QRect caption = subControlRect(control, option, SC_GroupBoxLabel, widget);
    painter->fillRect(caption, frame->palette.window());
    drawItemText(painter, caption, Qt::AlignCenter | Qt::TextShowMnemonic, frame->palette,
                 frame->state & State_Enabled, frame->text, QPalette::WindowText);
  }
  painter->restore();
}
