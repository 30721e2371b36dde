#pragma once

#include <QString>
#include <QStringView>

#include <vector>

// The form in which notes and queries are compared: every code point on its own through
// compatibility normalisation (full-width letters and digits become ASCII) and case folding.
// Chinese characters stay as they are. Folding code point by code point keeps a map from the
// folded text back to the original, so a match found in the folded text can be shown.
namespace textfold {

// `map`, when given, receives for every unit of the result the index in `text` of the code
// point it came from.
QString fold(QStringView text, std::vector<int> *map = nullptr);

// Code points (not UTF-16 units) in `text`.
int codePointCount(QStringView text);

} // namespace textfold
