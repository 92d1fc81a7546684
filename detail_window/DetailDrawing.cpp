#include "detail_window/DetailDrawing.h"

#include <QPainter>

#include "companion/PlotPaint.h"
#include "detail_window/DetailTable.h"

namespace {

void PaintPanel(QPainter& p, const PlotPanel& panel) {
  p.save();
  for (const PlotPath& path : panel.paths) PaintPath(p, path);
  for (const PlotMark& mark : panel.marks) PaintMark(p, mark);
  for (const PlotText& text : panel.texts) PaintText(p, text);
  if (!panel.instead.isEmpty()) {
    p.setPen(InkColour(Ink::Guide));
    p.drawText(panel.area.adjusted(24, 24, -24, -24), Qt::AlignCenter | Qt::TextWordWrap, panel.instead);
  }
  p.restore();
}

// What the picture marks, in words.
QString Described(const DetailPicture& picture) {
  if (!picture.section || !picture.analysis.critical) return picture.explanation;
  QString text = ShapeName(picture.section->shape) + QStringLiteral("：临界水深 h_k = %1 米")
                                                      .arg(TableNumber(picture.analysis.critical->depth));
  if (const auto& n = picture.analysis.normal) text += QStringLiteral("，正常水深 h_0 = %1 米").arg(TableNumber(n->depth));
  if (const auto& d = picture.analysis.at_depth) text += QStringLiteral("，给定水深 h = %1 米").arg(TableNumber(d->depth));
  return text;
}

}  // namespace

DetailDrawing::DetailDrawing(QWidget* parent) : QWidget(parent) {
  HearAsPicture("DetailDrawing");
}

void DetailDrawing::SetPicture(DetailPicture picture) {
  picture_ = std::move(picture);
  setAccessibleDescription(Described(picture_));
  update();
}

DetailPlot DetailDrawing::Plot() const { return PlotDetail(picture_, size(), font()); }

QImage DetailDrawing::Image() const {
  const qreal ratio = devicePixelRatioF();
  QImage image(size() * ratio, QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  QPainter painter(&image);
  painter.setFont(font());
  Paint(painter, rect());
  return image;
}

void DetailDrawing::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  Paint(painter, rect());
}

void DetailDrawing::Paint(QPainter& p, const QRect& area) const {
  p.fillRect(area, PaperColour());
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(InkColour(Ink::Guide));
  p.drawRect(QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5));
  const DetailPlot plot = PlotDetail(picture_, area.size(), p.font());
  if (!plot.explanation.isEmpty() || (plot.section.area.isEmpty() && plot.energy.area.isEmpty())) {
    p.setPen(InkColour(Ink::Text));
    p.drawText(QRectF(area).adjusted(24, 24, -24, -24), Qt::AlignCenter | Qt::TextWordWrap, plot.explanation);
    return;
  }
  PaintPanel(p, plot.section);
  p.setPen(InkColour(Ink::Guide));
  const double seam = plot.section.area.bottom();
  p.drawLine(QPointF(area.left() + 8, seam), QPointF(area.right() - 8, seam));
  PaintPanel(p, plot.energy);
}
