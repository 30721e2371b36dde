#include "WindowClass.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPlatformSurfaceEvent>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

namespace {

void writeClass(QWindow *window, const QByteArray &name) {
    const auto *x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 == nullptr || window->handle() == nullptr) return;
    // Instance and class, each ended by a zero byte (ICCCM 4.1.2.5).
    const QByteArray value = name + '\0' + name + '\0';
    xcb_connection_t *connection = x11->connection();
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE,
                        static_cast<xcb_window_t>(window->winId()), XCB_ATOM_WM_CLASS,
                        XCB_ATOM_STRING, 8, static_cast<uint32_t>(value.size()), value.constData());
    xcb_flush(connection);
}

// Writes the class again whenever the toolkit creates the native window anew, since it then
// writes its own.
class ClassKeeper : public QObject {
public:
    ClassKeeper(QWindow *window, const QByteArray &name) : QObject(window), m_name(name) {
        window->installEventFilter(this);
        writeClass(window, m_name);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::PlatformSurface &&
            static_cast<QPlatformSurfaceEvent *>(event)->surfaceEventType() ==
                QPlatformSurfaceEvent::SurfaceCreated)
            writeClass(static_cast<QWindow *>(watched), m_name);
        return false;
    }

private:
    QByteArray m_name;
};

} // namespace

void WindowClass::applyDefault(const QString &name) {
    QCoreApplication::setApplicationName(name);
}

void WindowClass::assign(QWidget *window, const QString &name) {
    // The native window must exist (and stay unmapped) for the class to be read at mapping.
    window->winId();
    if (QWindow *handle = window->windowHandle()) new ClassKeeper(handle, name.toLocal8Bit());
}
