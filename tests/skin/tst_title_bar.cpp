#include <QTest>

#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>

#include "SkinnedWindow.h"
#include "skin/SkinModule.h"

namespace {

// A mouse event at a global position, sent where the real one would go:
// while a button is held, to the widget that was pressed.
void send(QWidget* target, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held,
          QPoint global)
{
    QMouseEvent event(type, target->mapFromGlobal(global), global, button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// Presses at the middle of the target, moves the pointer twice and
// releases at the end; returns how far the window went.
QPoint dragBy(QWidget* window, QWidget* target, Qt::MouseButton button, QPoint step,
             QEvent::Type press = QEvent::MouseButtonPress)
{
    const QPoint before = window->pos();
    QPoint at = target->mapToGlobal(target->rect().center());
    send(target, press, button, button, at);
    for (int i = 0; i < 2; ++i) {
        at += step;
        send(target, QEvent::MouseMove, Qt::NoButton, button, at);
    }
    send(target, QEvent::MouseButtonRelease, button, Qt::NoButton, at);
    return window->pos() - before;
}

QWidget* control(SkinnedWindow& w, const QString& name)
{
    if (name == "inner area")
        return w.inner();
    if (name == "window")
        return &w;
    return w.piece(name);
}

const QList<Qt::MouseButton> Buttons{Qt::LeftButton, Qt::RightButton, Qt::MiddleButton};

const char* buttonName(Qt::MouseButton button)
{
    return button == Qt::LeftButton ? "left" : button == Qt::RightButton ? "right" : "middle";
}

}  // namespace

class TitleBarTest : public QObject {
    Q_OBJECT
private slots:
    void pressOnTheTitleDrags_data();
    void pressOnTheTitleDrags();
    void dragFollowsFromWhereTheWindowReallyIs_data();
    void dragFollowsFromWhereTheWindowReallyIs();
    void dragEndsWithTheReleaseOfItsOwnButton();
    void secondPressOfADoubleClickDrags();
    void maximisedWindowIsNotDragged();
    void titleButtonClicks_data();
    void titleButtonClicks();
    void closeDeletesTheWindow();
    void setOnTop();
    void pieceProperties_data();
    void pieceProperties();
    void titleLabelStyle();
};

void TitleBarTest::pressOnTheTitleDrags_data()
{
    QTest::addColumn<Stacking>("stacking");
    QTest::addColumn<QString>("pressed");
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("drags");

    for (Qt::MouseButton button : Buttons) {
        for (const char* title : {"imgTitleLeft", "imgTitleMain", "imgTitleRight", "lblTitle"}) {
            QTest::addRow("%s button on %s drags", buttonName(button), title)
                << Stacking::Calculation << title << int(button) << true;
        }
        QTest::addRow("%s button on the message box title drags", buttonName(button))
            << Stacking::MessageBox << "lblTitle" << int(button) << true;
        for (const char* still : {"imgTitleClose", "imgTitleMinimize", "imgTitleHelp", "imgTitleMaxRestore",
                                  "imgWindowLeft", "imgWindowRight", "imgWindowBottom", "imgWindowBottomLeft",
                                  "imgWindowBottomRight", "inner area", "window"}) {
            QTest::addRow("%s button on %s does not drag", buttonName(button), still)
                << Stacking::Calculation << still << int(button) << false;
        }
    }
}

void TitleBarTest::pressOnTheTitleDrags()
{
    QFETCH(Stacking, stacking);
    QFETCH(QString, pressed);
    QFETCH(int, button);
    QFETCH(bool, drags);

    SkinnedWindow w(stacking);
    w.move(300, 200);
    SkinModule::LayoutFrame(&w);
    SkinModule::ShowMaximizePicture(&w);
    const QPoint step(40, 25);
    QCOMPARE(dragBy(&w, control(w, pressed), Qt::MouseButton(button), step), drags ? 2 * step : QPoint());
    QVERIFY(!w.isMinimized());
}

void TitleBarTest::dragFollowsFromWhereTheWindowReallyIs_data()
{
    QTest::addColumn<Stacking>("stacking");
    QTest::addColumn<QString>("pressed");
    QTest::addColumn<QPoint>("believed");
    for (const char* title : {"imgTitleLeft", "imgTitleMain", "imgTitleRight", "lblTitle"}) {
        QTest::addRow("calculation window believing it stands at 0,0, pressed on %s", title)
            << Stacking::Calculation << title << QPoint(0, 0);
    }
    QTest::newRow("message box believing it stands at 0,0")
        << Stacking::MessageBox << "imgTitleMain" << QPoint(0, 0);
    QTest::newRow("message box believing it stands elsewhere")
        << Stacking::MessageBox << "lblTitle" << QPoint(900, 700);
}

// Right after a window is shown, the window manager may have placed it
// before the window hears where: the press and the pointer tell where it is.
void TitleBarTest::dragFollowsFromWhereTheWindowReallyIs()
{
    QFETCH(Stacking, stacking);
    QFETCH(QString, pressed);
    QFETCH(QPoint, believed);

    SkinnedWindow w(stacking);
    w.move(believed);
    SkinModule::LayoutFrame(&w);
    const QPoint really(312, 230);
    QLabel* title = w.piece(pressed);
    const QPoint local(5, 6);
    const QPoint inWindow = title->mapTo(&w, local);
    const QPoint step(60, 50);
    auto sendAt = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint global) {
        QMouseEvent event(type, global - really - title->pos(), global, button, held, Qt::NoModifier);
        QApplication::sendEvent(title, &event);
    };
    sendAt(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, really + inWindow);
    sendAt(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, really + inWindow + step);
    QCOMPARE(w.pos(), really + step);
    sendAt(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, really + inWindow + step);
}

void TitleBarTest::dragEndsWithTheReleaseOfItsOwnButton()
{
    SkinnedWindow w(Stacking::Calculation);
    w.move(300, 200);
    SkinModule::LayoutFrame(&w);
    QLabel* title = w.piece("imgTitleMain");
    QPoint at = title->mapToGlobal(QPoint(100, 10));
    send(title, QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, at);
    send(title, QEvent::MouseButtonPress, Qt::LeftButton, Qt::RightButton | Qt::LeftButton, at);
    send(title, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::RightButton, at);
    at += QPoint(-30, 10);
    send(title, QEvent::MouseMove, Qt::NoButton, Qt::RightButton, at);
    QCOMPARE(w.pos(), QPoint(270, 210));
    send(title, QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, at);
    send(title, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, at + QPoint(50, 50));
    QCOMPARE(w.pos(), QPoint(270, 210));
}

void TitleBarTest::secondPressOfADoubleClickDrags()
{
    SkinnedWindow w(Stacking::Calculation);
    SkinModule::LayoutFrame(&w);
    QCOMPARE(dragBy(&w, w.piece("lblTitle"), Qt::LeftButton, {-20, 15}, QEvent::MouseButtonDblClick),
             QPoint(-40, 30));
}

void TitleBarTest::maximisedWindowIsNotDragged()
{
    SkinnedWindow w(Stacking::Calculation);
    SkinModule::LayoutFrame(&w);
    w.setWindowState(Qt::WindowMaximized);
    QCOMPARE(dragBy(&w, w.piece("lblTitle"), Qt::LeftButton, {40, 25}), QPoint());
}

void TitleBarTest::titleButtonClicks_data()
{
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("releasedOver");
    QTest::addColumn<bool>("minimised");
    QTest::addColumn<bool>("closed");

    QTest::newRow("minimise") << "imgTitleMinimize" << int(Qt::LeftButton) << true << true << false;
    QTest::newRow("close") << "imgTitleClose" << int(Qt::LeftButton) << true << false << true;
    QTest::newRow("help does nothing") << "imgTitleHelp" << int(Qt::LeftButton) << true << false << false;
    QTest::newRow("maximise/restore does nothing")
        << "imgTitleMaxRestore" << int(Qt::LeftButton) << true << false << false;
    QTest::newRow("right button on close is no click")
        << "imgTitleClose" << int(Qt::RightButton) << true << false << false;
    QTest::newRow("close released elsewhere is no click")
        << "imgTitleClose" << int(Qt::LeftButton) << false << false << false;
    QTest::newRow("minimise released elsewhere is no click")
        << "imgTitleMinimize" << int(Qt::LeftButton) << false << false << false;
}

void TitleBarTest::titleButtonClicks()
{
    QFETCH(QString, clicked);
    QFETCH(int, button);
    QFETCH(bool, releasedOver);
    QFETCH(bool, minimised);
    QFETCH(bool, closed);

    SkinnedWindow w(Stacking::Calculation);
    SkinModule::LayoutFrame(&w);
    SkinModule::ShowMaximizePicture(&w);
    QTest::ignoreMessage(QtWarningMsg, "This plugin does not support setting window masks");
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QRect geometry = w.geometry();
    QLabel* target = w.piece(clicked);
    const QPoint at = target->mapToGlobal(target->rect().center());
    const QPoint release = releasedOver ? at : at + QPoint(0, 20);
    const auto mouse = Qt::MouseButton(button);
    send(target, QEvent::MouseButtonPress, mouse, mouse, at);
    send(target, QEvent::MouseButtonRelease, mouse, Qt::NoButton, release);

    QCOMPARE(w.isMinimized(), minimised);
    QCOMPARE(w.isVisible(), !closed);
    QCOMPARE(w.geometry(), geometry);
}

void TitleBarTest::closeDeletesTheWindow()
{
    QPointer<SkinnedWindow> w = new SkinnedWindow(Stacking::MessageBox);
    w->setAttribute(Qt::WA_DeleteOnClose);
    SkinModule::LayoutFrame(w);
    QLabel* close = w->piece("imgTitleClose");
    const QPoint at = close->mapToGlobal(QPoint(6, 6));
    send(close, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, at);
    send(close, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, at);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(w.isNull());
}

void TitleBarTest::setOnTop()
{
    SkinnedWindow w(Stacking::Calculation);
    w.setGeometry(120, 80, 415, 307);
    SkinModule::LayoutFrame(&w);
    SkinModule::SetOnTop(&w, true);
    QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(w.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(!w.isVisible());

    QTest::ignoreMessage(QtWarningMsg, "This plugin does not support setting window masks");
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    SkinModule::SetOnTop(&w, false);
    QVERIFY(!(w.windowFlags() & Qt::WindowStaysOnTopHint));
    SkinModule::SetOnTop(&w, true);
    QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(w.isVisible());
    QCOMPARE(w.geometry(), QRect(120, 80, 415, 307));
}

void TitleBarTest::pieceProperties_data()
{
    QTest::addColumn<Stacking>("stacking");
    QTest::addColumn<QString>("piece");
    QTest::addColumn<bool>("stretched");
    QTest::addColumn<QString>("hint");

    const QString disabled = "Maximize (Disabled)";
    const struct {
        const char* piece;
        bool stretched;
        QString hint;
    } table[] = {
        {"imgTitleLeft", false, {}},       {"imgTitleMain", true, {}},
        {"imgTitleRight", false, {}},      {"imgWindowLeft", true, {}},
        {"imgWindowRight", true, {}},      {"imgWindowBottom", true, {}},
        {"imgWindowBottomLeft", false, {}}, {"imgWindowBottomRight", false, {}},
        {"imgTitleClose", false, "Close"}, {"imgTitleMinimize", false, "Minimize"},
        {"imgTitleHelp", false, "Help"},   {"imgTitleMaxRestore", false, disabled},
        {"imgTitleMaximize", false, disabled}, {"imgTitleRestore", false, disabled},
    };
    for (const auto& row : table) {
        QTest::addRow("calculation %s", row.piece) << Stacking::Calculation << row.piece << row.stretched << row.hint;
        QTest::addRow("message box %s has no hint", row.piece)
            << Stacking::MessageBox << row.piece << row.stretched << QString();
    }
}

void TitleBarTest::pieceProperties()
{
    QFETCH(Stacking, stacking);
    QFETCH(QString, piece);
    QFETCH(bool, stretched);
    QFETCH(QString, hint);

    SkinnedWindow w(stacking);
    QLabel* label = w.piece(piece);
    QCOMPARE(label->hasScaledContents(), stretched);
    QCOMPARE(label->toolTip(), hint);
    // Beneath every other control: the pieces come first among the children.
    QVERIFY(w.children().indexOf(label) < w.children().indexOf(w.piece("lblTitle")));
    QVERIFY(w.children().indexOf(label) < w.children().indexOf(w.inner()));
}

void TitleBarTest::titleLabelStyle()
{
    SkinnedWindow w(Stacking::Calculation);
    const QLabel* title = w.piece("lblTitle");
    QCOMPARE(title->font().family(), QString("Arial"));
    QCOMPARE(title->font().pointSizeF(), 9.75);
    QVERIFY(title->font().bold());
    QCOMPARE(title->palette().color(QPalette::WindowText), QColor(Qt::white));
    QVERIFY(!title->autoFillBackground());
}

QTEST_MAIN(TitleBarTest)
#include "tst_title_bar.moc"
