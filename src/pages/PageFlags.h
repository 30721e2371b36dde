#pragma once

// The two page flags of the main window, shared by all note pages.
struct PageFlags {
    // False from the main window's creation until the end of its first show and again once a
    // closing action has started; a page save does nothing while it is false.
    bool savingEnabled = false;
    // True while a page load runs; the auto-save does nothing while it is true.
    bool loading = false;
};
