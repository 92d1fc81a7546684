#include <QTest>

#include <optional>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "SkinnedWindow.h"
#include "skin/SkinModule.h"
#include "skin/font_substitutions.h"

namespace {

const QString SkinKey = "Options/Current Skin";

QSettings userSettings()
{
    return QSettings(SkinModule::ApplicationTitle, SkinModule::ApplicationTitle);
}

// Sets the skin setting, or removes it, for one test; removed again after.
class SkinSetting {
public:
    explicit SkinSetting(const std::optional<QString>& value)
    {
        QSettings settings(SkinModule::ApplicationTitle, SkinModule::ApplicationTitle);
        if (value)
            settings.setValue(SkinKey, *value);
        else
            settings.remove(SkinKey);
    }
    ~SkinSetting()
    {
        QSettings settings(SkinModule::ApplicationTitle, SkinModule::ApplicationTitle);
        settings.remove(SkinKey);
    }
    SkinSetting(const SkinSetting&) = delete;
    SkinSetting& operator=(const SkinSetting&) = delete;
};

QString fixture(const QString& name)
{
    return QStringLiteral(SKIN_FIXTURES_DIR "/") + name;
}

// Puts one file into a program folder. The source is a fixture picture, or
// "truncated:" one, "corrupt", "empty", or "folder" (a folder by that name).
void place(const QDir& programFolder, const QString& entry)
{
    const QString path = programFolder.filePath(entry.section('=', 0, 0));
    const QString source = entry.section('=', 1);
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    if (source == "folder") {
        QVERIFY(QDir().mkpath(path));
        return;
    }
    QByteArray bytes;
    if (source == "corrupt") {
        bytes = "GIF89a\x13\x00\x1e\x00 this is no picture";
    } else if (source != "empty") {
        QFile in(fixture(source.section(':', -1)));
        QVERIFY(in.open(QIODevice::ReadOnly));
        bytes = in.readAll();
        if (source.startsWith("truncated:"))
            bytes.truncate(bytes.size() / 2);
    }
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(bytes);
}

QImage rgb(const QImage& image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage shown(const SkinnedWindow& w, const QString& piece)
{
    return rgb(w.piece(piece)->pixmap().toImage());
}

}  // namespace

Q_DECLARE_METATYPE(std::optional<QString>)

class SkinLoadingTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void builtInPictures_data();
    void builtInPictures();
    void piecesTakeTheReadablePicturesOfTheSkin_data();
    void piecesTakeTheReadablePicturesOfTheSkin();
    void skinPictureSizes_data();
    void skinPictureSizes();
    void settingIsReadAfreshAndNeverWritten();
    void shippedSkins_data();
    void shippedSkins();
};

void SkinLoadingTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY2(userSettings().fileName().contains(".qttest"), qPrintable(userSettings().fileName()));
    InstallFontSubstitutions();
}

void SkinLoadingTest::builtInPictures_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("size");
    for (const SkinModule::FramePiece& piece : SkinModule::FramePieces) {
        const QString name = piece.name;
        if (name == "imgTitleMaxRestore")
            continue;
        const bool button = !piece.stretched && name.startsWith("imgTitle") && name != "imgTitleLeft"
            && name != "imgTitleRight";
        QTest::addRow("%s", piece.name) << name + ".bmp" << (button ? QSize(13, 13) : QSize(19, 30));
    }
    QTest::newRow("the message box's maximise holder") << "imgTitleMaximize.gif" << QSize(13, 13);
}

void SkinLoadingTest::builtInPictures()
{
    QFETCH(QString, file);
    QFETCH(QSize, size);

    QFile resource(":/frame/" + file);
    QVERIFY(resource.open(QIODevice::ReadOnly));
    const QByteArray bytes = resource.readAll();
    QCOMPARE(QImage::fromData(bytes).size(), size);
    if (file.endsWith(".bmp")) {
        // BITMAPINFOHEADER's bit count, little-endian at byte 28.
        QCOMPARE(bytes.left(2), QByteArray("BM"));
        QCOMPARE(int(quint8(bytes[28])) | int(quint8(bytes[29])) << 8, 24);
    } else {
        QCOMPARE(bytes.left(3), QByteArray("GIF"));
    }
}

void SkinLoadingTest::piecesTakeTheReadablePicturesOfTheSkin_data()
{
    QTest::addColumn<Stacking>("stacking");
    QTest::addColumn<std::optional<QString>>("setting");
    QTest::addColumn<QStringList>("files");
    // Pieces that end up with their skin picture; all others keep the
    // built-in one, and imgTitleMaxRestore always shows imgTitleMaximize's.
    QTest::addColumn<QStringList>("changed");

    const auto absent = std::optional<QString>();
    const auto mine = std::optional<QString>("Mine");
    QTest::newRow("no Skinz folder at all") << Stacking::Calculation << absent << QStringList() << QStringList();
    QTest::newRow("setting absent reads Blue")
        << Stacking::Calculation << absent
        << QStringList{"Skinz/Blue/imgTitleLeft.gif=magenta_19x30.gif",
                       "Skinz/Blue/imgTitleClose.gif=orange_13x13.gif",
                       "Skinz/Green/imgTitleRight.gif=magenta_19x30.gif"}
        << QStringList{"imgTitleLeft", "imgTitleClose"};
    QTest::newRow("a partial skin changes exactly its pieces, hidden holders too")
        << Stacking::MessageBox << mine
        << QStringList{"Skinz/Mine/imgTitleMain.gif=magenta_19x30.gif",
                       "Skinz/Mine/imgWindowBottom.gif=magenta_19x30.gif",
                       "Skinz/Mine/imgTitleHelp.gif=orange_13x13.gif",
                       "Skinz/Mine/imgTitleRestore.gif=orange_13x13.gif",
                       "Skinz/Blue/imgTitleLeft.gif=magenta_19x30.gif"}
        << QStringList{"imgTitleMain", "imgWindowBottom", "imgTitleHelp", "imgTitleRestore"};
    QTest::newRow("unreadable files keep the built-in pictures, the rest still load")
        << Stacking::Calculation << mine
        << QStringList{"Skinz/Mine/imgTitleLeft.gif=truncated:noise_19x30.gif",
                       "Skinz/Mine/imgWindowLeft.gif=corrupt",
                       "Skinz/Mine/imgWindowRight.gif=empty",
                       "Skinz/Mine/imgTitleClose.gif=folder",
                       "Skinz/Mine/imgTitleRight.gif=magenta_19x30.gif"}
        << QStringList{"imgTitleRight"};
    QTest::newRow("a maximise/restore picture of its own does not show")
        << Stacking::Calculation << mine
        << QStringList{"Skinz/Mine/imgTitleMaxRestore.gif=magenta_19x30.gif"} << QStringList();
    QTest::newRow("maximise/restore shows the skin's maximise picture")
        << Stacking::MessageBox << mine
        << QStringList{"Skinz/Mine/imgTitleMaxRestore.gif=magenta_19x30.gif",
                       "Skinz/Mine/imgTitleMaximize.gif=orange_13x13.gif"}
        << QStringList{"imgTitleMaximize"};
    QTest::newRow("missing skin folder") << Stacking::Calculation << std::optional<QString>("Green")
        << QStringList{"Skinz/Blue/imgTitleLeft.gif=magenta_19x30.gif"} << QStringList();

    const QStringList outside{"Outside/imgTitleLeft.gif=magenta_19x30.gif",
                              "Skinz/imgTitleLeft.gif=magenta_19x30.gif",
                              "Skinz/Mine/imgTitleLeft.gif=magenta_19x30.gif",
                              "imgTitleLeft.gif=magenta_19x30.gif"};
    for (const char* unsafe : {"../Outside", "Mine/../Mine", "Mine/", "..\\Outside", "..", ".", "",
                               "Mine\\"}) {
        QTest::addRow("unsafe skin name \"%s\" reads nothing", unsafe)
            << Stacking::Calculation << std::optional<QString>(unsafe) << outside << QStringList();
    }
}

void SkinLoadingTest::piecesTakeTheReadablePicturesOfTheSkin()
{
    QFETCH(Stacking, stacking);
    QFETCH(std::optional<QString>, setting);
    QFETCH(QStringList, files);
    QFETCH(QStringList, changed);

    QTemporaryDir programFolder;
    QVERIFY(programFolder.isValid());
    for (const QString& file : files) {
        place(QDir(programFolder.path()), file);
        if (QTest::currentTestFailed())
            return;
    }
    const SkinSetting guard(setting);
    SkinnedWindow w(stacking);
    SkinModule::LayoutFrame(&w);
    SkinModule::ShowMaximizePicture(&w);
    SkinModule::LoadSkin(&w, programFolder.path());

    for (const SkinModule::FramePiece& piece : SkinModule::FramePieces) {
        const QString name = piece.name;
        if (name == "imgTitleMaxRestore")
            continue;
        const QString skinFile = programFolder.filePath("Skinz/" + setting.value_or("Blue") + "/" + name + ".gif");
        const QImage expected = changed.contains(name) ? rgb(QImage(skinFile)) : rgb(builtInPicture(stacking, name));
        QVERIFY2(shown(w, name) == expected, qPrintable(name));
    }
    QCOMPARE(shown(w, "imgTitleMaxRestore"), shown(w, "imgTitleMaximize"));
    QCOMPARE(w.piece("imgTitleMaxRestore")->size(), w.piece("imgTitleMaximize")->pixmap().size());
}

void SkinLoadingTest::skinPictureSizes_data()
{
    QTest::addColumn<QString>("piece");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QRect>("expected");

    QTest::newRow("a larger close button grows at its place")
        << "imgTitleClose" << "cyan_16x16.gif" << QRect(393, 8, 16, 16);
    QTest::newRow("an unstretched frame piece takes its picture's size")
        << "imgTitleLeft" << "lime_40x10.gif" << QRect(0, 0, 40, 10);
    QTest::newRow("the stretched title middle keeps its size")
        << "imgTitleMain" << "lime_40x10.gif" << QRect(19, 0, 396, 30);
    QTest::newRow("the stretched right edge keeps its size")
        << "imgWindowRight" << "cyan_16x16.gif" << QRect(396, 30, 19, 269);
}

void SkinLoadingTest::skinPictureSizes()
{
    QFETCH(QString, piece);
    QFETCH(QString, picture);
    QFETCH(QRect, expected);

    QTemporaryDir programFolder;
    place(QDir(programFolder.path()), "Skinz/Blue/" + piece + ".gif=" + picture);
    const SkinSetting guard(std::nullopt);
    SkinnedWindow w(Stacking::Calculation);
    SkinModule::LayoutFrame(&w);
    SkinModule::LoadSkin(&w, programFolder.path());

    QCOMPARE(w.piece(piece)->geometry(), expected);
    const QColor colour = QImage(fixture(picture)).pixelColor(0, 0);
    w.piece("lblTitle")->hide();
    QCOMPARE(w.grab().toImage().pixelColor(expected.center()), colour);
}

void SkinLoadingTest::settingIsReadAfreshAndNeverWritten()
{
    QTemporaryDir programFolder;
    place(QDir(programFolder.path()), "Skinz/Blue/imgTitleLeft.gif=magenta_19x30.gif");
    place(QDir(programFolder.path()), "Skinz/Mine/imgTitleLeft.gif=lime_40x10.gif");
    const SkinSetting guard(std::nullopt);

    SkinnedWindow first(Stacking::Calculation);
    SkinModule::LoadSkin(&first, programFolder.path());
    QVERIFY(!userSettings().contains(SkinKey));
    userSettings().setValue(SkinKey, "Mine");
    SkinnedWindow second(Stacking::Calculation);
    SkinModule::LoadSkin(&second, programFolder.path());

    QCOMPARE(first.piece("imgTitleLeft")->size(), QSize(19, 30));
    QCOMPARE(second.piece("imgTitleLeft")->size(), QSize(40, 10));
    QCOMPARE(userSettings().value(SkinKey).toString(), QString("Mine"));
}

void SkinLoadingTest::shippedSkins_data()
{
    QTest::addColumn<QString>("skin");
    QTest::addColumn<bool>("likeBuiltIn");
    QTest::newRow("Blue, the default, looks like the built-in pictures") << "Blue" << true;
    QTest::newRow("Green changes the frame") << "Green" << false;
}

void SkinLoadingTest::shippedSkins()
{
    QFETCH(QString, skin);
    QFETCH(bool, likeBuiltIn);

    const QString skinFolder = QStringLiteral(SKIN_RESOURCES_DIR "/Skinz/") + skin;
    for (const SkinModule::FramePiece& piece : SkinModule::FramePieces) {
        QImageReader reader(skinFolder + "/" + piece.name + ".gif");
        QCOMPARE(reader.format(), QByteArray("gif"));
        const QImage picture = reader.read();
        QVERIFY2(!picture.isNull(), piece.name);
        const bool maxRestore = QString(piece.name) == "imgTitleMaxRestore";
        QCOMPARE(picture.size(), maxRestore ? QSize(13, 13) : builtInPicture(Stacking::Calculation, piece.name).size());
    }

    const SkinSetting guard(skin);
    SkinnedWindow w(Stacking::Calculation);
    w.piece("lblTitle")->setText("明渠临界水深 Vardenix");
    w.piece("lblTitle")->adjustSize();
    SkinModule::LayoutFrame(&w);
    SkinModule::ShowMaximizePicture(&w);
    SkinModule::LoadSkin(&w, SKIN_RESOURCES_DIR);
    // As on a black desktop: what the shape cuts away shows black.
    QImage frame = w.grab().toImage();
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            if (!w.mask().contains(QPoint(x, y)))
                frame.setPixel(x, y, qRgb(0, 0, 0));
    QVERIFY(frame.save("frame-" + skin + ".png"));

    // GIF keeps at most 256 colours: a few steps of difference are allowed.
    int largest = 0;
    for (const SkinModule::FramePiece& piece : SkinModule::FramePieces) {
        const QImage builtIn = rgb(builtInPicture(Stacking::Calculation, piece.name));
        const QImage skinned = shown(w, piece.name);
        if (builtIn.isNull() || builtIn.size() != skinned.size())
            continue;
        for (int y = 0; y < builtIn.height(); ++y)
            for (int x = 0; x < builtIn.width(); ++x) {
                const QColor a = builtIn.pixelColor(x, y), b = skinned.pixelColor(x, y);
                largest = std::max({largest, std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                                    std::abs(a.blue() - b.blue())});
            }
    }
    if (likeBuiltIn)
        QVERIFY2(largest <= 6, qPrintable(QString::number(largest)));
    else
        QVERIFY2(largest > 60, qPrintable(QString::number(largest)));
}

QTEST_MAIN(SkinLoadingTest)
#include "tst_skin_loading.moc"
