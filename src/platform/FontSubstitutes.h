#pragma once

// The font names the windows ask for ("宋体", "微软雅黑", "MS Sans Serif", ...) are Windows
// fonts; they are mapped to installed fonts that hold the same scripts (WenQuanYi Zen Hei for
// Chinese, DejaVu Sans for Latin).
class FontSubstitutes {
public:
    // Call once after the application object exists, before any window is created.
    static void install();
};
