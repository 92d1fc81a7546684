#include "skin/companion_placement.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <tuple>
#include <vector>

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

namespace SkinModule {

namespace {

// The title-bar pictures that act when clicked.
constexpr const char* TitleButtons[] = {"imgTitleClose", "imgTitleMinimize", "imgTitleMaxRestore", "imgTitleHelp"};

enum class Side { Right, Left, Below, Above };
constexpr Side Sides[] = {Side::Right, Side::Left, Side::Below, Side::Above};

// lo when the range is empty, so that a window larger than the room keeps
// to its top left corner.
int clampInto(int v, int lo, int hi)
{
    return std::clamp(v, lo, std::max(lo, hi));
}

std::optional<QPoint> beside(const QRect& owner, const QRect& room, QSize size, Side side)
{
    const int w = size.width();
    const int h = size.height();
    QPoint at;
    switch (side) {
    case Side::Right: {
        const int free = room.right() - owner.right();
        at = {owner.right() + 1 + std::min(CompanionGap, free - w), owner.top()};
        break;
    }
    case Side::Left: {
        const int free = owner.left() - room.left();
        at = {owner.left() - w - std::min(CompanionGap, free - w), owner.top()};
        break;
    }
    case Side::Below: {
        const int free = room.bottom() - owner.bottom();
        at = {owner.left(), owner.bottom() + 1 + std::min(CompanionGap, free - h)};
        break;
    }
    case Side::Above: {
        const int free = owner.top() - room.top();
        at = {owner.left(), owner.top() - h - std::min(CompanionGap, free - h)};
        break;
    }
    }
    // Level with the owner along the side, as far as the screen allows.
    if (side == Side::Right || side == Side::Left)
        at.setY(clampInto(at.y(), room.top(), room.bottom() + 1 - h));
    else
        at.setX(clampInto(at.x(), room.left(), room.right() + 1 - w));
    const QRect placed(at, size);
    if (!room.contains(placed) || placed.intersects(owner))
        return std::nullopt;
    return at;
}

std::int64_t area(const QRect& r)
{
    return r.isEmpty() ? 0 : std::int64_t{r.width()} * r.height();
}

// Places along one axis where the hidden part of some control, or the
// window's place on the screen, changes its course: the window's edges
// meeting the controls' edges, the owner's sides and the screen's ends.
// The hidden area is linear in between, so its least value lies at one of them.
std::vector<int> breakpoints(int length, int roomLo, int roomHi, int ownerLo, int ownerHi,
                             const std::vector<std::pair<int, int>>& spans)
{
    std::vector<int> at{roomLo, roomHi + 1 - length, ownerLo - length - CompanionGap,
                        ownerHi + 1 + CompanionGap};
    for (const auto& [lo, hi] : spans) {
        for (const int v : {lo - length, hi + 1 - length, lo, hi + 1})
            at.push_back(v);
    }
    for (int& v : at)
        v = clampInto(v, roomLo, roomHi + 1 - length);
    std::sort(at.begin(), at.end());
    at.erase(std::unique(at.begin(), at.end()), at.end());
    return at;
}

}  // namespace

CompanionPlace PlaceCompanion(const QRect& owner, const QRect& room, std::span<const QSize> sizes,
                              std::span<const QRect> controls, std::span<const QRect> others)
{
    auto othersCovered = [&](const QRect& placed) {
        std::int64_t covered = 0;
        for (const QRect& o : others)
            covered += area(placed & o);
        return covered;
    };
    std::optional<CompanionPlace> besideOwner;
    std::int64_t leastCovered = 0;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        for (const Side side : Sides) {
            const std::optional<QPoint> at = beside(owner, room, sizes[i], side);
            if (!at)
                continue;
            const std::int64_t covered = othersCovered(QRect(*at, sizes[i]));
            if (covered == 0)
                return {static_cast<int>(i), *at, false};
            if (!besideOwner || covered < leastCovered) {
                besideOwner = CompanionPlace{static_cast<int>(i), *at, false};
                leastCovered = covered;
            }
        }
    }
    if (besideOwner)
        return *besideOwner;

    std::vector<std::pair<int, int>> across, down;
    for (const QRect& c : controls) {
        across.emplace_back(c.left(), c.right());
        down.emplace_back(c.top(), c.bottom());
    }
    const bool anyFits = std::any_of(sizes.begin(), sizes.end(), [&](QSize s) {
        return s.width() <= room.width() && s.height() <= room.height();
    });
    using Cost = std::tuple<int, std::int64_t, std::int64_t, std::int64_t, std::size_t, std::int64_t>;
    std::optional<Cost> best;
    CompanionPlace chosen;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const QSize size = sizes[i];
        if (anyFits && (size.width() > room.width() || size.height() > room.height()))
            continue;
        const std::vector<int> xs =
            breakpoints(size.width(), room.left(), room.right(), owner.left(), owner.right(), across);
        const std::vector<int> ys =
            breakpoints(size.height(), room.top(), room.bottom(), owner.top(), owner.bottom(), down);
        for (const int x : xs) {
            for (const int y : ys) {
                const QRect placed(QPoint(x, y), size);
                int hidden = 0;
                std::int64_t hiddenArea = 0;
                for (const QRect& c : controls) {
                    const std::int64_t a = area(placed & c);
                    hidden += a > 0;
                    hiddenArea += a;
                }
                const QPoint apart = placed.center() - owner.center();
                const std::int64_t distance = std::int64_t{apart.x()} * apart.x() + std::int64_t{apart.y()} * apart.y();
                const Cost cost{hidden, hiddenArea, othersCovered(placed), area(placed & owner), i, distance};
                if (!best || cost < *best) {
                    best = cost;
                    chosen = {static_cast<int>(i), placed.topLeft(), placed.intersects(owner)};
                }
            }
        }
    }
    return chosen;
}

QList<QRect> InputControlRects(const QWidget* window)
{
    QList<QRect> rects;
    auto add = [&](const QWidget* control) {
        if (control->isVisibleTo(window))
            rects.append(QRect(control->mapToGlobal(QPoint(0, 0)), control->size()));
    };
    for (const QWidget* child : window->findChildren<QWidget*>()) {
        if (qobject_cast<const QLineEdit*>(child) || qobject_cast<const QAbstractButton*>(child)
            || qobject_cast<const QComboBox*>(child) || qobject_cast<const QAbstractSpinBox*>(child))
            add(child);
    }
    for (const char* name : TitleButtons) {
        if (const auto* picture = window->findChild<QLabel*>(QLatin1String(name)))
            add(picture);
    }
    return rects;
}

QList<QRect> CompanionRects(const QWidget* owner, const QWidget* except)
{
    QList<QRect> rects;
    if (!owner)
        return rects;
    for (const QWidget* child : owner->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child != except && child->isWindow() && child->isVisible())
            rects.append(child->frameGeometry());
    }
    return rects;
}

}  // namespace SkinModule
