#pragma once

#include <QPoint>
#include <QRect>

namespace qel {

// Where a window whose stored place is aWindow (top-left and size) goes so that it stays
// reachable on aDesktop (the union of the attached screens): a window more than half off the
// right or bottom edge is moved to lie against it, one left of or above the desktop is moved
// onto its edge. A place stored on a monitor that is gone so comes back onto the desktop.
QPoint KeepOnDesktop(const QRect& aWindow, const QRect& aDesktop);

}  // namespace qel
