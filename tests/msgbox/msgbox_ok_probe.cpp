// Asks the exit question and presses OK as soon as the box is up. OK must
// end the process there with status 0: the line after the call never runs.

#include <cstdio>

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include "msgbox/MessageBox.h"
#include "msgbox/frmMsgBox.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, &poll, [&poll] {
    auto* box = qobject_cast<frmMsgBox*>(QApplication::activeModalWidget());
    if (!box) return;
    poll.stop();
    std::puts("box shown, pressing OK");
    box->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    // Reached only if OK did not end the process: let the call return.
    box->Unload();
  });
  poll.start();
  QString title = QStringLiteral("提示");
  MessageBox::ShowMsgBox(QStringLiteral("确实要退出吗？"), 64, title);
  std::puts("the call returned");
  return 1;
}
