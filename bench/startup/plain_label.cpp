// The toolkit's floor for start-up time and memory: one label in one window.
// Latin text, so that the floor holds no fallback to a CJK font.
#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QLabel label(QStringLiteral("Vardenix"));
  label.show();
  return QApplication::exec();
}
