#include "companion/Placement.h"

#include <QScreen>
#include <QWidget>

#include "skin/companion_placement.h"

void OpenBesideOwner(QWidget* window, const std::function<QList<QSize>(const QRect&)>& sizes,
                     const std::function<void(int, QSize)>& arrange) {
  const QWidget* owner = window->parentWidget();
  const QScreen* on = owner ? owner->screen() : window->screen();
  if (!window->isVisible() && owner && on) {
    const QRect room = on->availableGeometry();
    const QList<QSize> arrangements = sizes(room);
    const SkinModule::CompanionPlace place =
        SkinModule::PlaceCompanion(owner->frameGeometry(), room, arrangements, SkinModule::InputControlRects(owner),
                                   SkinModule::CompanionRects(owner, window));
    arrange(place.arrangement, arrangements[place.arrangement]);
    window->move(place.topLeft);
  }
  window->show();
  window->raise();
  window->activateWindow();
}
