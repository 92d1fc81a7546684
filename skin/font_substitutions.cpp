#include "skin/font_substitutions.h"

#include <QFont>
#include <QStringList>

void InstallFontSubstitutions() {
  // Without this fontconfig answers DejaVu Serif for SimSun and Qt draws the
  // Han characters in a Japanese sans face; the SC serif is the Song style.
  const QStringList song{QStringLiteral("Noto Serif CJK SC")};
  QFont::insertSubstitutions(QStringLiteral("宋体"), song);
  QFont::insertSubstitutions(QStringLiteral("SimSun"), song);
  // Liberation Sans has Arial's metrics. Chinese in a title falls back to the
  // Song face, as it does on the desktops the design was drawn for; the
  // windows open that face anyway, and a CJK face costs start-up time.
  QFont::insertSubstitutions(QStringLiteral("Arial"), {QStringLiteral("Liberation Sans"), song.front()});
}
