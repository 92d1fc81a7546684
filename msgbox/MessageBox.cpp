#include "msgbox/MessageBox.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QEventLoop>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>

#include "msgbox/frmMsgBox.h"
#include "skin/SkinModule.h"

using namespace Qt::StringLiterals;

namespace MessageBox {

namespace {

// The box's own position and size count in twips, the controls inside it in
// pixels; this is the screen's ratio between the two.
constexpr double TwipsPerPixelX = 15;
constexpr double TwipsPerPixelY = 15;

// The box widens by this many pixels for each character (UTF-16 unit) of
// its message, whatever the characters' drawn widths.
constexpr double WidthPerCharacter = 0.75;
constexpr QPoint IconAt{24, 40};
constexpr int IconSize = 32;
constexpr int BelowButtonRow = 40;
// OK stands left of the centre, Cancel right of it, both placed from OK's width.
constexpr int OkFromCentre = -38;
constexpr int CancelFromCentre = 40;
// A message is never closer to the right edge than the icon is to the left one.
constexpr int RightOfMessage = IconAt.x();
// The mode of ResizeForm that moves the left edge.
constexpr std::int16_t LeftEdge = 0;

// Ends the call; its description is what the user is told.
struct Failure {
  QString description;
};

// Rounds to the nearest 32-bit integer, halves to even (the default
// floating-point rounding mode); a value beyond 32 bits is an overflow.
int ToInt32(double value) {
  const double rounded = std::nearbyint(value);
  if (!(rounded >= std::numeric_limits<std::int32_t>::min() && rounded <= std::numeric_limits<std::int32_t>::max()))
    throw Failure{u"溢出"_s};
  return static_cast<int>(rounded);
}

template <class T>
T* Control(QWidget* box, const char* name) {
  T* control = box->findChild<T*>(QLatin1String(name));
  if (!control) throw Failure{u"窗体上没有控件 %1"_s.arg(QLatin1String(name))};
  return control;
}

double LeftTwips(const QWidget* box) { return box->x() * TwipsPerPixelX; }
double TopTwips(const QWidget* box) { return box->y() * TwipsPerPixelY; }
double WidthTwips(const QWidget* box) { return box->width() * TwipsPerPixelX; }
double HeightTwips(const QWidget* box) { return box->height() * TwipsPerPixelY; }

// A window cannot take a size beyond what the platform allows; asking for
// one is refused rather than silently clipped.
int WindowPixels(double twips, double twipsPerPixel) {
  const int pixels = ToInt32(twips / twipsPerPixel);
  if (pixels < 0 || pixels > QWIDGETSIZE_MAX) throw Failure{u"无效的属性值"_s};
  return pixels;
}
// The box's size is fixed for the window manager (LayoutFrame pins it), so
// the program sets it as a fixed size too.
void SetWidthTwips(QWidget* box, double twips) { box->setFixedSize(WindowPixels(twips, TwipsPerPixelX), box->height()); }
void SetHeightTwips(QWidget* box, double twips) { box->setFixedSize(box->width(), WindowPixels(twips, TwipsPerPixelY)); }

// The style is compared whole: bits beyond the icon choose nothing.
QStyle::StandardPixmap IconFor(std::int32_t style) {
  switch (style) {
    case 16:
      return QStyle::SP_MessageBoxCritical;
    case 64:
      return QStyle::SP_MessageBoxInformation;
    default:
      return QStyle::SP_MessageBoxWarning;
  }
}

// Loads the box and fills, sizes and arranges it for the message; the box
// is left hidden.
frmMsgBox* Prepare(const QString& message, std::int32_t style, QString& title) {
  const QStyle::StandardPixmap icon = IconFor(style);
  frmMsgBox* box = frmMsgBox::instance();

  // The anchor adds the box's left and top in twips to its size in pixels:
  // the final width depends on where the box stood.
  const int w0 = ToInt32(WidthTwips(box) / TwipsPerPixelX);
  const int h0 = ToInt32(HeightTwips(box) / TwipsPerPixelY);
  const double topTwips = TopTwips(box);
  const QPoint anchor(ToInt32(LeftTwips(box) + w0), ToInt32(topTwips + h0));

  box->DrawIcon(IconAt, box->style()->standardIcon(icon, nullptr, box).pixmap(IconSize, IconSize));

  if (title.isEmpty()) title = QString::fromLatin1(SkinModule::ApplicationTitle);

  auto* lblMessage = Control<QLabel>(box, "lblMessage");
  auto* cmdOK = Control<QPushButton>(box, "cmdOK");
  auto* CmdExit = Control<QPushButton>(box, "CmdExit");
  auto* lblTitle = Control<QLabel>(box, "lblTitle");
  lblMessage->setText(message);
  lblMessage->adjustSize();

  SetWidthTwips(box, (lblMessage->width() + lblMessage->x()) * TwipsPerPixelX);
  SetHeightTwips(box, (lblMessage->height() + lblMessage->y() + cmdOK->height() + BelowButtonRow) * TwipsPerPixelY);

  const double widthPixels = WidthTwips(box) / TwipsPerPixelX;
  const int targetX = ToInt32(widthPixels + lblMessage->x() - WidthPerCharacter * message.size());
  // Moving the left edge to targetX leaves the box w0 - 72 + 0.75 per
  // character wide; a message wider than that would be cut off at the
  // right edge, so the edge moves no further than the message allows.
  const int narrowest = lblMessage->x() + lblMessage->width() + RightOfMessage;
  const int widestX = ToInt32(double(anchor.x()) + widthPixels - narrowest);
  const QPoint target(std::min(targetX, widestX), ToInt32(HeightTwips(box) + topTwips));
  SkinModule::ResizeForm(box, anchor, target, LeftEdge);

  // One button height between the text and the button row.
  const int row = lblMessage->y() + lblMessage->height() + cmdOK->height();
  const double centred = (WidthTwips(box) / TwipsPerPixelX - cmdOK->width()) / 2;
  cmdOK->move(ToInt32(centred + OkFromCentre), row);
  CmdExit->move(ToInt32(centred + CancelFromCentre), row);

  lblTitle->setText(title);
  lblTitle->adjustSize();
  return box;
}

void Report(const QString& description) {
  QMessageBox report(QMessageBox::NoIcon, QString::fromLatin1(SkinModule::ApplicationTitle), description,
                     QMessageBox::Ok);
  // Like the box, the report must come above the calculation window.
  report.setWindowFlag(Qt::WindowStaysOnTopHint);
  report.button(QMessageBox::Ok)->setText(u"确定"_s);
  report.exec();
}

}  // namespace

void ShowMsgBox(const QString& message, std::int32_t style, QString& title) {
  frmMsgBox* box = nullptr;
  try {
    box = Prepare(message, style, title);
  } catch (const Failure& failure) {
    // A half-filled box must not be what the next call starts from.
    if (frmMsgBox::loaded()) frmMsgBox::instance()->Unload();
    Report(failure.description);
    return;
  }
  // The box's buttons, title-bar drag and close picture work inside the
  // wait; it ends when the box is unloaded, or never, after OK.
  QEventLoop wait;
  QObject::connect(box, &QObject::destroyed, &wait, &QEventLoop::quit);
  box->show();
  wait.exec(QEventLoop::DialogExec);
}

}  // namespace MessageBox
