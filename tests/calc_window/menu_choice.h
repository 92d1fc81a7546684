#pragma once
// Chooses from the context menu that an action opens, as a user does with
// the keyboard.

#include <functional>

#include <QApplication>
#include <QMenu>
#include <QStringList>
#include <QTimer>
#include <QtTest>

// Runs `open`, which shows a context menu, and returns the menu's entries,
// choosing the one named `choose` (or closing the menu).
inline QStringList MenuEntries(const std::function<void()>& open, const QString& choose = {}) {
  QStringList seen;
  // Owned here: when no menu comes, the check dies with this call unrun.
  QTimer check;
  check.setSingleShot(true);
  QObject::connect(&check, &QTimer::timeout, &check, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    QAction* chosen = nullptr;
    for (QAction* a : menu->actions()) {
      if (a->isSeparator()) continue;
      seen << a->text();
      if (a->text() == choose) chosen = a;
    }
    if (chosen) menu->setActiveAction(chosen);
    QTest::keyClick(menu, chosen ? Qt::Key_Return : Qt::Key_Escape);
  });
  check.start(50);
  open();
  return seen;
}
