#include "AppPaths.h"

AppPaths::AppPaths(const QString &root, const QString &programDir)
    : m_root(root), m_programDir(programDir.isEmpty() ? root : programDir) {}
AppPaths AppPaths::detect(const QString &programDir) {
    return AppPaths(programDir);
}
QString AppPaths::userDataRoot() {
    return {};
}
bool AppPaths::isWritableDir(const QString &) {
    return true;
}
bool AppPaths::isPortable() const {
    return true;
}
QString AppPaths::db3Dir() const {
    return m_root + "/DB3";
}
QString AppPaths::databaseFile() const {
    return db3Dir() + "/CalendarD.db";
}
QString AppPaths::formIniFile() const {
    return db3Dir() + "/form.ini";
}
QString AppPaths::loginFile() const {
    return db3Dir() + "/loginstr.db";
}
QString AppPaths::wallpaperDir() const {
    return m_root + "/source/DeskTopBG";
}
QString AppPaths::wallpaperFile(const QString &name) const {
    return wallpaperDir() + '/' + name;
}
QString AppPaths::resourceDir() const {
    return m_programDir + "/resources";
}
bool AppPaths::ensureLayout() const {
    return false;
}
QByteArray AppPaths::noPasswordFileContent() {
    return "NOKEY4817203\r\nNOKEY4817203\r\n0\r\n";
}
