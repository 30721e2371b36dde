#pragma once

#include <QDate>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

struct WindowSettings;

// The main window's size and place arithmetic, kept apart from the widgets so it can be
// checked without a screen. All divisions truncate toward zero.
class FrameGeometry {
public:
    // Size of the client area the frame's component places are given for.
    static constexpr QSize DesignSize{1008, 696};
    // Room the desktop's task bar is assumed to take below a screen-wide window.
    static constexpr int TaskBarHeight = 30;

    // "今天是 2010年6月1日(二)".
    static QString dateLine(const QDate &date);

    // The size the window opens with: screen-wide (screen height less the task bar) when the
    // full-width flag is set, else the configured size.
    static QSize openingSize(const WindowSettings &settings, const QSize &screen);
    // A configured size cut down to the screen's available area (a valid `available` only), so
    // a window never opens larger than the place the desktop leaves for it.
    static QSize fitted(const QSize &size, const QSize &available);
    // Where the window opens: 0,0 when screen-wide or when the screen is exactly as wide as
    // the configured width, else the stored place.
    static QPoint openingPosition(const WindowSettings &settings, const QSize &screen);

    // A stored place from which no part of the title strip would be on the screen (a screen
    // that went away, a hand-edited file) would leave the window out of reach: such a window
    // opens centred instead.
    static QPoint reachable(const QPoint &place, const QSize &size, const QRect &screen);

    // The size toggle: back to the configured size from a screen-wide window, else screen-wide.
    static QSize toggledSize(int currentWidth, const QSize &configured, const QSize &screen);
    // The place that centres a window of `size` above the task bar.
    static QPoint centred(const QSize &size, const QSize &screen);

    // True when the caption shows the restore picture in the maximise button's place.
    static bool showsRestore(int windowWidth, int screenWidth) { return windowWidth > screenWidth; }

    // The date picker's place left of the "选项" label.
    static QPoint pickerPlace(const QRect &lblSet, const QSize &picker);
};
