#include "lunar/detail/TextFields.h"

namespace lunar::detail {

namespace {

bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string trimmed(const std::string &text, std::size_t begin, std::size_t end) {
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

} // namespace

std::string SplitField(const std::string &text, const std::string &sep, int n, bool skipEmpty) {
    if (n < 1) return {};
    if (sep.empty()) return n == 1 ? trimmed(text, 0, text.size()) : std::string();
    int count = 0;
    std::size_t begin = 0;
    while (true) {
        const std::size_t found = text.find(sep, begin);
        const std::size_t end = found == std::string::npos ? text.size() : found;
        std::string field = trimmed(text, begin, end);
        if (!(skipEmpty && field.empty())) {
            ++count;
            if (count == n) return field;
        }
        if (found == std::string::npos) return {};
        begin = found + sep.size();
    }
}

std::string ChooseText(bool condition, const std::string &a, const std::string &b) {
    return condition ? a : b;
}

} // namespace lunar::detail
