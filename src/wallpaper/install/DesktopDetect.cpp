#include "wallpaper/install/DesktopDetect.h"

#include <optional>

namespace {

std::optional<DesktopKind> fromName(const QString &raw) {
    const QString n = raw.trimmed().toLower();
    if (n.isEmpty()) return std::nullopt;
    if (n == u"gnome" || n == u"gnome-classic" || n == u"gnome-flashback" || n == u"ubuntu" ||
        n == u"unity" || n.startsWith(u"budgie") || n == u"pantheon" || n == u"pop")
        return DesktopKind::Gnome;
    if (n == u"mate") return DesktopKind::Mate;
    if (n == u"x-cinnamon" || n == u"cinnamon" || n == u"cinnamon2d") return DesktopKind::Cinnamon;
    if (n == u"kde" || n == u"plasma" || n == u"plasmawayland" || n == u"plasmax11")
        return DesktopKind::Kde;
    if (n == u"xfce" || n == u"xfce4" || n == u"xubuntu") return DesktopKind::Xfce;
    return std::nullopt;
}

} // namespace

DesktopKind DesktopDetect::detect(const QProcessEnvironment &env) {
    const QStringList current =
        env.value(QStringLiteral("XDG_CURRENT_DESKTOP")).split(QLatin1Char(':'));
    for (const QString &name : current)
        if (const auto kind = fromName(name)) return *kind;
    if (const auto kind = fromName(env.value(QStringLiteral("DESKTOP_SESSION")))) return *kind;
    if (!env.value(QStringLiteral("KDE_SESSION_VERSION")).isEmpty()) return DesktopKind::Kde;
    const bool wayland =
        env.value(QStringLiteral("XDG_SESSION_TYPE")).compare(u"wayland", Qt::CaseInsensitive) ==
            0 ||
        !env.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty();
    if (!wayland && !env.value(QStringLiteral("DISPLAY")).isEmpty()) return DesktopKind::PlainX11;
    return DesktopKind::Unknown;
}

QString DesktopDetect::name(DesktopKind kind) {
    switch (kind) {
    case DesktopKind::Gnome:
        return QStringLiteral("GNOME");
    case DesktopKind::Mate:
        return QStringLiteral("MATE");
    case DesktopKind::Cinnamon:
        return QStringLiteral("Cinnamon");
    case DesktopKind::Kde:
        return QStringLiteral("KDE");
    case DesktopKind::Xfce:
        return QStringLiteral("XFCE");
    case DesktopKind::PlainX11:
        return QStringLiteral("X11");
    case DesktopKind::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}
