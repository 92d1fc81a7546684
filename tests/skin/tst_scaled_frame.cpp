// The frame at a whole scale factor of 2 (offscreen): every piece, stretched
// or not, is enlarged pixel for pixel, so that it stays as sharp as the text
// beside it and no seam shows where two pieces meet.

#include <QTest>

#include "SkinnedWindow.h"
#include "skin/SkinModule.h"

namespace {

constexpr double ScaleFactor = 2;

}  // namespace

class ScaledFrameTest : public QObject {
    Q_OBJECT
private slots:
    void pieceShowsOnlyItsPicturesColours_data();
    void pieceShowsOnlyItsPicturesColours();
};

void ScaledFrameTest::pieceShowsOnlyItsPicturesColours_data()
{
    QTest::addColumn<QString>("piece");
    for (const char* stretched : {"imgTitleMain", "imgWindowLeft", "imgWindowRight", "imgWindowBottom"})
        QTest::newRow(stretched) << stretched;
    // The corners and the four title-bar buttons keep their pictures' size.
    for (const char* unstretched : {"imgTitleLeft", "imgTitleRight", "imgWindowBottomLeft", "imgWindowBottomRight",
                                    "imgTitleClose", "imgTitleMinimize", "imgTitleHelp", "imgTitleMaxRestore"})
        QTest::newRow(unstretched) << unstretched;
}

void ScaledFrameTest::pieceShowsOnlyItsPicturesColours()
{
    QFETCH(QString, piece);
    SkinnedWindow w(Stacking::Calculation);
    // Six colours side by side: smoothing would show colours between them.
    QImage picture(3, 2, QImage::Format_RGB32);
    const QList<QRgb> colours{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
                              qRgb(255, 255, 0), qRgb(0, 255, 255), qRgb(255, 0, 255)};
    for (int i = 0; i < colours.size(); ++i)
        picture.setPixel(i % 3, i / 3, colours[i]);
    QLabel* label = w.piece(piece);
    label->setPixmap(QPixmap::fromImage(picture));
    SkinModule::LayoutFrame(&w);
    // As a skin picture sizes an unstretched piece.
    if (!label->hasScaledContents())
        label->resize(picture.size());

    const QImage shown = label->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.devicePixelRatio(), ScaleFactor);
    QCOMPARE(shown.size(), label->size() * ScaleFactor);
    int between = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            between += !colours.contains(shown.pixel(x, y));
    QCOMPARE(between, 0);
}

int main(int argc, char** argv)
{
    qputenv("QT_SCALE_FACTOR", QByteArray::number(ScaleFactor));
    QApplication app(argc, argv);
    ScaledFrameTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_scaled_frame.moc"
