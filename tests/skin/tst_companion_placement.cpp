// Where a companion window opens beside the calculation window, on screens
// of several sizes and places and with the calculator in several places:
// beside it and covering none of it where an arrangement fits, else where it
// hides the fewest of its input boxes and buttons, checked against every
// place on the screen.

#include <QTest>

#include "skin/companion_placement.h"

namespace {

constexpr QSize Calculator{415, 307};
// The calculation window's boxes and buttons, in its own pixels: the shape
// buttons, the seven parameter boxes, the depth and width results, the
// discharge box, the three commands and the four title-bar buttons.
const QList<QRect> CalculatorControls{
    {24, 64, 73, 17},   {24, 96, 73, 17},   {24, 128, 73, 17},  {24, 160, 81, 17},  {24, 192, 89, 17},
    {232, 64, 97, 18},  {232, 88, 97, 18},  {232, 112, 97, 18}, {232, 136, 41, 18}, {280, 136, 49, 18},
    {232, 160, 97, 18}, {232, 184, 97, 18}, {64, 248, 65, 18},  {64, 272, 65, 18},  {200, 240, 129, 18},
    {160, 272, 73, 25}, {232, 272, 73, 25}, {304, 272, 81, 25}, {393, 8, 13, 13},   {376, 8, 13, 13},
    {359, 8, 13, 13},   {342, 8, 13, 13}};

// The detail window's arrangements: its parts side by side, and stacked as
// high as the screen allows, wide or narrow.
QList<QSize> DetailSizes(const QRect& room)
{
    return {{728, 720}, {416, std::min(1000, room.height())}, {352, std::min(1000, room.height())}};
}

QList<QRect> ControlsAt(QPoint owner)
{
    QList<QRect> rects;
    for (const QRect& r : CalculatorControls)
        rects << r.translated(owner);
    return rects;
}

// Controls hidden and their hidden area, for a window at `placed`.
std::pair<int, qint64> Hidden(const QRect& placed, const QList<QRect>& controls)
{
    int count = 0;
    qint64 area = 0;
    for (const QRect& c : controls) {
        const QRect both = placed & c;
        if (both.isEmpty())
            continue;
        ++count;
        area += qint64{both.width()} * both.height();
    }
    return {count, area};
}

}  // namespace

class CompanionPlacementTest : public QObject {
    Q_OBJECT
private slots:
    void besideWhereAnArrangementFits_data();
    void besideWhereAnArrangementFits();
    void hidesTheFewestControlsWhereNoneFits_data();
    void hidesTheFewestControlsWhereNoneFits();
    void findsTheGapBetweenControls();
    void screenSmallerThanEveryArrangementKeepsItsTopLeft();
};

void CompanionPlacementTest::besideWhereAnArrangementFits_data()
{
    QTest::addColumn<QRect>("room");
    QTest::addColumn<QPoint>("owner");
    QTest::addColumn<int>("arrangement");
    QTest::addColumn<QPoint>("topLeft");
    QTest::newRow("1920x1080 centred: side by side, to the right")
        << QRect(0, 0, 1920, 1080) << QPoint(752, 386) << 0 << QPoint(1175, 360);
    QTest::newRow("1280x1024 centred: stacked, to the right")
        << QRect(0, 0, 1280, 1024) << QPoint(432, 358) << 1 << QPoint(855, 24);
    QTest::newRow("1280x1024 with the calculator at the right edge: side by side, to the left")
        << QRect(0, 0, 1280, 1024) << QPoint(865, 358) << 0 << QPoint(129, 304);
    QTest::newRow("second screen right of a first one")
        << QRect(1920, 0, 1280, 1024) << QPoint(2352, 358) << 1 << QPoint(2775, 24);
    QTest::newRow("screen above the first, at negative coordinates")
        << QRect(0, -1080, 1920, 1080) << QPoint(752, -694) << 0 << QPoint(1175, -720);
    QTest::newRow("panel along the top takes 32 rows")
        << QRect(0, 32, 1280, 992) << QPoint(432, 374) << 1 << QPoint(855, 32);
    QTest::newRow("only 416 free on the right: no gap, touching")
        << QRect(0, 0, 1280, 1024) << QPoint(449, 358) << 1 << QPoint(864, 24);
    QTest::newRow("800x600, calculator in the top left corner: the narrow stack beside it")
        << QRect(0, 0, 800, 600) << QPoint(0, 0) << 2 << QPoint(423, 0);
    QTest::newRow("wide screen, calculator high up: side by side below it")
        << QRect(0, 0, 1400, 1080) << QPoint(492, 40) << 0 << QPoint(492, 355);
}

void CompanionPlacementTest::besideWhereAnArrangementFits()
{
    QFETCH(QRect, room);
    QFETCH(QPoint, owner);
    QFETCH(int, arrangement);
    QFETCH(QPoint, topLeft);
    const QList<QSize> sizes = DetailSizes(room);
    const QList<QRect> controls = ControlsAt(owner);
    const SkinModule::CompanionPlace place = SkinModule::PlaceCompanion(QRect(owner, Calculator), room, sizes, controls);
    QCOMPARE(place.arrangement, arrangement);
    QCOMPARE(place.topLeft, topLeft);
    QVERIFY(!place.coversOwner);
    const QRect placed(place.topLeft, sizes[arrangement]);
    QVERIFY(room.contains(placed));
    QVERIFY(!placed.intersects(QRect(owner, Calculator)));
}

void CompanionPlacementTest::hidesTheFewestControlsWhereNoneFits_data()
{
    QTest::addColumn<QRect>("room");
    QTest::addColumn<QPoint>("owner");
    QTest::addColumn<int>("fewest");
    // The narrow stack at the left edge, over the five shape buttons and the
    // two results, clear of the discharge box and the commands.
    QTest::newRow("800x600 centred") << QRect(0, 0, 800, 600) << QPoint(192, 146) << 7;
    // At the right edge over the four title-bar buttons, one fewer than the
    // shape buttons at the left.
    QTest::newRow("1024x768 centred") << QRect(0, 0, 1024, 768) << QPoint(304, 230) << 4;
}

void CompanionPlacementTest::hidesTheFewestControlsWhereNoneFits()
{
    QFETCH(QRect, room);
    QFETCH(QPoint, owner);
    QFETCH(int, fewest);
    const QList<QSize> sizes = DetailSizes(room);
    const QList<QRect> controls = ControlsAt(owner);
    const SkinModule::CompanionPlace place = SkinModule::PlaceCompanion(QRect(owner, Calculator), room, sizes, controls);
    const QRect placed(place.topLeft, sizes[place.arrangement]);
    QVERIFY(room.contains(placed));
    const std::pair<int, qint64> chosen = Hidden(placed, controls);
    QCOMPARE(chosen.first, fewest);

    // No place on the screen, in any arrangement that fits there, hides fewer
    // controls, or as few and less of them.
    for (const QSize& size : sizes) {
        if (size.width() > room.width() || size.height() > room.height())
            continue;
        for (int y = room.top(); y + size.height() <= room.bottom() + 1; ++y) {
            for (int x = room.left(); x + size.width() <= room.right() + 1; ++x) {
                const std::pair<int, qint64> other = Hidden(QRect(QPoint(x, y), size), controls);
                if (other < chosen)
                    QFAIL(qPrintable(QStringLiteral("%1x%2 at (%3, %4) hides %5 controls, %6 pixels; the rule %7, %8")
                                         .arg(size.width()).arg(size.height()).arg(x).arg(y)
                                         .arg(other.first).arg(other.second).arg(chosen.first).arg(chosen.second)));
            }
        }
    }
}

void CompanionPlacementTest::findsTheGapBetweenControls()
{
    // An owner filling the screen, with controls all round a hole of 400 x 250:
    // the companion fits there, away from every edge of the screen.
    const QRect room(0, 0, 600, 450);
    const QList<QRect> controls{{0, 0, 600, 100}, {0, 350, 600, 100}, {0, 0, 100, 450}, {500, 0, 100, 450}};
    const QList<QSize> sizes{{450, 300}, {200, 150}};
    const SkinModule::CompanionPlace place = SkinModule::PlaceCompanion(room, room, sizes, controls);
    QCOMPARE(place.arrangement, 1);
    QVERIFY(QRect(100, 100, 400, 250).contains(QRect(place.topLeft, sizes[1])));
    QVERIFY(place.coversOwner);
}

void CompanionPlacementTest::screenSmallerThanEveryArrangementKeepsItsTopLeft()
{
    const QRect room(100, 50, 400, 300);
    const QList<QSize> sizes = DetailSizes(room);
    const SkinModule::CompanionPlace place =
        SkinModule::PlaceCompanion(QRect(QPoint(120, 60), Calculator), room, sizes, ControlsAt({120, 60}));
    QCOMPARE(place.topLeft, room.topLeft());
}

QTEST_MAIN(CompanionPlacementTest)
#include "tst_companion_placement.moc"
