#include "profile_window/ProfileForm.h"

#include <cmath>

#include "companion/BoxReading.h"
#include "hydraulics/number_text.h"

namespace exact = hydraulics::exact;

namespace {

// A whole number of steps within the profile's limits; empty: the default.
QString ReadSteps(const QString& text, int& steps) {
  const QString trimmed = text.trimmed();
  steps = exact::kDefaultProfileSteps;
  if (trimmed.isEmpty()) return {};
  double value = 0;
  const bool number = hydraulics::ReadWholeNumber(trimmed.toStdString(), value) == hydraulics::NumberFault::None;
  if (!number || value != std::floor(value) || value < 1 || value > exact::kMaxProfileSteps)
    return QStringLiteral("分段数应是 1 到 %1 之间的整数").arg(exact::kMaxProfileSteps);
  steps = static_cast<int>(value);
  return {};
}

}  // namespace

QString EndName(ProfileEnd end) {
  return end == ProfileEnd::Depth ? QStringLiteral("终点水深 h2") : QStringLiteral("渠段长度 L");
}

ProfileReading ReadProfileBoxes(const ProfileBoxes& boxes) {
  ProfileReading r;
  auto take = [&r](const BoxValue& read, const QString& text, const QString& name, bool needed) {
    if (!read.problem.isEmpty()) r.problems << read.problem;
    else if (needed && text.trimmed().isEmpty()) r.missing << name;
    return read.value;
  };
  const QString n_name = QStringLiteral("糙率 n");
  const QString i_name = QStringLiteral("底坡 i");
  const QString alpha_name = QStringLiteral("动能修正系数 α");
  const QString b_name = QStringLiteral("底宽 b");
  const QString h1_name = QStringLiteral("控制水深 h1");
  const QString end_name = EndName(boxes.end_kind);

  const std::optional<double> n = take(ReadPositive(boxes.n, n_name, QStringLiteral("0.014")), boxes.n, n_name, true);
  const std::optional<double> i = take(ReadBedSlope(boxes.i), boxes.i, i_name, true);
  r.inputs.alpha = take(ReadPositive(boxes.alpha, alpha_name, QStringLiteral("1.05")), boxes.alpha, alpha_name, false);
  if (boxes.takes_b) r.b = take(ReadPositive(boxes.b, b_name, QStringLiteral("2")), boxes.b, b_name, true);
  const std::optional<double> h1 =
      take(ReadPositive(boxes.h1, h1_name, QStringLiteral("1.5")), boxes.h1, h1_name, true);
  const QString example = boxes.end_kind == ProfileEnd::Depth ? QStringLiteral("1.2") : QStringLiteral("500");
  const std::optional<double> end = take(ReadPositive(boxes.end, end_name, example), boxes.end, end_name, true);
  if (const QString problem = ReadSteps(boxes.steps, r.inputs.steps); !problem.isEmpty()) r.problems << problem;

  r.inputs.n = n.value_or(0);
  r.inputs.S0 = i.value_or(0);
  r.inputs.h1 = h1.value_or(0);
  if (boxes.end_kind == ProfileEnd::Depth) r.inputs.h2 = end;
  else r.inputs.L = end;
  return r;
}
