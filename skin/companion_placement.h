#pragma once
// Where a companion window opens beside the calculation window: wholly on
// the screen that holds its owner and covering none of the owner; where no
// arrangement of the companion fits so, where it hides the least of the
// owner's input boxes and buttons. The rule takes only rectangles, so every
// window that opens beside another shares it and tests need no window.

#include <span>

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace SkinModule {

// Room left between the owner and a companion beside it, where the screen
// has it; a companion that fits only without it touches the owner.
inline constexpr int CompanionGap = 8;

struct CompanionPlace {
    int arrangement = 0;     // index of the size chosen among those offered
    QPoint topLeft;
    bool coversOwner = false;
};

// `owner`: the owner's frame; `room`: the available geometry of the screen
// holding it; `sizes`: the companion's arrangements, most wanted first;
// `controls`: the owner's input boxes and buttons; `others`: the owner's
// other companions already open. All in one coordinate system, the screen's.
//
// Beside: the first arrangement that fits to the right, left, below or above
// the owner (in that order), level with its top or its left edge as far as
// the screen allows, and covers none of the others; where every such place
// covers some of them, the one that covers the least. Otherwise, among the
// arrangements and places wholly on the screen: the fewest controls hidden,
// then the least of their area, then the least of the others, then the least
// of the owner, then the arrangement most wanted, then the place nearest the
// owner. An arrangement larger than the screen is kept to its top left corner.
CompanionPlace PlaceCompanion(const QRect& owner, const QRect& room, std::span<const QSize> sizes,
                              std::span<const QRect> controls, std::span<const QRect> others = {});

// The visible input boxes, buttons and title-bar buttons of a skinned
// window, in screen coordinates: what a companion should leave uncovered.
QList<QRect> InputControlRects(const QWidget* window);

// The frames of the visible windows that `owner` owns, `except` left out:
// the companions a new one should leave uncovered.
QList<QRect> CompanionRects(const QWidget* owner, const QWidget* except);

}  // namespace SkinModule
