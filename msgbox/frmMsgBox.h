#pragma once
// The skinned message box window: an icon, a message, OK and Cancel. The
// window decides what the answer does: OK ends the program, Cancel and the
// title-bar close picture unload the box.

#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QWidget>

class frmMsgBox : public QWidget {
  Q_OBJECT

public:
  // The design gives the class and its one shared reference the same name;
  // C++ cannot name a class and an object alike, so the reference is reached
  // here. Using it while it is empty creates and loads a fresh box; the
  // unload empties it, so every showing starts from the definition.
  static frmMsgBox* instance();
  static bool loaded() { return !reference_.isNull(); }

  // What OK does. The program's end is a process exit that returns to no
  // caller; tests put an action of their own in its place.
  using ProgramEnd = void (*)();
  static ProgramEnd setProgramEnd(ProgramEnd end);

  void cmdOK_Click();
  void CmdExit_Click();
  void imgTitleClose_Click();
  // Runs Form_Unload and destroys the box; a modal show of it then returns.
  void Unload();

  // Draws on the box's lasting surface: what is drawn stays through every
  // later repaint, also when drawn before the box is shown.
  void DrawIcon(QPoint at, const QPixmap& icon);

protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;

private:
  frmMsgBox();
  void Form_Load();
  void Form_Unload();

  static inline QPointer<frmMsgBox> reference_;
  static ProgramEnd programEnd_;

  QPoint iconAt_;
  QPixmap icon_;
};
