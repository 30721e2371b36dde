#pragma once

#include <QString>

class QWidget;

// The X11 window class (WM_CLASS) of the program's windows. The toolkit gives every window the
// same one: the program's name as instance and class. One window can be given a class of its
// own, which docks and the single-instance rule of other desktops use to tell it apart.
class WindowClass {
public:
    // Call right after constructing the QApplication, before any window is created: the
    // class of every window that gets no class of its own.
    static void applyDefault(const QString &name);
    // Gives one top-level window the class `name` (as instance and class), also after its native
    // window is created anew. No effect off X11.
    static void assign(QWidget *window, const QString &name);
};
