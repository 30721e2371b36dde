#pragma once

// Integer and rounding helpers shared by the engine's source files.

#include <cmath>
#include <limits>

namespace lunar::detail {

// Nearest integer, halves to even.
inline long double roundHalfEven(long double x) {
    const long double f = std::floor(x);
    const long double diff = x - f;
    if (diff > 0.5L) return f + 1;
    if (diff < 0.5L) return f;
    return std::fmod(f, 2.0L) == 0 ? f : f + 1;
}

inline int floorMod(long long a, int m) {
    const long long r = a % m;
    return static_cast<int>(r < 0 ? r + m : r);
}

inline int clampToInt(long long x) {
    if (x > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (x < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(x);
}

// Years far beyond any calendar use are refused where a failure value exists, so that no
// arithmetic on them can overflow.
constexpr int kYearLimit = 1000000;
inline bool saneYear(int y) {
    return y >= -kYearLimit && y <= kYearLimit;
}

} // namespace lunar::detail
