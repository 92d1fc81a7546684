#include "skin/device_shape.h"

#include <cmath>
#include <vector>

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include "skin/SkinModule.h"

// Xlib's macros (None, Bool, Status) clash with Qt's names: it comes last.
#include <X11/Xlib.h>
#include <X11/extensions/shape.h>

namespace SkinModule {

namespace {

bool wholeFactor(qreal ratio)
{
    return ratio == std::floor(ratio);
}

void applyToX11(QWidget* window, int cornerEllipse)
{
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->display())
        return;
    const QRegion shape = DeviceShape(window->size(), window->devicePixelRatioF(), cornerEllipse);
    std::vector<XRectangle> rects;
    for (const QRect& r : shape)
        rects.push_back({static_cast<short>(r.x()), static_cast<short>(r.y()), static_cast<unsigned short>(r.width()),
                         static_cast<unsigned short>(r.height())});
    // The widget's own id can outlive the native window it named when a flag
    // change has made a new one; the QWindow knows the current one.
    window->winId();
    XShapeCombineRectangles(x11->display(), window->windowHandle()->winId(), ShapeBounding, 0, 0, rects.data(),
                            static_cast<int>(rects.size()), ShapeSet, YXBanded);
    XFlush(x11->display());
}

// Qt cuts its own, scaled shape whenever it makes the native window anew (a
// change of window flags does, and so may showing): the device shape is cut
// again after each.
class DeviceShapeKeeper : public QObject {
public:
    DeviceShapeKeeper(QWidget* window, int cornerEllipse)
        : QObject(window), window_(window), cornerEllipse_(cornerEllipse)
    {
        setObjectName(Name);
        window->installEventFilter(this);
    }

    static DeviceShapeKeeper* of(QWidget* window)
    {
        return window->findChild<DeviceShapeKeeper*>(Name, Qt::FindDirectChildrenOnly);
    }

    void apply() { applyToX11(window_, cornerEllipse_); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Qt acts only after these events are delivered: the device shape
        // follows once they are done.
        if (watched == window_ && (event->type() == QEvent::WinIdChange || event->type() == QEvent::Show
                                   || event->type() == QEvent::ScreenChangeInternal))
            QMetaObject::invokeMethod(this, &DeviceShapeKeeper::apply, Qt::QueuedConnection);
        return false;
    }

private:
    static constexpr QLatin1String Name{"SkinModule::DeviceShapeKeeper"};
    QWidget* window_;
    int cornerEllipse_;
};

}  // namespace

QRegion DeviceShape(QSize logical, qreal ratio, int cornerEllipse)
{
    const int corner = qRound(cornerEllipse * ratio);
    return RoundRectRegion(qRound(logical.width() * ratio), qRound(logical.height() * ratio), corner, corner);
}

void CutDeviceShape(QWidget* window, int cornerEllipse)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") || wholeFactor(window->devicePixelRatioF()))
        return;
    DeviceShapeKeeper* keeper = DeviceShapeKeeper::of(window);
    if (!keeper)
        keeper = new DeviceShapeKeeper(window, cornerEllipse);
    keeper->apply();
}

}  // namespace SkinModule
