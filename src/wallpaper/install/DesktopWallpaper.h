#pragma once

#include "wallpaper/install/CommandRunner.h"
#include "wallpaper/install/DesktopDetect.h"

#include <QDBusConnection>
#include <QImage>
#include <QString>

// Installs a picture file as the wallpaper of the desktop the program runs on.
class DesktopWallpaper {
public:
    struct Context {
        DesktopKind desktop = DesktopKind::Unknown;
        CommandRunner runner;
        QDBusConnection bus = QDBusConnection::sessionBus();
        QString display;        // X display for the root window; empty: $DISPLAY
        QString primaryMonitor; // XFCE's name of the primary monitor
    };

    explicit DesktopWallpaper(Context context) : m_context(std::move(context)) {}
    // The desktop of this process's environment, its session bus and its primary screen.
    static DesktopWallpaper forThisSession();

    // Shows the picture stored at `file` (`picture` holds the same pixels, for the X root
    // window). False, with the reason in `error`, when the desktop is unknown or the desktop
    // did not take it.
    bool install(const QString &file, const QImage &picture, QString *error) const;
    DesktopKind desktop() const { return m_context.desktop; }

private:
    Context m_context;
};
