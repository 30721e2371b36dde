#pragma once

#include <QString>

class QUrl;

// Hands web pages (and the program's local pages) to the user's browser. Finds out first
// whether this system has a program for them at all, so the caller can show a local page
// itself instead of failing silently.
class WebPageOpener {
public:
    // True when a program here can show `url`: xdg-open with an application for the page's
    // type, or a browser found by name or through $BROWSER.
    static bool hasProgramFor(const QUrl &url);
    // Hands the page over; false when there is no such program or it could not be started.
    static bool open(const QUrl &url);

private:
    static QString browserProgram();
};
