#include "companion/SectionText.h"

namespace exact = hydraulics::exact;

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString RejectedInputText(std::string_view message) {
  return QStringLiteral("上次计算的输入有误：%1\n请在计算窗口中改正后重新计算。").arg(FromUtf8(message));
}

const QString kMetre = QStringLiteral("米");
const QString kSquareMetre = QStringLiteral("米²");
const QString kMetrePerSecond = QStringLiteral("米/秒");
const QString kCubicMetrePerSecond = QStringLiteral("米³/秒");

QString TableNumber(double value) { return QString::number(value, 'g', 6); }

QString InputNumber(double value) { return QString::number(value, 'g', 15); }

QString ShapeName(exact::Shape shape) {
  switch (shape) {
    case exact::Shape::Circle: return QStringLiteral("圆形断面");
    case exact::Shape::Rectangle: return QStringLiteral("矩形断面");
    case exact::Shape::Trapezoid: return QStringLiteral("梯形断面");
    case exact::Shape::AverageTrapezoid: return QStringLiteral("梯形断面（按平均宽度）");
    case exact::Shape::Triangle: return QStringLiteral("三角形断面");
    case exact::Shape::Doorway: return QStringLiteral("门洞形断面");
  }
  return {};
}

QStringList SectionLines(const exact::Section& s) {
  QStringList lines{QStringLiteral("断面\t") + ShapeName(s.shape)};
  auto line = [&](const QString& name, const QString& value, const QString& unit = {}) {
    lines << name + u'\t' + value + (unit.isEmpty() ? QString() : u'\t' + unit);
  };
  const QString slope = QStringLiteral("1 : %1").arg(InputNumber(1 / s.s));
  switch (s.shape) {
    case exact::Shape::Circle:
      line(QStringLiteral("半径 R"), InputNumber(s.R), kMetre);
      break;
    case exact::Shape::Rectangle:
      line(QStringLiteral("底宽 b"), InputNumber(s.b), kMetre);
      break;
    case exact::Shape::Trapezoid:
      line(QStringLiteral("底宽 b"), InputNumber(s.b), kMetre);
      line(QStringLiteral("边坡"), slope);
      break;
    case exact::Shape::AverageTrapezoid:
      line(QStringLiteral("平均宽度 W"), InputNumber(s.W), kMetre);
      line(QStringLiteral("边坡"), slope);
      break;
    case exact::Shape::Triangle:
      line(QStringLiteral("边坡"), slope);
      break;
    case exact::Shape::Doorway:
      line(QStringLiteral("底宽 b"), InputNumber(s.b), kMetre);
      line(QStringLiteral("直墙高度"), InputNumber(s.wall), kMetre);
      line(QStringLiteral("顶拱角度"), InputNumber(s.angle), QStringLiteral("度"));
      break;
  }
  line(QStringLiteral("流量 Q"), InputNumber(s.Q), kCubicMetrePerSecond);
  return lines;
}
