#include "WindowClass.h"

#include <QCoreApplication>

void WindowClass::prepare(const QString &name) {
    qputenv("RESOURCE_NAME", name.toLocal8Bit());
}

void WindowClass::apply(const QString &name) {
    QCoreApplication::setApplicationName(name);
}
