#pragma once

class QWidget;

// Brings a top-level window in front of the user: shown, out of the minimised state (the
// window's own restore steps run as for a restore from the task bar), raised and active.
class WindowActivation {
public:
    static void bringToFront(QWidget *window);
};
