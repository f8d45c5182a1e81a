#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace trevalo {

/// Where a window of `frame` size goes to stand `fromRight` points in from the right edge of `visible`
/// and `fromTop` points below its top edge: its top-left corner, in screen coordinates.
QPoint topRightPlacement(const QRect& visible, const QSize& frame, int fromRight, int fromTop);

/// Places a window so near the top-right corner of the main screen's visible area (the screen without
/// menu bar and Dock); an empty area when there is no screen.
void placeAtTopRight(QWidget* window, int fromRight, int fromTop);

/// Shows a window, brings it in front of the other programs' windows and gives it the focus.
void showInFront(QWidget* window);

/// The flags of the tools' small windows: they float above the other windows.
void makeFloating(QWidget* window);

} // namespace trevalo
