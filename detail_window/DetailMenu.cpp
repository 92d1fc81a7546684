#include "detail_window/DetailMenu.h"

#include <memory>

#include <QApplication>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QToolTip>

DetailMenu::DetailMenu(QWidget* window, QMargins frame, QList<QLineEdit*> boxes, QList<QLineEdit*> hinted)
    : QObject(window), window_(window), frame_(frame), boxes_(std::move(boxes)), hinted_(std::move(hinted)) {
  // Context-menu and key events that no control takes pass up to the window.
  window_->installEventFilter(this);
  for (QLineEdit* box : boxes_) box->installEventFilter(this);
  for (QLineEdit* box : hinted_) {
    if (!boxes_.contains(box)) box->installEventFilter(this);
  }
}

QString DetailMenu::Hint() { return QStringLiteral("右键查看断面详情"); }
QString DetailMenu::DetailEntry() { return QStringLiteral("断面详情(&D)…"); }
QString DetailMenu::ProfileEntry() { return QStringLiteral("水面曲线(&P)…"); }
QString DetailMenu::ProfileBoxEntry() { return QStringLiteral("水面曲线(&W)…"); }
QString DetailMenu::CopyEntry() { return QStringLiteral("复制结果(&S)"); }

QString DetailMenu::ShownTip(const QString& ownTip) {
  return ownTip.isEmpty() ? Hint() : ownTip + u'\n' + Hint();
}

void DetailMenu::AddEntries(QMenu* menu, const QString& profile) {
  connect(menu->addAction(DetailEntry()), &QAction::triggered, this, &DetailMenu::OpenDetail);
  connect(menu->addAction(profile), &QAction::triggered, this, &DetailMenu::OpenProfile);
  connect(menu->addAction(CopyEntry()), &QAction::triggered, this, &DetailMenu::CopyResults);
}

bool DetailMenu::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_) return OnWindow(event);
  if (auto* box = qobject_cast<QLineEdit*>(watched)) return OnBox(box, event);
  return false;
}

bool DetailMenu::OnWindow(QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    // Qt turns the menu key into a context-menu event itself, but not Shift+F10.
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F10 || key->modifiers() != Qt::ShiftModifier) return false;
    QWidget* target = QApplication::focusWidget();
    if (!target || target->window() != window_) target = window_;
    const QPoint at = target->rect().center();
    QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, at, target->mapToGlobal(at));
    QApplication::sendEvent(target, &menuEvent);
    return true;
  }
  if (event->type() != QEvent::ContextMenu) return false;
  auto* request = static_cast<QContextMenuEvent*>(event);
  // A right press on the title bar drags the window; the edges have no menu either.
  const QRect inner = window_->rect().marginsRemoved(frame_);
  if (request->reason() == QContextMenuEvent::Mouse && !inner.contains(request->pos())) return false;
  QMenu menu(window_);
  AddEntries(&menu, ProfileEntry());
  menu.exec(request->globalPos());
  return true;
}

bool DetailMenu::OnBox(QLineEdit* box, QEvent* event) {
  if (event->type() == QEvent::ToolTip && hinted_.contains(box)) {
    // The box keeps its own tooltip text; the hint is added where it is shown.
    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), ShownTip(box->toolTip()), box);
    return true;
  }
  if (event->type() != QEvent::ContextMenu || !boxes_.contains(box)) return false;
  const std::unique_ptr<QMenu> menu(box->createStandardContextMenu());
  menu->addSeparator();
  AddEntries(menu.get(), ProfileBoxEntry());
  menu->exec(static_cast<QContextMenuEvent*>(event)->globalPos());
  return true;
}
