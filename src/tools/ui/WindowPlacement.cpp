#include "tools/ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace trevalo {

QPoint topRightPlacement(const QRect& visible, const QSize& frame, int fromRight, int fromTop)
{
    return {visible.x() + visible.width() - frame.width() - fromRight, visible.y() + fromTop};
}

void placeAtTopRight(QWidget* window, int fromRight, int fromTop)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect visible = screen ? screen->availableGeometry() : QRect(0, 0, 0, 0);
    window->adjustSize();
    // The frame's size, title bar and borders included: they are known once the window exists.
    window->winId();
    const QMargins margins = window->windowHandle()->frameMargins();
    const QSize frame = window->size().grownBy(margins);
    window->move(topRightPlacement(visible, frame, fromRight, fromTop));
}

void showInFront(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

void makeFloating(QWidget* window)
{
    window->setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
    // A menu-bar program is seldom the active one; its small windows stay up when it is not.
    window->setAttribute(Qt::WA_MacAlwaysShowToolWindow);
    window->setWindowTitle(QString());
}

} // namespace trevalo
