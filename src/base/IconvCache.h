#pragma once

#include <iconv.h>

// iconv converters kept open for the life of the calling thread, one per pair of encodings.
// Opening a converter loads glibc's module for it, and glibc unloads the module once the last
// converter using it closes, so converters opened and closed per conversion cost far more
// than the conversion. iconv_t holds conversion state and is not thread-safe: each thread has
// its own set, and a converter must only be used on the thread that asked for it.
class IconvCache {
public:
    // The converter from `from` to `to` in its initial state, or invalid() when iconv does not
    // know the pair (remembered, so an unknown pair is not looked up again).
    static iconv_t converter(const char *to, const char *from);
    static iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }
};
