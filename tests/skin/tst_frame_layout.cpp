#include <QTest>

#include <cmath>
#include <climits>

#include "SkinnedWindow.h"
#include "skin/SkinModule.h"
#include "skin/device_shape.h"

class FrameLayoutTest : public QObject {
    Q_OBJECT
private slots:
    void piecesFollowTheWindowSize_data();
    void piecesFollowTheWindowSize();
    void frameBackgroundCaptionAndHolders();
    void tooSmallWindowEndsTheLayoutAtTheRefusedPiece();
    void overlapsShowThePieceStackedHigher_data();
    void overlapsShowThePieceStackedHigher();
    void shapeIsTheRoundedRectangle_data();
    void shapeIsTheRoundedRectangle();
    void shapeOfAShownWindow();
    void resizeModes_data();
    void resizeModes();
    void onlyResizeFormChangesTheSize_data();
    void onlyResizeFormChangesTheSize();
    void fullScreenIsDeclined();
    void deviceShapeAtFractionalFactors_data();
    void deviceShapeAtFractionalFactors();
};

void FrameLayoutTest::piecesFollowTheWindowSize_data()
{
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("expected");

    const QSize usual(415, 307);
    QTest::newRow("415x307 title left") << usual << "imgTitleLeft" << QRect(0, 0, 19, 30);
    QTest::newRow("415x307 title right") << usual << "imgTitleRight" << QRect(396, 0, 19, 30);
    QTest::newRow("415x307 title middle runs under the right end")
        << usual << "imgTitleMain" << QRect(19, 0, 396, 30);
    QTest::newRow("415x307 left edge") << usual << "imgWindowLeft" << QRect(0, 30, 19, 247);
    QTest::newRow("415x307 bottom left") << usual << "imgWindowBottomLeft" << QRect(0, 277, 19, 30);
    QTest::newRow("415x307 bottom edge") << usual << "imgWindowBottom" << QRect(19, 277, 377, 30);
    QTest::newRow("415x307 bottom right") << usual << "imgWindowBottomRight" << QRect(396, 277, 19, 30);
    QTest::newRow("415x307 right edge reaches into the corner")
        << usual << "imgWindowRight" << QRect(396, 30, 19, 269);
    QTest::newRow("415x307 close") << usual << "imgTitleClose" << QRect(393, 8, 13, 13);
    QTest::newRow("415x307 minimise") << usual << "imgTitleMinimize" << QRect(359, 8, 13, 13);
    QTest::newRow("415x307 help") << usual << "imgTitleHelp" << QRect(342, 8, 13, 13);
    // Sized by the maximise picture it is given in the load handler.
    QTest::newRow("415x307 maximise/restore at its place")
        << usual << "imgTitleMaxRestore" << QRect(376, 8, 0, 0);

    const QSize wide(640, 120);
    QTest::newRow("640x120 title right") << wide << "imgTitleRight" << QRect(621, 0, 19, 30);
    QTest::newRow("640x120 title middle") << wide << "imgTitleMain" << QRect(19, 0, 621, 30);
    QTest::newRow("640x120 left edge") << wide << "imgWindowLeft" << QRect(0, 30, 19, 60);
    QTest::newRow("640x120 right edge") << wide << "imgWindowRight" << QRect(621, 30, 19, 82);
    QTest::newRow("640x120 bottom edge") << wide << "imgWindowBottom" << QRect(19, 90, 602, 30);
    QTest::newRow("640x120 help") << wide << "imgTitleHelp" << QRect(567, 8, 13, 13);
    const QSize smallest(38, 60);
    QTest::newRow("38x60 bottom edge empty") << smallest << "imgWindowBottom" << QRect(19, 30, 0, 30);
    QTest::newRow("38x60 left edge empty") << smallest << "imgWindowLeft" << QRect(0, 30, 19, 0);
}

void FrameLayoutTest::piecesFollowTheWindowSize()
{
    QFETCH(QSize, window);
    QFETCH(QString, control);
    QFETCH(QRect, expected);

    SkinnedWindow w(Stacking::Calculation, window);
    SkinModule::LayoutFrame(&w);
    const QRect actual = w.piece(control)->geometry();
    if (expected.isEmpty())
        QCOMPARE(actual.topLeft(), expected.topLeft());
    else
        QCOMPARE(actual, expected);
    QCOMPARE(w.piece("lblTitle")->pos(), QPoint(16, 7));
}

void FrameLayoutTest::frameBackgroundCaptionAndHolders()
{
    SkinnedWindow w(Stacking::MessageBox);
    const QPoint maximizeAt = w.piece("imgTitleMaximize")->pos();
    const QPoint restoreAt = w.piece("imgTitleRestore")->pos();
    w.piece("lblTitle")->setText("Orvantis®");
    SkinModule::LayoutFrame(&w);
    w.piece("lblTitle")->setText("提示");

    QCOMPARE(w.windowTitle(), QString("Orvantis®"));
    QCOMPARE(w.piece("lblTitle")->text(), QString("提示"));
    QCOMPARE(w.palette().color(QPalette::Window), QColor(192, 192, 192));
    QVERIFY(w.autoFillBackground());
    QCOMPARE(w.grab().toImage().pixelColor(200, 150), QColor(192, 192, 192));
    QCOMPARE(w.piece("imgTitleMaximize")->pos(), maximizeAt);
    QCOMPARE(w.piece("imgTitleRestore")->pos(), restoreAt);
}

void FrameLayoutTest::tooSmallWindowEndsTheLayoutAtTheRefusedPiece()
{
    SkinnedWindow w(Stacking::Calculation, {30, 100});
    const QPoint cornerBefore = w.piece("imgWindowBottomRight")->pos();
    SkinModule::LayoutFrame(&w);
    // The bottom edge would be 8 pixels short of nothing: it is placed but
    // keeps its width, and nothing after it moves.
    QCOMPARE(w.piece("imgWindowLeft")->geometry(), QRect(0, 30, 19, 40));
    QCOMPARE(w.piece("imgWindowBottom")->geometry(), QRect(19, 70, 19, 30));
    QCOMPARE(w.piece("imgWindowBottomRight")->pos(), cornerBefore);
}

void FrameLayoutTest::overlapsShowThePieceStackedHigher_data()
{
    QTest::addColumn<Stacking>("stacking");
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<QString>("shown");

    QTest::newRow("calculation: title right over the middle")
        << Stacking::Calculation << QPoint(405, 3) << "imgTitleRight";
    QTest::newRow("message box: the middle hides the title right")
        << Stacking::MessageBox << QPoint(405, 3) << "imgTitleMain";
    QTest::newRow("calculation: right edge over the top of the corner")
        << Stacking::Calculation << QPoint(405, 290) << "imgWindowRight";
    QTest::newRow("message box: right edge over the top of the corner")
        << Stacking::MessageBox << QPoint(405, 290) << "imgWindowRight";
    QTest::newRow("calculation: corner below the right edge")
        << Stacking::Calculation << QPoint(405, 301) << "imgWindowBottomRight";
    QTest::newRow("calculation: close button over the title bar")
        << Stacking::Calculation << QPoint(399, 14) << "imgTitleClose";
    QTest::newRow("message box: close button over the title bar")
        << Stacking::MessageBox << QPoint(399, 14) << "imgTitleClose";
}

void FrameLayoutTest::overlapsShowThePieceStackedHigher()
{
    QFETCH(Stacking, stacking);
    QFETCH(QPoint, pixel);
    QFETCH(QString, shown);

    SkinnedWindow w(stacking);
    w.piece("lblTitle")->hide();
    // A colour of its own for every piece tells which one is on top.
    int hue = 0;
    for (const SkinModule::FramePiece& piece : SkinModule::FramePieces) {
        QLabel* label = w.piece(piece.name);
        QPixmap solid(label->pixmap().isNull() ? QSize(13, 13) : label->pixmap().size());
        solid.fill(QColor::fromHsv(hue, 255, 255));
        label->setPixmap(solid);
        label->resize(solid.size());
        label->setProperty("colour", QColor::fromHsv(hue, 255, 255));
        hue += 25;
    }
    SkinModule::LayoutFrame(&w);
    const QColor expected = w.piece(shown)->property("colour").value<QColor>();
    QCOMPARE(w.grab().toImage().pixel(pixel), expected.rgb());
}

void FrameLayoutTest::shapeIsTheRoundedRectangle_data()
{
    QTest::addColumn<QSize>("window");
    QTest::newRow("calculation window") << QSize(415, 307);
    QTest::newRow("message box") << QSize(341, 198);
    QTest::newRow("odd sizes") << QSize(101, 61);
    QTest::newRow("smaller than the corners") << QSize(20, 15);
}

void FrameLayoutTest::shapeIsTheRoundedRectangle()
{
    QFETCH(QSize, window);
    SkinnedWindow w(Stacking::Calculation, window);
    SkinModule::LayoutFrame(&w);
    const QRegion mask = w.mask();

    // A pixel belongs to the shape when its centre lies on or inside the
    // corner ellipses (semi-axes half the ellipse, or half the window when
    // that is smaller).
    const double a = std::min(24, window.width()) / 2.0;
    const double b = std::min(24, window.height()) / 2.0;
    int wrong = 0;
    for (int y = -1; y <= window.height(); ++y) {
        for (int x = -1; x <= window.width(); ++x) {
            const double px = x + 0.5, py = y + 0.5;
            bool inside = x >= 0 && y >= 0 && x < window.width() && y < window.height();
            const double cx = std::clamp(px, a, window.width() - a);
            const double cy = std::clamp(py, b, window.height() - b);
            if (inside && px != cx && py != cy)
                inside = std::pow((px - cx) / a, 2) + std::pow((py - cy) / b, 2) <= 1.0;
            if (mask.contains(QPoint(x, y)) != inside)
                ++wrong;
        }
    }
    QCOMPARE(wrong, 0);
}

void FrameLayoutTest::shapeOfAShownWindow()
{
    SkinnedWindow w(Stacking::Calculation);
    SkinModule::LayoutFrame(&w);
    QTest::ignoreMessage(QtWarningMsg, "This plugin does not support setting window masks");
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QRegion mask = w.mask();
    // Worked by hand from the ellipse of radius 12: the first row keeps
    // x = 9 to 405, the fourth x = 4 to 410, from the twelfth on all of it.
    QVERIFY(!mask.contains(QPoint(8, 0)));
    QVERIFY(mask.contains(QPoint(9, 0)));
    QVERIFY(mask.contains(QPoint(405, 0)));
    QVERIFY(!mask.contains(QPoint(406, 0)));
    QVERIFY(!mask.contains(QPoint(3, 3)));
    QVERIFY(mask.contains(QPoint(4, 3)));
    QVERIFY(mask.contains(QPoint(410, 3)));
    QVERIFY(!mask.contains(QPoint(411, 3)));
    QVERIFY(mask.contains(QPoint(0, 12)));
    QVERIFY(!mask.contains(QPoint(8, 306)));
    QVERIFY(mask.contains(QPoint(405, 306)));
    QCOMPARE(mask.boundingRect(), QRect(0, 0, 415, 307));
}

void FrameLayoutTest::resizeModes_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QRect>("expected");

    // Starting at (1000, 500), 415 x 307. 10 pixels right and 5 up are
    // 150 and 75 twips.
    const QPoint from(100, 100), to(110, 95);
    QTest::newRow("left edge follows, right edge stays") << from << to << 0 << QRect(1010, 500, 405, 307);
    QTest::newRow("right edge") << from << to << 1 << QRect(1000, 500, 425, 307);
    QTest::newRow("top edge follows, bottom stays") << from << to << 2 << QRect(1000, 495, 415, 312);
    QTest::newRow("bottom edge") << from << to << 3 << QRect(1000, 500, 415, 302);
    QTest::newRow("bottom-right corner") << from << to << 4 << QRect(1000, 500, 425, 302);
    QTest::newRow("bottom-left corner") << from << to << 5 << QRect(1010, 500, 405, 302);
    QTest::newRow("top-right corner") << from << to << 6 << QRect(1000, 495, 425, 312);
    QTest::newRow("top-left corner") << from << to << 7 << QRect(1010, 495, 405, 312);
    QTest::newRow("mode 8 moves nothing") << from << to << 8 << QRect(1000, 500, 415, 307);
    QTest::newRow("mode -1 moves nothing") << from << to << -1 << QRect(1000, 500, 415, 307);
    QTest::newRow("left edge beyond the right one is refused")
        << QPoint(0, 0) << QPoint(416, 0) << 0 << QRect(1000, 500, 415, 307);
    QTest::newRow("left edge onto the right one leaves no width")
        << QPoint(0, 0) << QPoint(415, 0) << 0 << QRect(1415, 500, 0, 307);
    QTest::newRow("bottom above the top is refused")
        << QPoint(0, 400) << QPoint(0, 0) << 3 << QRect(1000, 500, 415, 307);
    QTest::newRow("a difference beyond 32 bits counts as none")
        << QPoint(INT_MIN, 0) << QPoint(INT_MAX, 5) << 7 << QRect(1000, 505, 415, 302);
}

void FrameLayoutTest::resizeModes()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(int, mode);
    QFETCH(QRect, expected);

    SkinnedWindow w(Stacking::MessageBox);
    w.setGeometry(1000, 500, 415, 307);
    SkinModule::LayoutFrame(&w);
    const QPoint fromBefore = from, toBefore = to;
    SkinModule::ResizeForm(&w, from, to, static_cast<std::int16_t>(mode));

    QCOMPARE(w.geometry(), expected);
    QCOMPARE(from, fromBefore);
    QCOMPARE(to, toBefore);
    // The frame is laid out again for whatever size the window has now.
    if (expected.width() >= 38 && expected.height() >= 60) {
        QCOMPARE(w.piece("imgWindowBottomRight")->pos(),
                 QPoint(expected.width() - 19, expected.height() - 30));
        QCOMPARE(w.mask().boundingRect(), QRect(QPoint(0, 0), expected.size()));
    }
}

void FrameLayoutTest::onlyResizeFormChangesTheSize_data()
{
    QTest::addColumn<Stacking>("stacking");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QSize>("resized");
    QTest::newRow("calculation window, no resize") << Stacking::Calculation << 8 << QSize(415, 307);
    QTest::newRow("message box, left edge") << Stacking::MessageBox << 0 << QSize(405, 307);
    QTest::newRow("message box, bottom-right corner") << Stacking::MessageBox << 4 << QSize(425, 302);
}

// The window manager offers resize and maximise only to a window whose
// least and greatest sizes differ.
void FrameLayoutTest::onlyResizeFormChangesTheSize()
{
    QFETCH(Stacking, stacking);
    QFETCH(int, mode);
    QFETCH(QSize, resized);

    SkinnedWindow w(stacking);
    SkinModule::LayoutFrame(&w);
    QCOMPARE(w.minimumSize(), QSize(415, 307));
    QCOMPARE(w.maximumSize(), QSize(415, 307));
    w.resize(800, 600);
    QCOMPARE(w.size(), QSize(415, 307));

    SkinModule::ResizeForm(&w, {100, 100}, {110, 95}, static_cast<std::int16_t>(mode));
    QCOMPARE(w.size(), resized);
    QCOMPARE(w.minimumSize(), resized);
    QCOMPARE(w.maximumSize(), resized);
}

void FrameLayoutTest::fullScreenIsDeclined()
{
    SkinnedWindow w(Stacking::Calculation);
    w.move(120, 80);
    SkinModule::LayoutFrame(&w);
    QTest::ignoreMessage(QtWarningMsg, "This plugin does not support setting window masks");
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.setWindowState(Qt::WindowFullScreen);
    QTRY_VERIFY(!w.isFullScreen());
    QCOMPARE(w.geometry(), QRect(120, 80, 415, 307));
}

void FrameLayoutTest::deviceShapeAtFractionalFactors_data()
{
    QTest::addColumn<QSize>("window");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<QSize>("device");
    // The platform rounds each side to the nearest device pixel, halves up.
    QTest::newRow("calculation window at 1.5") << QSize(415, 307) << 1.5 << QSize(623, 461);
    QTest::newRow("calculation window at 1.75") << QSize(415, 307) << 1.75 << QSize(726, 537);
    QTest::newRow("calculation window at 1.25") << QSize(415, 307) << 1.25 << QSize(519, 384);
    QTest::newRow("exit box at 1.5") << QSize(274, 115) << 1.5 << QSize(411, 173);
}

void FrameLayoutTest::deviceShapeAtFractionalFactors()
{
    QFETCH(QSize, window);
    QFETCH(double, ratio);
    QFETCH(QSize, device);
    const QRegion shape = SkinModule::DeviceShape(window, ratio, SkinModule::CornerEllipse);
    QCOMPARE(shape.boundingRect(), QRect(QPoint(), device));
    // The four corners are mirror images of each other.
    const QTransform acrossX(-1, 0, 0, 1, device.width(), 0);
    const QTransform acrossY(1, 0, 0, -1, 0, device.height());
    QCOMPARE(acrossX.map(shape), shape);
    QCOMPARE(acrossY.map(shape), shape);
    const int corner = qRound(SkinModule::CornerEllipse * ratio);
    QVERIFY(!shape.contains(QPoint(1, 1)));
    QVERIFY(shape.contains(QPoint(corner / 2, 0)));
    QVERIFY(shape.contains(QPoint(0, corner / 2)));
}

QTEST_MAIN(FrameLayoutTest)
#include "tst_frame_layout.moc"
