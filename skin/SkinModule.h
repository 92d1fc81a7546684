#pragma once

// The skinned window frame: fourteen picture pieces and the title label
// lblTitle, laid out around any window that carries them. Every procedure
// takes the target window and reaches its controls by name, so one
// procedure serves every skinned window.

#include <array>
#include <cstdint>

#include <QCoreApplication>
#include <QPoint>
#include <QRegion>
#include <QString>

class QMouseEvent;
class QWidget;

namespace SkinModule {

struct FramePiece {
    const char* name;
    bool stretched;      // scales its picture to the size it is given
    const char* hint;    // tooltip of the calculation window, or nullptr
};

inline constexpr std::array<FramePiece, 14> FramePieces{{
    {"imgTitleLeft", false, nullptr},
    {"imgTitleMain", true, nullptr},
    {"imgTitleRight", false, nullptr},
    {"imgWindowLeft", true, nullptr},
    {"imgWindowRight", true, nullptr},
    {"imgWindowBottom", true, nullptr},
    {"imgWindowBottomLeft", false, nullptr},
    {"imgWindowBottomRight", false, nullptr},
    {"imgTitleClose", false, "Close"},
    {"imgTitleMinimize", false, "Minimize"},
    {"imgTitleHelp", false, "Help"},
    {"imgTitleMaxRestore", false, "Maximize (Disabled)"},
    {"imgTitleMaximize", false, "Maximize (Disabled)"},
    {"imgTitleRestore", false, "Maximize (Disabled)"},
}};

// Names the program in the per-user settings store.
inline constexpr char ApplicationTitle[] = "Vardenix";

// Width and height of the ellipses that round the window's corners.
inline constexpr int CornerEllipse = 24;

enum class TitleHints : bool { Off, On };

// Gives the pieces their stretch mode (and, with TitleHints::On, the hints
// of the title-bar buttons), sizes each unstretched piece to its picture,
// and styles lblTitle in white bold Arial 9.75 pt. Visibility and stacking
// stay as the window defines them.
void ApplyPieceProperties(QWidget* window, TitleHints hints);

// Gives imgTitleMaxRestore the picture imgTitleMaximize holds (the
// maximise/restore button always shows the maximise picture).
void ShowMaximizePicture(QWidget* window);

// Replaces the pictures of the pieces by those of the skin named in the
// per-user setting; whatever cannot be read keeps the picture it has.
// The program folder is a parameter only so that tests can point it at a
// folder of their own.
void LoadSkin(QWidget* window,
              const QString& programFolder = QCoreApplication::applicationDirPath());

// Places lblTitle and the pieces around the window's current size, paints
// the background grey, copies lblTitle's text to the window title and cuts
// the rounded shape. The window's size is fixed at what it is: the user
// cannot resize or maximise it, and it declines full screen. A piece that would get a
// negative size ends the layout there, leaving the pieces after it where
// they were.
void LayoutFrame(QWidget* window);

void RoundCorners(QWidget* window);

// The shape RoundCorners gives a window of w x h pixels: a rectangle whose
// corners are quarter ellipses of ellipseWidth x ellipseHeight, every pixel
// kept whose centre lies on or inside them.
QRegion RoundRectRegion(int w, int h, int ellipseWidth, int ellipseHeight);

// Moves one edge or corner of the window (mode 0 left, 1 right, 2 top,
// 3 bottom, 4 bottom-right, 5 bottom-left, 6 top-right, 7 top-left) by the
// difference of the two points, then lays the frame out again. Any other
// mode, or a move to a negative size, leaves the window where it is.
void ResizeForm(QWidget* window, const QPoint& from, const QPoint& to, std::int16_t mode);

// The window follows the pointer from this press until the release of the
// same button, keeping the press's place in the window (its scenePosition())
// under the pointer. A maximised window stays put.
void DragForm(QWidget* window, const QMouseEvent& press);

// Keeps the window above ordinary windows (or stops doing so); a shown
// window stays shown.
void SetOnTop(QWidget* window, bool onTop);

}  // namespace SkinModule
