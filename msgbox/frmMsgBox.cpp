#include "msgbox/frmMsgBox.h"

#include <cstdio>
#include <cstdlib>

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include "skin/SkinModule.h"
#include "skin/TitleBar.h"
#include "ui_frmMsgBox.h"

namespace {

// At once and without unload handlers or destructors: nothing of the
// program, the waiting caller included, runs after OK. Only what is already
// written is flushed.
[[noreturn]] void EndProcess() {
  std::fflush(nullptr);
  std::_Exit(0);
}

}  // namespace

frmMsgBox::ProgramEnd frmMsgBox::programEnd_ = EndProcess;

// Shown without an owner, the box must still come above the calculation
// window, which stays on top of ordinary windows: so the box stays on top
// too, for as long as it lives.
frmMsgBox::frmMsgBox() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  Ui::frmMsgBox ui;
  ui.setupUi(this);
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowModality(Qt::ApplicationModal);
  SkinModule::ApplyPieceProperties(this, SkinModule::TitleHints::Off);
  ui.lblTitle->adjustSize();

  auto* bar = new SkinModule::TitleBar(this);
  connect(bar, &SkinModule::TitleBar::imgTitleClose_Click, this, &frmMsgBox::imgTitleClose_Click);
  connect(bar, &SkinModule::TitleBar::TitleMouseDown, this,
          [this](const QMouseEvent& press) { SkinModule::DragForm(this, press); });
  connect(ui.cmdOK, &QPushButton::clicked, this, &frmMsgBox::cmdOK_Click);
  connect(ui.CmdExit, &QPushButton::clicked, this, &frmMsgBox::CmdExit_Click);
}

frmMsgBox* frmMsgBox::instance() {
  if (!reference_) {
    reference_ = new frmMsgBox;
    reference_->Form_Load();
  }
  return reference_;
}

frmMsgBox::ProgramEnd frmMsgBox::setProgramEnd(ProgramEnd end) {
  const ProgramEnd previous = programEnd_;
  programEnd_ = end;
  return previous;
}

void frmMsgBox::Form_Load() {
  SkinModule::LayoutFrame(this);
  SkinModule::ShowMaximizePicture(this);
  SkinModule::LoadSkin(this);
}

void frmMsgBox::cmdOK_Click() { programEnd_(); }

void frmMsgBox::CmdExit_Click() { Unload(); }

void frmMsgBox::imgTitleClose_Click() { Unload(); }

void frmMsgBox::Unload() { close(); }

void frmMsgBox::Form_Unload() { reference_ = nullptr; }

void frmMsgBox::DrawIcon(QPoint at, const QPixmap& icon) {
  iconAt_ = at;
  icon_ = icon;
  update();
}

// Every way of closing the box is an unload, and an unload is never
// cancelled; the box is then deleted (WA_DeleteOnClose).
void frmMsgBox::closeEvent(QCloseEvent* event) {
  Form_Unload();
  event->accept();
}

// Neither button is a default or cancel button: Escape does nothing, and
// Enter presses the button that has the focus, as Space does.
void frmMsgBox::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (auto* focused = qobject_cast<QPushButton*>(focusWidget()); enter && focused) {
    focused->click();
    return;
  }
  QWidget::keyPressEvent(event);
}

void frmMsgBox::paintEvent(QPaintEvent*) {
  if (icon_.isNull()) return;
  QPainter painter(this);
  painter.drawPixmap(iconAt_, icon_);
}

void frmMsgBox::showEvent(QShowEvent* event) {
  // Centred for the size the message gave it; the box is shown only once.
  if (const QScreen* on = screen()) move(on->availableGeometry().center() - rect().center());
  if (auto* ok = findChild<QPushButton*>(QStringLiteral("cmdOK"))) ok->setFocus(Qt::ActiveWindowFocusReason);
  // Enter or Space ends the program at once, so the focus on OK must show
  // from the first moment, not only after a Tab.
  setAttribute(Qt::WA_KeyboardFocusChange);
  QWidget::showEvent(event);
}
