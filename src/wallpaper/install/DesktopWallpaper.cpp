#include "wallpaper/install/DesktopWallpaper.h"

#include "wallpaper/install/GSettingsWallpaper.h"
#include "wallpaper/install/KdeWallpaper.h"
#include "wallpaper/install/X11RootWallpaper.h"
#include "wallpaper/install/XfceWallpaper.h"

#include <QGuiApplication>
#include <QScreen>

DesktopWallpaper DesktopWallpaper::forThisSession() {
    Context context;
    context.desktop = DesktopDetect::detect(context.runner.environment());
    if (const QScreen *s = QGuiApplication::primaryScreen()) context.primaryMonitor = s->name();
    return DesktopWallpaper(std::move(context));
}

bool DesktopWallpaper::install(const QString &file, const QImage &picture, QString *error) const {
    switch (m_context.desktop) {
    case DesktopKind::Gnome:
    case DesktopKind::Mate:
    case DesktopKind::Cinnamon:
        return GSettingsWallpaper(m_context.runner).set(m_context.desktop, file, error);
    case DesktopKind::Kde:
        return KdeWallpaper(m_context.runner, m_context.bus).set(file, error);
    case DesktopKind::Xfce:
        return XfceWallpaper(m_context.runner, m_context.primaryMonitor).set(file, error);
    case DesktopKind::PlainX11:
        return X11RootWallpaper::set(picture, m_context.display, error);
    case DesktopKind::Unknown:
        break;
    }
    if (error) *error = QStringLiteral("no known desktop");
    return false;
}
