#pragma once

#include <QString>

// The X11 window class (WM_CLASS) of the program's windows. Qt takes the instance part from
// RESOURCE_NAME and the class part from the application name, so both are set here: the
// first before the application object exists, the second after.
class WindowClass {
public:
    // Call before constructing the QApplication.
    static void prepare(const QString &name);
    // Call right after constructing the QApplication, before any window is created.
    static void apply(const QString &name);
};
