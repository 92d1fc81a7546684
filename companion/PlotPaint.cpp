#include "companion/PlotPaint.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QSet>
#include <QWidget>

namespace {

Qt::PenStyle PenStyle(Stroke stroke) {
  switch (stroke) {
    case Stroke::Solid: return Qt::SolidLine;
    case Stroke::Dashed: return Qt::DashLine;
    case Stroke::Dotted: return Qt::DotLine;
  }
  return Qt::SolidLine;
}

QSet<QString>& PictureClasses() {
  static QSet<QString> classes;
  return classes;
}

QAccessibleInterface* PictureAccessible(const QString& key, QObject* object) {
  if (!PictureClasses().contains(key) || !object->isWidgetType()) return nullptr;
  return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
}

}  // namespace

QColor PaperColour() { return {255, 255, 255}; }

QColor InkColour(Ink ink) {
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
    case Ink::Surface: return {20, 60, 190};
    case Ink::Ground: return {222, 205, 170};
  }
  return Qt::black;
}

void PaintPath(QPainter& p, const PlotPath& path) {
  if (path.filled) {
    p.setPen(Qt::NoPen);
    p.setBrush(InkColour(path.ink));
    p.drawPolygon(path.points);
    p.setBrush(Qt::NoBrush);
    return;
  }
  p.setPen(QPen(InkColour(path.ink), path.width, PenStyle(path.stroke)));
  if (path.closed) p.drawPolygon(path.points);
  else p.drawPolyline(path.points);
}

void PaintMark(QPainter& p, const PlotMark& mark) {
  const QColor colour = InkColour(mark.ink);
  p.setPen(QPen(colour, 1));
  switch (mark.kind) {
    case PlotMark::Kind::Dot:
      p.setBrush(colour);
      p.drawEllipse(mark.at, 3.5, 3.5);
      break;
    case PlotMark::Kind::Hollow:
      p.setBrush(PaperColour());
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
    p.setPen(QPen(InkColour(text.ink), 1, Qt::DotLine));
    p.drawLine(*text.leader);
  }
  p.setPen(InkColour(text.ink));
  p.drawText(text.box, static_cast<int>(text.align), text.text);
}

void HearAsPicture(const char* class_name) {
  static const bool installed = [] {
    QAccessible::installFactory(PictureAccessible);
    return true;
  }();
  (void)installed;
  PictureClasses().insert(QString::fromLatin1(class_name));
}
