#include "skin/TitleBar.h"

#include <QLabel>
#include <QMouseEvent>
#include <QWidget>

namespace SkinModule {

namespace {

constexpr std::array TitlePieces{"imgTitleLeft", "imgTitleMain", "imgTitleRight", "lblTitle"};

QLabel* watch(QWidget* window, const char* name, QObject* filter)
{
    auto* label = window->findChild<QLabel*>(QLatin1String(name));
    if (label)
        label->installEventFilter(filter);
    return label;
}

}  // namespace

TitleBar::TitleBar(QWidget* window)
    : QObject(window)
    , close_(watch(window, "imgTitleClose", this))
    , minimize_(watch(window, "imgTitleMinimize", this))
{
    for (const char* name : TitlePieces)
        watch(window, name, this);
}

bool TitleBar::eventFilter(QObject* watched, QEvent* event)
{
    // The second press of a quick pair arrives as a double click.
    const bool press = event->type() == QEvent::MouseButtonPress
        || event->type() == QEvent::MouseButtonDblClick;
    const bool release = event->type() == QEvent::MouseButtonRelease;
    if (!press && !release)
        return false;
    const auto& mouse = static_cast<const QMouseEvent&>(*event);
    if (watched != close_ && watched != minimize_) {
        if (press) {
            // The drag is measured from the press's place in the window, which
            // the event knows exactly; the window's own idea of where it
            // stands on the screen may still be stale right after it is shown.
            auto* window = static_cast<QWidget*>(parent());
            const QPointF inWindow = static_cast<QWidget*>(watched)->mapTo(window, mouse.position());
            const QMouseEvent pressed(mouse.type(), mouse.position(), inWindow, mouse.globalPosition(),
                                      mouse.button(), mouse.buttons(), mouse.modifiers());
            emit TitleMouseDown(pressed);
        }
        return press;
    }
    // A click is a left press and its release over the same picture; the
    // press is taken so that its release comes back here.
    if (mouse.button() != Qt::LeftButton)
        return false;
    const bool over = static_cast<QWidget*>(watched)->rect().contains(mouse.position().toPoint());
    if (release && over) {
        if (watched == close_)
            emit imgTitleClose_Click();
        else
            emit imgTitleMinimize_Click();
    }
    return true;
}

}  // namespace SkinModule
