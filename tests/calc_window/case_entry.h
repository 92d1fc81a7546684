#pragma once
// Typing a case into the calculation window as its user does: the section's
// option button, then TextQ and every box the section enables.

#include <functional>

#include <QLineEdit>
#include <QtTest>

// The window's control named `name`; a missing one ends the test run.
template <class T = QWidget>
T* NamedChild(const QWidget* window, const QString& name) {
  T* child = window->findChild<T*>(name);
  if (!child) qFatal("no control %s", qPrintable(name));
  return child;
}

inline void Retype(QLineEdit* box, const QString& text) {
  box->setFocus();
  box->selectAll();
  QTest::keyClick(box, Qt::Key_Delete);
  QTest::keyClicks(box, text);
}

// Text1(i) gets `text(i)` where the section enables it.
inline void EnterCase(const QWidget* window, int section, const QString& Q,
                      const std::function<QString(int)>& text) {
  QTest::mouseClick(NamedChild(window, QStringLiteral("Option1_%1").arg(section)), Qt::LeftButton);
  Retype(NamedChild<QLineEdit>(window, QStringLiteral("TextQ")), Q);
  for (int i = 1; i <= 7; ++i) {
    QLineEdit* box = NamedChild<QLineEdit>(window, QStringLiteral("Text1_%1").arg(i));
    if (box->isEnabled()) Retype(box, text(i));
  }
}
