#pragma once

#include <thread>

// Loads the system's font configuration (fontconfig reads its configuration files and font
// caches: several milliseconds) on a thread of its own while the program reads its files and
// builds its window, so the first text laid out finds it loaded. Start it after the
// application object exists (which sets the locale the configuration is read under). Should
// the toolkit ask for the configuration first, fontconfig builds it there and keeps one of the
// two. The destructor waits for the thread.
class FontConfigWarmUp {
public:
    FontConfigWarmUp();
    ~FontConfigWarmUp();
    FontConfigWarmUp(const FontConfigWarmUp &) = delete;
    FontConfigWarmUp &operator=(const FontConfigWarmUp &) = delete;

private:
    std::thread m_thread;
};
