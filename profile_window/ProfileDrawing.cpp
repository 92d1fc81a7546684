#include "profile_window/ProfileDrawing.h"

#include <QPainter>

#include "companion/PlotPaint.h"

ProfileDrawing::ProfileDrawing(QWidget* parent) : QWidget(parent) { HearAsPicture("ProfileDrawing"); }

void ProfileDrawing::SetPicture(ProfilePicture picture) {
  picture_ = std::move(picture);
  plot_.reset();
  setAccessibleDescription(DescribeProfile(picture_));
  update();
}

const ProfilePlot& ProfileDrawing::Plot() const {
  if (!plot_) plot_ = PlotProfile(picture_, size(), font());
  return *plot_;
}

void ProfileDrawing::resizeEvent(QResizeEvent* event) {
  plot_.reset();
  QWidget::resizeEvent(event);
}

QImage ProfileDrawing::Image() const {
  const qreal ratio = devicePixelRatioF();
  QImage image(size() * ratio, QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  QPainter painter(&image);
  painter.setFont(font());
  Paint(painter);
  return image;
}

void ProfileDrawing::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  Paint(painter);
}

void ProfileDrawing::Paint(QPainter& p) const {
  const QRectF area = rect();
  p.fillRect(area, PaperColour());
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(InkColour(Ink::Guide));
  p.drawRect(area.adjusted(0.5, 0.5, -0.5, -0.5));
  const ProfilePlot& plot = Plot();
  if (plot.frame.isEmpty()) {
    p.setPen(InkColour(Ink::Text));
    p.drawText(area.adjusted(24, 24, -24, -24), Qt::AlignCenter | Qt::TextWordWrap, plot.explanation);
    return;
  }
  p.save();
  // The channel stays inside its frame; the labels may use the margins.
  p.setClipRect(plot.frame.adjusted(-5, -2, 2, 5));
  for (const PlotPath& path : plot.paths) PaintPath(p, path);
  p.restore();
  for (const PlotMark& mark : plot.marks) PaintMark(p, mark);
  for (const PlotText& text : plot.texts) PaintText(p, text);
}
