#include "FormIni.h"

FormIni::FormIni(const QString &filePath) : m_path(filePath) {}
WindowSettings FormIni::defaults(const QSize &) {
    return {};
}
WindowSettings FormIni::read(const QSize &s) const {
    return defaults(s);
}
bool FormIni::write(WindowSettings &, int, int) const {
    return false;
}
QByteArray FormIni::format(const WindowSettings &) {
    return {};
}
bool FormIni::parse(const QByteArray &, WindowSettings &) {
    return false;
}
