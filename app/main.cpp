#include <QApplication>

#include "calc_window/font_substitutions.h"
#include "calc_window/frmMainCode.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // The application title: it also names the per-user settings.
  QApplication::setApplicationName(QStringLiteral("Vardenix"));
  QApplication::setOrganizationName(QStringLiteral("Vardenix"));
  InstallFontSubstitutions();

  frmMainCode window;
  window.Form_Load();
  window.show();
  return QApplication::exec();
}
