#include "detail_window/DetailDrawing.h"

#include <QAccessibleWidget>
#include <QPainter>

#include "detail_window/DetailTable.h"

namespace {

const QColor kPaper(255, 255, 255);

QColor Colour(Ink ink) {
  switch (ink) {
    case Ink::Text: return {30, 30, 30};
    case Ink::Guide: return {140, 140, 140};
    case Ink::Outline: return {30, 30, 30};
    case Ink::Water: return {185, 220, 250};
    case Ink::Curve: return QColor(200, 30, 30).darker(140);
    case Ink::Critical: return {200, 30, 30};
    case Ink::Normal: return {20, 125, 40};
    case Ink::Given: return {30, 70, 200};
    case Ink::Shown: return {80, 80, 80};
  }
  return Qt::black;
}

Qt::PenStyle PenStyle(Stroke stroke) {
  switch (stroke) {
    case Stroke::Solid: return Qt::SolidLine;
    case Stroke::Dashed: return Qt::DashLine;
    case Stroke::Dotted: return Qt::DotLine;
  }
  return Qt::SolidLine;
}

void PaintPath(QPainter& p, const PlotPath& path) {
  if (path.filled) {
    p.setPen(Qt::NoPen);
    p.setBrush(Colour(path.ink));
    p.drawPolygon(path.points);
    p.setBrush(Qt::NoBrush);
    return;
  }
  p.setPen(QPen(Colour(path.ink), path.width, PenStyle(path.stroke)));
  if (path.closed) p.drawPolygon(path.points);
  else p.drawPolyline(path.points);
}

void PaintMark(QPainter& p, const PlotMark& mark) {
  const QColor colour = Colour(mark.ink);
  p.setPen(QPen(colour, 1));
  switch (mark.kind) {
    case PlotMark::Kind::Dot:
      p.setBrush(colour);
      p.drawEllipse(mark.at, 3.5, 3.5);
      break;
    case PlotMark::Kind::Hollow:
      p.setBrush(kPaper);
      p.drawEllipse(mark.at, 3.5, 3.5);
      break;
    case PlotMark::Kind::SurfaceSign:
      p.drawPolygon(QPolygonF{mark.at + QPointF(-4, -7), mark.at + QPointF(4, -7), mark.at});
      break;
    case PlotMark::Kind::Beyond:
      p.setBrush(colour);
      p.drawPolygon(QPolygonF{mark.at + QPointF(-4, -4), mark.at + QPointF(4, -4), mark.at + QPointF(4, 4),
                              mark.at + QPointF(-4, 4)});
      break;
  }
  p.setBrush(Qt::NoBrush);
}

void PaintText(QPainter& p, const PlotText& text) {
  if (text.leader) {
    p.setPen(QPen(Colour(text.ink), 1, Qt::DotLine));
    p.drawLine(*text.leader);
  }
  p.setPen(Colour(text.ink));
  p.drawText(text.box, static_cast<int>(text.align), text.text);
}

void PaintPanel(QPainter& p, const PlotPanel& panel) {
  p.save();
  for (const PlotPath& path : panel.paths) PaintPath(p, path);
  for (const PlotMark& mark : panel.marks) PaintMark(p, mark);
  for (const PlotText& text : panel.texts) PaintText(p, text);
  if (!panel.instead.isEmpty()) {
    p.setPen(Colour(Ink::Guide));
    p.drawText(panel.area.adjusted(24, 24, -24, -24), Qt::AlignCenter | Qt::TextWordWrap, panel.instead);
  }
  p.restore();
}

// A screen reader hears a picture, not a pane.
QAccessibleInterface* DrawingAccessible(const QString& key, QObject* object) {
  if (key != QLatin1String("DetailDrawing") || !object->isWidgetType()) return nullptr;
  return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
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
  static const bool installed = [] {
    QAccessible::installFactory(DrawingAccessible);
    return true;
  }();
  (void)installed;
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
  p.fillRect(area, kPaper);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Colour(Ink::Guide));
  p.drawRect(QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5));
  const DetailPlot plot = PlotDetail(picture_, area.size(), p.font());
  if (!plot.explanation.isEmpty() || (plot.section.area.isEmpty() && plot.energy.area.isEmpty())) {
    p.setPen(Colour(Ink::Text));
    p.drawText(QRectF(area).adjusted(24, 24, -24, -24), Qt::AlignCenter | Qt::TextWordWrap, plot.explanation);
    return;
  }
  PaintPanel(p, plot.section);
  p.setPen(Colour(Ink::Guide));
  const double seam = plot.section.area.bottom();
  p.drawLine(QPointF(area.left() + 8, seam), QPointF(area.right() - 8, seam));
  PaintPanel(p, plot.energy);
}
