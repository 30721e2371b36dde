#pragma once

#include <QImage>
#include <QString>

// Shows a picture as the background of the X root window, for sessions without a desktop
// program. The picture goes into a pixmap made through a connection of its own whose resources
// are kept after it closes (close-down mode RetainPermanent), so the picture outlives the
// program. _XROOTPMAP_ID and ESETROOT_PMAP_ID name the pixmap, as picture-aware programs
// (terminals, panels) expect; the pixmap of the previous setting is freed.
class X11RootWallpaper {
public:
    // `display` empty: $DISPLAY. The picture is scaled to cover the root window.
    static bool set(const QImage &picture, const QString &display, QString *error);
};
