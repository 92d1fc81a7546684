#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "skin/font_substitutions.h"
#include "calc_window/frmMainCode.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // The application title: it also names the per-user settings.
  QApplication::setApplicationName(QStringLiteral("Vardenix"));
  QApplication::setOrganizationName(QStringLiteral("Vardenix"));
  QApplication::setApplicationVersion(QStringLiteral(VARDENIX_VERSION));
  // 32 x 32 and 16 x 16, each in 2, 16 and 256 colours.
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icon/vardenix.ico")));
  InstallFontSubstitutions();
  // Qt's own texts (a box's context menu, standard buttons) in Simplified Chinese.
  QTranslator qt_texts;
  if (qt_texts.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qt_texts);

  frmMainCode window;
  window.Form_Load();
  window.show();
  return QApplication::exec();
}
