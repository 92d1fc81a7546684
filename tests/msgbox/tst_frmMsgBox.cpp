// The skinned message box on the offscreen platform: its definition, the
// icon each style picks, the sizing around the message, the buttons, the
// title, what OK, Cancel, the close picture and the keys do, and the one
// failure handler.

#include <cmath>

#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <QTemporaryDir>
#include <QtTest>

#include "skin/font_substitutions.h"
#include "modal_driver.h"
#include "msgbox/MessageBox.h"
#include "msgbox/frmMsgBox.h"
#include "skin/SkinModule.h"

using namespace Qt::StringLiterals;

namespace {

const QString kExitQuestion = u"确实要退出吗？"_s;
const QString kCaption = u"Orvantis®"_s;
const QString kApplicationTitle = QString::fromLatin1(SkinModule::ApplicationTitle);
const QRect kIconArea(24, 40, 32, 32);
constexpr int kButtonWidth = 78;
constexpr int kButtonHeight = 22;
// Below the message: a button height, the button row and 40 pixels.
constexpr int kBelowMessage = 40 + 22 + 40;
constexpr int kStyleExitQuestion = 64;

template <class T = QWidget>
T* Control(const QWidget* box, const char* name) {
  T* control = box->findChild<T*>(QLatin1String(name));
  if (!control) qFatal("no control %s", name);
  return control;
}

// What OK's program end found when it ran.
struct EndSeen {
  int calls = 0;
  bool boxShown = false;
} endSeen;

void RecordEnd() {
  ++endSeen.calls;
  endSeen.boxShown = frmMsgBox::loaded() && frmMsgBox::instance()->isVisible();
}

// How a shown box was laid out.
struct Layout {
  QSize size;
  QRect message, ok, cancel;
  QString title, caption;
  bool operator==(const Layout&) const = default;
};

Layout Read(const QWidget* box) {
  return {box->size(),
          Control(box, "lblMessage")->geometry(),
          Control(box, "cmdOK")->geometry(),
          Control(box, "CmdExit")->geometry(),
          Control<QLabel>(box, "lblTitle")->text(),
          box->windowTitle()};
}

void Cancel(QWidget* box) { QTest::mouseClick(Control(box, "CmdExit"), Qt::LeftButton); }

enum class Input { ClickOk, ClickCancel, ClickClosePicture, ClickMessage, ClickIconArea, Enter, Space, Tab, Escape };
using Inputs = QList<Input>;
enum class Outcome { Returns, EndsProgram, StaysOpen };

void Apply(QWidget* box, Input input) {
  QWidget* focused = QApplication::focusWidget();
  switch (input) {
    case Input::ClickOk: return QTest::mouseClick(Control(box, "cmdOK"), Qt::LeftButton);
    case Input::ClickCancel: return Cancel(box);
    case Input::ClickClosePicture: return QTest::mouseClick(Control(box, "imgTitleClose"), Qt::LeftButton);
    case Input::ClickMessage: return QTest::mouseClick(Control(box, "lblMessage"), Qt::LeftButton);
    case Input::ClickIconArea: return QTest::mouseClick(box, Qt::LeftButton, {}, kIconArea.center());
    case Input::Enter: return QTest::keyClick(focused, Qt::Key_Return);
    case Input::Space: return QTest::keyClick(focused, Qt::Key_Space);
    case Input::Tab: return QTest::keyClick(focused, Qt::Key_Tab);
    case Input::Escape: return QTest::keyClick(focused, Qt::Key_Escape);
  }
}

QImage IconArea(QWidget* box) { return box->grab(kIconArea).toImage().convertToFormat(QImage::Format_RGB32); }

// The system icon as the box's grey surface shows it.
QImage Drawn(QWidget* box, QStyle::StandardPixmap icon) {
  QImage area(kIconArea.size(), QImage::Format_RGB32);
  area.fill(QColor(192, 192, 192));
  QPainter(&area).drawPixmap(0, 0, box->style()->standardIcon(icon, nullptr, box).pixmap(kIconArea.size()));
  return area;
}

// Points the skin setting at a skin that does not exist, so that the
// built-in pictures stay.
class WithoutSkin {
public:
  WithoutSkin() { Settings().setValue(kKey, u"NoSuchSkin"_s); }
  ~WithoutSkin() { Settings().remove(kKey); }

private:
  static QSettings Settings() { return QSettings(kApplicationTitle, kApplicationTitle); }
  static constexpr QLatin1StringView kKey{"Options/Current Skin"};
};

}  // namespace

Q_DECLARE_METATYPE(Input)
Q_DECLARE_METATYPE(Outcome)

class FrmMsgBoxTest : public QObject {
  Q_OBJECT

  frmMsgBox::ProgramEnd realEnd_ = nullptr;

  // Runs the call with `act` on the box while it waits; the call must open
  // exactly this one box and come back.
  void Call(const QString& message, std::int32_t style, QString& title, ModalDriver::Action act) {
    ModalDriver driver({std::move(act)});
    MessageBox::ShowMsgBox(message, style, title);
    QVERIFY(!driver.timedOut());
    QCOMPARE(driver.seen(), 1);
  }

  struct Reported {
    QString text, caption;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
  };
  // Runs the call expecting the standard box's failure report as its only box.
  Reported ReportOf(const QString& message, QString& title) {
    Reported seen;
    ModalDriver driver({[&](QWidget* modal) {
      auto* report = qobject_cast<QMessageBox*>(modal);
      QVERIFY(report);
      seen = {report->text(), report->windowTitle(), report->standardButtons(), report->icon()};
      report->button(QMessageBox::Ok)->click();
    }});
    MessageBox::ShowMsgBox(message, kStyleExitQuestion, title);
    [&] {
      QVERIFY(!driver.timedOut());
      QCOMPARE(driver.seen(), 1);
    }();
    return seen;
  }

  Layout Shown(const QString& message, QString title = u"提示"_s) {
    Layout seen;
    Call(message, kStyleExitQuestion, title, [&](QWidget* box) {
      seen = Read(box);
      Cancel(box);
    });
    return seen;
  }

private slots:
  void init() {
    endSeen = {};
    realEnd_ = frmMsgBox::setProgramEnd(RecordEnd);
  }

  void cleanup() {
    frmMsgBox::setProgramEnd(realEnd_);
    if (frmMsgBox::loaded()) frmMsgBox::instance()->Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  void controlsAsDefined_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("OK right of Cancel") << u"cmdOK"_s << u"确定"_s << QRect(136, 160, 78, 22);
    QTest::newRow("Cancel") << u"CmdExit"_s << u"取消"_s << QRect(40, 160, 78, 22);
    QTest::newRow("empty message") << u"lblMessage"_s << QString() << QRect(72, 40, 3, 13);
    QTest::newRow("title placed by the layout") << u"lblTitle"_s << kCaption << QRect(16, 7, 0, 0);
  }
  void controlsAsDefined() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    const frmMsgBox* box = frmMsgBox::instance();
    QCOMPARE(box->size(), QSize(341, 198));
    QCOMPARE(box->windowTitle(), kCaption);
    QCOMPARE(box->palette().color(QPalette::Window), QColor(192, 192, 192));
    QVERIFY(box->windowFlags().testFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint));
    const QWidget* control = box->findChild<QWidget*>(name);
    QVERIFY(control);
    if (auto* button = qobject_cast<const QPushButton*>(control)) {
      QCOMPARE(button->text(), caption);
      QVERIFY(!button->autoDefault() && !button->isDefault());
    } else {
      auto* label = qobject_cast<const QLabel*>(control);
      QCOMPARE(label->text(), caption);
      QCOMPARE(label->textFormat(), Qt::PlainText);
    }
    QCOMPARE(control->pos(), geometry.topLeft());
    if (!geometry.size().isEmpty()) QCOMPARE(control->size(), geometry.size());
  }

  void framePieces_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QString>("picture");
    const QStringList shown{"imgTitleLeft", "imgTitleMain", "imgTitleRight", "imgWindowLeft", "imgWindowRight",
                            "imgWindowBottom", "imgWindowBottomLeft", "imgWindowBottomRight", "imgTitleClose"};
    for (const SkinModule::FramePiece& piece : SkinModule::FramePieces) {
      const QString name = QString::fromLatin1(piece.name);
      const bool maximize = name == u"imgTitleMaximize" || name == u"imgTitleMaxRestore";
      QTest::newRow(piece.name) << name << shown.contains(name)
                                << (maximize ? u":/frame/imgTitleMaximize.gif"_s : u":/frame/%1.bmp"_s.arg(name));
    }
  }
  void framePieces() {
    QFETCH(QString, name);
    QFETCH(bool, shown);
    QFETCH(QString, picture);
    const WithoutSkin builtIn;
    const frmMsgBox* box = frmMsgBox::instance();
    const QLabel* piece = Control<QLabel>(box, name.toLatin1().constData());
    QCOMPARE(piece->isVisibleTo(box), shown);
    QCOMPARE(piece->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
             QImage(picture).convertToFormat(QImage::Format_RGB32));
  }

  void stackingTopToBottom() {
    const QStringList order{"cmdOK",          "CmdExit",          "lblMessage",          "imgTitleRestore",
                            "imgTitleMaximize", "imgTitleMaxRestore", "imgTitleHelp",      "imgTitleClose",
                            "imgTitleMinimize", "lblTitle",          "imgWindowRight",      "imgWindowLeft",
                            "imgWindowBottom",  "imgTitleMain",      "imgWindowBottomRight", "imgWindowBottomLeft",
                            "imgTitleRight",    "imgTitleLeft"};
    QStringList stacked;
    for (const QObject* child : frmMsgBox::instance()->children())
      if (child->isWidgetType()) stacked.prepend(child->objectName());
    QCOMPARE(stacked, order);
  }

  void iconByStyle_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("icon");
    QTest::newRow("16 stop") << 16 << int(QStyle::SP_MessageBoxCritical);
    QTest::newRow("48 exclamation") << 48 << int(QStyle::SP_MessageBoxWarning);
    QTest::newRow("64 information") << 64 << int(QStyle::SP_MessageBoxInformation);
    QTest::newRow("0 exclamation") << 0 << int(QStyle::SP_MessageBoxWarning);
    QTest::newRow("32 exclamation") << 32 << int(QStyle::SP_MessageBoxWarning);
    QTest::newRow("64 + 4 exclamation, no bit masked off") << 64 + 4 << int(QStyle::SP_MessageBoxWarning);
  }
  void iconByStyle() {
    QFETCH(int, style);
    QFETCH(int, icon);
    QString title = u"提示"_s;
    Call(kExitQuestion, style, title, [&](QWidget* box) {
      QVERIFY(QTest::qWaitForWindowExposed(box));
      const auto standard = {QStyle::SP_MessageBoxCritical, QStyle::SP_MessageBoxWarning,
                             QStyle::SP_MessageBoxInformation};
      for (const QStyle::StandardPixmap other : standard)
        QCOMPARE(IconArea(box) == Drawn(box, other), other == QStyle::StandardPixmap(icon));
      box->move(box->pos() + QPoint(40, 30));
      box->repaint();
      QCOMPARE(IconArea(box), Drawn(box, QStyle::StandardPixmap(icon)));
      QVERIFY(Control(box, "cmdOK")->isVisible() && Control(box, "CmdExit")->isVisible());
      Cancel(box);
    });
  }

  void exitQuestionLayout() {
    QString title = u"提示"_s;
    Call(kExitQuestion, kStyleExitQuestion, title, [&](QWidget* box) {
      const Layout l = Read(box);
      QCOMPARE(l.size, QSize(274, l.message.height() + kBelowMessage));
      QCOMPARE(l.message.topLeft(), QPoint(72, 40));
      // The pair touches, one pixel right of the centre.
      QCOMPARE(l.ok, QRect(60, 40 + l.message.height() + kButtonHeight, kButtonWidth, kButtonHeight));
      QCOMPARE(l.cancel, l.ok.translated(kButtonWidth, 0));
      QCOMPARE(l.title, u"提示"_s);
      QCOMPARE(l.caption, kCaption);
      // The frame and the shape follow the new size.
      QCOMPARE(Control(box, "imgWindowRight")->geometry(), QRect(255, 30, 19, l.size.height() - 38));
      QCOMPARE(Control(box, "imgWindowBottom")->geometry(), QRect(19, l.size.height() - 30, 236, 30));
      QCOMPARE(Control(box, "imgTitleClose")->pos(), QPoint(252, 8));
      QCOMPARE(box->mask().boundingRect(), QRect(QPoint(), l.size));
      QCOMPARE(box->geometry().center(), box->screen()->availableGeometry().center());
      if (const QString shot = qEnvironmentVariable("VARDENIX_MSGBOX_SHOT"); !shot.isEmpty())
        QVERIFY(box->grab().save(shot));
      Cancel(box);
    });
  }

  void widthByCharacterCount_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("width");
    QTest::newRow("exit question, 7 characters") << kExitQuestion << 274;
    QTest::newRow("empty") << QString() << 269;
    QTest::newRow("1 character") << u"i"_s << 270;
    QTest::newRow("8 narrow characters") << u"iiiiiiii"_s << 275;
    QTest::newRow("8 wide characters") << u"WWWWWWWW"_s << 275;
    QTest::newRow("8 Han characters") << u"水水水水水水水水"_s << 275;
    QTest::newRow("4 surrogate pairs count as 8") << u"𝄞𝄞𝄞𝄞"_s << 275;
    QTest::newRow("16 characters") << u"iiiiiiiiiiiiiiii"_s << 281;
    QTest::newRow("43 characters") << QString(43, u'i') << 301;
  }
  void widthByCharacterCount() {
    QFETCH(QString, message);
    QFETCH(int, width);
    QCOMPARE(Shown(message).size.width(), width);
  }

  void lineBreaks_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("lines");
    QTest::newRow("two lines") << u"确实要\n退出吗？"_s << 2;
    QTest::newRow("four lines") << u"确实\n要退\n出吗\n？"_s << 4;
  }
  void lineBreaks() {
    QFETCH(QString, message);
    QFETCH(int, lines);
    const Layout one = Shown(kExitQuestion);
    const Layout more = Shown(message);
    const int grown = (lines - 1) * one.message.height();
    QCOMPARE(more.message.height(), one.message.height() + grown);
    QCOMPARE(more.size.height(), one.size.height() + grown);
    QCOMPARE(more.ok.top(), one.ok.top() + grown);
    QCOMPARE(more.cancel.top(), more.ok.top());
  }

  void draggedByTitle_data() {
    QTest::addColumn<QString>("piece");
    QTest::addColumn<int>("button");
    QTest::newRow("title text, left button") << u"lblTitle"_s << int(Qt::LeftButton);
    QTest::newRow("middle title piece, right button") << u"imgTitleMain"_s << int(Qt::RightButton);
  }
  void draggedByTitle() {
    QFETCH(QString, piece);
    QFETCH(int, button);
    QString title = u"提示"_s;
    Call(kExitQuestion, kStyleExitQuestion, title, [&](QWidget* box) {
      QVERIFY(QTest::qWaitForWindowActive(box));
      QWidget* pressed = Control(box, piece.toLatin1().constData());
      const QPoint start = box->pos();
      const QPoint at(4, 4);
      const QPoint by(40, 30);
      QTest::mousePress(pressed, Qt::MouseButton(button), {}, at);
      QTest::mouseMove(pressed, at + by);
      QTest::mouseRelease(pressed, Qt::MouseButton(button), {}, at + by);
      QCOMPARE(box->pos(), start + by);
      Cancel(box);
    });
  }

  void title_data() {
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("shown");
    QTest::newRow("empty becomes the application title") << QString() << kApplicationTitle;
    QTest::newRow("given title shown") << u"提示"_s << u"提示"_s;
  }
  void title() {
    QFETCH(QString, given);
    QFETCH(QString, shown);
    QString title = given;
    Layout l;
    Call(kExitQuestion, kStyleExitQuestion, title, [&](QWidget* box) {
      l = Read(box);
      Cancel(box);
    });
    QCOMPARE(l.title, shown);
    QCOMPARE(l.caption, kCaption);
    QCOMPARE(title, shown);
  }

  void answer_data() {
    QTest::addColumn<Inputs>("inputs");
    QTest::addColumn<Outcome>("outcome");
    using enum Input;
    QTest::newRow("Cancel returns") << Inputs{ClickCancel} << Outcome::Returns;
    QTest::newRow("close picture returns") << Inputs{ClickClosePicture} << Outcome::Returns;
    QTest::newRow("Tab then Enter presses Cancel") << Inputs{Tab, Enter} << Outcome::Returns;
    QTest::newRow("Tab then Space presses Cancel") << Inputs{Tab, Space} << Outcome::Returns;
    QTest::newRow("OK ends the program") << Inputs{ClickOk} << Outcome::EndsProgram;
    QTest::newRow("Enter presses OK at once") << Inputs{Enter} << Outcome::EndsProgram;
    QTest::newRow("Space presses OK at once") << Inputs{Space} << Outcome::EndsProgram;
    QTest::newRow("Tab twice comes back to OK") << Inputs{Tab, Tab, Enter} << Outcome::EndsProgram;
    QTest::newRow("Escape does nothing") << Inputs{Escape} << Outcome::StaysOpen;
    QTest::newRow("Escape on Cancel does nothing") << Inputs{Tab, Escape} << Outcome::StaysOpen;
    QTest::newRow("click on the message does nothing") << Inputs{ClickMessage} << Outcome::StaysOpen;
    QTest::newRow("click on the icon area does nothing") << Inputs{ClickIconArea} << Outcome::StaysOpen;
  }
  void answer() {
    QFETCH(Inputs, inputs);
    QFETCH(Outcome, outcome);
    Layout first;
    bool open = false;
    QString title = u"提示"_s;
    Call(kExitQuestion, kStyleExitQuestion, title, [&](QWidget* widget) {
      const QPointer<QWidget> box = widget;
      QVERIFY(QTest::qWaitForWindowActive(box));
      QCOMPARE(QApplication::focusWidget(), Control(box, "cmdOK"));
      first = Read(box);
      for (const Input input : inputs) Apply(box, input);
      open = box && box->isVisible() && frmMsgBox::loaded();
      if (open) Cancel(box);
    });
    QCOMPARE(open, outcome != Outcome::Returns);
    QCOMPARE(endSeen.calls, outcome == Outcome::EndsProgram ? 1 : 0);
    // The end ran alone: the box was still up, and nothing closed it after.
    QCOMPARE(endSeen.boxShown, outcome == Outcome::EndsProgram);
    QVERIFY(!frmMsgBox::loaded());
    QCOMPARE(Shown(kExitQuestion), first);
  }

  void failureReportedOnce_data() {
    QTest::addColumn<QString>("broken");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("titleAfter");
    // The empty title is replaced after the box's size is read, before the
    // controls are reached.
    QTest::newRow("message label missing")
        << u"lblMessage"_s << kExitQuestion << u"窗体上没有控件 lblMessage"_s << kApplicationTitle;
    QTest::newRow("OK button missing") << u"cmdOK"_s << kExitQuestion << u"窗体上没有控件 cmdOK"_s << kApplicationTitle;
    QTest::newRow("left beyond 32 bits in twips") << u"left"_s << kExitQuestion << u"溢出"_s << QString();
    QTest::newRow("taller than a window can be")
        << QString() << QString(1'000'000, u'\n') << u"无效的属性值"_s << kApplicationTitle;
  }
  void failureReportedOnce() {
    QFETCH(QString, broken);
    QFETCH(QString, message);
    QFETCH(QString, description);
    QFETCH(QString, titleAfter);
    frmMsgBox* box = frmMsgBox::instance();
    if (broken == u"left") box->move(150'000'000, 0);
    else if (!broken.isEmpty()) delete box->findChild<QWidget*>(broken);
    QString title;
    const Reported report = ReportOf(message, title);
    QCOMPARE(title, titleAfter);
    QCOMPARE(report.text, description);
    QCOMPARE(report.caption, kApplicationTitle);
    QCOMPARE(report.buttons, QMessageBox::Ok);
    QCOMPARE(report.icon, QMessageBox::NoIcon);
    // The half-filled box went with the call; the next one starts afresh.
    QVERIFY(!frmMsgBox::loaded());
    QCOMPARE(Shown(kExitQuestion).size.width(), 274);
  }

  void longMessageWidened_data() {
    QTest::addColumn<QString>("message");
    QTest::newRow("60 Han characters") << QString(60, u'水');
    QTest::newRow("one long line among short ones") << u"短\n"_s + QString(50, u'水') + u"\n短"_s;
  }
  void longMessageWidened() {
    QFETCH(QString, message);
    const Layout l = Shown(message);
    // As far from the right edge as the icon is from the left one, clear
    // of the 19-pixel right frame edge.
    QCOMPARE(l.size.width(), l.message.right() + 1 + kIconArea.left());
    QCOMPARE(l.cancel.left(), l.ok.right() + 1);
    QCOMPARE(l.ok.left(), int(std::nearbyint((l.size.width() - kButtonWidth) / 2.0 - 38)));
  }

  // Enter or Space ends the program as soon as the box opens: the focus on
  // OK must show then, as it does once the keyboard has moved it there.
  void focusShowsFromTheFirstMoment() {
    QString title = u"提示"_s;
    Call(kExitQuestion, kStyleExitQuestion, title, [&](QWidget* box) {
      QVERIFY(QTest::qWaitForWindowActive(box));
      auto* ok = Control(box, "cmdOK");
      QCOMPARE(QApplication::focusWidget(), ok);
      const QImage atOpening = ok->grab().toImage();
      QTest::keyClick(ok, Qt::Key_Tab);
      const QImage withoutFocus = ok->grab().toImage();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), ok);
      const QImage tabbedBack = ok->grab().toImage();
      QVERIFY(tabbedBack != withoutFocus);
      QCOMPARE(atOpening, tabbedBack);
      Cancel(box);
    });
  }

  // The window manager offers no resize or maximise to a box whose least
  // and greatest sizes are its size.
  void sizeFixedAtWhatTheMessageGives_data() {
    QTest::addColumn<QString>("message");
    QTest::newRow("exit question") << kExitQuestion;
    QTest::newRow("two lines") << u"确实要\n退出吗？"_s;
    QTest::newRow("60 Han characters") << QString(60, u'水');
  }
  void sizeFixedAtWhatTheMessageGives() {
    QFETCH(QString, message);
    QString title = u"提示"_s;
    Call(message, kStyleExitQuestion, title, [&](QWidget* box) {
      QCOMPARE(box->minimumSize(), box->size());
      QCOMPARE(box->maximumSize(), box->size());
      Cancel(box);
    });
  }

  void okEndsTheProcess() {
    QTemporaryDir settings;
    QProcess probe;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_CONFIG_HOME"_s, settings.path());
    probe.setProcessEnvironment(environment);
    probe.start(QStringLiteral(VARDENIX_OK_PROBE), {});
    QVERIFY(probe.waitForFinished(30000));
    QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
    QCOMPARE(probe.exitCode(), 0);
    QCOMPARE(probe.readAllStandardOutput(), "box shown, pressing OK\n");
  }
};

int main(int argc, char** argv) {
  QTemporaryDir settings;
  qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
  QApplication app(argc, argv);
  InstallFontSubstitutions();
  FrmMsgBoxTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_frmMsgBox.moc"
