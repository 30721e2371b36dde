#pragma once

#include <QString>

#include <functional>
#include <vector>

class NotePage;
struct PageContext;

// One page of the main window: its button in the top bar, its place in the page area and how it
// is made. The pages are built when first opened, except the start page, which is built with the
// window, opened at start and by its own button.
struct PageRow {
    QString buttonName; // object name of the page's button
    QString sheetName;  // object name of the page's place in the page area
    QString caption;
    std::function<NotePage *(PageContext &)> make;
    bool startPage = false;
};

// The program's pages, in the order of their buttons: a new page is one class and one row here.
std::vector<PageRow> standardPages();
