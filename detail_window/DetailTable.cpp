#include "detail_window/DetailTable.h"

#include <QStringList>

#include "hydraulics/exact/reason_text.h"

namespace exact = hydraulics::exact;

namespace {

// Slopes and Froude numbers have no unit; the cell says so rather than stay blank.
const QString kNoUnit = QStringLiteral("—");

DetailRow Heading(const QString& name) {
  DetailRow row;
  row.name = name;
  row.heading = true;
  return row;
}

DetailRow Number(const QString& name, std::optional<double> value, const QString& unit) {
  DetailRow row;
  row.name = name;
  row.value = value;
  row.unit = unit;
  return row;
}

DetailRow Word(const QString& name, std::string_view text) {
  DetailRow row;
  row.name = name;
  row.text = FromUtf8(text);
  return row;
}

}  // namespace

QString DetailRow::ValueText() const { return value ? TableNumber(*value) : text; }

std::vector<DetailRow> DetailRows(const exact::Analysis* a) {
  const exact::CriticalState* k = a && a->critical ? &*a->critical : nullptr;
  const exact::NormalState* n = a && a->normal ? &*a->normal : nullptr;
  const exact::AtDepthState* d = a && a->at_depth ? &*a->at_depth : nullptr;
  auto of = [](const auto* state, auto member) -> std::optional<double> {
    if (!state) return std::nullopt;
    return state->*member;
  };
  const std::optional<exact::Regime> at_h = d ? std::optional(exact::RegimeOf(d->froude)) : std::nullopt;
  // In a jump h′ is the depth before it and h″ the one after: the depth
  // conjugate to a given subcritical depth is h′.
  const QString conjugate = at_h == exact::Regime::Subcritical ? QStringLiteral("共轭水深 h′")
                                                               : QStringLiteral("共轭水深 h″");
  return {
      Heading(QStringLiteral("临界状态")),
      Number(QStringLiteral("临界水深 h_k"), of(k, &exact::CriticalState::depth), kMetre),
      Number(QStringLiteral("水面宽度 B_k"), of(k, &exact::CriticalState::top_width), kMetre),
      Number(QStringLiteral("过水面积 A_k"), of(k, &exact::CriticalState::area), kSquareMetre),
      Number(QStringLiteral("临界流速 v_k"), of(k, &exact::CriticalState::velocity), kMetrePerSecond),
      Number(QStringLiteral("断面比能 E_k"), of(k, &exact::CriticalState::energy), kMetre),
      Number(QStringLiteral("临界底坡 i_k"), a ? a->critical_slope : std::nullopt, kNoUnit),
      Heading(QStringLiteral("正常水深（均匀流）")),
      Number(QStringLiteral("正常水深 h_0"), of(n, &exact::NormalState::depth), kMetre),
      Number(QStringLiteral("流速 v_0"), of(n, &exact::NormalState::velocity), kMetrePerSecond),
      Number(QStringLiteral("h_0 处弗劳德数 Fr"), of(n, &exact::NormalState::froude), kNoUnit),
      Word(QStringLiteral("h_0 处流态"), n ? exact::RegimeName(n->regime) : std::string_view{}),
      Word(QStringLiteral("底坡类型"), a && a->slope_class ? exact::SlopeClassName(*a->slope_class) : std::string_view{}),
      Heading(QStringLiteral("给定水深 h")),
      Number(QStringLiteral("h 处断面比能 E"), of(d, &exact::AtDepthState::energy), kMetre),
      Number(QStringLiteral("h 处弗劳德数 Fr"), of(d, &exact::AtDepthState::froude), kNoUnit),
      Word(QStringLiteral("h 处流态"), at_h ? exact::RegimeName(*at_h) : std::string_view{}),
      Number(QStringLiteral("交替水深 h_a"), d ? d->alternate : std::nullopt, kMetre),
      Number(conjugate, d ? d->sequent : std::nullopt, kMetre),
  };
}

QString TabSeparated(const DetailInputs& in, const std::vector<DetailRow>& rows) {
  QStringList lines{QStringLiteral("断面详情")};
  lines << SectionLines(in.section);
  auto line = [&](const QString& name, const QString& value, const QString& unit = {}) {
    lines << name + u'\t' + value + (unit.isEmpty() ? QString() : u'\t' + unit);
  };
  auto given = [&](const QString& name, std::optional<double> value, const QString& unit = {}) {
    if (value) line(name, InputNumber(*value), unit);
    else line(name, QStringLiteral("未给出"));
  };
  given(QStringLiteral("糙率 n"), in.n);
  if (in.i && !in.i_typed.isEmpty() && in.i_typed != InputNumber(*in.i))
    line(QStringLiteral("底坡 i"), InputNumber(*in.i), QStringLiteral("（输入为 %1）").arg(in.i_typed));
  else
    given(QStringLiteral("底坡 i"), in.i);
  given(QStringLiteral("水深 h"), in.h, kMetre);
  line(QStringLiteral("长度单位"), kMetre);
  line(QStringLiteral("重力加速度 g"), InputNumber(in.units.g), QStringLiteral("米/秒²"));
  const double alpha = in.section.shape == exact::Shape::Doorway ? hydraulics::kDoorwayEnergyCoefficient : 1.0;
  line(QStringLiteral("动能修正系数 α"), InputNumber(alpha));
  line(QStringLiteral("弗劳德数"), QStringLiteral("Fr = v / √(g·A / (α·B))"));
  lines << QString();
  for (const DetailRow& row : rows) {
    if (row.heading) lines << row.name;
    else lines << row.name + u'\t' + row.ValueText() + u'\t' + row.unit;
  }
  if (!in.notes.isEmpty()) {
    lines << QString();
    line(QStringLiteral("说明"), in.notes);
  }
  return lines.join(u'\n') + u'\n';
}
