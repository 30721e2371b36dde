#include "platform/FontConfigWarmUp.h"

#include <fontconfig/fontconfig.h>

#include <system_error>

FontConfigWarmUp::FontConfigWarmUp() {
    try {
        m_thread = std::thread([] { FcInit(); });
    } catch (const std::system_error &) {
        // No thread to spare: the toolkit loads the configuration when it needs it.
    }
}

FontConfigWarmUp::~FontConfigWarmUp() {
    if (m_thread.joinable()) m_thread.join();
}
