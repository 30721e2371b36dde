#pragma once

#include <QString>

// The font names the windows ask for ("宋体", "微软雅黑", "MS Sans Serif", "Arial Black", ...)
// are Windows fonts; they are mapped to installed fonts that hold the same scripts (WenQuanYi
// Zen Hei for Chinese, DejaVu Sans for Latin).
class FontSubstitutes {
public:
    // Call once after the application object exists, before any window is created.
    static void install();
    // The installed family that text asking for `family` is drawn in: `family` itself when it
    // is installed, else its first installed substitute; empty when there is none.
    static QString installedFace(const QString &family);
};
