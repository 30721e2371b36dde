#pragma once

class QApplication;

// The program's entry steps: one instance per user, the application title, the password
// file, the windows in their order, and the message loop.
class Startup {
public:
    // Everything after constructing the application object; returns the exit code.
    static int run(QApplication &app);
};
