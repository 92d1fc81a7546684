#pragma once
// The way into the companion windows (断面详情, 水面曲线) from the calculation
// window: a context menu on the window's inner area (right button, the menu
// key, Shift+F10), the same entries at the end of every box's own edit menu,
// where the focus usually is, and a hint that closes the result boxes'
// tooltips. The window decides what the entries do.

#include <QList>
#include <QMargins>
#include <QObject>

class QContextMenuEvent;
class QLineEdit;
class QMenu;
class QWidget;

class DetailMenu : public QObject {
  Q_OBJECT

public:
  // `frame` is the width of the window's drawn frame on each side: a press
  // there belongs to the frame, not to the inner area.
  // `boxes` get the entries in their edit menus, `hinted` the hint.
  DetailMenu(QWidget* window, QMargins frame, QList<QLineEdit*> boxes, QList<QLineEdit*> hinted);

  static QString Hint();            // "右键查看断面详情"
  // Access keys apart from those of a box's own edit menu (U, R, T, C, P).
  static QString DetailEntry();     // "断面详情(&D)…"
  // P is paste's in a box's edit menu: there the profile takes W (水).
  static QString ProfileEntry();    // "水面曲线(&P)…"
  static QString ProfileBoxEntry(); // "水面曲线(&W)…"
  static QString CopyEntry();       // "复制结果(&S)"

  // The tooltip a result box shows: its own text, if any, then the hint.
  static QString ShownTip(const QString& ownTip);

signals:
  void OpenDetail();
  void OpenProfile();
  void CopyResults();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void AddEntries(QMenu* menu, const QString& profile);
  bool OnWindow(QEvent* event);
  bool OnBox(QLineEdit* box, QEvent* event);

  QWidget* window_;
  QMargins frame_;
  QList<QLineEdit*> boxes_;
  QList<QLineEdit*> hinted_;
};
