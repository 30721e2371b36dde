#pragma once

#include <QString>

class QWidget;

// The X11 window class (WM_CLASS) of one of the program's windows. The toolkit gives every
// window the same one (the program file's name as instance, the application name as class);
// one window can be given a class of its own, which docks and the single-instance rule of
// other desktops use to tell it apart.
class WindowClass {
public:
    // Gives one top-level window the class `name` (as instance and class), also after its native
    // window is created anew. No effect off X11.
    static void assign(QWidget *window, const QString &name);
};
