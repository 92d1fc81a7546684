#include "detail_window/DetailTable.h"

#include "hydraulics/exact/reason_text.h"

namespace {

const QString kMetre = QStringLiteral("米");
const QString kSquareMetre = QStringLiteral("平方米");
const QString kMetrePerSecond = QStringLiteral("米/秒");
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
  row.text = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  return row;
}

}  // namespace

QString TableNumber(double value) { return QString::number(value, 'g', 6); }

QString DetailRow::ValueText() const { return value ? TableNumber(*value) : text; }

std::vector<DetailRow> DetailRows(const hydraulics::exact::Analysis* a) {
  namespace exact = hydraulics::exact;
  const exact::CriticalState* k = a && a->critical ? &*a->critical : nullptr;
  const exact::NormalState* n = a && a->normal ? &*a->normal : nullptr;
  const exact::AtDepthState* d = a && a->at_depth ? &*a->at_depth : nullptr;
  auto of = [](const auto* state, auto member) -> std::optional<double> {
    if (!state) return std::nullopt;
    return state->*member;
  };
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
      Number(QStringLiteral("弗劳德数 Fr"), of(n, &exact::NormalState::froude), kNoUnit),
      Word(QStringLiteral("流态"), n ? exact::RegimeName(n->regime) : std::string_view{}),
      Word(QStringLiteral("底坡类型"), a && a->slope_class ? exact::SlopeClassName(*a->slope_class) : std::string_view{}),
      Heading(QStringLiteral("给定水深 h")),
      Number(QStringLiteral("断面比能 E"), of(d, &exact::AtDepthState::energy), kMetre),
      Number(QStringLiteral("弗劳德数 Fr"), of(d, &exact::AtDepthState::froude), kNoUnit),
      Number(QStringLiteral("交替水深 h′"), d ? d->alternate : std::nullopt, kMetre),
      Number(QStringLiteral("共轭水深 h″"), d ? d->sequent : std::nullopt, kMetre),
  };
}

QString TabSeparated(const std::vector<DetailRow>& rows) {
  QString out;
  for (const DetailRow& row : rows) {
    out += row.name;
    if (!row.heading) out += u'\t' + row.ValueText() + u'\t' + row.unit;
    out += u'\n';
  }
  return out;
}
