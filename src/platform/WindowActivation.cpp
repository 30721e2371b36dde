#include "platform/WindowActivation.h"

#include <QWidget>

void WindowActivation::bringToFront(QWidget *window) {
    if (window == nullptr) return;
    if (window->windowState() & Qt::WindowMinimized)
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
}
