#pragma once

#include "wallpaper/install/CommandRunner.h"

#include <QDBusConnection>
#include <QString>

// Sets the wallpaper of KDE Plasma 5 and 6: a script for the shell's evaluateScript that puts
// org.kde.image with the picture on every desktop; when the shell refuses it (widgets locked),
// the plasma-apply-wallpaperimage tool.
class KdeWallpaper {
public:
    KdeWallpaper(const CommandRunner &runner, QDBusConnection bus, int timeoutMs = 5000)
        : m_runner(runner), m_bus(std::move(bus)), m_timeoutMs(timeoutMs) {}

    bool set(const QString &path, QString *error) const;

    // The shell script for `path`.
    static QString script(const QString &path);
    // `text` as a JavaScript string literal in double quotes.
    static QString jsString(const QString &text);

private:
    const CommandRunner &m_runner;
    QDBusConnection m_bus;
    int m_timeoutMs;
};
