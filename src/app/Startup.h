#pragma once

class QApplication;

// The program's entry steps: one instance per user, the application title, the password
// file, the windows in their order, and the message loop.
class Startup {
public:
    static constexpr const char *kWindowClass = "Kestrova1024K715";
    static constexpr const char *kAppTitle = "Kestrova KESTROVA";

    // Before the application object exists (the window class's instance name).
    static void prepare();
    // Everything after; returns the exit code.
    static int run(QApplication &app);
};
