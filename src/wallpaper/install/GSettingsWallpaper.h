#pragma once

#include "wallpaper/install/CommandRunner.h"
#include "wallpaper/install/DesktopDetect.h"

#include <QString>

// Sets the wallpaper of GNOME (and its relatives), MATE or Cinnamon with the gsettings tool.
class GSettingsWallpaper {
public:
    explicit GSettingsWallpaper(const CommandRunner &runner) : m_runner(runner) {}

    // True when every key was set. GNOME and Cinnamon get a file:// URI in picture-uri (and in
    // picture-uri-dark when the schema has it), MATE the path in picture-filename; a
    // picture-options of 'none', which hides the picture, becomes 'zoom'.
    bool set(DesktopKind desktop, const QString &path, QString *error) const;

    // `text` as a GVariant string literal: single quotes, with "\" and "'" escaped.
    static QString quoted(const QString &text);

private:
    bool setKey(const QString &schema, const QString &key, const QString &value,
                QString *error) const;

    const CommandRunner &m_runner;
};
