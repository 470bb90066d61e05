#include "app/window_placement.h"

namespace qel {

namespace {

// One axis: aStart and aSize of the window, aLow and aExtent of the desktop.
int KeepOnAxis(int aStart, int aSize, int aLow, int anExtent) {
    if (aStart > aLow + anExtent - aSize / 2)
        return aLow + anExtent - aSize;
    if (aStart < aLow)
        return aLow;
    return aStart;
}

}  // namespace

QPoint KeepOnDesktop(const QRect& aWindow, const QRect& aDesktop) {
    return {KeepOnAxis(aWindow.left(), aWindow.width(), aDesktop.left(), aDesktop.width()),
            KeepOnAxis(aWindow.top(), aWindow.height(), aDesktop.top(), aDesktop.height())};
}

}  // namespace qel
