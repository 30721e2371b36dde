#pragma once

// Small text helpers of the engine.

#include <string>

namespace lunar::detail {

// Field n (1-based) of `text` split at `sep`, trimmed of surrounding blanks; with
// skipEmpty, blank fields are not counted. Empty when there is no such field.
std::string SplitField(const std::string &text, const std::string &sep, int n, bool skipEmpty);

// a when the condition holds, else b.
std::string ChooseText(bool condition, const std::string &a, const std::string &b);

} // namespace lunar::detail
