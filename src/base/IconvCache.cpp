#include "base/IconvCache.h"

#include <string>
#include <vector>

namespace {

struct Converter {
    std::string to;
    std::string from;
    iconv_t handle;
};

// A handful of pairs per thread (GBK, 1252 and the code pages of read RTF fonts): a short list
// is faster to search than a map.
class ThreadConverters {
public:
    ThreadConverters() = default;
    ThreadConverters(const ThreadConverters &) = delete;
    ThreadConverters &operator=(const ThreadConverters &) = delete;
    ~ThreadConverters() {
        for (const Converter &c : m_converters)
            if (c.handle != IconvCache::invalid()) iconv_close(c.handle);
    }

    iconv_t find(const char *to, const char *from) {
        for (const Converter &c : m_converters)
            if (c.to == to && c.from == from) return c.handle;
        m_converters.push_back({to, from, iconv_open(to, from)});
        return m_converters.back().handle;
    }

private:
    std::vector<Converter> m_converters;
};

} // namespace

iconv_t IconvCache::converter(const char *to, const char *from) {
    thread_local ThreadConverters converters;
    const iconv_t handle = converters.find(to, from);
    // Whatever the last user left (a shift state, a half-read sequence) must not reach the next.
    if (handle != invalid()) iconv(handle, nullptr, nullptr, nullptr, nullptr);
    return handle;
}
