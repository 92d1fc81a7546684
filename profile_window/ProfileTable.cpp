#include "profile_window/ProfileTable.h"

#include <QStringList>

#include "companion/SectionText.h"
#include "hydraulics/exact/reason_text.h"

namespace exact = hydraulics::exact;

namespace {

QString HeaderLine(const ProfileColumn& c) { return c.header.section(u'\n', 0, 0) + u' ' + c.header.section(u'\n', 1); }

}  // namespace

const std::vector<ProfileColumn>& ProfileColumns() {
  static const std::vector<ProfileColumn> columns{
      {QStringLiteral("x（米）\n精确积分"), QStringLiteral("距离 x（精确积分）"), kMetre, &exact::ProfileStation::x},
      {QStringLiteral("x（米）\n分段求和法"), QStringLiteral("距离 x（分段求和法）"), kMetre,
       &exact::ProfileStation::x_step},
      {QStringLiteral("h（米）\n水深"), QStringLiteral("水深 h"), kMetre, &exact::ProfileStation::h},
      {QStringLiteral("A（米²）\n过水面积"), QStringLiteral("过水面积 A"), kSquareMetre, &exact::ProfileStation::area},
      {QStringLiteral("v（米/秒）\n流速"), QStringLiteral("流速 v"), kMetrePerSecond, &exact::ProfileStation::velocity},
      {QStringLiteral("Fr\n弗劳德数"), QStringLiteral("弗劳德数 Fr"), {}, &exact::ProfileStation::froude},
      {QStringLiteral("E（米）\n断面比能"), QStringLiteral("断面比能 E"), kMetre, &exact::ProfileStation::energy},
      {QStringLiteral("J\n水力坡度"), QStringLiteral("水力坡度 J"), {}, &exact::ProfileStation::friction_slope},
  };
  return columns;
}

void ProfileTableModel::SetProfile(std::shared_ptr<const exact::Profile> profile) {
  beginResetModel();
  profile_ = std::move(profile);
  endResetModel();
}

int ProfileTableModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !profile_) return 0;
  return static_cast<int>(profile_->stations.size());
}

int ProfileTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(ProfileColumns().size());
}

QVariant ProfileTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !profile_ || index.row() >= rowCount()) return {};
  const ProfileColumn& column = ProfileColumns()[static_cast<size_t>(index.column())];
  const double value = profile_->stations[static_cast<size_t>(index.row())].*column.member;
  switch (role) {
    case Qt::DisplayRole: return TableNumber(value);
    case Qt::TextAlignmentRole: return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::AccessibleTextRole:
      return QStringLiteral("%1：%2 %3").arg(column.spoken, TableNumber(value), column.unit).trimmed();
    default: return {};
  }
}

QVariant ProfileTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Vertical) {
    // Station 0 is the control section.
    if (role == Qt::DisplayRole) return section;
    if (role == Qt::AccessibleTextRole)
      return section == 0 ? QStringLiteral("控制断面") : QStringLiteral("第 %1 断面").arg(section);
    return {};
  }
  if (section < 0 || section >= columnCount()) return {};
  const ProfileColumn& column = ProfileColumns()[static_cast<size_t>(section)];
  if (role == Qt::DisplayRole) return column.header;
  if (role == Qt::AccessibleTextRole || role == Qt::ToolTipRole)
    return column.unit.isEmpty() ? column.spoken : QStringLiteral("%1，单位%2").arg(column.spoken, column.unit);
  return {};
}

QString ProfileName(const exact::Profile& profile) {
  std::string name;
  exact::AppendProfileName(name, profile);
  return QString::fromStdString(name);
}

QString ProfileNotes(const exact::Profile& profile) {
  return QString::fromStdString(exact::NotesText(profile.notes, hydraulics::LengthUnit::Metre));
}

QString ProfileTabSeparated(const ProfileCopy& in) {
  QStringList lines{QStringLiteral("水面曲线")};
  lines << SectionLines(in.section);
  auto line = [&](const QString& name, const QString& value, const QString& unit = {}) {
    lines << name + u'\t' + value + (unit.isEmpty() ? QString() : u'\t' + unit);
  };
  const exact::ProfileInputs& p = in.inputs;
  line(QStringLiteral("糙率 n"), InputNumber(p.n));
  if (!in.i_typed.isEmpty() && in.i_typed != InputNumber(p.S0))
    line(QStringLiteral("底坡 i"), InputNumber(p.S0), QStringLiteral("（输入为 %1）").arg(in.i_typed));
  else
    line(QStringLiteral("底坡 i"), InputNumber(p.S0));
  const exact::Profile* profile = in.profile.get();
  line(QStringLiteral("动能修正系数 α"), InputNumber(profile ? profile->alpha : p.alpha.value_or(1)));
  line(QStringLiteral("控制水深 h1"), InputNumber(p.h1), kMetre);
  if (p.h2) line(QStringLiteral("终点水深 h2"), InputNumber(*p.h2), kMetre);
  if (p.L) line(QStringLiteral("渠段长度 L"), InputNumber(*p.L), kMetre);
  line(QStringLiteral("分段数"), QString::number(p.steps));
  line(QStringLiteral("长度单位"), kMetre);
  line(QStringLiteral("重力加速度 g"), InputNumber(in.units.g), QStringLiteral("米/秒²"));
  line(QStringLiteral("水力坡度"), QStringLiteral("J = (n·v)² / R^(4/3)"));
  line(QStringLiteral("x"), QStringLiteral("顺水流方向到控制断面的距离，上游为负"));
  if (!profile) return lines.join(u'\n') + u'\n';

  if (profile->type)
    line(QStringLiteral("曲线类型"), ProfileName(*profile), FromUtf8(exact::ProfileTypeEquivalent(*profile->type)));
  else
    line(QStringLiteral("曲线类型"), ProfileName(*profile));
  if (profile->slope_class) line(QStringLiteral("底坡类型"), FromUtf8(exact::SlopeClassName(*profile->slope_class)));
  auto depth = [&](const QString& name, std::optional<double> value) {
    if (value) line(name, InputNumber(*value), kMetre);
    else line(name, QStringLiteral("无"));
  };
  depth(QStringLiteral("临界水深 h_k"), profile->critical_depth);
  depth(QStringLiteral("正常水深 h_0"), profile->normal_depth);
  lines << QString();
  QStringList header;
  for (const ProfileColumn& c : ProfileColumns()) header << HeaderLine(c);
  lines << header.join(u'\t');
  for (const exact::ProfileStation& s : profile->stations) {
    QStringList cells;
    for (const ProfileColumn& c : ProfileColumns()) cells << InputNumber(s.*c.member);
    lines << cells.join(u'\t');
  }
  if (const QString notes = ProfileNotes(*profile); !notes.isEmpty()) {
    lines << QString();
    line(QStringLiteral("说明"), notes);
  }
  return lines.join(u'\n') + u'\n';
}
