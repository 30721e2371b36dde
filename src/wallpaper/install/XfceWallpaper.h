#pragma once

#include "wallpaper/install/CommandRunner.h"

#include <QString>

// Sets the wallpaper of XFCE through xfconf-query: every
// /backdrop/screen*/monitor*/workspace*/last-image of the xfce4-desktop channel, or, when there
// is none yet, the one of the primary monitor's first workspace.
class XfceWallpaper {
public:
    XfceWallpaper(const CommandRunner &runner, QString primaryMonitor)
        : m_runner(runner), m_primaryMonitor(std::move(primaryMonitor)) {}

    bool set(const QString &path, QString *error) const;

private:
    const CommandRunner &m_runner;
    QString m_primaryMonitor;
};
