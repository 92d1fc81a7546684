#pragma once
// Where a companion window of the calculation window opens.

#include <functional>

#include <QList>
#include <QRect>
#include <QSize>

class QWidget;

// Shows `window`, raised and active. Opening from closed it is first placed
// beside its owner (who may have moved since), wholly on the owner's screen
// and clear of the owner's other companions where the screen leaves room.
// `sizes` gives the window's arrangements for a screen's room, the first
// beside the owner and the others stacked; `arrange` takes the index and size
// of the one that fits.
void OpenBesideOwner(QWidget* window, const std::function<QList<QSize>(const QRect&)>& sizes,
                     const std::function<void(int, QSize)>& arrange);
