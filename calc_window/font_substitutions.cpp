#include "calc_window/font_substitutions.h"

#include <QFont>
#include <QStringList>

void InstallFontSubstitutions() {
  // Without this fontconfig answers DejaVu Serif for SimSun and Qt draws the
  // Han characters in a Japanese sans face; the SC serif is the Song style.
  const QStringList song{QStringLiteral("Noto Serif CJK SC")};
  QFont::insertSubstitutions(QStringLiteral("宋体"), song);
  QFont::insertSubstitutions(QStringLiteral("SimSun"), song);
  // Liberation Sans has Arial's metrics; the CJK face covers Chinese titles.
  QFont::insertSubstitutions(QStringLiteral("Arial"),
                             {QStringLiteral("Liberation Sans"), QStringLiteral("Noto Sans CJK SC")});
}
