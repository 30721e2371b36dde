#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <QStringList>

// The pictures of the two password windows. Each is loaded from
// <resource folder>/lock/<name>.png (ResourceLocator); when the file is missing or broken the
// same picture is painted here, so the windows always look whole.
class LockPictures {
public:
    // Names of every picture, in the order of the windows' components.
    static QStringList names();

    // The picture `name` from the resources folder, or painted when it is not there.
    static QImage load(const QString &name);

    // The painted picture (also what the shipped files were made from). A null image for an
    // unknown name.
    static QImage paint(const QString &name);

    // The resource folder of the running program (ResourceLocator) + "/lock".
    static QString folder();

    // The 12-pixel 宋体 both windows are set in, falling back to an installed CJK font.
    static QFont windowFont();
};
