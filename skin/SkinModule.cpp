#include "skin/SkinModule.h"
#include "skin/device_shape.h"
#include "skin/skin_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QSettings>
#include <QStyle>
#include <QWidget>
#include <QWindow>

namespace SkinModule {

namespace {

QLabel* control(QWidget* window, const char* name)
{
    return window->findChild<QLabel*>(QLatin1String(name));
}

// An unstretched piece takes the size of its picture; a stretched one keeps
// the size the layout gave it.
void setPicture(QLabel* piece, const QPixmap& picture)
{
    piece->setPixmap(picture);
    if (!piece->hasScaledContents())
        piece->resize(picture.size());
}

// The skin name comes from a file the user can edit. A separator (which
// also starts every absolute path) or the name ".." would read pictures from
// outside Skinz; an empty name or "." would read loose files in Skinz itself,
// which are no skin. Dots elsewhere ("My..Skin", "...") name ordinary folders.
bool isPlainFolderName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

// Each length of the layout is a constant, or the window's width or height
// plus a constant.
struct Length {
    bool fromSize;
    int offset;
    int of(int size) const { return (fromSize ? size : 0) + offset; }
};
constexpr Length at(int offset) { return {false, offset}; }
constexpr Length sizeMinus(int amount) { return {true, -amount}; }

enum class Extent { None, Width, Height };

struct Placement {
    const char* name;
    Length top;
    Length left;
    Extent extent;
    Length length;
};

constexpr Placement placed(const char* name, Length top, Length left)
{
    return {name, top, left, Extent::None, at(0)};
}

// The pieces assume 19-pixel side edges, a 30-pixel title bar and bottom
// edge, and 13 x 13 buttons. The middle title piece runs on under the right
// end, and the right edge reaches 22 pixels into the bottom-right corner:
// the stacking order of each window decides which of them shows.
constexpr std::array<Placement, 12> Layout{{
    placed("imgTitleLeft", at(0), at(0)),
    placed("imgTitleRight", at(0), sizeMinus(19)),
    {"imgTitleMain", at(0), at(19), Extent::Width, sizeMinus(19)},
    {"imgWindowLeft", at(30), at(0), Extent::Height, sizeMinus(60)},
    placed("imgWindowBottomLeft", sizeMinus(30), at(0)),
    {"imgWindowBottom", sizeMinus(30), at(19), Extent::Width, sizeMinus(38)},
    placed("imgWindowBottomRight", sizeMinus(30), sizeMinus(19)),
    {"imgWindowRight", at(30), sizeMinus(19), Extent::Height, sizeMinus(38)},
    placed("imgTitleClose", at(8), sizeMinus(22)),
    placed("imgTitleMaxRestore", at(8), sizeMinus(39)),
    placed("imgTitleMinimize", at(8), sizeMinus(56)),
    placed("imgTitleHelp", at(8), sizeMinus(73)),
}};

const QPoint TitlePosition{16, 7};
const QColor Background{192, 192, 192};

// How much of the pointer's movement each resize mode adds to the window's
// left, top, width and height.
struct Resize {
    int left, top, width, height;
};
constexpr std::array<Resize, 8> ResizeModes{{
    {1, 0, -1, 0},   // left edge
    {0, 0, 1, 0},    // right edge
    {0, 1, 0, -1},   // top edge
    {0, 0, 0, 1},    // bottom edge
    {0, 0, 1, 1},    // bottom-right corner
    {1, 0, -1, 1},   // bottom-left corner
    {0, 1, 1, -1},   // top-right corner
    {1, 1, -1, -1},  // top-left corner
}};

// The difference of two 32-bit coordinates; one that does not fit in 32
// bits counts as no movement.
std::int64_t difference(int from, int to)
{
    const std::int64_t d = std::int64_t{to} - from;
    const bool fits = d >= std::numeric_limits<std::int32_t>::min()
        && d <= std::numeric_limits<std::int32_t>::max();
    return fits ? d : 0;
}

bool fitsInt(std::int64_t v)
{
    return v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max();
}

// The helper of kind `Helper` that watches `window`, found by its object
// name (the helpers carry no meta-object of their own), or null.
template <class Helper>
Helper* helperOf(QWidget* window)
{
    return static_cast<Helper*>(window->findChild<QObject*>(Helper::Name, Qt::FindDirectChildrenOnly));
}

// The helper of kind `Helper` that watches `window`, made on first use.
template <class Helper>
Helper* attachOnce(QWidget* window)
{
    if (Helper* helper = helperOf<Helper>(window))
        return helper;
    return new Helper(window);
}

// Follows the pointer until the pressed button is released. It watches the
// whole application because, once the window moves, the pointer may leave
// the piece that was pressed.
class PointerMove : public QObject {
public:
    static constexpr QLatin1String Name{"SkinModule::PointerMove"};
    PointerMove(QWidget* window, Qt::MouseButton button, QPoint grab)
        : QObject(window), window_(window), button_(button), grab_(grab)
    {
        setObjectName(Name);
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Only widget deliveries: the window-system layer must still see
        // every event to keep its own mouse grab right.
        if (!watched->isWidgetType())
            return false;
        if (event->type() == QEvent::MouseMove) {
            const auto& mouse = static_cast<const QMouseEvent&>(*event);
            if (mouse.buttons() & button_)
                window_->move(mouse.globalPosition().toPoint() - grab_);
            else
                finish();  // the release went elsewhere
        } else if (event->type() == QEvent::MouseButtonRelease
                   && static_cast<const QMouseEvent&>(*event).button() == button_) {
            finish();
        }
        return false;
    }

private:
    void finish()
    {
        qApp->removeEventFilter(this);
        setParent(nullptr);
        deleteLater();
    }

    QWidget* window_;
    Qt::MouseButton button_;
    QPoint grab_;
};

// A window manager may offer full screen even to a window of fixed size
// (openbox does to every ordinary window); it would then hold the window in
// a corner of the screen where it no longer drags. The window declines.
class DeclineFullScreen : public QObject {
public:
    static constexpr QLatin1String Name{"SkinModule::DeclineFullScreen"};
    explicit DeclineFullScreen(QWidget* window) : QObject(window), window_(window)
    {
        setObjectName(Name);
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window_ && event->type() == QEvent::WindowStateChange
            && window_->windowState().testFlag(Qt::WindowFullScreen))
            window_->setWindowState(window_->windowState() & ~Qt::WindowFullScreen);
        return false;
    }

private:
    QWidget* window_;
};

// The user never resizes a skinned window: with its least and greatest size
// equal, the window manager offers no resize or maximise. Only ResizeForm
// changes the size, lifting the limits for its own move.
void pinSize(QWidget* window)
{
    window->setFixedSize(window->size());
    attachOnce<DeclineFullScreen>(window);
}

void unpinSize(QWidget* window)
{
    window->setMinimumSize(0, 0);
    window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

// QLabel smooths a frame picture drawn at a scale factor of 2 or 3, which
// blurs the frame beside its sharp text and leaves a seam where a smoothed
// piece meets another. At whole factors every piece, stretched or not, is
// enlarged pixel for pixel instead; fractional factors keep the smoothing,
// which there hides the uneven pixel widths.
class PixelForPixel : public QObject {
public:
    static constexpr QLatin1String Name{"SkinModule::PixelForPixel"};
    explicit PixelForPixel(QWidget* window) : QObject(window)
    {
        setObjectName(Name);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        auto* piece = static_cast<QLabel*>(watched);
        const qreal ratio = piece->devicePixelRatioF();
        const QPixmap picture = piece->pixmap();
        if (picture.isNull() || ratio != std::floor(ratio))
            return false;
        QPainter painter(piece);
        if (piece->hasScaledContents()) {
            painter.drawPixmap(piece->contentsRect(), picture);
        } else {
            const QSize size = (QSizeF(picture.size()) / picture.devicePixelRatio()).toSize();
            painter.drawPixmap(QStyle::alignedRect(piece->layoutDirection(), piece->alignment(), size,
                                                   piece->contentsRect()),
                               picture);
        }
        return true;
    }
};

bool onWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// Wayland has no window shapes: the window is translucent and paints nothing
// outside its rounded shape. The background is painted inside the shape
// only, and whatever a child paints outside it is cleared again.
class TranslucentCorners : public QObject {
public:
    static constexpr QLatin1String Name{"SkinModule::TranslucentCorners"};
    explicit TranslucentCorners(QWidget* window) : QObject(window), window_(window)
    {
        setObjectName(Name);
        window->setAttribute(Qt::WA_TranslucentBackground);
        window->installEventFilter(this);
        for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            child->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint || painting_)
            return false;
        const QRegion shape = window_->mask();
        if (watched == window_) {
            // A translucent window gets no background of its own.
            if (window_->autoFillBackground()) {
                QPainter painter(window_);
                painter.setClipRegion(shape);
                painter.fillRect(window_->rect(), window_->palette().window());
            }
            return false;
        }
        auto* child = static_cast<QWidget*>(watched);
        const QRegion outside = QRegion(child->rect()) - shape.translated(-child->pos());
        if (outside.isEmpty())
            return false;
        painting_ = true;
        QCoreApplication::sendEvent(child, event);
        painting_ = false;
        QPainter painter(child);
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.setClipRegion(outside);
        painter.fillRect(child->rect(), Qt::transparent);
        return true;
    }

private:
    QWidget* window_;
    bool painting_ = false;
};

// The one place that knows how a window is moved on each platform.
void startMove(QWidget* window, const QMouseEvent& press)
{
    // On Wayland only the compositor can move a window. Elsewhere the window
    // manager's own move follows only a slow left press (and may swallow the
    // next click), so the window moves itself, for every button.
    if (onWayland()) {
        if (QWindow* handle = window->windowHandle())
            handle->startSystemMove();
        return;
    }
    // Where the press lies in the window, not the pointer less pos(): a
    // window just shown may not yet know where the window manager put it.
    if (!helperOf<PointerMove>(window))
        new PointerMove(window, press.button(), press.scenePosition().toPoint());
}

}  // namespace

void ApplyPieceProperties(QWidget* window, TitleHints hints)
{
    for (const FramePiece& piece : FramePieces) {
        QLabel* label = control(window, piece.name);
        if (!label)
            continue;
        label->setScaledContents(piece.stretched);
        label->installEventFilter(attachOnce<PixelForPixel>(window));
        if (!piece.stretched && !label->pixmap().isNull())
            label->resize(label->pixmap().size());
        const bool hinted = hints == TitleHints::On && piece.hint;
        label->setToolTip(hinted ? QString::fromLatin1(piece.hint) : QString());
    }
    if (QLabel* title = control(window, "lblTitle")) {
        QFont font(QStringLiteral("Arial"));
        font.setPointSizeF(9.75);
        font.setBold(true);
        title->setFont(font);
        QPalette palette = title->palette();
        palette.setColor(QPalette::WindowText, Qt::white);
        title->setPalette(palette);
    }
}

void ShowMaximizePicture(QWidget* window)
{
    QLabel* maximize = control(window, "imgTitleMaximize");
    QLabel* maxRestore = control(window, "imgTitleMaxRestore");
    if (maximize && maxRestore)
        setPicture(maxRestore, maximize->pixmap());
}

void LoadSkin(QWidget* window, const QString& programFolder)
{
    const QSettings settings(QString::fromLatin1(ApplicationTitle), QString::fromLatin1(ApplicationTitle));
    const QString skin = settings.value(QStringLiteral("Options/Current Skin"), QStringLiteral("Blue")).toString();
    const bool safe = isPlainFolderName(skin);
    const QString folder = programFolder + QLatin1String("/Skinz/") + skin + QLatin1Char('/');
    for (QLabel* piece : window->findChildren<QLabel*>()) {
        if (!piece->objectName().contains(QLatin1String("img"), Qt::CaseInsensitive))
            continue;
        if (safe) {
            const QImage picture = ReadSkinPicture(folder + piece->objectName() + QLatin1String(".gif"));
            if (!picture.isNull())
                setPicture(piece, QPixmap::fromImage(picture));
        }
        piece->update();
    }
    ShowMaximizePicture(window);
    // The new pictures are painted now, but input waits: the exit box is
    // loaded inside the exit command, and a click queued meanwhile must not
    // reach a box that is still being built.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void LayoutFrame(QWidget* window)
{
    const int w = window->width();
    const int h = window->height();
    pinSize(window);
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, Background);
    window->setPalette(palette);
    window->setAutoFillBackground(true);
    QLabel* title = control(window, "lblTitle");
    if (title) {
        window->setWindowTitle(title->text());
        title->move(TitlePosition);
    }
    RoundCorners(window);
    for (const Placement& place : Layout) {
        QLabel* piece = control(window, place.name);
        if (!piece)
            continue;
        piece->move(place.left.of(w), place.top.of(h));
        if (place.extent == Extent::None)
            continue;
        const bool across = place.extent == Extent::Width;
        const int length = place.length.of(across ? w : h);
        // A negative size is refused, and the layout ends with it.
        if (length < 0)
            return;
        piece->resize(across ? length : piece->width(), across ? piece->height() : length);
    }
}

QRegion RoundRectRegion(int w, int h, int ellipseWidth, int ellipseHeight)
{
    // Each row is kept from the first to the last pixel whose centre lies in
    // the corner ellipses; a window narrower than its corners gets smaller ones.
    const double a = std::min(ellipseWidth, w) / 2.0;
    const double b = std::min(ellipseHeight, h) / 2.0;
    QRegion region;
    for (int y = 0; y < h; ++y) {
        const double centre = y + 0.5;
        const double intoCorner = std::max({b - centre, centre - (h - b), 0.0});
        int inset = 0;
        if (intoCorner > 0) {
            const double halfChord = a * std::sqrt(1.0 - (intoCorner / b) * (intoCorner / b));
            inset = static_cast<int>(std::ceil(a - halfChord - 0.5));
        }
        if (w - 2 * inset > 0)
            region += QRect(inset, y, w - 2 * inset, 1);
    }
    return region;
}

void RoundCorners(QWidget* window)
{
    window->setMask(RoundRectRegion(window->width(), window->height(), CornerEllipse, CornerEllipse));
    CutDeviceShape(window, CornerEllipse);
    if (onWayland())
        attachOnce<TranslucentCorners>(window);
}

void ResizeForm(QWidget* window, const QPoint& from, const QPoint& to, std::int16_t mode)
{
    // Qt's pixels are 1/96 inch, so a window's twips are its pixels times 15:
    // moving by the difference in pixels lands where twips would.
    const std::int64_t dx = difference(from.x(), to.x());
    const std::int64_t dy = difference(from.y(), to.y());
    if (mode >= 0 && static_cast<std::size_t>(mode) < ResizeModes.size()) {
        const Resize& r = ResizeModes[static_cast<std::size_t>(mode)];
        const QRect old = window->geometry();
        const std::int64_t left = old.x() + r.left * dx;
        const std::int64_t top = old.y() + r.top * dy;
        const std::int64_t width = old.width() + r.width * dx;
        const std::int64_t height = old.height() + r.height * dy;
        const bool accepted = width >= 0 && height >= 0 && width <= QWIDGETSIZE_MAX
            && height <= QWIDGETSIZE_MAX && fitsInt(left) && fitsInt(top);
        if (accepted) {
            unpinSize(window);
            window->setGeometry(int(left), int(top), int(width), int(height));
        }
    }
    LayoutFrame(window);
}

void DragForm(QWidget* window, const QMouseEvent& press)
{
    if (window->isMaximized())
        return;
    startMove(window, press);
}

void SetOnTop(QWidget* window, bool onTop)
{
    // Changing a window flag hides the window.
    const bool shown = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (shown)
        window->show();
}

}  // namespace SkinModule
