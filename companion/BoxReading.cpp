#include "companion/BoxReading.h"

#include "hydraulics/number_text.h"

BoxValue ReadPositive(const QString& text, const QString& name, const QString& example) {
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty()) return {};
  double value = 0;
  switch (hydraulics::ReadWholeNumber(trimmed.toStdString(), value)) {
    case hydraulics::NumberFault::None: break;
    case hydraulics::NumberFault::NotANumber:
      return {std::nullopt, QStringLiteral("%1 应是一个数，如 %2").arg(name, example)};
    case hydraulics::NumberFault::BeyondRange: return {std::nullopt, QStringLiteral("%1 超出数值范围").arg(name)};
  }
  if (!(value > 0)) return {std::nullopt, QStringLiteral("%1 必须是大于0的数").arg(name)};
  return {value, {}};
}

BoxValue ReadBedSlope(const QString& text) {
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty()) return {};
  double value = 0;
  switch (hydraulics::ReadSlope(trimmed.toStdString(), value)) {
    case hydraulics::SlopeFault::None: return {value, {}};
    case hydraulics::SlopeFault::NotASlope:
      return {std::nullopt, QStringLiteral("底坡 i 应写作小数、分数、百分数或千分数，如 0.001、1/1000、0.1%、1‰")};
    case hydraulics::SlopeFault::ZeroDenominator: return {std::nullopt, QStringLiteral("底坡 i 的分母不能为0")};
    case hydraulics::SlopeFault::BeyondRange: return {std::nullopt, QStringLiteral("底坡 i 超出数值范围")};
  }
  return {};
}
