#include <QTest>

#include <optional>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImageReader>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "SkinnedWindow.h"
#include "skin/SkinModule.h"
#include "skin/font_substitutions.h"
#include "skin/skin_picture.h"

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

QByteArray little16(int v)
{
    return QByteArray(1, char(v & 0xff)) + char(v >> 8 & 0xff);
}

// A two-colour GIF of one frame at the top left of its logical screen, with
// the given LZW data (minimum code size 2: clear 4, end 5, 3-bit codes).
QByteArray handMadeGif(QSize screen, QSize frame, const QByteArray& lzw)
{
    QByteArray gif = "GIF89a" + little16(screen.width()) + little16(screen.height());
    gif += QByteArray("\x80\x00\x00" "\xff\x00\xff" "\xff\x80\x00", 9);
    gif += ',' + little16(0) + little16(0) + little16(frame.width()) + little16(frame.height()) + '\0';
    gif += '\x02' + QByteArray(1, char(lzw.size())) + lzw + '\0' + ';';
    return gif;
}

// Clear, colour 1, end: exactly one pixel.
const QByteArray OnePixel("\x4c\x01", 2);
// Clear, colour 0, end: one pixel where a 2 x 2 frame needs four.
const QByteArray EndsAfterOnePixel("\x44\x01", 2);

// Puts one file into a program folder. The source is a fixture picture, or
// "truncated:" one (cut in half), "cut-in-data:" one (its last 100 bytes
// gone: the noise picture's LZW data is 640 bytes long, its trailer 2),
// "padded:" one (followed by more zeros than the size limit allows),
// "corrupt", "empty", "ends-early" (LZW data that ends after one of four
// pixels), "screen:WxH" (one pixel on a W x H logical screen), "folder",
// "fifo", "socket", or "link:TARGET" (a symbolic link).
void place(const QDir& programFolder, const QString& entry)
{
    const QString path = programFolder.filePath(entry.section('=', 0, 0));
    const QString source = entry.section('=', 1);
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    const QByteArray native = QFile::encodeName(path);
    if (source == "folder") {
        QVERIFY(QDir().mkpath(path));
        return;
    }
    if (source == "fifo") {
        QCOMPARE(::mkfifo(native.constData(), 0600), 0);
        return;
    }
    if (source == "socket") {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        QVERIFY(size_t(native.size()) < sizeof address.sun_path);
        std::copy(native.begin(), native.end(), address.sun_path);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        const int bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        ::close(fd);  // the socket's file stays
        QCOMPARE(bound, 0);
        return;
    }
    if (source.startsWith("link:")) {
        QVERIFY(QFile::link(source.section(':', 1), path));
        return;
    }
    QByteArray bytes;
    if (source == "corrupt") {
        bytes = "GIF89a\x13\x00\x1e\x00 this is no picture";
    } else if (source == "ends-early") {
        bytes = handMadeGif({2, 2}, {2, 2}, EndsAfterOnePixel);
    } else if (source.startsWith("screen:")) {
        const QStringList size = source.section(':', 1).split('x');
        bytes = handMadeGif({size[0].toInt(), size[1].toInt()}, {1, 1}, OnePixel);
    } else if (source != "empty") {
        QFile in(fixture(source.section(':', -1)));
        QVERIFY(in.open(QIODevice::ReadOnly));
        bytes = in.readAll();
        if (source.startsWith("truncated:"))
            bytes.truncate(bytes.size() / 2);
        if (source.startsWith("cut-in-data:"))
            bytes.chop(100);
        if (source.startsWith("padded:"))
            bytes += QByteArray(SkinModule::MaxPictureBytes, '\0');
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
    void completePicturesDecodeAsQtDecodesThem_data();
    void completePicturesDecodeAsQtDecodesThem();
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
    QTest::newRow("a picture cut off inside its image data keeps the built-in picture")
        << Stacking::Calculation << mine
        << QStringList{"Skinz/Mine/imgTitleMain.gif=cut-in-data:noise_19x30.gif",
                       "Skinz/Mine/imgTitleLeft.gif=cut-in-data:transparent_interlaced_24x20.gif",
                       "Skinz/Mine/imgTitleRight.gif=magenta_19x30.gif"}
        << QStringList{"imgTitleRight"};
    QTest::newRow("image data that ends before the last pixel keeps the built-in picture")
        << Stacking::MessageBox << mine << QStringList{"Skinz/Mine/imgTitleClose.gif=ends-early"} << QStringList();
    QTest::newRow("a second frame cut off does not matter: the first one shows")
        << Stacking::Calculation << mine << QStringList{"Skinz/Mine/imgWindowLeft.gif=cut-in-data:two_frames_19x30.gif"}
        << QStringList{"imgWindowLeft"};
    QTest::newRow("FIFOs, a socket and links to a FIFO, a device and a folder are not read")
        << Stacking::Calculation << mine
        << QStringList{"Skinz/Mine/imgTitleMain.gif=fifo",
                       "Skinz/Mine/imgTitleClose.gif=fifo",
                       "Skinz/Mine/imgTitleHelp.gif=socket",
                       "Skinz/Mine/imgWindowLeft.gif=link:imgTitleMain.gif",
                       "Skinz/Mine/imgWindowRight.gif=link:/dev/zero",
                       "Skinz/Mine/imgWindowBottom.gif=link:/",
                       "Skinz/Mine/imgTitleMinimize.gif=link:orange.gif",
                       "Skinz/Mine/orange.gif=orange_13x13.gif"}
        << QStringList{"imgTitleMinimize"};
    QTest::newRow("a file over the size limit keeps the built-in picture")
        << Stacking::Calculation << mine << QStringList{"Skinz/Mine/imgTitleLeft.gif=padded:magenta_19x30.gif"}
        << QStringList();
    constexpr int side = 512;
    static_assert(side * side == SkinModule::MaxPicturePixels);
    QTest::newRow("a logical screen of the largest size allowed loads")
        << Stacking::Calculation << mine << QStringList{QString("Skinz/Mine/imgTitleMain.gif=screen:%1x%1").arg(side)}
        << QStringList{"imgTitleMain"};
    QTest::newRow("a logical screen one column over the limit keeps the built-in picture")
        << Stacking::Calculation << mine
        << QStringList{QString("Skinz/Mine/imgTitleMain.gif=screen:%1x%2").arg(side + 1).arg(side)} << QStringList();
    QTest::newRow("a picture over Qt's allocation limit is refused without a word")
        << Stacking::Calculation << mine << QStringList{"Skinz/Mine/imgTitleMain.gif=screen:8000x8000",
                                                       "Skinz/Mine/imgTitleLeft.gif=screen:65535x65535"}
        << QStringList();
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
    // "{program}" stands for the program folder, which exists only once the test runs.
    for (const char* unsafe : {"../Outside", "Mine/../Mine", "Mine/", "..\\Outside", "..", ".", "",
                               "Mine\\", "{program}/Outside", "/", "Mine/.."}) {
        QTest::addRow("unsafe skin name \"%s\" reads nothing", unsafe)
            << Stacking::Calculation << std::optional<QString>(unsafe) << outside << QStringList();
    }
    for (const char* plain : {"My..Skin", "...", "Skin..", "..Skin", ".Hidden", "Mine.", " .. "}) {
        QTest::addRow("skin name \"%s\" names an ordinary folder", plain)
            << Stacking::Calculation << std::optional<QString>(plain)
            << QStringList{QString("Skinz/%1/imgTitleLeft.gif=magenta_19x30.gif").arg(plain)}
            << QStringList{"imgTitleLeft"};
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
    if (setting)
        setting->replace("{program}", programFolder.path());
    const SkinSetting guard(setting);
    SkinnedWindow w(stacking);
    SkinModule::LayoutFrame(&w);
    SkinModule::ShowMaximizePicture(&w);
    // The program prints nothing; and a reader stuck on a FIFO ends the
    // suite instead of hanging it.
    QTest::failOnWarning(QRegularExpression(".*"));
    ::alarm(10);
    SkinModule::LoadSkin(&w, programFolder.path());
    ::alarm(0);

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

void SkinLoadingTest::completePicturesDecodeAsQtDecodesThem_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("transparent");
    QDirIterator shipped(SKIN_RESOURCES_DIR "/Skinz", {"*.gif"}, QDir::Files, QDirIterator::Subdirectories);
    while (shipped.hasNext()) {
        const QString file = shipped.next();
        QTest::addRow("shipped %s", qPrintable(QDir(SKIN_RESOURCES_DIR "/Skinz").relativeFilePath(file)))
            << file << false;
    }
    QTest::newRow("interlaced noise, 256 colours") << fixture("noise_19x30.gif") << false;
    QTest::newRow("interlaced with a transparent border") << fixture("transparent_interlaced_24x20.gif") << true;
    QTest::newRow("the first of two frames") << fixture("two_frames_19x30.gif") << false;
    QTest::newRow("one colour") << fixture("orange_13x13.gif") << false;
}

void SkinLoadingTest::completePicturesDecodeAsQtDecodesThem()
{
    QFETCH(QString, file);
    QFETCH(bool, transparent);

    const QImage qt = QImageReader(file).read();
    QVERIFY(!qt.isNull());
    const QImage checked = SkinModule::ReadSkinPicture(file);
    QCOMPARE(checked.format(), qt.format());
    QCOMPARE(checked, qt);
    QCOMPARE(checked.pixelColor(0, 0).alpha() == 0, transparent);
}

QTEST_MAIN(SkinLoadingTest)
#include "tst_skin_loading.moc"
