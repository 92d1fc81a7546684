#pragma once
// The window shape in the screen's own pixels. Qt scales a widget's mask
// from its logical pixels rect by rect, which at a fractional scale factor
// rounds the corners unevenly; the shape is cut here at device resolution
// instead, where the platform allows it.

#include <QRegion>
#include <QSize>

class QWidget;

namespace SkinModule {

// The rounded shape of a window of `logical` size at `ratio` device pixels
// per logical one, in device pixels: exactly the size the platform gives the
// window (each side rounded to the nearest pixel), with corner ellipses
// scaled alike, the four corners mirror images of each other.
QRegion DeviceShape(QSize logical, qreal ratio, int cornerEllipse);

// Cuts the window to DeviceShape on X11 when the scale factor is not a whole
// number, and again whenever the native window is made anew; elsewhere does
// nothing (whole factors scale the logical shape exactly).
void CutDeviceShape(QWidget* window, int cornerEllipse);

}  // namespace SkinModule
