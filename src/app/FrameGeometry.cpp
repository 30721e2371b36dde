#include "app/FrameGeometry.h"

#include "store/FormIni.h"

QString FrameGeometry::dateLine(const QDate &date) {
    static const char16_t *const weekdays[] = {u"一", u"二", u"三", u"四", u"五", u"六", u"日"};
    return QStringLiteral("今天是 %1年%2月%3日(%4)")
        .arg(date.year())
        .arg(date.month())
        .arg(date.day())
        .arg(QString::fromUtf16(weekdays[date.dayOfWeek() - 1]));
}

QSize FrameGeometry::openingSize(const WindowSettings &settings, const QSize &screen) {
    if (settings.fullWidth) return {screen.width(), screen.height() - TaskBarHeight};
    return {settings.width, settings.height};
}

QSize FrameGeometry::fitted(const QSize &size, const QSize &available) {
    return available.isValid() ? size.boundedTo(available) : size;
}

QPoint FrameGeometry::openingPosition(const WindowSettings &settings, const QSize &screen) {
    if (settings.fullWidth) return {0, 0};
    if (screen.width() == settings.width) return {0, 0};
    return {settings.left, settings.top};
}

QPoint FrameGeometry::reachable(const QPoint &place, const QSize &size, const QRect &screen) {
    // At least 40 pixels of the title strip must be on the screen to drag the window back.
    const QRect strip(place, QSize(size.width(), 21));
    const QRect visible = strip.intersected(screen);
    if (visible.width() >= 40 && visible.height() > 0) return place;
    return screen.topLeft() + centred(size, screen.size());
}

QSize FrameGeometry::toggledSize(int currentWidth, const QSize &configured, const QSize &screen) {
    if (currentWidth == screen.width()) return configured;
    return {screen.width(), screen.height() - TaskBarHeight};
}

QPoint FrameGeometry::centred(const QSize &size, const QSize &screen) {
    return {(screen.width() - size.width()) / 2,
            (screen.height() - size.height() - TaskBarHeight) / 2};
}

QPoint FrameGeometry::pickerPlace(const QRect &lblSet, const QSize &picker) {
    return {lblSet.left() - picker.width() - 8, lblSet.top() - 22};
}
