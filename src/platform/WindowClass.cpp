#include "platform/WindowClass.h"

#include <QGuiApplication>
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

// Writes the class whenever the toolkit creates the window's native window, which gets the
// toolkit's own class first; that happens before the window is mapped, where the window
// manager reads it. Creating it earlier would make the hidden window one the application
// closes on quitting.
class ClassKeeper : public QObject {
public:
    ClassKeeper(QWidget *window, const QByteArray &name) : QObject(window), m_name(name) {
        window->installEventFilter(this);
        if (window->windowHandle()) writeClass(window->windowHandle(), m_name);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::WinIdChange) {
            if (QWindow *handle = static_cast<QWidget *>(watched)->windowHandle())
                writeClass(handle, m_name);
        }
        return false;
    }

private:
    QByteArray m_name;
};

} // namespace

void WindowClass::assign(QWidget *window, const QString &name) {
    new ClassKeeper(window, name.toLocal8Bit());
}
