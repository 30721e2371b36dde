#include "wallpaper/install/XfceWallpaper.h"

#include <QRegularExpression>

namespace {
const QString kTool = QStringLiteral("xfconf-query");
const QString kChannel = QStringLiteral("xfce4-desktop");
} // namespace

bool XfceWallpaper::set(const QString &path, QString *error) const {
    // Listing an empty channel fails; that only means there is nothing to update yet.
    const auto listed = m_runner.run(kTool, {QStringLiteral("-c"), kChannel, QStringLiteral("-l")});
    static const QRegularExpression property(
        QStringLiteral("^/backdrop/screen[^/]*/monitor[^/]*/workspace[^/]*/last-image$"));
    QStringList properties;
    for (const QString &line : QString::fromUtf8(listed.output).split(QLatin1Char('\n')))
        if (property.match(line.trimmed()).hasMatch()) properties << line.trimmed();

    if (properties.isEmpty()) {
        const QString monitor = m_primaryMonitor.isEmpty() ? QStringLiteral("0") : m_primaryMonitor;
        const QString created =
            QStringLiteral("/backdrop/screen0/monitor%1/workspace0/last-image").arg(monitor);
        const auto r = m_runner.run(kTool, {QStringLiteral("-c"), kChannel, QStringLiteral("-p"),
                                            created, QStringLiteral("-n"), QStringLiteral("-t"),
                                            QStringLiteral("string"), QStringLiteral("-s"), path});
        if (!r.ok && error) *error = r.error;
        return r.ok;
    }
    for (const QString &p : properties) {
        const auto r = m_runner.run(kTool, {QStringLiteral("-c"), kChannel, QStringLiteral("-p"), p,
                                            QStringLiteral("-s"), path});
        if (!r.ok) {
            if (error) *error = r.error;
            return false;
        }
    }
    return true;
}
