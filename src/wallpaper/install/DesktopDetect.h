#pragma once

#include <QProcessEnvironment>
#include <QString>

// The desktop the program runs on, as far as the wallpaper is concerned.
enum class DesktopKind {
    Gnome,    // also Unity, Budgie, Pantheon: org.gnome.desktop.background
    Mate,     // org.mate.background
    Cinnamon, // org.cinnamon.desktop.background
    Kde,      // Plasma 5 and 6
    Xfce,     // xfconf
    PlainX11, // no desktop: the root window's pixmap
    Unknown,  // a Wayland session of another desktop, or no display at all
};

class DesktopDetect {
public:
    // From XDG_CURRENT_DESKTOP (a ":"-separated list, any case, first known name wins), then
    // DESKTOP_SESSION, then KDE_SESSION_VERSION; otherwise plain X11 when DISPLAY is set and the
    // session is not Wayland (XDG_SESSION_TYPE, WAYLAND_DISPLAY).
    static DesktopKind detect(const QProcessEnvironment &env);
    static QString name(DesktopKind kind);
};
